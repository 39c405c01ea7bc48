#pragma once
// The events of a song in the order a player sends them, for whoever turns them into something
// else: the clean file the writer makes and the sequence the synthesizer is fed from both walk the
// song through ForEachPlayedEvent, so both send the same events at the same ticks.
//
// The tracks are merged by tick, and at equal ticks the earlier track goes first, as a player that
// plays the tracks side by side sends them; a format 2 file plays its tracks one after another,
// each starting at the tempo a song starts at unless it sets its own. Only what a player needs
// reaches the sink: channel messages, system-exclusive messages (every module reset as GM System
// On, the one reset that synthesizers commonly know) and tempo changes; a song in SMPTE time gets
// its fixed tempo at tick 0 and no other.
//
// A sink has
//   void Channel(const SmfEvent& event);
//   void SysEx(std::uint32_t tick, std::string_view data);   // without F0 and F7
//   void Tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "playback/SmfReader.h"

namespace korva::smf_merge {

// Up to this many tracks are merged by stepping through the ticks, each step looking at every
// track; beyond it a heap finds the next track, so that a file of thousands of tracks cannot make
// the merge slow.
inline constexpr std::size_t kSweepTracks = 32;

// A system-exclusive message longer than this cannot be written with its length.
inline constexpr std::size_t kMaxSysEx = 0x0FFFFFFF;

struct Cursor {
    const SmfEvent* next;
    const SmfEvent* end;
    std::size_t track;
};

inline std::uint32_t Tempo24(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 3; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

template <class Sink>
void Send(Sink& sink, const SmfSong& song, const SmfEvent& event) {
    if (event.IsChannel()) {
        sink.Channel(event);
    } else if (event.IsSysEx()) {
        using namespace std::string_view_literals;
        const auto data = song.Payload(event);
        if (data.size() < kMaxSysEx)
            sink.SysEx(event.tick, IsModuleReset(data) ? "\x7E\x7F\x09\x01"sv : data);
    } else if (event.IsMeta(kMetaTempo) && song.fixedTempo == 0 && song.Payload(event).size() >= 3) {
        const auto tempo = Tempo24(song.Payload(event));
        if (tempo > 0)
            sink.Tempo(event.tick, tempo);
    }
}

template <class Sink>
void SweepMerge(Sink& sink, const SmfSong& song, std::vector<Cursor> active) {
    std::uint32_t tick = 0xFFFFFFFF;
    for (const auto& cursor : active) tick = std::min(tick, cursor.next->tick);
    while (!active.empty()) {
        std::uint32_t nextTick = 0xFFFFFFFF;
        std::size_t kept = 0;
        for (auto cursor : active) {
            for (; cursor.next != cursor.end && cursor.next->tick == tick; ++cursor.next)
                Send(sink, song, *cursor.next);
            if (cursor.next != cursor.end) {
                nextTick = std::min(nextTick, cursor.next->tick);
                active[kept++] = cursor;
            }
        }
        active.resize(kept);
        tick = nextTick;
    }
}

template <class Sink>
void HeapMerge(Sink& sink, const SmfSong& song, std::vector<Cursor> heap) {
    const auto precedes = [](const SmfEvent& event, std::size_t track, const Cursor& other) {
        return event.tick < other.next->tick || (event.tick == other.next->tick && track < other.track);
    };
    // A min-heap on the cursors' next events.
    const auto later = [&precedes](const Cursor& a, const Cursor& b) {
        return precedes(*b.next, b.track, a);
    };
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Cursor cursor = heap.back();
        heap.pop_back();
        // Events mostly come in runs from one track; the heap is touched once per run.
        do {
            Send(sink, song, *cursor.next);
            ++cursor.next;
        } while (cursor.next != cursor.end &&
                 (heap.empty() || precedes(*cursor.next, cursor.track, heap.front())));
        if (cursor.next != cursor.end) {
            heap.push_back(cursor);
            std::push_heap(heap.begin(), heap.end(), later);
        }
    }
}

}  // namespace korva::smf_merge

namespace korva {

template <class Sink>
void ForEachPlayedEvent(const SmfSong& song, Sink& sink) {
    using namespace smf_merge;
    if (song.fixedTempo != 0)
        sink.Tempo(0, song.fixedTempo);
    if (song.format == 2) {
        for (std::size_t i = 0; i < song.tracks.size(); ++i) {
            const auto& track = song.tracks[i];
            if (i > 0 && song.fixedTempo == 0)
                sink.Tempo(track.startTick, kDefaultTempo);
            for (const auto& event : track.events) Send(sink, song, event);
        }
        return;
    }
    std::vector<Cursor> cursors;
    for (std::size_t i = 0; i < song.tracks.size(); ++i) {
        const auto& events = song.tracks[i].events;
        if (!events.empty())
            cursors.push_back({events.data(), events.data() + events.size(), i});
    }
    if (cursors.size() <= kSweepTracks)
        SweepMerge(sink, song, std::move(cursors));
    else
        HeapMerge(sink, song, std::move(cursors));
}

}  // namespace korva

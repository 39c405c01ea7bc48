#pragma once
// The events of a song in the order a player sends them, for whoever turns them into something
// else: the clean file the writer makes and the sequence the synthesizer is fed from both walk the
// song through ForEachPlayedEvent, so both send the same events at the same ticks.
//
// The tracks are merged by tick, and at equal ticks the earlier track goes first, as a player that
// plays the tracks side by side sends them; a format 2 file plays its tracks one after another,
// each starting at the tempo a song starts at unless it sets its own. Only what a player needs
// reaches the sink: channel messages, system-exclusive messages (every module reset as GM System
// On, the one reset that synthesizers commonly know, unless the resets are asked for as the file
// has them, for a port whose module knows its own) and tempo changes; a song in SMPTE time gets
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

namespace korva {

// How the module resets of a file (GM System On, GS reset, XG System On, ...) are sent.
enum class ModuleResets {
    AsGmSystemOn,  // every one as GM System On: for the built-in synthesizer
    AsInFile,      // each as the file has it: for a module on a MIDI port
};

}  // namespace korva

namespace korva::smf_merge {

// Up to this many tracks are merged by stepping through the ticks, each step looking at every
// track; beyond it a heap finds the next track, so that a file of thousands of tracks cannot make
// the merge slow.
inline constexpr std::size_t kSweepTracks = 32;

// A system-exclusive message longer than this cannot be written with its length.
inline constexpr std::size_t kMaxSysEx = 0x0FFFFFFF;

// The events of one track as the merge walks them: from the events the reader kept, or read again
// from the file's bytes (SmfTrackEvents, which has the same members).
class KeptEvents {
  public:
    KeptEvents(const SmfSong& song, std::size_t track)
        : song_(&song),
          next_(song.tracks[track].events.data()),
          end_(next_ + song.tracks[track].events.size()) {}
    bool AtEnd() const { return next_ == end_; }
    const SmfEvent& Event() const { return *next_; }
    std::string_view Payload() const { return song_->Payload(*next_); }
    void Next() { ++next_; }

  private:
    const SmfSong* song_;
    const SmfEvent* next_;
    const SmfEvent* end_;
};

template <class Events>
struct Cursor {
    Events events;
    std::size_t track;
    std::uint32_t Tick() const { return events.Event().tick; }
};

inline std::uint32_t Tempo24(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 3; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// Sends the event the track stands at.
template <class Sink, class Events>
void Send(Sink& sink, const SmfSong& song, const Events& events, ModuleResets resets) {
    const SmfEvent& event = events.Event();
    if (event.IsChannel()) {
        sink.Channel(event);
    } else if (event.IsSysEx()) {
        using namespace std::string_view_literals;
        const auto data = events.Payload();
        if (data.size() < kMaxSysEx)
            sink.SysEx(event.tick,
                       resets == ModuleResets::AsGmSystemOn && IsModuleReset(data) ? "\x7E\x7F\x09\x01"sv : data);
    } else if (event.IsMeta(kMetaTempo) && song.fixedTempo == 0 && events.Payload().size() >= 3) {
        const auto tempo = Tempo24(events.Payload());
        if (tempo > 0)
            sink.Tempo(event.tick, tempo);
    }
}

template <class Sink, class Events>
void SweepMerge(Sink& sink, const SmfSong& song, std::vector<Cursor<Events>> active, ModuleResets resets) {
    std::uint32_t tick = 0xFFFFFFFF;
    for (const auto& cursor : active) tick = std::min(tick, cursor.Tick());
    while (!active.empty()) {
        std::uint32_t nextTick = 0xFFFFFFFF;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < active.size(); ++i) {
            auto& cursor = active[i];
            for (; !cursor.events.AtEnd() && cursor.Tick() == tick; cursor.events.Next())
                Send(sink, song, cursor.events, resets);
            if (!cursor.events.AtEnd()) {
                nextTick = std::min(nextTick, cursor.Tick());
                if (kept != i)
                    active[kept] = std::move(cursor);
                ++kept;
            }
        }
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(kept), active.end());
        tick = nextTick;
    }
}

template <class Sink, class Events>
void HeapMerge(Sink& sink, const SmfSong& song, std::vector<Cursor<Events>> heap, ModuleResets resets) {
    const auto precedes = [](std::uint32_t tick, std::size_t track, const Cursor<Events>& other) {
        return tick < other.Tick() || (tick == other.Tick() && track < other.track);
    };
    // A min-heap on the cursors' next events.
    const auto later = [&precedes](const Cursor<Events>& a, const Cursor<Events>& b) {
        return precedes(b.Tick(), b.track, a);
    };
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Cursor<Events> cursor = std::move(heap.back());
        heap.pop_back();
        // Events mostly come in runs from one track; the heap is touched once per run.
        do {
            Send(sink, song, cursor.events, resets);
            cursor.events.Next();
        } while (!cursor.events.AtEnd() &&
                 (heap.empty() || precedes(cursor.Tick(), cursor.track, heap.front())));
        if (!cursor.events.AtEnd()) {
            heap.push_back(std::move(cursor));
            std::push_heap(heap.begin(), heap.end(), later);
        }
    }
}

// `open(track)` gives the events of a track.
template <class Sink, class Open>
void MergeTracks(const SmfSong& song, Sink& sink, const Open& open, ModuleResets resets) {
    if (song.fixedTempo != 0)
        sink.Tempo(0, song.fixedTempo);
    if (song.format == 2) {
        for (std::size_t i = 0; i < song.tracks.size(); ++i) {
            if (i > 0 && song.fixedTempo == 0)
                sink.Tempo(song.tracks[i].startTick, kDefaultTempo);
            for (auto events = open(i); !events.AtEnd(); events.Next()) Send(sink, song, events, resets);
        }
        return;
    }
    using Events = decltype(open(0));
    std::vector<Cursor<Events>> cursors;
    for (std::size_t i = 0; i < song.tracks.size(); ++i) {
        auto events = open(i);
        if (!events.AtEnd())
            cursors.push_back({std::move(events), i});
    }
    if (cursors.size() <= kSweepTracks)
        SweepMerge(sink, song, std::move(cursors), resets);
    else
        HeapMerge(sink, song, std::move(cursors), resets);
}

}  // namespace korva::smf_merge

namespace korva {

template <class Sink>
void ForEachPlayedEvent(const SmfSong& song, Sink& sink, ModuleResets resets = ModuleResets::AsGmSystemOn) {
    smf_merge::MergeTracks(
        song, sink, [&song](std::size_t track) { return smf_merge::KeptEvents(song, track); }, resets);
}

// The same for a song read from `bytes` with any detail, whose events are read again from the bytes
// as they are sent: no more than one event of each track is held at a time.
template <class Sink>
void ForEachPlayedEvent(const SmfSong& song, std::string_view bytes, Sink& sink,
                        ModuleResets resets = ModuleResets::AsGmSystemOn) {
    smf_merge::MergeTracks(
        song, sink, [&](std::size_t track) { return SmfTrackEvents(bytes, song, track); }, resets);
}

}  // namespace korva

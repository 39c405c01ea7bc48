#pragma once
// Reads a Standard MIDI File into tracks of events, and writes a song back out as one clean file
// that any player reads whole. The program plays a song from what the reader read (SongSequence
// puts it in time order); the clean file holds the same events in the same order, for tools and
// for checking that order with the reader itself.
//
// Old files carry much that a strict reader refuses: chunks of unknown types, stray system bytes
// inside tracks, running status kept across meta and system-exclusive events, track lengths that
// do not match their data, tracks without an end, SMPTE time. The reader steps over all of it and
// keeps every event it can read, at its time. A song without a note is still a song (it plays as
// silence for its length); only a file with no track holding any event is refused. The writer merges the
// tracks into one (format 0), so no limit on the number of tracks remains, and writes only what a player
// needs: channel messages, system-exclusive messages and tempo changes, at the ticks the file gave them,
// ending at the song's last tick.
//
// Pure: bytes in, bytes out. Nothing here touches a file or a synthesizer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

enum class SmfProblem {
    None,
    NoHeader,     // the file does not start with "MThd"
    Truncated,    // the file ends before its first event
    Corrupt,      // bytes that no reading makes sense of
    Unsupported,  // readable, but no track holds an event, or too large
};

struct SmfEvent {
    static constexpr std::uint8_t kSysEx = 0xF0;
    static constexpr std::uint8_t kMeta = 0xFF;

    // Absolute, in the song's ticks; tracks of a format 2 file follow one another.
    std::uint32_t tick = 0;
    // 0x80-0xEF a channel message, kSysEx a system-exclusive message, kMeta a meta event.
    std::uint8_t status = 0;
    // Channel message: its first data byte. Meta event: its type.
    std::uint8_t data1 = 0;
    // Channel message: its second data byte, 0 for the one-byte messages.
    std::uint8_t data2 = 0;
    // Meta and system-exclusive events: which of SmfSong::payloadPlaces holds their bytes. A
    // system-exclusive message is kept without its leading F0 and without its closing F7. (Twelve
    // bytes an event: a large song holds one for each.)
    std::uint32_t payload = 0;

    bool IsChannel() const { return status >= 0x80 && status < 0xF0; }
    bool IsSysEx() const { return status == kSysEx; }
    bool IsMeta(int type) const { return status == kMeta && data1 == type; }
};

// Meta event types the program looks at.
inline constexpr int kMetaText = 0x01;
inline constexpr int kMetaTrackName = 0x03;
inline constexpr int kMetaEndOfTrack = 0x2F;
inline constexpr int kMetaTempo = 0x51;

// The tempo a song plays at until its first tempo change: 120 quarter notes a minute.
inline constexpr std::uint32_t kDefaultTempo = 500000;

struct SmfSong {
    struct Track {
        std::vector<SmfEvent> events;  // in the order of the file, so by tick; see SmfDetail
        std::uint32_t startTick = 0;   // where the track begins: 0, except in a format 2 file
        std::uint32_t endTick = 0;     // its End of Track, or its last event when it has none
        // The file's bytes its events were read from, in one run: SmfTrackEvents reads them again.
        std::size_t begin = 0;
        std::size_t end = 0;
        std::size_t eventCount = 0;    // the events it holds, also when they are not kept
        std::size_t payloadBytes = 0;  // the bytes of its meta and system-exclusive events
    };

    int format = 1;      // as the header says; any value but 2 plays its tracks together
    int division = 480;  // ticks per quarter note, also for a file written in SMPTE time
    // 0 for a file in metrical time. For a file in SMPTE time, the tempo (microseconds per quarter
    // note) that with `division` keeps its frame timing; its tempo events then mean nothing.
    std::uint32_t fixedTempo = 0;
    struct PayloadPlace {
        std::uint32_t offset;
        std::uint32_t size;
    };
    std::vector<Track> tracks;
    std::string payload;                      // the bytes of every meta and system-exclusive event
    std::vector<PayloadPlace> payloadPlaces;  // where each event's bytes lie in payload

    std::string_view Payload(const SmfEvent& event) const {
        const PayloadPlace& place = payloadPlaces[event.payload];
        return std::string_view(payload).substr(place.offset, place.size);
    }
    // Keeps the bytes of a meta or system-exclusive event; returns what the event holds for them.
    std::uint32_t AddPayload(std::string_view bytes) {
        payloadPlaces.push_back(
            {static_cast<std::uint32_t>(payload.size()), static_cast<std::uint32_t>(bytes.size())});
        payload.append(bytes);
        return static_cast<std::uint32_t>(payloadPlaces.size() - 1);
    }
    // The tick at which the song ends: the latest end of its tracks.
    std::uint32_t LastTick() const;
};

struct SmfReadResult {
    SmfProblem problem = SmfProblem::None;
    std::size_t offset = 0;  // byte offset at which the problem was found
    std::string detail;      // what was found there, in Japanese (Shift-JIS)
    SmfSong song;

    bool Ok() const { return problem == SmfProblem::None; }
};

// What a read keeps of the tracks. A song of millions of events held as events takes many times the
// file's size; one read for playing keeps only where each track lies in the file's bytes, whose events
// SmfTrackEvents then reads again one by one, in order, while the song is put in time order.
enum class SmfDetail {
    Events,  // every track's events and their bytes
    Places,  // no events: only where each track lies, how many events it holds, and where it ends
};

SmfReadResult ReadSmf(std::string_view bytes);
// The same into `result`, whose earlier contents give their room to this song: a reader of song
// after song then takes no new memory for songs of about the same size.
void ReadSmfInto(std::string_view bytes, SmfReadResult& result, SmfDetail detail = SmfDetail::Events);

// The events of one track of a song read from `bytes` (with either detail), read again from the
// bytes one at a time: the same events at the same ticks as the read kept, with their bytes. The
// bytes and the song must outlive it.
class SmfTrackEvents {
  public:
    SmfTrackEvents(std::string_view bytes, const SmfSong& song, std::size_t track);
    SmfTrackEvents(SmfTrackEvents&&) noexcept;
    SmfTrackEvents& operator=(SmfTrackEvents&&) noexcept;
    ~SmfTrackEvents();

    bool AtEnd() const;
    // The event it stands at, and the bytes of a meta or system-exclusive one; only when not AtEnd.
    const SmfEvent& Event() const;
    std::string_view Payload() const;
    void Next();

  private:
    struct Reading;
    std::unique_ptr<Reading> reading_;
};

// The song as a format 0 file with one track. Every module reset is written as GM System On, the
// one reset that synthesizers commonly know; a file in SMPTE time gets its fixed tempo at tick 0.
std::string WritePlayableSmf(const SmfSong& song);
// The same into `out`, reusing its room.
void WritePlayableSmfInto(const SmfSong& song, std::string& out);

// A system-exclusive message that resets a sound module: GM System On, the Roland GS reset or the
// SC-88 system mode set. sysexData is the message without its leading F0; a closing F7 may be
// present or not. The device number is not looked at.
bool IsModuleReset(std::string_view sysexData);

}  // namespace korva

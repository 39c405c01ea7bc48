#pragma once
// Builds Standard MIDI Files for tests, byte for byte: notes, controllers, tempo, meta events,
// system-exclusive messages, and the damaged and odd variants that old files carry (a MacBinary
// header before "MThd", files cut short, patched bytes, chunks of other types, wrong track lengths,
// long headers, SMPTE time). Ticks are absolute; the writer works out the delta times and appends
// the end-of-track event.

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace korva::testing {

// Raw bytes from numbers: Bytes({0x90, 60, 100}).
std::string Bytes(std::initializer_list<int> values);
// A variable-length quantity as a MIDI file writes it.
std::string VarLen(std::uint32_t value);

class SmfTrack {
  public:
    // Any event: the bytes that follow its delta time (status byte first, or data bytes only to use
    // running status). Events at the same tick keep the order in which they were added.
    SmfTrack& Event(std::uint32_t tick, std::string bytes);

    SmfTrack& NoteOn(std::uint32_t tick, int channel, int key, int velocity);
    SmfTrack& NoteOff(std::uint32_t tick, int channel, int key);
    // A note on at tick and its note off length ticks later.
    SmfTrack& Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity = 100);
    SmfTrack& ProgramChange(std::uint32_t tick, int channel, int program);
    SmfTrack& ControlChange(std::uint32_t tick, int channel, int controller, int value);
    SmfTrack& Tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
    SmfTrack& Meta(std::uint32_t tick, int type, std::string_view data);
    SmfTrack& Text(std::uint32_t tick, std::string_view text);
    SmfTrack& TrackName(std::uint32_t tick, std::string_view name);
    // message is the whole message from F0 to F7, as a module receives it.
    SmfTrack& SysEx(std::uint32_t tick, std::string_view message);
    // The same message in two packets: F0 with its first firstLength bytes after F0 at tick, and an
    // F7 event with the rest at restTick.
    SmfTrack& DividedSysEx(std::uint32_t tick, std::string_view message, std::size_t firstLength,
                           std::uint32_t restTick);

    // The end-of-track event comes at the latest event's tick, or at this tick if that is later.
    SmfTrack& EndAt(std::uint32_t tick);
    SmfTrack& WithoutEndOfTrack();
    // The chunk's length field says difference bytes more (or, when negative, fewer) than it holds.
    SmfTrack& DeclaredLengthOff(int difference);

    std::string Chunk() const;  // "MTrk", its length, its events

  private:
    struct Timed {
        std::uint32_t tick;
        std::string bytes;
    };
    std::vector<Timed> events_;
    std::uint32_t endTick_ = 0;
    bool endOfTrack_ = true;
    int lengthOff_ = 0;
};

class SmfWriter {
  public:
    explicit SmfWriter(int format = 1, int division = 480) : format_(format), division_(division) {}

    // The returned track stays valid as more tracks are added.
    SmfTrack& AddTrack();
    // A chunk of another type ("XFIH", "junk"), after the tracks and chunks added so far.
    SmfWriter& AddChunk(std::string_view type, std::string_view data);
    // A header that says it holds length bytes; beyond 6 they are zeros.
    SmfWriter& HeaderLength(int length);
    // The number of tracks the header gives, when it must differ from the tracks written.
    SmfWriter& DeclaredTracks(int count);
    std::string Bytes() const;

  private:
    int format_;
    int division_;
    int headerLength_ = 6;
    int declaredTracks_ = -1;
    std::deque<SmfTrack> tracks_;
    // Tracks and other chunks in file order: a track by its index, another chunk by its bytes.
    struct Part {
        std::size_t track;
        std::string chunk;
    };
    std::vector<Part> parts_;
};

// The time division of a file in SMPTE time: frames a second (24, 25, 29 for 29.97, 30) and ticks
// a frame.
int SmpteDivision(int framesPerSecond, int ticksPerFrame);

// The file as a Macintosh transfer leaves it: a 128-byte MacBinary header before "MThd".
std::string WithMacBinaryHeader(std::string_view smf, std::string_view macName = "SONG.MID");
// The first length bytes of the file, as an interrupted copy leaves it.
std::string Truncated(std::string_view smf, std::size_t length);
// The file with the bytes at offset replaced.
std::string Patched(std::string_view smf, std::size_t offset, std::string_view bytes);

}  // namespace korva::testing

#pragma once
// The MIDI sequencer device that plays one Standard MIDI File at a time. The play sequencing
// drives it from the user-interface thread; the platform layer implements it over a synthesizer,
// tests with a scripted fake.
//
// Completion notice: every call of Play() is answered by exactly one call of the notify handler,
// on the user-interface thread and always after the call that ended the play has returned. A play
// ends when the song reaches its end, or by Stop(), Pause(), Close(), Open() of another file, a
// further Play() that supersedes it, or failure. The handler is told nothing about the reason: it
// reads Mode(). A notice that arrives after Close() finds DeviceMode::None.

#include <cstdint>
#include <functional>
#include <string>

namespace korva {

// The device's modes, numbered as the program has always numbered them; None is not one of the
// seven: it is what a device that is not open reports.
enum class DeviceMode {
    NotReady = 0,
    Stopped = 1,
    Playing = 2,
    Recording = 3,
    Seeking = 4,
    Paused = 5,
    Open = 6,
    None = 7,
};

// What went wrong in the device's last operation. The file faults come from Open(): the file is
// missing, cannot be read, is no MIDI file, or is a MIDI file that cannot be played. The others
// come from Play(), and OutputLost from a play that ended by itself: its notice finds it.
enum class DeviceFault {
    None = 0,
    FileNotFound,
    FileUnreadable,
    NotMidiFile,
    MidiFileTruncated,
    MidiFileCorrupt,
    MidiFileUnsupported,
    NotOpen,      // Play() without an open file
    NoSoundFont,  // nothing to play the song with
    CannotPlay,   // the synthesizer refused to start, or the output port is not there
    OutputLost,   // the output went away while a song played: the play ended there
};

// True for the faults that say what is wrong with a file rather than with the device.
bool IsFileFault(DeviceFault fault);

class SequencerDevice {
  public:
    virtual ~SequencerDevice() = default;

    // The completion-notice handler; set once by the owner before the first Play().
    virtual void SetNotifyHandler(std::function<void()> handler) = 0;

    // Told on the caller's thread, before it waits, when an Open() takes a while (a large song is
    // read): until Open() returns, the caller's events go on being handled, and a Close() or another
    // Open() meanwhile gives up the open under way.
    virtual void SetSlowOpenHandler(std::function<void()> handler) { static_cast<void>(handler); }

    // Every operation reports its outcome through Fault() and ErrorText(); none raises.

    // Closes the device if it is open, then opens the file, without a notice. On failure the device
    // stays closed.
    virtual void Open(const std::string& sjisPath) = 0;
    // Plays from the current position and returns at once; a paused device resumes.
    virtual void Play() = 0;
    // Pauses a playing device; on a paused device it resumes. Does nothing in any other mode.
    virtual void Pause() = 0;
    // Stops and keeps the position; a pending notice is still delivered.
    virtual void Stop() = 0;
    virtual void Close() = 0;

    virtual DeviceMode Mode() const = 0;
    // The outcome of the last operation.
    virtual DeviceFault Fault() const = 0;
    // The Shift-JIS text of the last fault, naming the file for a file fault; empty after success.
    virtual std::string ErrorText() const = 0;
    // How far into the open file the sound heard has come, in microseconds; 0 with nothing open.
    virtual std::int64_t PositionMicroseconds() const = 0;
};

}  // namespace korva

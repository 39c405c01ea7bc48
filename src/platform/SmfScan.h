#pragma once
// Checks the bytes of a Standard MIDI File before the synthesizer's player sees them. The player
// gives up on a file it cannot read by skipping it silently, so every file it would refuse must be
// refused here first, with a reason the user can read. The check also finds where the song ends.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korva {

enum class SmfProblem {
    None,
    NoHeader,     // the file does not start with "MThd"
    Truncated,    // the file ends inside a chunk or an event
    Corrupt,      // bytes that no valid file contains
    Unsupported,  // valid, but the player cannot play it (SMPTE time, escaped events, too many tracks)
};

struct SmfScan {
    SmfProblem problem = SmfProblem::None;
    std::size_t offset = 0;  // byte offset at which the problem was found
    std::string detail;      // what was found there, in plain ASCII
    int format = 0;
    int tracks = 0;
    int division = 0;            // ticks per quarter note
    std::uint32_t lastTick = 0;  // the tick of the latest track end: the end of the song

    bool Ok() const { return problem == SmfProblem::None; }
};

// The player accepts at most this many tracks.
inline constexpr int kMaxSmfTracks = 128;

SmfScan ScanSmf(std::string_view bytes);

// A system-exclusive message that resets a sound module: GM System On, the Roland GS reset or the
// SC-88 system mode set. sysexData is the message without its leading F0; a closing F7 may be
// present or not. The device number is not looked at.
bool IsModuleReset(std::string_view sysexData);

}  // namespace korva

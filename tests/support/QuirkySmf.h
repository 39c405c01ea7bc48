#pragma once
// Odd but playable MIDI files, one for each oddity that old files carry, made by the SMF writer.
// The reader's tests check what is read from each; the device's tests play each through the synth.

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace korva::testing {

struct QuirkySmf {
    const char* name;
    std::string bytes;
    // Every note that sounds, in the order it starts: (tick, key).
    std::vector<std::pair<std::uint32_t, int>> notes;
    std::uint32_t lastTick;
    double seconds;  // how long it plays
};
inline void PrintTo(const QuirkySmf& value, std::ostream* out) {
    *out << value.name;
}

std::vector<QuirkySmf> QuirkySmfFiles();

}  // namespace korva::testing

#pragma once
// This process's memory as the kernel counts it, for the tools that measure it.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace korva::testing {

// Kilobytes from a line of /proc/self/status, such as "VmHWM:" (the peak resident memory); -1
// when the line is not there.
inline long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0)
            return std::atol(line.c_str() + length);
    }
    return -1;
}

}  // namespace korva::testing

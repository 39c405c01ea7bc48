#pragma once
// Auto start: a while after start-up the Play button presses itself, when the settings ask for it
// and the list mode is one that plays without asking the user anything.

#include <optional>
#include <string>

#include "app/Settings.h"

namespace korva {

struct AutoStart {
    int delayMilliseconds = 0;
    std::string notice;  // shown on the status line while the program waits
};

// ATSTART 1 waits 4 s, 2 waits 7 s, in the list modes LIST0 to PROG; nullopt otherwise.
std::optional<AutoStart> AutoStartOf(const Settings& settings);

}  // namespace korva

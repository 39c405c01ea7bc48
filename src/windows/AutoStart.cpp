#include "windows/AutoStart.h"

namespace korva {

std::optional<AutoStart> AutoStartOf(const Settings& settings) {
    if ((settings.ATSTART != 1 && settings.ATSTART != 2) || settings.PLAYMOD >= ARTS)
        return std::nullopt;
    return AutoStart{settings.ATSTART * 3000 + 1000,
                     settings.ATSTART == 1 ? ".. Auto Start(3sec)" : ".. Auto Start(6sec)"};
}

}  // namespace korva

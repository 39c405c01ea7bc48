#include "app/Settings.h"

namespace korva {

std::optional<std::array<int, 6>> TimeBandHours(const std::string& timband) {
    if (timband.size() != 12)
        return std::nullopt;
    std::array<int, 6> hours{};
    for (std::size_t n = 0; n < 6; ++n) {
        const char tens = timband[2 * n];
        const char ones = timband[2 * n + 1];
        const bool digits = tens >= '0' && tens <= '9' && ones >= '0' && ones <= '9';
        hours[n] = digits ? (tens - '0') * 10 + (ones - '0') : 0;
    }
    return hours;
}

}  // namespace korva

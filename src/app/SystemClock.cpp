#include "app/SystemClock.h"

#include <chrono>
#include <ctime>

namespace korva {

LocalTime SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

SeededRandom::SeededRandom()
    : engine_(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
              static_cast<std::uint64_t>(std::time(nullptr))) {}

int SeededRandom::Below(int n) {
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

}  // namespace korva

#include "platform/SystemClock.h"

#include <ctime>

namespace korva {

LocalTime SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

}  // namespace korva

#include "app/SeededRandom.h"

#include <chrono>
#include <ctime>

namespace korva {

SeededRandom::SeededRandom()
    : engine_(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
              static_cast<std::uint64_t>(std::time(nullptr))) {}

int SeededRandom::Below(int n) {
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

}  // namespace korva

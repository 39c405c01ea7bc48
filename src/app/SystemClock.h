#pragma once

#include <cstdint>
#include <random>

#include "app/Ports.h"

namespace korva {

class SystemClock final : public Clock {
  public:
    LocalTime Now() const override;
};

// Seeded once (from the clock by default); every random draw of the program goes through it.
class SeededRandom final : public RandomSource {
  public:
    SeededRandom();
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    int Below(int n) override;

  private:
    std::mt19937_64 engine_;
};

}  // namespace korva

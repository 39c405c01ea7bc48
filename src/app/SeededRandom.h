#pragma once
// The program's one pseudo-random generator: seeded once, and every random draw goes through it.

#include <cstdint>
#include <random>

#include "app/Ports.h"

namespace korva {

class SeededRandom final : public RandomSource {
  public:
    // Seeded from the clock.
    SeededRandom();
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    int Below(int n) override;

  private:
    std::mt19937_64 engine_;
};

}  // namespace korva

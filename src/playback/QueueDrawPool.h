#pragma once
// The pool a random build draws from, as numbered slots: the lines stay where the caller keeps
// them. The slot at a uniformly drawn index among those left is found and taken out while the
// others keep their order, and slots may be appended at the end. Slots are bits, counted per word
// of 64, per group of 512, per block of 4,096 and per region of 32,768, so finding one reads a few
// small counts and emptying a pool of 100,000 lines is not quadratic.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Ports.h"

namespace korva {

class QueueDrawPool {
  public:
    // Slots 0 .. count - 1, all in the pool.
    explicit QueueDrawPool(std::size_t count);

    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    bool Contains(std::size_t slot) const;

    // The slot at index (0-based, counted over the slots still in the pool); index < Size().
    std::size_t SlotAt(std::size_t index) const;
    void Remove(std::size_t slot);
    // Adds the next slot number at the end and returns it.
    std::size_t Append();

  private:
    std::vector<std::uint64_t> words_;         // bit i of word w: slot 64 w + i is in the pool
    std::vector<std::uint8_t> wordCounts_;     // slots in the pool per word
    std::vector<std::uint16_t> groupCounts_;   // slots in the pool per group of 8 words
    std::vector<std::uint32_t> blockCounts_;   // slots in the pool per block of 64 words
    std::vector<std::uint32_t> regionCounts_;  // slots in the pool per region of 8 blocks
    std::size_t slots_ = 0;
    std::size_t size_ = 0;
};

// Moves every line into a random order by repeated draws: a uniformly drawn line of those left
// goes next.
std::vector<std::string> InDrawnOrder(std::vector<std::string> lines, RandomSource& random);

// The same draws over count items, as their indexes in drawn order.
std::vector<std::uint32_t> DrawnOrder(std::size_t count, RandomSource& random);

}  // namespace korva

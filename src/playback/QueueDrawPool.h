#pragma once
// The pool a random build draws from, as numbered slots: the lines stay where the caller keeps
// them. The slot at a uniformly drawn index among those left is found and taken out while the
// others keep their order, and slots may be appended at the end. Slots are bits in words of 64;
// eight words make a group, eight groups a block, eight blocks a region. Each group, block and
// region keeps, for each of its eight parts, how many slots are in the parts before it, so a
// search compares the index with eight counts at once on each level, without a branch that the
// processor could guess wrong. Emptying a pool of 100,000 lines is neither quadratic nor slowed
// by a wrong guess on every level.

#include <array>
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

    // For each of eight parts, the slots in the parts before it. A part past the last one in use
    // counts as an empty part, so its count is the node's whole count and never at or below an
    // index within the node.
    using Before = std::array<std::int16_t, 8>;

  private:
    void Add(std::size_t slot, int change);

    std::vector<std::uint64_t> words_;  // bit i of word w: slot 64 w + i is in the pool
    std::vector<Before> groups_;        // per group of 8 words
    std::vector<Before> blocks_;        // per block of 8 groups
    std::vector<Before> regions_;       // per region of 8 blocks
    std::vector<std::uint32_t> regionStarts_;  // per region: the slots in the pool before it
    std::size_t slots_ = 0;
    std::size_t size_ = 0;
};

// Moves every line into a random order by repeated draws: a uniformly drawn line of those left
// goes next.
std::vector<std::string> InDrawnOrder(std::vector<std::string> lines, RandomSource& random);

// The same draws over count items, as their indexes in drawn order.
std::vector<std::uint32_t> DrawnOrder(std::size_t count, RandomSource& random);

}  // namespace korva

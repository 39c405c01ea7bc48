#include "playback/QueueDrawPool.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korva {
namespace {

using Lines = std::vector<std::string>;

class FixedDraw final : public RandomSource {
  public:
    explicit FixedDraw(bool last) : last_(last) {}
    int Below(int n) override { return last_ ? n - 1 : 0; }

  private:
    bool last_;
};

TEST(QueueDrawPoolTest, BehavesLikeAnOrderedListUnderDrawsAndAppends) {
    std::vector<std::size_t> model;
    for (std::size_t slot = 0; slot < 50; ++slot) model.push_back(slot);
    QueueDrawPool pool(model.size());
    std::mt19937 engine(3);
    int appended = 0;
    while (!model.empty()) {
        ASSERT_EQ(pool.Size(), model.size());
        const std::size_t index = std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(engine);
        const std::size_t slot = pool.SlotAt(index);
        ASSERT_EQ(slot, model[index]);
        // Append often enough to grow past the pool's first capacity.
        if (appended < 200 && engine() % 3 != 0) {
            model.push_back(pool.Append());
            EXPECT_EQ(model.back(), 50u + appended++);
        }
        EXPECT_TRUE(pool.Contains(slot));
        pool.Remove(slot);
        EXPECT_FALSE(pool.Contains(slot));
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
    }
    EXPECT_TRUE(pool.Empty());
    EXPECT_FALSE(pool.Contains(250));
}

TEST(QueueDrawPoolTest, LargePoolFindsSlotsAcrossItsCountsLevels) {
    // Counts per word, group, block and region: a pool of a playlist's size, not a whole number of
    // words, drawn from at random and from both ends, with appends past its first size.
    constexpr std::size_t kSlots = 70001;
    std::vector<std::size_t> model(kSlots);
    for (std::size_t slot = 0; slot < kSlots; ++slot) model[slot] = slot;
    QueueDrawPool pool(kSlots);
    EXPECT_EQ(pool.SlotAt(kSlots - 1), kSlots - 1);
    EXPECT_FALSE(pool.Contains(kSlots));
    std::mt19937 engine(97);
    for (int draw = 0; draw < 3000; ++draw) {
        const std::size_t index =
            draw % 3 == 0   ? model.size() - 1
            : draw % 3 == 1 ? 0
                            : std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(engine);
        const std::size_t slot = pool.SlotAt(index);
        ASSERT_EQ(slot, model[index]) << draw;
        pool.Remove(slot);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
        if (draw % 2 == 0)
            model.push_back(pool.Append());
    }
    ASSERT_EQ(pool.Size(), model.size());
    for (std::size_t index = 0; index < model.size(); index += 37)
        ASSERT_EQ(pool.SlotAt(index), model[index]);
    EXPECT_EQ(pool.SlotAt(model.size() - 1), model.back());
}

TEST(QueueDrawPoolTest, EmptiedRegionsAndNewRegionsKeepTheOrder) {
    // Three regions of 32,768 slots and a few more; the middle one emptied whole, a group and a
    // block emptied in the first, then appends that open a new region past the last.
    constexpr std::size_t kRegion = 32768;
    constexpr std::size_t kSlots = 2 * kRegion + 100;
    QueueDrawPool pool(kSlots);
    std::vector<bool> in(kSlots, true);
    auto take = [&](std::size_t slot) {
        pool.Remove(slot);
        in[slot] = false;
    };
    for (std::size_t slot = kRegion; slot < 2 * kRegion; ++slot) take(slot);
    for (std::size_t slot = 512; slot < 1024; ++slot) take(slot);
    for (std::size_t slot = 8192; slot < 12288; ++slot) take(slot);
    take(0);
    take(kSlots - 1);
    while (in.size() < 3 * kRegion + 70) {
        EXPECT_EQ(pool.Append(), in.size());
        in.push_back(true);
    }
    std::vector<std::size_t> model;
    for (std::size_t slot = 0; slot < in.size(); ++slot)
        if (in[slot])
            model.push_back(slot);
    ASSERT_EQ(pool.Size(), model.size());
    for (std::size_t index = 0; index < model.size(); ++index) ASSERT_EQ(pool.SlotAt(index), model[index]) << index;
    EXPECT_FALSE(pool.Contains(kRegion + 5));
    EXPECT_TRUE(pool.Contains(3 * kRegion + 1));
    // Drawing on: the slot after each taken one moves up to its index.
    std::mt19937 engine(5);
    for (int draw = 0; draw < 2000; ++draw) {
        const std::size_t index = std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(engine);
        ASSERT_EQ(pool.SlotAt(index), model[index]) << draw;
        pool.Remove(model[index]);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
        if (index < model.size()) {
            ASSERT_EQ(pool.SlotAt(index), model[index]) << draw;
        }
    }
}

TEST(QueueDrawPoolTest, EveryBitPatternOfAWordIsFoundInOrder) {
    // One word of 64 slots taken down to each pattern of a moving byte: SlotAt must find each
    // slot left by its rank, whatever bytes around it are empty or full.
    for (unsigned shift = 0; shift < 64; shift += 8) {
        for (unsigned pattern = 0; pattern < 256; pattern += 7) {
            QueueDrawPool pool(64);
            std::vector<std::size_t> model;
            for (std::size_t slot = 0; slot < 64; ++slot) {
                const bool inByte = slot >= shift && slot < shift + 8;
                const bool keep = inByte ? ((pattern >> (slot - shift)) & 1) != 0 : slot % 3 == 0;
                if (keep)
                    model.push_back(slot);
                else
                    pool.Remove(slot);
            }
            ASSERT_EQ(pool.Size(), model.size());
            for (std::size_t index = 0; index < model.size(); ++index)
                ASSERT_EQ(pool.SlotAt(index), model[index]) << shift << " " << pattern;
        }
    }
}

TEST(QueueDrawPoolTest, DrawnOrderFollowsTheDraws) {
    const Lines lines{"a", "b", "c", "d"};
    FixedDraw first(false);
    FixedDraw last(true);
    EXPECT_EQ(InDrawnOrder(lines, first), lines);
    EXPECT_EQ(InDrawnOrder(lines, last), (Lines{"d", "c", "b", "a"}));
    EXPECT_TRUE(InDrawnOrder({}, first).empty());
}

}  // namespace
}  // namespace korva

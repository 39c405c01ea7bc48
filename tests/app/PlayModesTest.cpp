#include "app/PlayModes.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(PlayModesTest, ValuesOutsideTheirTablesHaveNoCode) {
    EXPECT_EQ(ModeCode(5), "ESY");
    EXPECT_EQ(ModeCode(6), "");
    EXPECT_EQ(OrderCode(2), "RND");
    EXPECT_EQ(OrderCode(3), "");
}

TEST(PlayModesTest, ListModeStepsWrapBothWays) {
    const struct {
        int from;
        bool forward;
        int to;
    } cases[] = {{0, true, 1},  {4, true, 5}, {5, true, 0},  {1, false, 0},
                 {0, false, 5}, {9, true, 0}, {9, false, 5}, {200, false, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(SteppedListMode(static_cast<std::uint8_t>(c.from), c.forward), c.to) << c.from << c.forward;
    }
}

TEST(PlayModesTest, OrderStepsCycleBothWaysAndLeaveUnknownValues) {
    EXPECT_EQ(SteppedOrder(0, true), 1);
    EXPECT_EQ(SteppedOrder(1, true), 2);
    EXPECT_EQ(SteppedOrder(2, true), 0);
    EXPECT_EQ(SteppedOrder(0, false), 2);
    EXPECT_EQ(SteppedOrder(2, false), 1);
    EXPECT_EQ(SteppedOrder(1, false), 0);
    EXPECT_EQ(SteppedOrder(3, true), std::nullopt);
    EXPECT_EQ(SteppedOrder(3, false), std::nullopt);
}

}  // namespace
}  // namespace korva

#include "windows/RemoteStrip.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(RemoteStripTest, WidthComesFromTheButtons) {
    EXPECT_EQ(StripWidth({}), 290);
    EXPECT_EQ(StripWidth({20, 24, 23, 32}), 297);  // seven buttons share the back button's width
    EXPECT_EQ(StripWidth({19, 26, 23, 32}), 296);
    EXPECT_EQ(StripWidth({19, 24, 30, 40}), 305);
}

TEST(RemoteStripTest, DragKeepsTheCursorAtATenthAndAHalf) {
    struct Case {
        int width, height;
        ScreenPoint expected;
    };
    const Case cases[] = {
        {290, 21, {500 - 29, 300 - 10}},  // 10.5 rounds to 10
        {295, 23, {500 - 30, 300 - 12}},  // 29.5 rounds to 30, 11.5 to 12
        {285, 25, {500 - 28, 300 - 12}},  // 28.5 rounds to 28, 12.5 to 12
        {284, 20, {500 - 28, 300 - 10}},  // 28.4 rounds down
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripDragPosition({500, 300}, c.width, c.height), c.expected) << c.width << "x" << c.height;
    EXPECT_EQ(StripDragPosition({5, 3}, 290, 21), (ScreenPoint{-24, -7}));  // past the screen's edge too
}

TEST(RemoteStripTest, TitleBarReturnsToWhereItWasSwitchedOff) {
    StripTitleBar bar;
    EXPECT_TRUE(bar.Shown());
    EXPECT_EQ(bar.SwitchOff({120, 80}, 400, 21), (ScreenPoint{120, 390}));
    EXPECT_FALSE(bar.Shown());
    // Dragged meanwhile: the remembered place does not follow.
    EXPECT_EQ(bar.SwitchOn(), (ScreenPoint{120, 80}));
    EXPECT_TRUE(bar.Shown());
    // A second round remembers the new place.
    EXPECT_EQ(bar.SwitchOff({7, 9}, 0, 21), (ScreenPoint{7, -10}));
    EXPECT_EQ(bar.SwitchOn(), (ScreenPoint{7, 9}));
}

}  // namespace
}  // namespace korva

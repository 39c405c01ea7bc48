#include "windows/Placement.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/Folders.h"
#include "playback/VolumeLevels.h"

namespace korva {
namespace {

constexpr ScreenSize kScreen{1920, 1080};
constexpr ScreenSize kMain{309, 75};
constexpr ScreenSize kVolume{200, 100};

Settings Cell(int fixdpos, int h, int v) {
    Settings s;
    s.FIXDPOS = static_cast<std::uint8_t>(fixdpos);
    s.ADJUSTH = static_cast<std::uint8_t>(h);
    s.ADJUSTV = static_cast<std::uint8_t>(v);
    return s;
}

TEST(PlacementTest, GridCellsPutTheMainWindowInEachNinth) {
    const int h = 10, v = 20, w = kMain.width, ch = 75, sw = kScreen.width, sh = kScreen.height;
    const ScreenPoint expected[9] = {
        {h, v},
        {h, sh / 2 - ch / 2},
        {h, sh - ch - v},
        {sw / 2 - w / 2, v},
        {sw / 2 - w / 2, sh / 2 - ch / 2},
        {sw / 2 - w / 2, sh - ch - v},
        {sw - w - h, v},
        {sw - w - h, sh / 2 - ch / 2},
        {sw - w - h, sh - ch - v},
    };
    for (int cell = 0; cell < 9; ++cell) {
        EXPECT_EQ(FixedPosition(Cell(cell, h, v), kMain, ch, kScreen), expected[cell]) << cell;
    }
    EXPECT_FALSE(FixedPosition(Cell(9, h, v), kMain, ch, kScreen).has_value());
}

TEST(PlacementTest, VolumeWindowLinesUpWithTheMainWindowTenPixelsAway) {
    const int h = 10, v = 20, ch = 75;
    // Columns: right edges aligned on the left, centred, left edges aligned on the right.
    EXPECT_EQ(VolumeWindowPosition(Cell(0, h, v), kMain, ch, kVolume, kScreen)->x,
              h + kMain.width - kVolume.width);
    EXPECT_EQ(VolumeWindowPosition(Cell(3, h, v), kMain, ch, kVolume, kScreen)->x, 1920 / 2 - 100);
    EXPECT_EQ(VolumeWindowPosition(Cell(6, h, v), kMain, ch, kVolume, kScreen)->x, 1920 - kMain.width - h);
    // Rows: below the main window at the top and in the middle, above it at the bottom.
    EXPECT_EQ(VolumeWindowPosition(Cell(0, h, v), kMain, ch, kVolume, kScreen)->y, v + ch + 10);
    EXPECT_EQ(VolumeWindowPosition(Cell(1, h, v), kMain, ch, kVolume, kScreen)->y, 1080 / 2 + ch / 2 + 10);
    EXPECT_EQ(VolumeWindowPosition(Cell(2, h, v), kMain, ch, kVolume, kScreen)->y, 1080 - ch - v - 100 - 10);
    EXPECT_FALSE(VolumeWindowPosition(Cell(12, h, v), kMain, ch, kVolume, kScreen).has_value());
}

TEST(PlacementTest, BottomRightCellWithAdjustmentSitsAboveTheEdges) {
    const Settings s = Cell(8, 10, 20);
    const ScreenPoint main = *FixedPosition(s, kMain, 75, kScreen);
    EXPECT_EQ(main.x + kMain.width, 1920 - 10);
    EXPECT_EQ(main.y + 75, 1080 - 20);
    const ScreenPoint volume = *VolumeWindowPosition(s, kMain, 75, kVolume, kScreen);
    EXPECT_EQ(volume.x, main.x);                        // left-aligned with the main window
    EXPECT_EQ(volume.y + kVolume.height, main.y - 10);  // its bottom 10 px above the main window's top
}

TEST(PlacementTest, AdjustmentUsesOnlyTheLowEightBits) {
    Settings s = Cell(0, 0, 0);
    s.ADJUSTH = static_cast<std::uint8_t>(300);
    EXPECT_EQ(FixedPosition(s, kMain, 75, kScreen)->x, 44);
}

TEST(PlacementTest, RememberedPositionIsUsedOnlyWhenOnScreen) {
    const ScreenSize vga{640, 480};
    Settings s;
    s.MANHPOS = 100;
    s.MANVPOS = 100;
    EXPECT_EQ(ManualPosition(s, kMain, vga), (ScreenPoint{100, 100}));
    s.MANHPOS = 640 - 321;
    s.MANVPOS = 480 - 75;
    EXPECT_EQ(ManualPosition(s, kMain, vga), (ScreenPoint{319, 405}));
    const ScreenPoint centre{(640 - kMain.width) / 2, (480 - kMain.height) / 2};
    s.MANHPOS = 400;
    EXPECT_EQ(ManualPosition(s, kMain, vga), centre);
    s.MANHPOS = -1;
    EXPECT_EQ(ManualPosition(s, kMain, vga), centre);
    s.MANHPOS = 100;
    s.MANVPOS = 406;
    EXPECT_EQ(ManualPosition(s, kMain, vga), centre);
}

TEST(FoldersTest, CommandLineArgumentsNameTheDataFolders) {
    const Folders none = MakeFolders("/opt/korva", {});
    EXPECT_EQ(none.ProgramFolder, "/opt/korva/");
    EXPECT_EQ(none.List0DataFolder, "/opt/korva/");
    EXPECT_EQ(none.List1DataFolder, "/opt/korva/");
    EXPECT_EQ(none.SettingsPath(), "/opt/korva/KORVA.INI");

    EXPECT_EQ(MakeFolders("/opt/korva/", {"/d/list"}).List0DataFolder, "/d/list/");
    EXPECT_EQ(MakeFolders("/opt/korva/", {"/d/list/"}).List0DataFolder, "/d/list/");

    const Folders second = MakeFolders("/opt/korva/", {"", "/d/one"});
    EXPECT_EQ(second.List0DataFolder, "/opt/korva/");
    EXPECT_EQ(second.List1DataFolder, "/d/one/");
    EXPECT_EQ(second.PlaylistPath(1), "/d/one/KORVA.DT1");
    EXPECT_EQ(second.RejectPath(1), "/opt/korva/KORVA.NG1");
}

TEST(VolumeLevelsTest, LeadingDigitGivesTheBaseLevel) {
    const std::pair<char, int> cases[] = {{'0', 0}, {'3', 3}, {'4', 4}, {'5', 4}, {'6', 5}, {'7', 5},
                                          {'8', 6}, {'9', 6}, {'A', 7}, {'B', 7}, {'C', 8}, {'D', 8},
                                          {'E', 9}, {'F', 9}, {'b', 3}, {'G', 3}, {' ', 3}};
    for (auto [digit, level] : cases) EXPECT_EQ(LevelOfDigit(digit), level) << digit;
    // The bar set at activation puts anything but an upper-case hexadecimal digit at 0.
    EXPECT_EQ(VolumeBarOfDigit('B'), 7);
    EXPECT_EQ(VolumeBarOfDigit('0'), 0);
    EXPECT_EQ(VolumeBarOfDigit('b'), 0);
    EXPECT_EQ(VolumeBarOfDigit('x'), 0);
}

}  // namespace
}  // namespace korva

namespace korva {
namespace {

// The song window asks for an outer size of 297 x 259; its frame (here 8 x 30) is known only later,
// and a script or the window manager may resize it in between.
TEST(OuterSizeFitTest, TheFrameIsTakenOffOnceItIsKnown) {
    OuterSizeFit fit;
    EXPECT_EQ(fit.Request({297, 259}), (ScreenSize{297, 259}));
    fit.Resized({297, 259});               // our own resize coming back
    EXPECT_FALSE(fit.FrameKnown({0, 0}));  // not framed yet
    EXPECT_EQ(fit.FrameKnown({8, 30}), (ScreenSize{289, 229}));
    EXPECT_FALSE(fit.FrameKnown({8, 30}));  // once only
}

TEST(OuterSizeFitTest, AResizeFromOutsideWinsWhicheverOrderTheEventsCome) {
    {
        OuterSizeFit fit;
        fit.Request({297, 259});
        fit.Resized({350, 300});  // resized from outside before the frame was known
        EXPECT_FALSE(fit.FrameKnown({8, 30}));
    }
    {
        OuterSizeFit fit;
        fit.Request({297, 259});
        ASSERT_TRUE(fit.FrameKnown({8, 30}));
        fit.Resized({289, 229});
        fit.Resized({350, 300});  // resized from outside after the correction: nothing more to do
        EXPECT_FALSE(fit.FrameKnown({8, 30}));
    }
    {
        OuterSizeFit fit;  // a new request after an outside resize is corrected again
        fit.Request({297, 259});
        fit.Resized({350, 300});
        fit.Request({400, 300});
        EXPECT_EQ(fit.FrameKnown({8, 30}), (ScreenSize{392, 270}));
    }
}

// The available area of a screen whose panel takes the top 30 pixels, beside a screen to its left.
constexpr ScreenRect kArea{0, 30, 1920, 1050};
constexpr ScreenSize kLeast{120, 80};

TEST(BringOntoAreaTest, BoundsOnTheAreaStayAsStored) {
    EXPECT_EQ(BringOntoArea({100, 200, 297, 259}, kLeast, kArea), (ScreenRect{100, 200, 297, 259}));
    EXPECT_EQ(BringOntoArea({0, 30, 1920, 1050}, kLeast, kArea), kArea);
}

TEST(BringOntoAreaTest, AWindowPartlyOffTheAreaMovesOnItNoFurtherThanNeeded) {
    EXPECT_EQ(BringOntoArea({-50, 0, 297, 259}, kLeast, kArea), (ScreenRect{0, 30, 297, 259}));
    EXPECT_EQ(BringOntoArea({1800, 1000, 297, 259}, kLeast, kArea), (ScreenRect{1623, 821, 297, 259}));
    EXPECT_EQ(BringOntoArea({-5000, 90000, 297, 259}, kLeast, kArea), (ScreenRect{0, 821, 297, 259}));
}

TEST(BringOntoAreaTest, SizesAreLimitedToTheAreaAndToTheLeastTheWindowNeeds) {
    EXPECT_EQ(BringOntoArea({-5000, 100, 100000, 259}, kLeast, kArea), (ScreenRect{0, 100, 1920, 259}));
    EXPECT_EQ(BringOntoArea({10, 40, 5, 0}, kLeast, kArea), (ScreenRect{10, 40, 120, 80}));
    EXPECT_EQ(BringOntoArea({10, 40, -300, -999}, kLeast, kArea), (ScreenRect{10, 40, 120, 80}));
    // A screen smaller than the least size: the window keeps its least size and its top-left corner
    // on the screen.
    EXPECT_EQ(BringOntoArea({500, 500, 297, 259}, kLeast, {0, 0, 100, 60}), (ScreenRect{0, 0, 120, 80}));
}

TEST(BringOntoAreaTest, AnyStoredNumbersGiveAWindowOnTheArea) {
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    for (const ScreenRect stored : {ScreenRect{kMax, kMax, kMax, kMax}, ScreenRect{kMin, kMin, kMin, kMin},
                                    ScreenRect{kMax, kMin, kMax, 1}, ScreenRect{kMin, kMax, 1, kMax}}) {
        const ScreenRect fit = BringOntoArea(stored, kLeast, kArea);
        EXPECT_GE(fit.left, kArea.left);
        EXPECT_GE(fit.top, kArea.top);
        EXPECT_LE(fit.left + fit.width, kArea.left + kArea.width);
        EXPECT_LE(fit.top + fit.height, kArea.top + kArea.height);
        EXPECT_GE(fit.width, kLeast.width);
        EXPECT_GE(fit.height, kLeast.height);
    }
    EXPECT_EQ(CentreOf({kMax, kMax, kMax, kMax}), (ScreenPoint{kMax, kMax}));
    EXPECT_EQ(CentreOf({-5000, 0, 100000, 259}), (ScreenPoint{45000, 129}));
}

TEST(BringOntoAreaTest, AnAreaOfASecondScreenIsKeptTo) {
    constexpr ScreenRect kLeftScreen{-1280, 0, 1280, 1024};
    EXPECT_EQ(BringOntoArea({-300, 900, 297, 259}, kLeast, kLeftScreen), (ScreenRect{-300, 765, 297, 259}));
    EXPECT_EQ(KeepInArea({-2000, 10}, {400, 300}, kLeftScreen), (ScreenPoint{-1280, 10}));
    EXPECT_EQ(KeepInArea({-2000, 10}, {1400, 1100}, kLeftScreen), (ScreenPoint{-1280, 0}));
}

}  // namespace
}  // namespace korva

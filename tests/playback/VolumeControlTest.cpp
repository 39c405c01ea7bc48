#include "playback/VolumeControl.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/Fakes.h"

namespace korva {
namespace {

class VolumeControlTest : public ::testing::Test {
  protected:
    VolumeControl& Make(const std::string& initvol) {
        settings.INITVOL = initvol;
        control.emplace(settings, output, views);
        return *control;
    }
    Settings settings;
    testing::RecordingVolumeOutput output;
    testing::RecordingDeck deck;
    testing::RecordingVolumeWindow window;
    Views views = [this] {
        Views v = QuietViews();
        v.deckVolume = &deck;
        v.volumeWindow = &window;
        return v;
    }();
    std::optional<VolumeControl> control;
};

TEST_F(VolumeControlTest, LevelButtonsProduceTheTenVolumeValues) {
    const std::uint32_t expected[10] = {0x0FFF0FFF, 0x1FFF1FFF, 0x2FFF2FFF, 0x3FFF3FFF, 0x5FFF5FFF,
                                        0x7FFF7FFF, 0x9FFF9FFF, 0xBFFFBFFF, 0xDFFFDFFF, 0xFFFFFFFF};
    for (int level = 0; level < 10; ++level) {
        VolumeControl& v = Make("BFFFBFFF");
        EXPECT_TRUE(v.LevelButtonClick(level));
        EXPECT_EQ(output.set.back(), expected[level]) << level;
        EXPECT_EQ(v.BaseLevel(), level);
        EXPECT_EQ(window.down, level);
        EXPECT_EQ(deck.bar, level);
    }
}

TEST_F(VolumeControlTest, FineDigitsOfBothChannelsSurvive) {
    VolumeControl& v = Make("A123C456");
    EXPECT_EQ(v.BaseLevel(), 7);
    v.LevelButtonClick(9);
    EXPECT_EQ(output.set.back(), 0xF123F456u);
    EXPECT_EQ(settings.INITVOL, "F123F456");
}

TEST_F(VolumeControlTest, OddFirstDigits) {
    VolumeControl& four = Make("4FFF4FFF");
    EXPECT_EQ(four.BaseLevel(), 4);
    four.LevelButtonClick(4);
    EXPECT_EQ(settings.INITVOL, "5FFF5FFF");  // level 4 is written as "5"

    VolumeControl& lower = Make("bFFFbFFF");
    EXPECT_EQ(lower.BaseLevel(), 3);
    EXPECT_EQ(lower.EffectiveLevel(), 3);
    EXPECT_EQ(lower.BaseButtonOfInitvol(), -1);  // presses no button
    lower.TemporaryUp();
    EXPECT_EQ(output.set.back(), 0x5FFF5FFFu);  // level 4, fine digits kept
}

TEST_F(VolumeControlTest, TemporaryStepsStopAtTheEnds) {
    VolumeControl& top = Make("FFFFFFFF");
    top.TemporaryUp();
    EXPECT_TRUE(output.set.empty());
    VolumeControl& bottom = Make("0FFF0FFF");
    bottom.TemporaryDown();
    EXPECT_TRUE(output.set.empty());
    bottom.TemporaryUp();
    EXPECT_EQ(bottom.EffectiveLevel(), 1);
    EXPECT_EQ(settings.INITVOL, "0FFF0FFF");  // temporary steps never touch the base
}

TEST_F(VolumeControlTest, SongOffsetsApplyOnlyInsideTheirRange) {
    struct Case {
        const char* vol;
        int expected;
    };
    const Case cases[] = {{"+3", 9}, {"-6", -1}, {"+6", -1}, {"abc", 8}, {"-5", 3}, {"+0", 8}};
    for (const Case& c : cases) {
        VolumeControl& v = Make("DFFFDFFF");  // base 8
        window.marked = -1;
        v.ApplySongOffset(c.vol);
        EXPECT_EQ(window.marked, c.expected) << c.vol;
    }
}

TEST_F(VolumeControlTest, WorkedExampleStepByStep) {
    VolumeControl& v = Make("BFFFBFFF");
    EXPECT_EQ(v.EffectiveLevel(), 7);
    v.TemporaryUp();
    v.TemporaryUp();
    EXPECT_EQ(v.EffectiveLevel(), 9);
    EXPECT_EQ(output.set.back(), 0xFFFFFFFFu);
    v.LevelButtonClick(5);
    EXPECT_EQ(settings.INITVOL, "7FFF7FFF");
    EXPECT_EQ(v.EffectiveLevel(), 7);  // the +2 offset stays on top of the new base
    EXPECT_EQ(output.set.back(), 0xBFFFBFFFu);
    v.ApplyBaseLevel();  // Stop with AUTOVOL on
    EXPECT_EQ(v.EffectiveLevel(), 5);
    EXPECT_EQ(output.set.back(), 0x7FFF7FFFu);
}

TEST_F(VolumeControlTest, NewBaseWhileHiWasPressedOnce) {
    VolumeControl& v = Make("BFFFBFFF");
    v.TemporaryUp();
    v.LevelButtonClick(4);
    EXPECT_EQ(v.EffectiveLevel(), 5);
}

TEST_F(VolumeControlTest, BaseStepsStayWithinZeroToNine) {
    struct Case {
        const char* initvol;
        int step;
        const char* stored;
        int bar;
    };
    const Case cases[] = {
        {"BFFFBFFF", +1, "DFFFDFFF", 8}, {"BFFFBFFF", -1, "9FFF9FFF", 6}, {"FFFFFFFF", +1, "FFFFFFFF", 9},
        {"0FFF0FFF", -1, "0FFF0FFF", 0}, {"bFFFbFFF", -1, "2FFF2FFF", 2},  // an odd digit counts as level 3
    };
    for (const Case& c : cases) {
        VolumeControl& v = Make(c.initvol);
        output.set.clear();
        v.StepBaseLevelBy(c.step);
        EXPECT_EQ(settings.INITVOL, c.stored) << c.initvol << " " << c.step;
        EXPECT_EQ(deck.bar, c.bar) << c.initvol << " " << c.step;
        EXPECT_EQ(output.set.size(), 1u) << "the level is applied even at the ends";
    }
    VolumeControl& v = Make("BFFFBFFF");
    v.TemporaryUp();
    v.StepBaseLevelBy(+1);
    EXPECT_EQ(v.BaseLevel(), 8);
    EXPECT_EQ(v.EffectiveLevel(), 9);  // the temporary offset rides on the new base
}

TEST_F(VolumeControlTest, RefusedSettingChangesNothing) {
    VolumeControl& v = Make("BFFFBFFF");
    output.refuse = true;
    EXPECT_FALSE(v.LevelButtonClick(3));
    EXPECT_EQ(settings.INITVOL, "BFFFBFFF");
    EXPECT_EQ(v.EffectiveLevel(), 7);
    EXPECT_EQ(window.down, -1);  // the button that caused it shows up

    output.refuse = false;
    settings.INITVOL = "XYZ";  // no hexadecimal number: the level stays
    EXPECT_FALSE(v.ApplyLevel(2, -1));
    EXPECT_EQ(v.EffectiveLevel(), 7);
}

TEST_F(VolumeControlTest, DeviceSearchTakesTheFirstReadableDevice) {
    output.devices = 3;
    output.readableFrom = 2;
    VolumeControl& v = Make("BFFFBFFF");
    EXPECT_TRUE(v.FindVolumeDevice());
    EXPECT_TRUE(deck.volumeControlsShown);

    deck.volumeControlsShown = false;
    output.readableFrom = 5;
    EXPECT_FALSE(v.FindVolumeDevice());
    output.devices = 0;
    EXPECT_FALSE(v.FindVolumeDevice());
    EXPECT_FALSE(deck.volumeControlsShown);
}

}  // namespace
}  // namespace korva

#include "app/StatusLine.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/TitleScroll.h"
#include "text/Encoding.h"

namespace korva {
namespace {

// A display whose text width is one pixel per byte unless a width is set for a text.
class FakeDisplay final : public StatusDisplay {
  public:
    void SetDisplayText(const std::string& sjisText, StatusKind kind) override {
        text = sjisText;
        style = kind;
    }
    int MeasureText(const std::string& sjisText) override {
        return fixedWidth >= 0 ? fixedWidth : int(sjisText.size());
    }
    void SetRemoteCaption(const std::string& sjisText) override { captions.push_back(sjisText); }
    void StopClock() override { clockStopped = true; }
    std::string WeekdayName(int weekday) override {
        return weekday == 0 ? Sjis("日曜日") : "Day" + std::to_string(weekday);
    }

    std::string text;
    StatusKind style = StatusKind::Normal;
    std::vector<std::string> captions;
    bool clockStopped = false;
    int fixedWidth = -1;
};

class FixedClock final : public Clock {
  public:
    LocalTime Now() const override { return now; }
    LocalTime now;
};

TEST(StatusLineTest, OnlyTheThreeNewSongMarksAreRemoved) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"!1 Song", "Song"},
        {"!2 Song", "Song"},
        {"!3 Song", "Song"},
        {"!4 Song", "!4 Song"},
        {"1 !Song", "1 !Song"},
        {" !2 Song", " !2 Song"},
        {"!2", "!2"},
        {"!2Song", "!2Song"},
        {"", ""},
        {"!1 ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(WithoutNewMark(c.message), c.shown) << c.message;
}

TEST(StatusLineTest, ShowsUntrimmedButKeepsTrimmedTextAndItsWidth) {
    FakeDisplay display;
    StatusLine line(display);
    Settings settings;
    const std::string fullWidthBlank = "\x81\x40";
    line.Show("!2 " + fullWidthBlank + " Title  ", StatusKind::Normal, settings);
    EXPECT_EQ(display.text, fullWidthBlank + " Title  ");
    EXPECT_EQ(line.Text(), "Title");
    EXPECT_EQ(line.TextWidth(), 5);
    ASSERT_EQ(display.captions.size(), 1u);
    EXPECT_EQ(display.captions[0], fullWidthBlank + " Title  ");
}

TEST(StatusLineTest, ErrorStopsTheClockOnlyWhileTheClockIsUsed) {
    for (bool useClock : {true, false}) {
        for (StatusKind kind : {StatusKind::Normal, StatusKind::Notice, StatusKind::Error}) {
            FakeDisplay display;
            StatusLine line(display);
            Settings settings;
            settings.USECLOK = useClock;
            line.Show("x", kind, settings);
            EXPECT_EQ(display.clockStopped, useClock && kind == StatusKind::Error);
            EXPECT_EQ(display.style, kind);
        }
    }
}

TEST(StatusLineTest, StylesByKind) {
    EXPECT_EQ(StyleOf(StatusKind::Normal).rgb, kAqua);
    EXPECT_FALSE(StyleOf(StatusKind::Normal).italic);
    EXPECT_EQ(StyleOf(StatusKind::Notice).rgb, kAqua);
    EXPECT_TRUE(StyleOf(StatusKind::Notice).italic);
    EXPECT_EQ(StyleOf(StatusKind::Error).rgb, kYellow);
    EXPECT_FALSE(StyleOf(StatusKind::Error).italic);
}

TEST(StatusLineTest, ClockTextPadsEveryFieldToTwoDigits) {
    EXPECT_EQ(ClockText({2026, 3, 1, 0, 9, 5, 0}, Sjis("日曜日")), Sjis(" 26/03/01 日曜日   09:05"));
    EXPECT_EQ(ClockText({2000, 12, 31, 0, 23, 59, 59}, "Sunday"), " 00/12/31 Sunday   23:59");
}

TEST(StatusLineTest, StoppedTickShowsTheClockOnlyWhenItIsUsed) {
    FakeDisplay display;
    StatusLine line(display);
    Settings settings;
    FixedClock clock;
    clock.now = {2026, 3, 1, 0, 9, 5, 0};
    int scrollPos = 7;
    line.Show("last", StatusKind::Error, settings);
    settings.USECLOK = false;
    line.Tick(false, settings, scrollPos, clock);
    EXPECT_EQ(display.text, "last");
    settings.USECLOK = true;
    line.Tick(false, settings, scrollPos, clock);
    EXPECT_EQ(display.text, Sjis(" 26/03/01 日曜日   09:05"));
    EXPECT_EQ(display.style, StatusKind::Normal);
    EXPECT_EQ(scrollPos, 7);
}

TEST(StatusLineTest, PlayingTickNeverShowsTheClockAndScrollsOnlyWithScrollingOn) {
    FakeDisplay display;
    StatusLine line(display);
    Settings settings;
    FixedClock clock;
    const std::string title(40, 'T');
    display.fixedWidth = 300;
    line.Show(title, StatusKind::Normal, settings);
    int scrollPos = 1;
    settings.USESTRM = false;
    for (int i = 0; i < 60; ++i) line.Tick(true, settings, scrollPos, clock);
    EXPECT_EQ(display.text, title);
    EXPECT_EQ(scrollPos, 1);
    settings.USESTRM = true;
    line.Tick(true, settings, scrollPos, clock);
    line.Tick(true, settings, scrollPos, clock);
    line.Tick(true, settings, scrollPos, clock);
    EXPECT_EQ(display.text, std::string(39, 'T'));
    EXPECT_EQ(scrollPos, 4);
}

}  // namespace
}  // namespace korva

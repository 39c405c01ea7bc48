#include "windows/StatusLine.h"

#include <gtest/gtest.h>

#include "support/Fakes.h"

#include "text/Encoding.h"

namespace korva {
namespace {

// One pixel per byte.
class FakeDisplay final : public StatusDisplay {
  public:
    void SetDisplayText(const std::string& sjisText, StatusKind) override { text = sjisText; }
    int MeasureText(const std::string& sjisText) override { return int(sjisText.size()); }
    void SetRemoteCaption(const std::string& sjisText) override { caption = sjisText; }
    void StopClock() override {}
    std::string WeekdayName(int) override { return Sjis("日曜日"); }
    std::string text;
    std::string caption;
};

TEST(StatusLineTest, OnlyTheThreeNewSongMarksAreRemoved) {
    const std::pair<const char*, const char*> cases[] = {
        {"!1 Song", "Song"},      {"!3 Song", "Song"}, {"!4 Song", "!4 Song"}, {"1 !Song", "1 !Song"},
        {" !2 Song", " !2 Song"}, {"!2", "!2"},        {"!2Song", "!2Song"},   {"", ""},
    };
    for (const auto& [message, shown] : cases) EXPECT_EQ(WithoutNewMark(message), shown) << message;
}

TEST(StatusLineTest, DisplayKeepsTheBlanksTheScrollingDoesNot) {
    FakeDisplay display;
    StatusLine line(display);
    const std::string fullWidthBlank = "\x81\x40";
    line.Show("!2 " + fullWidthBlank + " Title  ", StatusKind::Normal, Settings());
    EXPECT_EQ(display.text, fullWidthBlank + " Title  ");
    EXPECT_EQ(display.caption, display.text);
    EXPECT_EQ(line.Text(), "Title");
    EXPECT_EQ(line.TextWidth(), 5);
}

TEST(StatusLineTest, ClockTextPadsEveryFieldToTwoDigits) {
    EXPECT_EQ(ClockText({2026, 3, 1, 0, 9, 5, 0}, Sjis("日曜日")), Sjis(" 26/03/01 日曜日   09:05"));
    EXPECT_EQ(ClockText({2000, 12, 31, 0, 23, 59, 59}, "Sunday"), " 00/12/31 Sunday   23:59");
}

TEST(StatusLineTest, StoppedTickShowsTheClockOnlyWhenItIsUsedAndKeepsTheScrollPosition) {
    FakeDisplay display;
    StatusLine line(display);
    Settings settings;
    int scrollPos = 7;
    line.Show("last", StatusKind::Error, settings);
    settings.USECLOK = false;
    line.Tick(false, settings, scrollPos, testing::FakeClock());
    EXPECT_EQ(display.text, "last");
    settings.USECLOK = true;
    line.Tick(false, settings, scrollPos, testing::FakeClock());
    EXPECT_EQ(display.text, Sjis(" 26/03/01 日曜日   09:05"));
    EXPECT_EQ(scrollPos, 7);
}

}  // namespace
}  // namespace korva

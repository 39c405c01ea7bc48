#include "windows/TitleScroll.h"

#include <gtest/gtest.h>

#include <vector>

#include "text/Encoding.h"

namespace korva {
namespace {

// The displays of successive ticks; "=" stands for a tick that leaves the display as it is.
std::vector<std::string> Ticks(const std::string& title, int width, int ticks, int& scrollPos) {
    std::vector<std::string> shown;
    for (int i = 0; i < ticks; ++i) {
        auto text = ScrollTitle(title, width, scrollPos);
        shown.push_back(text ? *text : "=");
    }
    return shown;
}

TEST(TitleScrollTest, LongTitleScrollsDownToTheTailThenBannerThenWholeTitle) {
    const std::string title = "ABCDEFGHIJKLMN";  // N = 14: the last tail starts at character 4
    int scrollPos = 1;
    const std::vector<std::string> expected{
        "=", title, "BCDEFGHIJKLMN", "CDEFGHIJKLMN", "DEFGHIJKLMN", ScrollBanner(), title, "BCDEFGHIJKLMN",
    };
    EXPECT_EQ(Ticks(title, 210, 8, scrollPos), expected);
    EXPECT_EQ(scrollPos, 4);
}

TEST(TitleScrollTest, ScrollsOnlyWiderThanTheDisplay) {
    for (const auto& [width, scrolls] :
         std::vector<std::pair<int, bool>>{{208, false}, {209, false}, {210, true}}) {
        int scrollPos = 2;
        const auto shown = ScrollTitle("A long enough title for the display", width, scrollPos);
        EXPECT_EQ(shown.has_value(), scrolls) << width;
        EXPECT_EQ(scrollPos, 3) << "the position advances on every tick";
    }
}

TEST(TitleScrollTest, CountsDoubleByteCharactersAsOne) {
    // Twelve double-byte characters: the tail begins at character 2 (N - 10), then the banner.
    const std::string kana = Sjis("アイウエオカキクケコサシ");
    int scrollPos = 1;
    const auto shown = Ticks(kana, 300, 5, scrollPos);
    EXPECT_EQ(shown[1], kana);
    EXPECT_EQ(shown[2], Sjis("イウエオカキクケコサシ"));
    EXPECT_EQ(shown[3], ScrollBanner());
    EXPECT_EQ(shown[4], kana);
}

TEST(TitleScrollTest, ShowsAtMost255Characters) {
    const std::string title = std::string(300, 'x') + "END";
    int scrollPos = 2;
    const auto shown = ScrollTitle(title, 5000, scrollPos);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), 255u);
}

TEST(TitleScrollTest, BannerIsShiftJis) {
    EXPECT_EQ(ScrollBanner(), " \xA5\xA5 - Play the MIDI - \xA5\xA5");
}

}  // namespace
}  // namespace korva

#include "windows/AutoStart.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(AutoStartTest, WaitsThreeOrSixSecondsAndASecondMoreInTheListModesOnly) {
    struct Case {
        int atstart;
        int playmod;
        int delay;  // 0: no auto start
        const char* notice;
    };
    const Case cases[] = {
        {1, LIST0, 4000, ".. Auto Start(3sec)"},
        {2, PROG, 7000, ".. Auto Start(6sec)"},
        {1, LIST2, 4000, ".. Auto Start(3sec)"},
        {1, ARTS, 0, ""},
        {2, EASY, 0, ""},
        {0, LIST0, 0, ""},
        {3, LIST0, 0, ""},
        {1, 200, 0, ""},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.ATSTART = static_cast<std::uint8_t>(c.atstart);
        settings.PLAYMOD = static_cast<std::uint8_t>(c.playmod);
        const auto autoStart = AutoStartOf(settings);
        ASSERT_EQ(autoStart.has_value(), c.delay > 0) << c.atstart << "/" << c.playmod;
        if (autoStart) {
            EXPECT_EQ(autoStart->delayMilliseconds, c.delay);
            EXPECT_EQ(autoStart->notice, c.notice);
        }
    }
}

}  // namespace
}  // namespace korva

#include "playlist/PlaylistEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace korva {
namespace {

// Fields the caller set before splitting, so that an unassigned field shows.
const PlaylistEntry kUntouched{"name?", "path?", "vol?", "feel?"};

struct SplitCase {
    const char* label;
    std::string line;
    PlaylistEntry expected;
};

class SplitEntryTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitEntryTest, AssignsOnlyTheFieldsTheLineReaches) {
    PlaylistEntry fields = kUntouched;
    SplitEntry(GetParam().line, fields);
    EXPECT_EQ(fields.Name, GetParam().expected.Name);
    EXPECT_EQ(fields.Path, GetParam().expected.Path);
    EXPECT_EQ(fields.Vol, GetParam().expected.Vol);
    EXPECT_EQ(fields.Feel, GetParam().expected.Feel);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitEntryTest,
    ::testing::Values(SplitCase{"NoTab", "A", kUntouched},
                      SplitCase{"OneTab", "A\tB", {"A", "path?", "vol?", "feel?"}},
                      SplitCase{"TwoTabsIgnoreTheThirdField", "A\tB\t+3", {"A", "B", "+0", "feel?"}},
                      SplitCase{"EmptyFeelIsOne", "A\tB\t-2\t", {"A", "B", "-2", "1"}},
                      SplitCase{"FourFields", "A\tB\t-2\t3", {"A", "B", "-2", "3"}},
                      SplitCase{"FifthFieldIgnored", "A\tB\t+1\t2\tfifth", {"A", "B", "+1", "2"}},
                      SplitCase{"ThreeTabsAlone", "\t\t\t", {"", "", "", "1"}},
                      SplitCase{"EmptyLine", "", kUntouched}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(PlaylistEntryTest, LongPathSurvivesSplitAndJoin) {
    const std::string path = "/music/" + std::string(400, 'p') + "/SONG.MID";
    const std::string line = "Song\t" + path + "\t+2\t0";
    PlaylistEntry fields;
    SplitEntry(line, fields);
    EXPECT_EQ(fields.Path, path);
    EXPECT_EQ(fields.Feel, "0");
    EXPECT_EQ(JoinEntry(fields), line);
}

TEST(PlaylistEntryTest, JoinPutsOneTabBetweenFieldsAndNothingAround) {
    EXPECT_EQ(JoinEntry({"!1 Song by Artist", "/MIDI/SONG.MID", "+0", "1"}),
              "!1 Song by Artist\t/MIDI/SONG.MID\t+0\t1");
    EXPECT_EQ(JoinEntry({}), "\t\t\t");
}

TEST(PlaylistEntryTest, FormatVolSignsEveryValue) {
    EXPECT_EQ(FormatVol(0), "+0");
    EXPECT_EQ(FormatVol(5), "+5");
    EXPECT_EQ(FormatVol(-5), "-5");
}

struct ValidityCase {
    const char* label;
    std::string line;
    bool valid;
};

class IsValidEntryLineTest : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(IsValidEntryLineTest, NeedsExactlyThreeTabsAndNoOtherControlByte) {
    EXPECT_EQ(IsValidEntryLine(GetParam().line), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IsValidEntryLineTest,
    ::testing::Values(
        ValidityCase{"Plain", "A\tB\t+0\t1", true}, ValidityCase{"ThreeTabsAlone", "\t\t\t", true},
        ValidityCase{"Empty", "", false}, ValidityCase{"TwoTabs", "A\tB\t+0", false},
        ValidityCase{"FourTabs", "A\tB\t+0\t1\t", false},
        // "ソング", "表" and "ッ": second bytes 0x5C and 0x62 look like "\\" and "b"; all bytes are above 31.
        ValidityCase{"DoubleByteEverywhere", "\x83\x5C\x83\x93\x83\x4F\t/\x95\x5C/\x83\x62.MID\t+0\t1", true},
        ValidityCase{"Byte127", "A\x7F\tB\t+0\t1", true}, ValidityCase{"Byte31", "A\x1F\tB\t+0\t1", false}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(PlaylistEntryTest, EveryControlByteButTabMakesALineAbnormal) {
    for (int byte = 1; byte < 32; ++byte) {
        if (byte == '\t')
            continue;
        const std::string line = std::string("A") + static_cast<char>(byte) + "\tB\t+0\t1";
        EXPECT_FALSE(IsValidEntryLine(line)) << "byte " << byte;
    }
    EXPECT_FALSE(IsValidEntryLine(std::string("A\0\tB\t+0\t1", 10)));
}

TEST(PlaylistEntryTest, ViewEntryFindsTabsAnywhereInLinesOfEveryLength) {
    // Lines are searched many bytes at a time, the last bytes of a line again from its end: TABs
    // at every place of lines short and long, beside bytes that differ from a TAB in one bit.
    const auto fieldsOf = [](const std::string& line) {
        std::vector<std::string_view> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(std::string_view(line).substr(start, tab - start));
        fields.push_back(std::string_view(line).substr(start));
        return fields;
    };
    for (std::size_t length = 0; length <= 40; ++length) {
        for (std::size_t first = 0; first < length; first += 3) {
            std::string line(length, '\x89');
            for (std::size_t i = 1; i < length; i += 2) line[i] = static_cast<char>(i % 4 == 1 ? 0x08 : 0x0B);
            for (std::size_t tab = first; tab < length; tab += 1 + (first + length) % 7) line[tab] = '\t';
            const auto fields = fieldsOf(line);
            const EntryView view = ViewEntry(line);
            ASSERT_EQ(view.tabs, static_cast<int>(std::min<std::size_t>(fields.size() - 1, 3)))
                << line.size();
            if (view.tabs >= 1) {
                EXPECT_EQ(view.Name, fields[0]);
            }
            if (view.tabs >= 2) {
                EXPECT_EQ(view.Path, fields[1]);
            }
            if (view.tabs == 3) {
                EXPECT_EQ(view.Vol, fields[2]);
                EXPECT_EQ(view.Feel, fields.size() == 4 && fields[3].empty() ? "1" : fields[3]);
            }
        }
    }
}

TEST(PlaylistEntryTest, ToIntStrictAcceptsASignAndDigitsOnly) {
    EXPECT_EQ(ToIntStrict("0"), 0);
    EXPECT_EQ(ToIntStrict("9"), 9);
    EXPECT_EQ(ToIntStrict("+3"), 3);
    EXPECT_EQ(ToIntStrict("-2"), -2);
    EXPECT_EQ(ToIntStrict("-1"), -1);
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1a", "+-1", "--1", "0x1", "99999999999"}) {
        EXPECT_FALSE(ToIntStrict(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(PlaylistEntryTest, FeelLetterIsLmsrAndEmptyOutside) {
    EXPECT_EQ(FeelLetter(0), "L");
    EXPECT_EQ(FeelLetter(1), "M");
    EXPECT_EQ(FeelLetter(2), "S");
    EXPECT_EQ(FeelLetter(3), "R");
    EXPECT_EQ(FeelLetter(4), "");
    EXPECT_EQ(FeelLetter(-1), "");
}

TEST(PlaylistEntryTest, NewMarksAreTheThreePrefixesWithTheirBlank) {
    EXPECT_TRUE(BeginsWithNewMark("!1 Song"));
    EXPECT_TRUE(BeginsWithNewMark("!2 Song"));
    EXPECT_TRUE(BeginsWithNewMark("!3 "));
    EXPECT_FALSE(BeginsWithNewMark("!4 Song"));
    EXPECT_FALSE(BeginsWithNewMark("!1Song"));
    EXPECT_FALSE(BeginsWithNewMark(" !1 Song"));
    EXPECT_FALSE(BeginsWithNewMark("!1"));
}

}  // namespace
}  // namespace korva

#include "playlist/EditBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

AppModel LoadedWith(int list, const Lines& lines) {
    AppModel model;
    model.EditBuffer = lines;
    for (const auto& line : lines) model.TitleLists[list].titles.push_back(TitleOf(line));
    return model;
}

TEST(EditBufferTest, InsertedLineGoesToItsSortedPlaceWithItsTitle) {
    AppModel model = LoadedWith(1, {"alpha\ta\t+0\t1", "Gamma\tg\t+0\t1"});
    EXPECT_EQ(InsertEntry(model, 1, "BETA\tb\t+0\t1"), 1u);
    EXPECT_EQ(InsertEntry(model, 1, "zeta\tz\t+0\t1"), 3u);
    EXPECT_EQ(model.EditBuffer,
              (Lines{"alpha\ta\t+0\t1", "BETA\tb\t+0\t1", "Gamma\tg\t+0\t1", "zeta\tz\t+0\t1"}));
    EXPECT_EQ(model.TitleLists[1].titles, (Lines{"alpha", "BETA", "Gamma", "zeta"}));
    EXPECT_TRUE(model.TitleLists[0].titles.empty());
}

TEST(EditBufferTest, SecondByteOfADoubleByteCharacterIsNotALetter) {
    // 0x83 0x62 is the katakana "ッ"; folded as if it were "b" it would sort before 0x83 0x43.
    const std::string katakana = "\x83\x62\t\t\t1";
    AppModel model = LoadedWith(0, {"\x83\x43\t\t\t1"});
    EXPECT_EQ(InsertEntry(model, 0, katakana), 1u);
}

TEST(EditBufferTest, InsertedJapaneseTitleGoesToItsPlaceByReading) {
    // By bytes katakana and half-width kana would go after every hiragana title.
    AppModel model = LoadedWith(0, {Sjis("あい\t/1\t+0\t1"), Sjis("かき\t/2\t+0\t1")});
    EXPECT_EQ(InsertEntry(model, 0, Sjis("ｱｳ\t/3\t+0\t1")), 1u);
    EXPECT_EQ(InsertEntry(model, 0, Sjis("カカ\t/4\t+0\t1")), 2u);
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{Sjis("あい"), Sjis("ｱｳ"), Sjis("カカ"), Sjis("かき")}));
}

TEST(EditBufferTest, ReplacedLineKeepsItsPlaceAndTitleFollows) {
    AppModel model = LoadedWith(0, {"A\ta\t+0\t1", "B\tb\t+0\t1", "C\tc\t+0\t1"});
    EXPECT_TRUE(ReplaceEntry(model, 0, 0, "Z\ta\t+3\t2"));
    EXPECT_EQ(model.EditBuffer[0], "Z\ta\t+3\t2");
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"Z", "B", "C"}));
    EXPECT_FALSE(ReplaceEntry(model, 0, 3, "Y\ty\t+0\t1"));
    EXPECT_EQ(model.EditBuffer.size(), 3u);
}

TEST(EditBufferTest, RemoveTakesLineAndTitleTogether) {
    AppModel model = LoadedWith(0, {"A\ta\t+0\t1", "B\tb\t+0\t1", "C\tc\t+0\t1"});
    EXPECT_TRUE(RemoveEntry(model, 0, 1));
    EXPECT_EQ(model.EditBuffer, (Lines{"A\ta\t+0\t1", "C\tc\t+0\t1"}));
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"A", "C"}));
    EXPECT_FALSE(RemoveEntry(model, 0, 2));
}

TEST(EditBufferTest, IndexOutsideAStaleTitleListChangesNothing) {
    // After a load that found no file the titles of an earlier load may remain over an empty buffer.
    AppModel model;
    model.TitleLists[0].titles = {"old"};
    EXPECT_FALSE(ReplaceEntry(model, 0, 0, "A\ta\t+0\t1"));
    EXPECT_FALSE(RemoveEntry(model, 0, 0));
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"old"}));
}

TEST(EditBufferTest, CountShowsTheNumberOfTitles) {
    AppModel model = LoadedWith(1, {"A\ta\t+0\t1", "B\tb\t+0\t1"});
    ShowCount(model, 1);
    EXPECT_EQ(model.TitleLists[1].countText, "2");
    EXPECT_EQ(model.TitleLists[0].countText, "");
}

}  // namespace
}  // namespace korva

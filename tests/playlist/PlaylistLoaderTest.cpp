#include "playlist/PlaylistLoader.h"

#include <gtest/gtest.h>

#include "support/Fakes.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "playlist/EditBuffer.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

using testing::RecordingMessages;

std::string RecordedMessage(int list) {
    return Sjis("異常行を検出した（異常行は読込スキップし KORVA.NG" + std::to_string(list) +
                " ファイルに記録しました）");
}

class PlaylistLoaderTest : public ::testing::Test {
  protected:
    PlaylistLoaderTest() {
        std::filesystem::create_directory(dir.Path() / "program");
        model.folders = {dir.Folder() + "program/", dir.Folder(), dir.Folder(), {}};
    }

    void Load(int list) { LoadPlaylist(model, list, messages); }
    std::string Reject(int list) const {
        return dir.Read(list == 0 ? "program/KORVA.NG0" : "program/KORVA.NG1");
    }
    bool RejectExists(int list) const {
        return dir.Exists(list == 0 ? "program/KORVA.NG0" : "program/KORVA.NG1");
    }

    testing::TempDir dir;
    AppModel model;
    RecordingMessages messages;
};

TEST_F(PlaylistLoaderTest, LineEndStylesLoadTheSameEntries) {
    const Lines expected{"Alpha\t/a.mid\t+0\t1", "beta\t/b.mid\t-2\t0", "Gamma\t/g.mid\t+1\t2"};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        dir.Write("KORVA.DT0", std::string("Gamma\t/g.mid\t+1\t2") + end + "Alpha\t/a.mid\t+0\t1" + end +
                                   "beta\t/b.mid\t-2\t0" + end);
        Load(0);
        EXPECT_EQ(model.EditBuffer, expected) << "line end " << static_cast<int>(end[0]);
        EXPECT_EQ(model.TitleLists[0].titles, (Lines{"Alpha", "beta", "Gamma"}));
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(RejectExists(0));
}

TEST_F(PlaylistLoaderTest, LastLineWithoutEndIsLoaded) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1");
    Load(0);
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"A", "B"}));
    EXPECT_EQ(model.TitleLists[0].countText, "2");
}

TEST_F(PlaylistLoaderTest, EmptyLastLineIsOneAbnormalLine) {
    dir.Write("KORVA.DT1", "A\t/a.mid\t+0\t1\r\n\r\n");
    Load(1);
    EXPECT_EQ(model.EditBuffer, (Lines{"A\t/a.mid\t+0\t1"}));
    EXPECT_EQ(messages.shown, (Lines{RecordedMessage(1)}));
    EXPECT_EQ(Reject(1), "\r\n");
    EXPECT_FALSE(RejectExists(0));
    EXPECT_EQ(model.TitleLists[1].countText, "1");
}

TEST_F(PlaylistLoaderTest, AbnormalLinesGoToTheRejectFileInSortedOrder) {
    const std::string twoTabs = "b two\t/2.mid\t+0";
    const std::string fourTabs = "C four\t/4.mid\t+0\t1\t";
    const std::string control = std::string("a ctrl\x01\t/c.mid\t+0\t1");
    const std::string threeTabs = "\t\t\t";
    const std::string doubleByte = "\x83\x5C\x83\x93\x83\x4F by \x95\x5C\t/\x83\x62/x.mid\t+0\t3";
    const std::string byte127 = "Del\x7F\t/d.mid\t+0\t1";
    dir.Write("KORVA.DT0", twoTabs + "\r\n" + doubleByte + "\r\n" + fourTabs + "\r\n" + threeTabs + "\r\n" +
                               control + "\r\n" + byte127 + "\r\n");
    Load(0);
    EXPECT_EQ(model.EditBuffer, (Lines{threeTabs, byte127, doubleByte}));
    EXPECT_EQ(model.ScratchList, model.EditBuffer);
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"", "Del\x7F", "\x83\x5C\x83\x93\x83\x4F by \x95\x5C"}));
    EXPECT_EQ(model.TitleLists[0].countText, "3");
    EXPECT_EQ(Reject(0), control + "\r\n" + twoTabs + "\r\n" + fourTabs + "\r\n");
    EXPECT_EQ(messages.shown, (Lines{RecordedMessage(0)}));
}

TEST_F(PlaylistLoaderTest, TitlesStayAlignedWithTheEditBufferAroundAbnormalLines) {
    dir.Write("KORVA.DT0",
              "A\t/a.mid\t+0\t1\r\nB bad\t/b.mid\r\nC\t/c.mid\t+1\t0\r\nD bad\r\nE\t/e.mid\t-1\t2\r\n");
    Load(0);
    ASSERT_EQ(model.TitleLists[0].titles.size(), model.EditBuffer.size());
    for (std::size_t i = 0; i < model.EditBuffer.size(); ++i) {
        EXPECT_EQ(model.EditBuffer[i].substr(0, model.EditBuffer[i].find('\t')),
                  model.TitleLists[0].titles[i]);
    }
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"A", "C", "E"}));
}

TEST_F(PlaylistLoaderTest, LinesSortInJapaneseReadingOrder) {
    // Letter case and width, hiragana against katakana and half-width kana count only after the
    // reading; "ッ" (0x83 0x62) reads as "ツ", after "ソ" (0x83 0x5C), whatever its second byte looks
    // like. In byte order every hiragana title would come before every katakana one, and half-width
    // kana and full-width letters after all of them.
    const Lines titles{"ｿﾗ", "ッ", "zulu", "ソ", "ALPHA", "alpha", "そら", "Ｂｒａｖｏ", "ソラ", "Bravo"};
    std::string bytes;
    for (const std::string& title : titles) bytes += Sjis(title) + "\t/s.mid\t+0\t1\r\n";
    dir.Write("KORVA.DT0", bytes);
    Load(0);
    Lines expected;
    for (const char* title : {"alpha", "ALPHA", "Bravo", "Ｂｒａｖｏ", "zulu", "ソ", "そら", "ソラ", "ｿﾗ", "ッ"})
        expected.push_back(Sjis(title));
    EXPECT_EQ(model.TitleLists[0].titles, expected);
}

// Lines known to be in order (as just written) are taken as they are when the file holds exactly
// them; a file that holds anything else is sorted as ever.
TEST_F(PlaylistLoaderTest, LinesKnownInOrderAreTakenAsTheyAreOnlyWhenTheFileHoldsThem) {
    const LineList known = {"B\t/b\t+0\t1", "A\t/a\t+0\t1"};
    dir.Write("KORVA.DT0", "B\t/b\t+0\t1\r\nA\t/a\t+0\t1\r\n");
    EXPECT_TRUE(LoadPlaylist(model, 0, messages, &known));
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"B", "A"}));
    EXPECT_EQ(model.EditBuffer, known);
    const std::vector<std::pair<std::string, Lines>> others = {
        {"B\t/b\t+0\t1\r\nA\t/a\t+0\t2\r\n", {"A", "B"}},
        {"C\t/c\t+0\t1\r\nA\t/a\t+0\t1\r\n", {"A", "C"}},
        {"B\t/b\t+0\t1\r\nA\t/a\t+0\t1\r\nC\t/c\t+0\t1\r\n", {"A", "B", "C"}}};
    for (const auto& [file, titles] : others) {
        dir.Write("KORVA.DT0", file);
        EXPECT_TRUE(LoadPlaylist(model, 0, messages, &known));
        EXPECT_EQ(model.TitleLists[0].titles, titles) << file;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PlaylistLoaderTest, LoadingOneListLeavesTheOtherTitleListAlone) {
    dir.Write("KORVA.DT0", "Zero\t/0.mid\t+0\t1\r\n");
    dir.Write("KORVA.DT1", "One\t/1.mid\t+0\t1\r\nTwo\t/2.mid\t+0\t1\r\n");
    Load(0);
    Load(1);
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"Zero"}));
    EXPECT_EQ(model.TitleLists[0].countText, "1");
    EXPECT_EQ(model.TitleLists[1].titles, (Lines{"One", "Two"}));
    EXPECT_EQ(model.EditBuffer, (Lines{"One\t/1.mid\t+0\t1", "Two\t/2.mid\t+0\t1"}));
    Load(0);
    EXPECT_EQ(model.TitleLists[1].titles, (Lines{"One", "Two"}));
}

TEST_F(PlaylistLoaderTest, CleanReloadKeepsTheEarlierRejectFile) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\nbad\r\n");
    Load(0);
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    Load(0);
    EXPECT_EQ(Reject(0), "bad\r\n");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(PlaylistLoaderTest, EachLoadWithAbnormalLinesReplacesTheRejectFile) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\nbad one\r\nbad two\r\n");
    Load(0);
    Load(0);
    EXPECT_EQ(Reject(0), "bad one\r\nbad two\r\n");
    dir.Write("KORVA.DT0", "worse\r\n");
    Load(0);
    EXPECT_EQ(Reject(0), "worse\r\n");
    EXPECT_EQ(messages.shown, (Lines(3, RecordedMessage(0))));
}

TEST_F(PlaylistLoaderTest, MissingFileEmptiesTheWorkingListsAndKeepsTheTitles) {
    dir.Write("KORVA.DT1", "A\t/a.mid\t+0\t1\r\n");
    Load(1);
    std::filesystem::remove(dir.Path() / "KORVA.DT1");
    model.PlayQueue = {"queued"};
    Load(1);
    EXPECT_TRUE(model.EditBuffer.empty());
    EXPECT_TRUE(model.ScratchList.empty());
    EXPECT_EQ(model.TitleLists[1].titles, (Lines{"A"}));
    EXPECT_EQ(model.TitleLists[1].countText, "1");
    EXPECT_EQ(model.PlayQueue, (Lines{"queued"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PlaylistLoaderTest, ListsShareTheFilesTextAndOutliveAReload) {
    dir.Write("KORVA.DT0", "b\t/b.mid\t+0\t1\r\nA\t/a.mid\t+0\t1\r\n");
    Load(0);
    // Edits after the load leave the scratch list, which still points into the loaded text, alone.
    InsertEntry(model, 0, "C\t/c.mid\t+0\t1");
    ReplaceEntry(model, 0, 0, "Z\t/z.mid\t+0\t1");
    RemoveEntry(model, 0, 1);
    EXPECT_EQ(model.EditBuffer, (Lines{"Z\t/z.mid\t+0\t1", "C\t/c.mid\t+0\t1"}));
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"Z", "C"}));
    EXPECT_EQ(model.ScratchList, (Lines{"A\t/a.mid\t+0\t1", "b\t/b.mid\t+0\t1"}));

    // Lines taken before a reload read as they were: the old file's text lives on in them.
    const LineList kept = model.ScratchList;
    const LineList keptTitles = model.TitleLists[0].titles;
    dir.Write("KORVA.DT0", "D\t/d.mid\t+0\t1\r\n");
    Load(0);
    EXPECT_EQ(model.EditBuffer, (Lines{"D\t/d.mid\t+0\t1"}));
    EXPECT_EQ(kept, (Lines{"A\t/a.mid\t+0\t1", "b\t/b.mid\t+0\t1"}));
    EXPECT_EQ(keptTitles, (Lines{"Z", "C"}));
    EXPECT_TRUE(model.TitleLists[0].titles.HoldsText(model.TitleLists[0].titles[0]));
}

TEST_F(PlaylistLoaderTest, FindsThePlaylistWhateverTheCaseOfItsName) {
    dir.Write("korva.dt0", "A\t/a.mid\t+0\t1\r\n");
    Load(0);
    EXPECT_EQ(model.TitleLists[0].titles, (Lines{"A"}));
}

TEST_F(PlaylistLoaderTest, UnwritableRejectFileIsReportedAndTheCountStillShown) {
    // A folder in the reject file's place cannot be replaced by a file, whoever runs the test.
    std::filesystem::create_directory(dir.Path() / "program" / "KORVA.NG0");
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\nbad\r\nB\t/b.mid\t+0\t1\r\n");
    Load(0);
    EXPECT_EQ(model.EditBuffer, (Lines{"A\t/a.mid\t+0\t1", "B\t/b.mid\t+0\t1"}));
    EXPECT_EQ(model.TitleLists[0].countText, "2");
    ASSERT_EQ(messages.shown.size(), 1u);
    const std::string message = messages.shown[0];
    EXPECT_NE(message.find(model.folders.RejectPath(0)), std::string::npos) << ToDisplayUtf8(message);
    EXPECT_NE(message.find(Sjis("異常行は読込スキップ")), std::string::npos) << ToDisplayUtf8(message);
    EXPECT_NE(message, RecordedMessage(0));
}

}  // namespace
}  // namespace korva

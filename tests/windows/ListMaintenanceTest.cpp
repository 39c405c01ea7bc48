#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/Fakes.h"
#include "support/FifoGuard.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "windows/ListEditing.h"
#include "windows/ListSearch.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;

// Answers the folder dialogs one after another and keeps where each started.
class FolderAnswers final : public FolderDialog {
  public:
    std::optional<std::string> ChooseFolder(const std::string& start) override {
        starts.push_back(start);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<std::optional<std::string>> answers;
    Lines starts;
};

class ListMaintenanceTest : public ::testing::Test {
  protected:
    ListMaintenanceTest() { model.folders = {dir.Folder(), dir.Folder(), dir.Folder(), {}}; }

    TempDir dir;
    AppModel model;
    testing::RecordingMessages messages;
    testing::RecordingSettingsPorts host{model};
    ListEditor editor{model, host, host, messages};
};

TEST_F(ListMaintenanceTest, CopyAppendsWholeLinesAndCreatesTheOtherFile) {
    dir.Write("KORVA.DT0", "!2 Song\t/s.mid\t+3\t0\r\nOther\t/o.mid\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_FALSE(editor.CopyToOtherList(0, {}));
    EXPECT_EQ(messages.shown, Lines{Sjis("曲データを選択してください")});
    EXPECT_FALSE(dir.Exists("KORVA.DT1"));

    EXPECT_TRUE(editor.CopyToOtherList(0, {0}));
    EXPECT_TRUE(editor.CopyToOtherList(0, {0}));
    EXPECT_EQ(dir.Read("KORVA.DT1"), "!2 Song\t/s.mid\t+3\t0\r\n!2 Song\t/s.mid\t+3\t0\r\n");
    EXPECT_EQ(model.EditBuffer.size(), 2u);  // this list is left as it was
}

TEST_F(ListMaintenanceTest, CopyAfterALastLineWithoutItsEndKeepsBothLinesWhole) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    dir.Write("KORVA.DT1", "Last\t/l.mid\t+0\t1");
    editor.EnterPage(0);
    EXPECT_TRUE(editor.CopyToOtherList(0, {0}));
    EXPECT_EQ(dir.Read("KORVA.DT1"), "Last\t/l.mid\t+0\t1\r\nA\t/a.mid\t+0\t1\r\n");
}

TEST_F(ListMaintenanceTest, MoveAppendsInListOrderAndRemovesExactlyThose) {
    dir.Write("KORVA.DT1", "A\ta\t+0\t1\r\nB\tb\t+0\t1\r\nC\tc\t+0\t1\r\nD\td\t+0\t1\r\nE\te\t+0\t1\r\n");
    dir.Write("KORVA.DT0", "Z\tz\t+0\t1\r\n");
    editor.EnterPage(1);
    EXPECT_TRUE(editor.MoveToOtherList(1, {4, 1, 0}));
    EXPECT_EQ(dir.Read("KORVA.DT0"), "Z\tz\t+0\t1\r\nA\ta\t+0\t1\r\nB\tb\t+0\t1\r\nE\te\t+0\t1\r\n");
    EXPECT_EQ(dir.Read("KORVA.DT1"), "C\tc\t+0\t1\r\nD\td\t+0\t1\r\n");
    EXPECT_EQ(model.TitleLists[1].titles, (Lines{"C", "D"}));
}

TEST_F(ListMaintenanceTest, FailedCopyNamesTheFileAndMoveDeletesNothing) {
    // A folder in the other list's place cannot be appended to, whoever runs the test.
    std::filesystem::create_directory(dir.Path() / "KORVA.DT1");
    dir.Write("KORVA.DT0", "A\ta\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_FALSE(editor.MoveToOtherList(0, {0}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find(model.folders.PlaylistPath(1)), std::string::npos);
    EXPECT_EQ(dir.Read("KORVA.DT0"), "A\ta\t+0\t1\r\n");
    EXPECT_EQ(model.EditBuffer.size(), 1u);
}

TEST_F(ListMaintenanceTest, SendAsksForAFolderPerSongAndNeverHarmsTheSong) {
    std::filesystem::create_directories(dir.Path() / "out");
    const std::string song = dir.Write("song.mid", std::string("MThd\0\0\0\x06song bytes", 18));
    dir.Write("KORVA.DT0", "Gone\t" + dir.Folder() + "gone.mid\t+0\t1\r\nSong\t" + song + "\t+0\t1\r\n");
    editor.EnterPage(0);
    const std::string before = dir.Read("song.mid");

    FolderAnswers folders;
    folders.answers = {dir.Folder() + "out", dir.Folder()};  // the second is the song's own folder
    editor.SendSongs({1, 0}, folders);
    EXPECT_EQ(folders.starts, (Lines{"", dir.Folder() + "out/"}));
    EXPECT_EQ(messages.shown, (Lines{Sjis("曲データのコピーでエラーが発生しました"),
                                     Sjis("曲データを指定のフォルダにコピーしました")}));
    EXPECT_EQ(dir.Read("song.mid"), before);
    EXPECT_FALSE(dir.Exists("out/gone.mid"));

    // A copy into another folder replaces what is there.
    dir.Write("out/song.mid", "old");
    messages.shown.clear();
    folders.answers = {dir.Folder() + "out/"};
    editor.SendSongs({1}, folders);
    EXPECT_EQ(dir.Read("out/song.mid"), before);
    EXPECT_EQ(messages.shown, Lines{Sjis("曲データを指定のフォルダにコピーしました")});
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "out"))
        EXPECT_EQ(entry.path().filename(), "song.mid");  // no temporary file left behind
}

TEST_F(ListMaintenanceTest, PathCheckReportsMissingSongsOfEveryLine) {
    EXPECT_EQ(CheckPaths(model, 0).outcome, PathCheck::Outcome::Unreadable);
    dir.Write("KORVA.DT0", "");
    EXPECT_EQ(CheckPaths(model, 0).outcome, PathCheck::Outcome::Empty);
    const std::string song = dir.Write("here.mid", "MThd");
    dir.Write("KORVA.DT0", "Here\t" + song + "\t+0\t1\r\n");
    EXPECT_EQ(CheckPaths(model, 0).outcome, PathCheck::Outcome::AllFound);
    EXPECT_EQ(PathCheckMessage(PathCheck::Outcome::AllFound),
              Sjis("ＭＩＤＩファイルの存在チェックは良好です"));

    // An abnormal line with two TABs is checked like any other; a line without a path is shown whole.
    dir.Write("KORVA.DT1", "Here\t" + song + "\t+0\t1\r\nOdd\t/gone.mid\t+0\r\nno\tpath\r\n");
    const PathCheck check = CheckPaths(model, 1);
    EXPECT_EQ(check.outcome, PathCheck::Outcome::Missing);
    EXPECT_EQ(check.missing, (Lines{Sjis("Odd → /gone.mid"), Sjis("no path → ")}));
}

TEST_F(ListMaintenanceTest, SearchFindsTextInAnyFieldWhateverItsCase) {
    dir.Write("KORVA.DT0", "Blue Moon\t/m/blue.mid\t+0\t1\r\nRED sky\t/m/r.mid\t+0\t1\r\n");
    dir.Write("KORVA.DT1", Sjis("ｂｌｕｅ\t/x/a.mid\t+0\t1\r\n") + "Other\t/songs/BLUES/o.mid\t+0\t1\r\n");
    const SearchResult blue = SearchLists(model, "blue");
    EXPECT_EQ(blue.lists[0].found, Lines{"Blue Moon\t/m/blue.mid\t+0\t1"});
    EXPECT_EQ(blue.lists[1].found, Lines{"Other\t/songs/BLUES/o.mid\t+0\t1"});
    EXPECT_EQ(blue.message,
              Sjis("リスト０の検索を開始します\rリスト０に 1 件あります\rリスト１の検索を開始します\r"
                   "リスト１に 1 件あります"));
    // Full-width letters fold too; a text only in one Path finds just that entry.
    EXPECT_EQ(SearchLists(model, Sjis("ＢＬＵＥ")).lists[1].found, Lines{Sjis("ｂｌｕｅ\t/x/a.mid\t+0\t1")});
    EXPECT_EQ(SearchLists(model, "r.mid").lists[0].found, Lines{"RED sky\t/m/r.mid\t+0\t1"});

    std::filesystem::remove(dir.Path() / "KORVA.DT0");
    const SearchResult only = SearchLists(model, "zzz");
    EXPECT_FALSE(only.lists[0].searched);
    EXPECT_EQ(only.message, Sjis("\rリスト１の検索を開始します\rリスト１にはありません"));
}

// A byte order mark is none of the first line's; a NUL is a byte of its line, and the lines after it
// are searched as the list reader reads them.
TEST_F(ListMaintenanceTest, SearchAndPathCheckReadTheLinesTheListHolds) {
    const std::string song = dir.Write("here.mid", "MThd");
    const std::string nulLine = std::string("Nul\0", 4) + "\t/gone.mid\t+0\t1";
    dir.Write("KORVA.DT0",
              "\xEF\xBB\xBF"
              "Blue\t" +
                  song + "\t+0\t1\r\n" + nulLine + "\r\nBlue Two\t" + song + "\t+0\t1\r\n");
    EXPECT_EQ(SearchLists(model, "blue").lists[0].found,
              (Lines{"Blue\t" + song + "\t+0\t1", "Blue Two\t" + song + "\t+0\t1"}));
    EXPECT_EQ(SearchLists(model, "gone").lists[0].found, Lines{nulLine});
    const PathCheck check = CheckPaths(model, 0);
    EXPECT_EQ(check.outcome, PathCheck::Outcome::Missing);
    EXPECT_EQ(check.missing, Lines{std::string("Nul\0", 4) + Sjis(" → /gone.mid")});
}

// Lists that are a FIFO or a link to a device: the search and the path check end as for a list that
// cannot be read, without waiting, and name what the file is.
TEST_F(ListMaintenanceTest, SearchAndPathCheckNameAListThatIsNoFile) {
    const std::string fifo = dir.Folder() + "KORVA.DT0";
    ASSERT_TRUE(testing::MakeFifo(fifo));
    std::filesystem::create_symlink("/dev/zero", dir.Path() / "KORVA.DT1");
    SearchResult search;
    PathCheck fifoCheck;
    PathCheck deviceCheck;
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] {
        search = SearchLists(model, "x");
        fifoCheck = CheckPaths(model, 0);
        deviceCheck = CheckPaths(model, 1);
    }));
    const std::string named = Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）");
    EXPECT_TRUE(search.failed);
    EXPECT_EQ(search.refused, named);
    EXPECT_EQ(fifoCheck.outcome, PathCheck::Outcome::Unreadable);
    EXPECT_EQ(fifoCheck.refused, named);
    EXPECT_EQ(deviceCheck.outcome, PathCheck::Outcome::Unreadable);
    EXPECT_EQ(deviceCheck.refused,
              Sjis("ファイル ") + dir.Folder() + Sjis("KORVA.DT1 を読み込めません（デバイスです）"));
    // A list that is missing is no such matter.
    std::filesystem::remove(fifo);
    EXPECT_EQ(CheckPaths(model, 0).refused, "");
}

TEST_F(ListMaintenanceTest, SearchAgreesWithLookingAtEveryLine) {
    // Lines of letters in both cases, katakana whose second bytes look like letters, full-width
    // letters in both cases; patterns cut from them, so most are found somewhere.
    const std::vector<std::string> pieces = {"a",        "B",        "k",        "Ki",       "ro",
                                             "\x83\x61", "\x83\x62", "\x82\x81", "\x82\x60", "\x82\x9A",
                                             "\x82\x79", " ",        "\t",       "/",        "7"};
    unsigned seed = 12345;
    const auto next = [&seed](unsigned below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % below;
    };
    std::string file;
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        std::string line;
        for (unsigned n = next(30); n > 0; --n) line += pieces[next(static_cast<unsigned>(pieces.size()))];
        lines.push_back(line);
        file += line + (i % 3 == 0 ? "\n" : "\r\n");
    }
    dir.Write("KORVA.DT0", file);
    for (int round = 0; round < 200; ++round) {
        const std::string& from = lines[next(static_cast<unsigned>(lines.size()))];
        std::size_t start = from.empty() ? 0 : next(static_cast<unsigned>(from.size()));
        while (start > 0 && start < from.size() &&
               !ContainsAtCharStart(from.substr(start), from.substr(start, 1)))
            --start;
        const std::string pattern = from.substr(start, 1 + next(6));
        if (pattern.empty())
            continue;
        const std::string upperPattern = UpperCase(pattern);
        std::vector<std::string> expected;
        for (const std::string& line : lines) {
            if (ContainsAtCharStart(UpperCase(line), upperPattern))
                expected.push_back(line);
        }
        EXPECT_EQ(SearchLists(model, pattern).lists[0].found, expected) << ToDisplayUtf8(pattern);
    }
}

TEST(ListSearchTest, MatchesBeginOnlyAtCharacterStarts) {
    // 0x83 0x41 is "ア"; its second byte is "A".
    EXPECT_FALSE(ContainsAtCharStart("\x83\x41", "A"));
    EXPECT_TRUE(
        ContainsAtCharStart("\x83\x41"
                            "A",
                            "A"));
    EXPECT_TRUE(ContainsAtCharStart("x\x83\x41", "\x83\x41"));
    EXPECT_FALSE(ContainsAtCharStart("", ""));
    EXPECT_FALSE(ContainsAtCharStart("ab", "abc"));
}

}  // namespace
}  // namespace korva

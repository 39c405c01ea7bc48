#include "windows/ListEditing.h"

#include <gtest/gtest.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/FileSystem.h"
#include "playlist/EditBuffer.h"
#include "playlist/LineFile.h"
#include "support/Fakes.h"
#include "support/FifoGuard.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;

std::string TitledSong(std::string_view title) {
    testing::SmfWriter writer;
    writer.AddTrack().TrackName(0, title).Note(0, 240, 0, 60);
    return writer.Bytes();
}

std::string AddedMessage(std::size_t added) {
    return Sjis("ＭＩＤＩデータの自動追加を完了し ") + std::to_string(added) + Sjis(" 曲を追加しました");
}

// While alive, every atomic file replacement fails at its last step, whoever runs the test.
struct FailingWrites {
    FailingWrites() {
        SetBeforeRenameHookForTesting(
            [](const std::filesystem::path& temporary) { std::filesystem::remove(temporary); });
    }
    ~FailingWrites() { SetBeforeRenameHookForTesting(nullptr); }
};

class ProgressCount final : public TitleReadProgress {
  public:
    void Begin() override { ++begun; }
    void End() override { ++ended; }
    void TitlesRead(std::size_t done, std::size_t of) override {
        last = done;
        total = of;
    }
    std::size_t last = 0;
    std::size_t total = 0;
    int begun = 0;
    int ended = 0;
};

class ListEditingTest : public ::testing::Test {
  protected:
    ListEditingTest() {
        std::filesystem::create_directories(dir.Path() / "songs");
        model.folders = {dir.Folder(), dir.Folder(), dir.Folder(), {}};
    }

    std::string Song(const std::string& name, std::string_view title) {
        return dir.Write("songs/" + name, TitledSong(title));
    }
    std::string ListFile(int list) const { return dir.Read(list == 0 ? "KORVA.DT0" : "KORVA.DT1"); }
    const LineList& Titles(int list) const { return model.TitleLists[list].titles; }
    void ExpectInStep(int list) const {
        ASSERT_EQ(model.EditBuffer.size(), Titles(list).size());
        for (std::size_t i = 0; i < model.EditBuffer.size(); ++i)
            EXPECT_EQ(TitleOf(model.EditBuffer[i]), Titles(list)[i]) << i;
    }

    TempDir dir;
    AppModel model;
    testing::RecordingMessages messages;
    testing::RecordingSettingsPorts host{model};
    testing::ScriptedFolderDialog folders;
    ProgressCount progress;
    ListEditor editor{model, host, host, messages};
};

TEST_F(ListEditingTest, AutoAddReadsTitlesInNameOrderAndWritesTheListAsCrLfLines) {
    Song("b.MID", "Second");
    Song("a.mid", "First");
    Song("C.Mid", "Third");
    dir.Write("songs/notes.txt", "not a song");
    model.settings.LST0DIR = dir.Folder() + "songs/";
    folders.answer = dir.Folder() + "songs";

    editor.EnterPage(0);
    editor.AutoAdd(0, folders, progress);

    EXPECT_EQ(folders.starts, Lines{dir.Folder() + "songs/"});
    EXPECT_EQ(model.LastFolder, dir.Folder() + "songs/");
    const std::string songs = dir.Folder() + "songs/";
    EXPECT_EQ(ListFile(0), "!1 First\t" + songs + "a.mid\t+0\t1\r\n" + "!1 Second\t" + songs +
                               "b.MID\t+0\t1\r\n" + "!1 Third\t" + songs + "C.Mid\t+0\t1\r\n");
    EXPECT_EQ(Titles(0), (Lines{"!1 First", "!1 Second", "!1 Third"}));
    EXPECT_EQ(model.TitleLists[0].countText, "3");
    EXPECT_EQ(messages.shown, Lines{AddedMessage(3)});
    EXPECT_EQ(progress.last, 3u);
    EXPECT_EQ(progress.total, 3u);
    EXPECT_EQ(progress.begun, 1);
    EXPECT_GE(progress.ended, 1);
}

TEST_F(ListEditingTest, AutoAddSkipsListedPathsWhateverTheirLetterCase) {
    const std::string songs = dir.Folder() + "songs/";
    Song("one.mid", "One");
    Song("two.mid", "Two");
    // "two.mid" is listed with its letters in upper case and counts as listed.
    std::string upper = songs;
    upper.replace(upper.size() - 6, 6, "SONGS/");
    dir.Write("KORVA.DT1", "Mine\t" + songs + "one.mid\t+2\t0\r\nYours\t" + upper + "TWO.MID\t+0\t1\r\n");
    folders.answer = songs;

    editor.EnterPage(1);
    const std::string before = ListFile(1);
    editor.AutoAdd(1, folders, progress);
    EXPECT_EQ(messages.shown, Lines{AddedMessage(0)});
    EXPECT_EQ(ListFile(1), before);
    ExpectInStep(1);
}

TEST_F(ListEditingTest, CancelledFolderChangesNothing) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    editor.EnterPage(0);
    editor.AutoAdd(0, folders, progress);  // cancelled
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(progress.begun, 0);
    EXPECT_EQ(model.EditBuffer, Lines{"A\t/a.mid\t+0\t1"});
}

// A list file that is there but cannot be read loads as no songs; writing that empty buffer back (as
// adding a song or ageing the marks does) would leave only the new songs in the file. It is refused
// with the message for a list that cannot be written, and the file keeps its songs.
TEST_F(ListEditingTest, ListThatCannotBeReadIsNeverWrittenOver) {
    const std::string songs = "A\t/a.mid\t+0\t1\r\n!1 B\t/b.mid\t+0\t1\r\n";
    dir.Write("KORVA.DT0", songs);
    const std::string path = dir.Folder() + "KORVA.DT0";
    model.TitleLists[0].titles = {"Old"};
    ::chmod(dir.Path().c_str(), 0777);  // the unprivileged user may write in the folder
    ::chmod(path.c_str(), 0);
    const std::optional<bool> refused = testing::RunUnprivileged([&] {
        editor.EnterPage(0);
        editor.AgeMarks(0);
        return Titles(0).empty() && model.TitleLists[0].countText == "0" &&
               messages.shown == Lines{PlaylistNotWrittenMessage(path)};
    });
    ::chmod(path.c_str(), 0644);
    if (!refused)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*refused);
    EXPECT_EQ(ListFile(0), songs);
}

TEST_F(ListEditingTest, UnreadableSongStopsTheAddWithNothingWritten) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    Song("a.mid", "A song");
    const std::string unreadable = Song("b.mid", "Locked");
    ::chmod(unreadable.c_str(), 0);
    Song("c.mid", "Never read");
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod((dir.Path() / "KORVA.DT0").c_str(), 0666);
    ::chmod((dir.Path() / "songs").c_str(), 0777);
    folders.answer = dir.Folder() + "songs/";
    const std::optional<bool> passed = testing::RunUnprivileged([&] {
        editor.EnterPage(0);
        editor.AutoAdd(0, folders, progress);
        EXPECT_EQ(messages.shown.size(), 1u);
        if (!messages.shown.empty()) {
            EXPECT_NE(messages.shown[0].find(unreadable), std::string::npos);
            EXPECT_EQ(messages.shown[0].rfind(Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました"), 0), 0u);
        }
        EXPECT_EQ(model.EditBuffer, Lines{"A\t/a.mid\t+0\t1"});
        ExpectInStep(0);
        return !HasFailure();
    });
    if (!passed)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*passed);
    EXPECT_EQ(ListFile(0), "A\t/a.mid\t+0\t1\r\n");
}

// A file name may hold a TAB or a line end on this system; in a list line it would split the line
// into other fields or lines, and the song would come back as an abnormal line at every load. Such
// songs are named in a message and left out; the others are added.
TEST_F(ListEditingTest, NamesWithControlBytesStayOutOfTheList) {
    Song("good.mid", "Good");
    const std::string tabbed = Song("a\tb.mid", "Tabbed");
    Song("line\nend.mid", "Broken");
    folders.answer = dir.Folder() + "songs/";
    editor.EnterPage(0);
    editor.AutoAdd(0, folders, progress);
    const std::string refused =
        Sjis("次の名前にはタブや改行などの制御文字があるためリストに入れられません:\na b.mid\nline end.mid");
    EXPECT_EQ(messages.shown, (Lines{refused, AddedMessage(1)}));
    EXPECT_EQ(ListFile(0), "!1 Good\t" + dir.Folder() + "songs/good.mid\t+0\t1\r\n");

    messages.shown.clear();
    editor.ManualAdd(0, tabbed);
    EXPECT_EQ(messages.shown,
              Lines{Sjis("次の名前にはタブや改行などの制御文字があるためリストに入れられません:\na b.mid")});
    EXPECT_EQ(Titles(0), Lines{"!1 Good"});
}

// The song control window (or an editor the user opened on the list) may rewrite the file while its
// page is open. A change on the page then finds its buffer out of date: it is not written over the
// other change; the page loads the file afresh and says so, and the next change goes through.
TEST_F(ListEditingTest, ChangeFromElsewhereIsNeverWrittenOver) {
    dir.Write("KORVA.DT0", "A\ta\t+0\t1\r\nB\tb\t+0\t1\r\n");
    const std::string path = dir.Folder() + "KORVA.DT0";
    editor.EnterPage(0);
    const std::string elsewhere = "A\ta\t+3\t2\r\nB\tb\t+0\t1\r\nC\tc\t+0\t1\r\n";
    WriteFileAtomically(path, elsewhere);  // as the song control window writes

    editor.DeleteEntries(0, {1});
    EXPECT_EQ(ListFile(0), elsewhere);
    EXPECT_EQ(Titles(0), (Lines{"A", "B", "C"}));
    ExpectInStep(0);
    EXPECT_EQ(editor.ReloadCount(), 1u);
    EXPECT_EQ(messages.shown,
              Lines{Sjis("ﾌｧｲﾙ ") + path +
                    Sjis(" はほかで書き換えられていたため、読み込み直しました。もう一度操作してください")});
    editor.DeleteEntries(0, {1});
    EXPECT_EQ(ListFile(0), "A\ta\t+3\t2\r\nC\tc\t+0\t1\r\n");

    // A move checks before it copies: nothing reaches the other list.
    WriteFileAtomically(path, elsewhere);
    EXPECT_FALSE(editor.MoveToOtherList(0, {0}));
    EXPECT_FALSE(FileExistsIgnoringCase(dir.Folder() + "KORVA.DT1"));
    EXPECT_EQ(ListFile(0), elsewhere);
    EXPECT_EQ(editor.ReloadCount(), 2u);
}

TEST_F(ListEditingTest, ManualAddTwiceGivesTwoEntries) {
    const std::string song = Song("x.mid", "Twice");
    editor.EnterPage(0);
    editor.ManualAdd(0, song);
    editor.ManualAdd(0, song);
    const std::string line = "!1 Twice\t" + song + "\t+0\t1\r\n";
    EXPECT_EQ(ListFile(0), line + line);
    EXPECT_EQ(model.TitleLists[0].countText, "2");

    editor.ManualAdd(0, dir.Folder() + "songs/gone.mid");
    EXPECT_EQ(messages.shown, Lines{Sjis("ﾌｧｲﾙが見つかりません")});
    EXPECT_EQ(ListFile(0), line + line);
}

TEST_F(ListEditingTest, FailedWritesReportTheFileAndKeepBufferAndTitlesInStep) {
    dir.Write("KORVA.DT0", "B\t/b.mid\t+0\t1\r\nD\t/d.mid\t+0\t1\r\n");
    const std::string song = Song("c.mid", "C");
    editor.EnterPage(0);
    const std::string failure = Sjis("ﾌｧｲﾙ ") + model.folders.PlaylistPath(0) + Sjis(" を作成できません");
    {
        FailingWrites failing;
        editor.ManualAdd(0, song);
        ExpectInStep(0);
        EXPECT_EQ(model.EditBuffer.size(), 2u);

        folders.answer = dir.Folder() + "songs/";
        editor.AutoAdd(0, folders, progress);
        ExpectInStep(0);

        // An edit that cannot be written is not kept: the titles show the file; the window keeps
        // its fields for another try.
        const std::size_t reloads = editor.ReloadCount();
        EXPECT_FALSE(editor.EditEntry(0, 1, {"E", "/d.mid", 0, 1}));
        EXPECT_EQ(Titles(0)[1], "D");
        EXPECT_EQ(editor.ReloadCount(), reloads + 1);
        editor.AgeMarks(0);
        ExpectInStep(0);
    }
    EXPECT_EQ(messages.shown, Lines(4, failure));
    EXPECT_EQ(ListFile(0), "B\t/b.mid\t+0\t1\r\nD\t/d.mid\t+0\t1\r\n");
}

TEST_F(ListEditingTest, MarksAgeOneStepPerPressOnEveryLine) {
    dir.Write("KORVA.DT0", "!1 A\t/a\t+0\t1\r\n!3 !1 B\t/b\t+0\t1\r\nC\t/c\t+0\t1\r\n");
    editor.EnterPage(0);
    editor.AgeMarks(0);
    EXPECT_EQ(Titles(0), (Lines{"!2 A", "!2 B", "C"}));
    editor.AgeMarks(0);
    editor.AgeMarks(0);
    EXPECT_EQ(Titles(0), (Lines{"A", "B", "C"}));
    editor.AgeMarks(0);
    EXPECT_EQ(ListFile(0), "A\t/a\t+0\t1\r\nB\t/b\t+0\t1\r\nC\t/c\t+0\t1\r\n");
    EXPECT_EQ(AgedMarks("!1 x"), "!2 x");
    EXPECT_EQ(AgedMarks("!!1 x"), "!!1 x");
}

// The fifth line holds a NUL. Entering the page and ageing the marks writes the list back: every
// other line stays in the file, and the reject file holds the NUL line whole, NUL and all.
TEST_F(ListEditingTest, NulLineIsRejectedWholeAndNoOtherLineIsLost) {
    const std::string nulLine = std::string("E\t/e.mid\t+0") + std::string(1, '\0') + "\t1";
    dir.Write("KORVA.DT0",
              "!1 A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\nC\t/c.mid\t+0\t1\r\n"
              "D\t/d.mid\t+0\t1\r\n" +
                  nulLine + "\r\nF\t/f.mid\t+0\t1\r\nG\t/g.mid\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_EQ(Titles(0), (Lines{"!1 A", "B", "C", "D", "F", "G"}));
    editor.AgeMarks(0);
    EXPECT_EQ(ListFile(0),
              "!2 A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\nC\t/c.mid\t+0\t1\r\nD\t/d.mid\t+0\t1\r\n"
              "F\t/f.mid\t+0\t1\r\nG\t/g.mid\t+0\t1\r\n");
    EXPECT_EQ(dir.Read("KORVA.NG0"), nulLine + "\r\n");
    EXPECT_EQ(messages.shown.size(), 1u);  // the abnormal line was recorded (once: the reload finds none)
    ExpectInStep(0);
}

// A list saved with a byte order mark shows its first title as written, and keeps the mark when the
// page writes it back.
TEST_F(ListEditingTest, ByteOrderMarkShowsNoInTheFirstTitleAndIsKept) {
    dir.Write("KORVA.DT0", "\xEF\xBB\xBF!1 A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_EQ(Titles(0), (Lines{"!1 A", "B"}));
    editor.AgeMarks(0);
    EXPECT_EQ(Titles(0), (Lines{"!2 A", "B"}));
    EXPECT_EQ(ListFile(0), "\xEF\xBB\xBF!2 A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\n");
    EXPECT_TRUE(messages.shown.empty());
}

// A list page whose file is a FIFO says so instead of freezing the window, and is never written.
TEST_F(ListEditingTest, FifoListIsNamedAndNeverWaitedForNorWrittenOver) {
    const std::string fifo = dir.Folder() + "KORVA.DT0";
    ASSERT_TRUE(testing::MakeFifo(fifo));
    model.TitleLists[0].titles = {"Old"};
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] {
        editor.EnterPage(0);
        editor.AgeMarks(0);
    }));
    const std::string refused = Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）");
    EXPECT_EQ(messages.shown, (Lines{refused, PlaylistNotWrittenMessage(fifo)}));
    EXPECT_TRUE(Titles(0).empty());
    EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::status(fifo)));
}

TEST_F(ListEditingTest, DeleteRemovesExactlyTheSelectedLines) {
    dir.Write("KORVA.DT0", "A\ta\t+0\t1\r\nB\tb\t+0\t1\r\nC\tc\t+0\t1\r\nD\td\t+0\t1\r\nE\te\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_FALSE(editor.DeleteEntries(0, {}));
    EXPECT_TRUE(editor.DeleteEntries(0, {4, 0, 2}));
    EXPECT_EQ(ListFile(0), "B\tb\t+0\t1\r\nD\td\t+0\t1\r\n");
    EXPECT_EQ(Titles(0), (Lines{"B", "D"}));
    EXPECT_EQ(model.TitleLists[0].countText, "2");
}

TEST_F(ListEditingTest, ClickShowsTheEntryWithValuesHeldInRange) {
    dir.Write("songs/MY.TXT", "notes");
    const std::string song = dir.Folder() + "songs/MY.DIR/SONG.MID";
    // The folder's dot starts the companion name: songs/MY.TXT is found, songs/MY.DOC is not there.
    dir.Write("KORVA.DT1", "Loud\t" + song + "\t+9\t7\r\nOdd\t/o.mid\t+1\tx\r\nQuiet\t/q\t-9\t-4\r\n");
    editor.EnterPage(1);
    const ShownEntry loud = editor.ClickTitle(1, 0);
    EXPECT_EQ(loud.name, "Loud");
    EXPECT_EQ(loud.path, song);
    EXPECT_EQ(loud.feel, 3);
    EXPECT_EQ(loud.volBar, 5);
    EXPECT_EQ(loud.volText, "+9");
    EXPECT_EQ(loud.txt, dir.Folder() + "songs/MY.TXT");
    EXPECT_FALSE(loud.doc);
    editor.OpenCompanion(DocumentKind::Txt);
    EXPECT_EQ(host.log, Lines{"Open " + dir.Folder() + "songs/MY.TXT"});

    const ShownEntry quiet = editor.ClickTitle(1, 2);
    EXPECT_EQ(quiet.feel, -1);
    EXPECT_EQ(quiet.volBar, -5);
    EXPECT_FALSE(quiet.txt);  // "/q" has no dot

    const ShownEntry odd = editor.ClickTitle(1, 1);
    EXPECT_EQ(odd.name, "Odd");
    EXPECT_FALSE(odd.feel);
    EXPECT_FALSE(odd.volBar);
    EXPECT_EQ(messages.shown, Lines{Sjis("'x' は整数ではありません")});
}

TEST_F(ListEditingTest, EditReplacesInPlaceAndKeepsTheFileWhenThePathFieldIsEmpty) {
    dir.Write("KORVA.DT0", "A\ta\t+0\t1\r\nB\tb\t+0\t1\r\n");
    editor.EnterPage(0);
    EXPECT_FALSE(editor.EditEntry(0, std::nullopt, {"Z", "a", 0, 1}));
    EXPECT_FALSE(editor.EditEntry(0, 0, {"", "a", 0, 1}));
    // A TAB typed or pasted into the name would start a new field; it is dropped.
    EXPECT_TRUE(editor.EditEntry(0, 0, {"Z\tz", "a", -3, -1}));
    EXPECT_EQ(ListFile(0), "Zz\ta\t-3\t-1\r\nB\tb\t+0\t1\r\n");
    EXPECT_EQ(Titles(0), (Lines{"Zz", "B"}));
    // The fields were cleared by that edit and the title is still chosen: a second edit with only a
    // name typed renames the entry and keeps its file and preference.
    EXPECT_TRUE(editor.EditEntry(0, 1, {"C", "", 0, -1}));
    EXPECT_EQ(ListFile(0), "Zz\ta\t-3\t-1\r\nC\tb\t+0\t1\r\n");
    // A volume and a preference set after the clearing are written; the file stays the entry's.
    EXPECT_TRUE(editor.EditEntry(0, 1, {"D", "", 2, 0}));
    EXPECT_EQ(ListFile(0), "Zz\ta\t-3\t-1\r\nD\tb\t+2\t0\r\n");
}

TEST_F(ListEditingTest, PreviewPlaysTheChosenEntrysSongAlone) {
    dir.Write("KORVA.DT0", "A\t/songs/a.mid\t+0\t1\r\nB\t/songs/b.mid\t+2\t1\r\n");
    editor.EnterPage(0);
    editor.Preview(std::nullopt);
    EXPECT_TRUE(host.log.empty());
    editor.Preview(1);
    EXPECT_EQ(host.log, (Lines{"Single /songs/b.mid"}));
}

TEST_F(ListEditingTest, EnteringAPageWithoutAFileShowsNoTitles) {
    model.TitleLists[0].titles = {"left over"};
    editor.EnterPage(0);
    EXPECT_TRUE(Titles(0).empty());
    EXPECT_EQ(model.TitleLists[0].countText, "0");
}

// Auto add reads the songs in the order the folder lists them; the list it writes is byte for byte
// the list that adding the folder's songs one at a time in name order writes, and the page shows
// what a fresh load of that file shows.
TEST_F(ListEditingTest, AutoAddWritesWhatAddingTheSongsOneByOneInNameOrderWrites) {
    const std::string songs = dir.Folder() + "songs/";
    for (int i = 0; i < 300; ++i)
        Song("song" + std::to_string(i) + (i % 2 ? ".mid" : ".MID"), "Song number " + std::to_string(i));
    // Names that differ only in letter case: the first by name is the one added.
    Song("Same.mid", "Title of Same");
    Song("same.MID", "Title of same");
    Song("SAME.mid", "Title of SAME");
    for (const char* name : {"Case1.mid", "case1.MID", "CASE1.mid", "cAse2.mid", "Case2.MID", "CASE2.MID"})
        Song(name, name);
    Song("twin1.mid", "Twin");
    Song("twin2.mid", "Twin");
    Song("夜.mid", Sjis("夜の歌"));
    Song("kana.mid", Sjis("ｶﾀｶﾅ"));
    dir.Write("songs/untitled.mid", "no events here");
    dir.Write("songs/crlf.mid", "MThd\r\n\xFF\x03\x05Lines\r\n");
    // Listed already, in other letter case, and a line that sorts among the new ones.
    dir.Write("KORVA.DT0", "!2 Song number 150\t" + songs + "SONG150.MID\t+0\t1\r\nKept\t/k.mid\t+1\t2\r\n");
    model.settings.LST0DIR = songs;
    folders.answer = songs;
    editor.EnterPage(0);

    LineList expected = model.EditBuffer;
    SongAdder adder(expected);
    std::size_t added = 0;
    for (const std::string& path : ListMidiFiles(songs).paths) added += adder.AddIfNew(path, true) ? 1 : 0;
    adder.Commit();
    std::string expectedFile;
    for (const std::string_view line : expected) expectedFile.append(line).append("\r\n");
    ASSERT_EQ(added, 300u - 1 + 1 + 2 + 2 + 4);  // song150 is listed; one of each letter-case group

    editor.AutoAdd(0, folders, progress);
    EXPECT_EQ(ListFile(0), expectedFile);
    // Of the three "same" songs the first by name is in the list, and it alone.
    const std::vector<std::string> byName = ListMidiFiles(songs).paths;
    const auto same = std::find_if(byName.begin(), byName.end(), [&songs](const std::string& path) {
        return ::strcasecmp(path.substr(songs.size()).c_str(), "same.mid") == 0;
    });
    ASSERT_NE(same, byName.end());
    EXPECT_NE(ListFile(0).find("\t" + *same + "\t"), std::string::npos);
    EXPECT_EQ(std::count_if(model.EditBuffer.begin(), model.EditBuffer.end(),
                            [](std::string_view line) { return line.find("Title of ") != line.npos; }),
              1);
    EXPECT_EQ(messages.shown, Lines{AddedMessage(added)});
    EXPECT_EQ(progress.last, progress.total);
    ExpectInStep(0);
    const LineList shownBuffer = model.EditBuffer;
    const LineList shownTitles = Titles(0);
    editor.EnterPage(0);
    EXPECT_EQ(model.EditBuffer, shownBuffer);
    EXPECT_EQ(Titles(0), shownTitles);
    EXPECT_TRUE(model.ScratchList == model.EditBuffer);

    // On a page whose buffer was edited in place (no longer in sorted order) the new songs still
    // show as a fresh load of the file shows them.
    EXPECT_TRUE(editor.EditEntry(0, 0, {"zzz", "", 0, -1}));
    Song("late.mid", "Late");
    messages.shown.clear();
    editor.AutoAdd(0, folders, progress);
    EXPECT_EQ(messages.shown, Lines{AddedMessage(1)});
    const LineList afterEdit = Titles(0);
    editor.EnterPage(0);
    EXPECT_EQ(Titles(0), afterEdit);
    ExpectInStep(0);
}

// Of several songs that cannot be read, the one named is the first by name, whatever order the
// folder lists them in; nothing is added.
TEST_F(ListEditingTest, FirstUnreadableSongByNameIsTheOneNamed) {
    dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    Song("a.mid", "Readable");
    std::vector<std::string> locked;
    for (const char* name : {"k5.mid", "k3.mid", "k1.mid", "k4.mid", "k2.mid", "z.mid"}) {
        locked.push_back(Song(name, "Locked"));
        ::chmod(locked.back().c_str(), 0);
    }
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod((dir.Path() / "KORVA.DT0").c_str(), 0666);
    ::chmod((dir.Path() / "songs").c_str(), 0777);
    folders.answer = dir.Folder() + "songs/";
    const std::string first = dir.Folder() + "songs/k1.mid";
    const std::optional<bool> passed = testing::RunUnprivileged([&] {
        editor.EnterPage(0);
        editor.AutoAdd(0, folders, progress);
        EXPECT_EQ(messages.shown, Lines{Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました") + "\n" + first});
        EXPECT_EQ(model.EditBuffer, Lines{"A\t/a.mid\t+0\t1"});
        ExpectInStep(0);
        return !HasFailure();
    });
    if (!passed)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*passed);
    EXPECT_EQ(ListFile(0), "A\t/a.mid\t+0\t1\r\n");
}

TEST(SongAdderTest, AddedLinesMergeIntoTheirSortedPlaces) {
    TempDir dir;
    const std::string b = dir.Write("b.mid", TitledSong("b"));
    const std::string d = dir.Write("d.mid", TitledSong("D"));
    LineList sorted = {"!1 a\t/a\t+0\t1", "!1 C\t/c\t+0\t1", "!1 e\t" + d + "\t+0\t1"};
    SongAdder adder(sorted);
    EXPECT_TRUE(adder.AddIfNew(b));
    EXPECT_FALSE(adder.AddIfNew(b));  // added earlier in the same run
    EXPECT_FALSE(adder.AddIfNew(d));
    adder.Commit();
    EXPECT_EQ(sorted, (Lines{"!1 a\t/a\t+0\t1", "!1 b\t" + b + "\t+0\t1", "!1 C\t/c\t+0\t1",
                             "!1 e\t" + d + "\t+0\t1"}));

    // A buffer edited in place since its load is not sorted; each line still finds a place.
    LineList edited = {"Z\t/z\t+0\t1", "A\t/a\t+0\t1"};
    SongAdder late(edited);
    EXPECT_TRUE(late.AddIfNew(b));
    late.Commit();
    EXPECT_EQ(edited.size(), 3u);
    EXPECT_EQ(edited.front(), "!1 b\t" + b + "\t+0\t1");
}

TEST(SongAdderTest, FolderSongsAreListedByNameInReadingOrder) {
    TempDir dir;
    for (const char* name : {"カ.mid", "ｲ.MID", "あ.mid", "Ｂ.mid", "a.mid"})
        dir.Write(name, TitledSong("t"));
    const MidiFolder songs = ListMidiFiles(dir.Folder());
    std::vector<std::string> expected;
    for (const char* name : {"a.mid", "Ｂ.mid", "あ.mid", "ｲ.MID", "カ.mid"})
        expected.push_back(dir.Folder() + Sjis(name));
    EXPECT_EQ(songs.paths, expected);
}

TEST(SongAdderTest, AddedJapaneseTitlesMergeByReading) {
    TempDir dir;
    const std::string katakana = dir.Write("k.mid", TitledSong(Sjis("カキ")));
    const std::string halfWidth = dir.Write("h.mid", TitledSong(Sjis("ｱｳ")));
    const auto line = [](const char* title, const std::string& path) {
        return "!1 " + Sjis(title) + "\t" + path + "\t+0\t1";
    };
    // Identical lines in a sorted buffer leave it sorted: the new lines merge, not search.
    LineList sorted = {line("あい", "/a"), line("あい", "/a"), line("かか", "/c"), line("さ", "/s")};
    SongAdder adder(sorted);
    EXPECT_TRUE(adder.AddIfNew(katakana));
    EXPECT_TRUE(adder.AddIfNew(halfWidth));
    adder.Commit();
    EXPECT_EQ(sorted, (Lines{line("あい", "/a"), line("あい", "/a"), line("ｱｳ", halfWidth),
                             line("かか", "/c"), line("カキ", katakana), line("さ", "/s")}));
}

}  // namespace
}  // namespace korva

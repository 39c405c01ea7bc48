#include "windows/SongControl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileSystem.h"
#include "app/PlayModes.h"
#include "convert/CommandLine.h"
#include "convert/SmfKnife.h"
#include "playlist/LineFile.h"
#include "support/FifoGuard.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::TempDir;

const std::string kSong = "/m/A.MID";

std::string Line(const std::string& name, const std::string& path, const std::string& vol = "+0",
                 const std::string& feel = "1") {
    return name + "\t" + path + "\t" + vol + "\t" + feel;
}

// A core whose playlists live in a temporary program folder; the song control plays the queue
// entry at position 0.
class SongControlTest : public ::testing::Test {
  protected:
    SongControlTest() : rig(dir.Folder()) { rig.Connect(); }
    ~SongControlTest() override { SetBeforeRenameHookForTesting(nullptr); }

    SongControl& Control() { return rig.songControlRules; }
    void Playlist(int list, const std::vector<std::string>& lines) {
        WriteLines(rig.Model().folders.PlaylistPath(list), lines);
    }
    std::vector<std::string> Lines(int list) { return *ReadLines(rig.Model().folders.PlaylistPath(list)); }
    // Fills the window from one queue entry in the given list mode.
    void FillFrom(const std::string& entry, int mode = LIST0) {
        rig.Model().settings.PLAYMOD = static_cast<std::uint8_t>(mode);
        rig.Model().PlayQueue = {entry};
        rig.Model().play.QueuePosition = 0;
        Control().FormActivate();
    }

    TempDir dir;
    testing::JukeboxRig rig;
};

TEST_F(SongControlTest, SongInBothListsIsRewrittenInBothWithBothMessagesInOrder) {
    Playlist(0, {Line("Old", kSong, "+1", "2")});
    Playlist(1, {Line("x", "/m/B.MID"), Line("Old", kSong, "-3", "0")});
    FillFrom(Line("Old", kSong, "+1", "2"));
    Control().NameEditChange(Sjis("新しい名前"));
    Control().FeelRadioGroupClick(0);
    Control().ChngButtonClick();
    const std::string line = Line(Sjis("新しい名前"), kSong, "+1", "0");
    EXPECT_EQ(Lines(0), std::vector<std::string>{line});
    EXPECT_EQ(Lines(1), (std::vector<std::string>{Line("x", "/m/B.MID"), line}));
    const SongControlFields& f = Control().Fields();
    EXPECT_EQ(f.message, Sjis("リスト０（Korva.DT0）でこのデータを発見し、書き換えました．"
                              "リスト１（Korva.DT1）でこのデータを発見し、書き換えました．"));
    EXPECT_EQ(f.search[0].caption, Sjis("リスト０変更"));
    EXPECT_EQ(f.search[1].caption, Sjis("リスト１変更"));
    EXPECT_EQ(f.search[1].ink, SearchInk::White);
    EXPECT_TRUE(rig.messages.shown.empty());
}

// List 0 is a FIFO: the change neither waits on it nor writes over it, and says what it is; list 1
// is not reached, as after any list that cannot be read.
TEST_F(SongControlTest, FifoListIsNamedAndLeftAlone) {
    const std::string fifo = rig.Model().folders.PlaylistPath(0);
    ASSERT_TRUE(testing::MakeFifo(fifo));
    Playlist(1, {Line("Old", kSong)});
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] {
        FillFrom(Line("Old", kSong));
        Control().NameEditChange("New");
        Control().ChngButtonClick();
    }));
    EXPECT_EQ(rig.messages.shown, std::vector<std::string>{Sjis("ファイル ") + fifo +
                                                           Sjis(" を読み込めません（名前付きパイプです）")});
    EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::status(fifo)));
    EXPECT_EQ(Lines(1), std::vector<std::string>{Line("Old", kSong)});
}

TEST_F(SongControlTest, OnlyLinesWhosePathIsTheSongAreRewrittenAndEachFileIsWrittenOnce) {
    const std::vector<std::string> others = {
        Line("longer extension", "/m/A.MID2"), Line("deeper folder", "/old/m/A.MID"),
        Line("path in the name " + kSong, "/m/C.MID"),
        // The second byte of a double-byte character is not a letter to fold.
        Line("kana", "/m/\x83\x41.MID"), "no path at all " + kSong,
        // File names differ by case on this system: another song.
        Line("other case", "/M/a.mid")};
    std::vector<std::string> lines = others;
    lines.insert(lines.begin() + 1, Line("same", kSong));
    lines.push_back(Line("same", kSong));
    Playlist(0, lines);
    int renames = 0;
    SetBeforeRenameHookForTesting([&](const std::filesystem::path&) { ++renames; });
    FillFrom(Line("kana", "/m/\x83\x61.MID"));
    Control().ChngButtonClick();
    EXPECT_EQ(Lines(0), lines) << "a different kana is another song";
    EXPECT_EQ(renames, 0) << "nothing replaced, nothing written";
    EXPECT_EQ(Control().Fields().search[0].ink, SearchInk::Cyan);
    EXPECT_TRUE(Control().Fields().message.empty());

    FillFrom(Line("new", kSong));
    Control().ChngButtonClick();
    const std::vector<std::string> after = Lines(0);
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(std::count(after.begin(), after.end(), Line("new", kSong)), 2);
    for (const std::string& other : others)
        EXPECT_NE(std::find(after.begin(), after.end(), other), after.end());
    EXPECT_FALSE(dir.Exists("KORVA.DT1")) << "a missing list is skipped, not created";
    EXPECT_EQ(Control().Fields().search[1].ink, SearchInk::Teal);
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST_F(SongControlTest, VolumeOffsetIsWrittenWithItsSign) {
    const std::pair<int, const char*> cases[] = {{0, "+0"},  {-1, "-1"}, {-2, "-2"}, {-3, "-3"},
                                                 {-4, "-4"}, {-5, "-5"}, {1, "+1"},  {2, "+2"},
                                                 {3, "+3"},  {4, "+4"},  {5, "+5"}};
    for (const auto& [position, text] : cases) {
        Playlist(0, {Line("n", kSong, "+2")});
        FillFrom(Line("n", kSong, "+2"));
        Control().VolScrollBarChange(position);
        EXPECT_EQ(Control().Fields().volText, text);
        Control().ChngButtonClick();
        EXPECT_EQ(Lines(0), std::vector<std::string>{Line("n", kSong, text)}) << position;
    }
}

TEST_F(SongControlTest, QueueLineWithoutNumbersFillsWhatItCanAndKeepsTheRest) {
    Playlist(0, {Line("n", kSong, "loud", "often")});
    FillFrom(Line("n", kSong, "loud", "often"));
    const SongControlFields& f = Control().Fields();
    EXPECT_EQ(f.path, kSong);
    EXPECT_EQ(f.volPosition, 0);
    EXPECT_EQ(f.volText, "loud");
    EXPECT_EQ(f.feel, -1);
    EXPECT_TRUE(f.changeEnabled);
    Control().NameEditChange("renamed");
    Control().ChngButtonClick();
    EXPECT_EQ(Lines(0), std::vector<std::string>{Line("renamed", kSong, "loud", "often")});

    FillFrom(Line("n", kSong, "+9", "7"));
    EXPECT_EQ(f.volPosition, 5);
    EXPECT_EQ(f.volText, "+9");
    EXPECT_EQ(f.feel, -1);
    FillFrom("a line without fields");
    EXPECT_TRUE(f.path.empty());
    EXPECT_FALSE(f.changeEnabled);
}

TEST_F(SongControlTest, EasyModeOffersTheKnifeForOneQueuedFileWhenSwitchedOn) {
    Settings& s = rig.Model().settings;
    s.USEKNIF = true;
    s.SMFBTN2 = Sjis("強弱");
    FillFrom(kSong, EASY);
    const SongControlFields& f = Control().Fields();
    EXPECT_EQ(f.path, kSong);
    EXPECT_EQ(f.volText, "+0");
    EXPECT_FALSE(f.changeEnabled);
    EXPECT_TRUE(f.knifeEnabled);
    EXPECT_EQ(f.knifeCaption1, "1");
    EXPECT_EQ(f.knifeCaption2, Sjis("強弱"));
    rig.Model().PlayQueue.push_back("/m/B.MID");
    Control().FormActivate();
    EXPECT_FALSE(f.knifeEnabled);
    s.USEKNIF = false;
    FillFrom(kSong, EASY);
    EXPECT_FALSE(f.knifeEnabled);
    FillFrom(Line("n", kSong), LIST1);
    EXPECT_FALSE(f.knifeEnabled);
}

TEST_F(SongControlTest, KnifeRefusesWithoutToolOrWithoutTheParametersOfThePressedButton) {
    Settings& s = rig.Model().settings;
    s.USEKNIF = true;
    const std::string install = Sjis("ＳＭＦナイフをインストールし、そのパスを設定してください");
    const std::string parameters = Sjis("ＳＭＦナイフのＣＦＧファイル名とパラメータを設定してください");
    s.SMFPRM1 = "a.cfg";
    s.SMFPATH = dir.Folder() + "KNIFE.EXE";
    FillFrom(kSong, EASY);
    Control().Cnv1SpeedButtonClick();
    s.SMFPATH = dir.Write("KNIFE.EXE", "");
    Control().Cnv2SpeedButtonClick();
    s.SMFPRM1.clear();
    s.SMFPRM2 = "b.cfg";
    Control().Cnv1SpeedButtonClick();
    EXPECT_EQ(rig.messages.shown, (std::vector<std::string>{install, parameters, parameters}));
    EXPECT_TRUE(Control().Fields().message.empty()) << "nothing ran";
    EXPECT_EQ(rig.Model().PlayQueue, std::vector<std::string>{kSong});
}

TEST(SmfKnifeTest, CommandLineKeepsEachPathOneArgument) {
    EXPECT_EQ(SmfKnifeCommandLine("/k/KNIFE.EXE", "/m/A.MID", "a.cfg -v"),
              "/k/KNIFE.EXE /m/A.MID /k/a.cfg -v");
    EXPECT_EQ(SplitCommandLine(SmfKnifeCommandLine("/my k/KNIFE.EXE", "/my m/A B.MID", "cfg/a.cfg -v")),
              (std::vector<std::string>{"/my k/KNIFE.EXE", "/my m/A B.MID", "/my k/cfg/a.cfg", "-v"}));
    // A parameter that begins with a blank leaves the folder alone before it.
    EXPECT_EQ(SmfKnifeCommandLine("/k/KNIFE.EXE", "/m/A.MID", " a.cfg"), "/k/KNIFE.EXE /m/A.MID /k/ a.cfg");
    EXPECT_EQ(SplitCommandLine(SmfKnifeCommandLine("/my k/KNIFE.EXE", "/m/A.MID", " a.cfg")),
              (std::vector<std::string>{"/my k/KNIFE.EXE", "/m/A.MID", "/my k/", "a.cfg"}));
}

TEST(SmfKnifeTest, BackupReplacesTheExtensionOfTheNameOnly) {
    EXPECT_EQ(SmfKnifeBackupPath("/m/A.MID"), "/m/A.MI_");
    EXPECT_EQ(SmfKnifeBackupPath("/m/v1.2/A.B.mid"), "/m/v1.2/A.B.MI_");
    EXPECT_EQ(SmfKnifeBackupPath("/m/v1.2/SONG"), "/m/v1.2/SONG.MI_");
}

}  // namespace
}  // namespace korva

#include "playback/Player.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "playback/PlayerCommands.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "windows/SongWindow.h"

namespace korva {
namespace {

using testing::ScriptedDevice;
using testing::TempDir;

const std::string kTab = "\t";

class PlayerTest : public ::testing::Test {
  protected:
    PlayerTest() {
        model.folders = MakeFolders(dir.Folder(), {});
        model.settings.PLAYMOD = LIST0;
        model.settings.RNDMODE = NOR;
        model.settings.SENDRST = 1;
        model.play.IntroSeconds = 30;
        dir.Write("KORVA_GM.MID", "MThd reset");
    }

    std::string Song(const std::string& name, const std::string& content = "MThd song") {
        return dir.Write(name, content);
    }
    // A playlist of songs "<title>.mid" with the given titles; every file exists unless listed.
    void Playlist(int list, const std::vector<std::string>& titles,
                  const std::vector<std::string>& vols = {}) {
        std::string text;
        for (std::size_t i = 0; i < titles.size(); ++i) {
            const std::string vol = i < vols.size() ? vols[i] : "+0";
            text += titles[i] + kTab + dir.Folder() + titles[i] + ".mid" + kTab + vol + kTab + "1\r\n";
        }
        dir.Write(list == 0 ? "KORVA.DT0" : "KORVA.DT1", text);
    }
    std::string Path(const std::string& title) const { return dir.Folder() + title + ".mid"; }
    std::string Reset() const { return dir.Folder() + "KORVA_GM.MID"; }

    TempDir dir;
    testing::JukeboxRig rig{dir.Folder()};
    AppModel& model = rig.Model();
    ScriptedDevice& device = rig.device;
    testing::RecordingVolumeOutput& output = rig.output;
    testing::RecordingDeck& deck = rig.deck;
    testing::RecordingStatus& status = rig.deck;
    testing::RecordingSongList& songList = rig.songList;
    testing::RecordingMessages& messages = rig.messages;
    testing::FakeClock& clock = rig.clock;
    Player& player = (rig.Connect(), rig.ThePlayer());
    VolumeControl& volume = rig.jukebox.Volume();
};

TEST_F(PlayerTest, ResetPlaysBeforeEverySongAndTheQueueStopsAfterItsLastEntry) {
    for (const char* t : {"A", "B", "C"}) Song(std::string(t) + ".mid");
    Playlist(0, {"C", "A", "B"});
    player.Play();
    EXPECT_EQ(device.OpenFile(), Reset());
    EXPECT_EQ(status.shown.back().text, ".. No.1");
    EXPECT_EQ(status.shown.back().kind, StatusKind::Notice);
    EXPECT_TRUE(deck.playLit);
    EXPECT_TRUE(songList.shown);  // INTLOCK is on by default

    device.FinishAndDeliver();  // the reset ends: the song itself
    EXPECT_EQ(device.OpenFile(), Path("A"));
    EXPECT_EQ(status.shown.back().text, "A");
    EXPECT_EQ(songList.number, 1);
    EXPECT_EQ(songList.selected, 0);
    EXPECT_EQ(songList.caption, "LIST-0 (NOR/END) 3" + Sjis("曲"));

    for (int i = 0; i < 5; ++i) device.FinishAndDeliver();
    EXPECT_EQ(device.opened,
              (std::vector<std::string>{Reset(), Path("A"), Reset(), Path("B"), Reset(), Path("C")}));
    EXPECT_EQ(status.Texts(), (std::vector<std::string>{Sjis(".. Preparations for Play"), ".. No.1", "A",
                                                        ".. No.2", "B", ".. No.3", "C"}));
    device.FinishAndDeliver();  // the last song ends: the player stops, the device stays open
    EXPECT_EQ(device.Mode(), DeviceMode::Stopped);
    EXPECT_TRUE(player.DeviceIdle());
    EXPECT_FALSE(deck.playLit);
    EXPECT_FALSE(songList.shown);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(device.opened.size(), 6u);
}

TEST_F(PlayerTest, CyclicQueueStartsOverInTheSameOrder) {
    model.settings.CYCMODE = 1;
    model.settings.SENDRST = 0;
    model.settings.RNDMODE = RND;
    for (const char* t : {"A", "B", "C"}) Song(std::string(t) + ".mid");
    Playlist(0, {"A", "B", "C"});
    player.Play();
    for (int i = 0; i < 5; ++i) device.FinishAndDeliver();
    ASSERT_EQ(device.opened.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(device.opened.begin(), device.opened.begin() + 3),
              std::vector<std::string>(device.opened.begin() + 3, device.opened.end()));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
}

TEST_F(PlayerTest, MissingResetFilePlaysSongsWithoutResetOrMessage) {
    std::filesystem::remove(dir.Path() / "KORVA_GM.MID");
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    device.FinishAndDeliver();
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A"), Path("B")}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PlayerTest, InstalledProgramTakesTheResetFromTheFirstFolderThatHoldsIt) {
    // Home (the configuration folder) first, then beside the executable, then the shared data.
    std::filesystem::remove(dir.Path() / "KORVA_GM.MID");
    for (const char* sub : {"bin", "share"}) std::filesystem::create_directories(dir.Path() / sub);
    model.folders.SupportFolders = {dir.Folder(), dir.Folder() + "bin/", dir.Folder() + "share/"};
    dir.Write("share/KORVA_GM.MID", "MThd reset");
    Song("A.mid");
    Playlist(0, {"A"});
    player.Play();
    EXPECT_EQ(device.OpenFile(), dir.Folder() + "share/KORVA_GM.MID");
    player.Stop();

    dir.Write("KORVA_GM.MID", "MThd reset");
    player.Play();
    EXPECT_EQ(device.OpenFile(), Reset());
}

TEST_F(PlayerTest, MissingSecondEntryStopsTheRunWithItsError) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("C.mid");
    Playlist(0, {"A", "B", "C"});
    player.Play();
    device.FinishAndDeliver();
    EXPECT_EQ(status.shown.back().text, "B");
    EXPECT_EQ(status.shown.back().kind, StatusKind::Error);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], Sjis("ＭＩＤＩファイル（ ") + Path("B") + Sjis("）がありません"));
    EXPECT_FALSE(deck.playLit);
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A")}));
}

// While the message of the missing song is open the event loop runs: a Play, a chosen entry, a
// change of list mode and dropped files from then are refused (the files wait, see the deck), and
// the run ends as it would have.
TEST_F(PlayerTest, NothingStartsWhileTheCoreWaitsInAMessage) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    const std::string dropped = Song("D.mid");
    Playlist(0, {"A", "B"});
    messages.whileShown = [&] {
        EXPECT_TRUE(rig.jukebox.Busy());
        player.Play();
        EXPECT_FALSE(SelectQueueEntry(model.play, 0, player));
        EXPECT_FALSE(StepListMode(model.settings, true, player));
        EXPECT_FALSE(rig.jukebox.PlayDropped({dropped}, DropSource::Drop));
    };
    player.Play();
    device.FinishAndDeliver();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(rig.jukebox.Busy());
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A")}));
    EXPECT_EQ(model.settings.PLAYMOD, LIST0);
    EXPECT_FALSE(deck.playLit);
}

TEST_F(PlayerTest, BackAndNextMoveOnlyInsideTheQueue) {
    model.settings.SENDRST = 0;
    for (const char* t : {"A", "B", "C"}) Song(std::string(t) + ".mid");
    Playlist(0, {"A", "B", "C"});
    player.Play();
    EXPECT_FALSE(StepBack(model.play, player));  // Back on the first does nothing
    EXPECT_EQ(device.PendingNotices(), 0u);
    device.FinishAndDeliver();  // B plays
    EXPECT_TRUE(StepBack(model.play, player));
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Path("A"));
    player.Next();
    device.DeliverNotices();
    player.Next();
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Path("C"));
    player.Next();  // Next on the last does nothing
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Path("C"));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
}

TEST_F(PlayerTest, BackAndNextDuringAResetMoveFromTheSongItIsFor) {
    for (const char* t : {"A", "B", "C"}) Song(std::string(t) + ".mid");
    Playlist(0, {"A", "B", "C"});
    player.Play();
    device.FinishAndDeliver();  // A plays
    device.FinishAndDeliver();  // B's reset plays
    ASSERT_TRUE(model.play.ResetPending);
    EXPECT_TRUE(StepBack(model.play, player));
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Reset());  // A again, after its own reset
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("A"));

    device.FinishAndDeliver();  // B's reset
    player.Next();
    device.DeliverNotices();
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("C"));
}

TEST_F(PlayerTest, PlayWhilePlayingOpensSongControlAndPlayWhilePausedResumes) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    player.Play();
    EXPECT_EQ(rig.songControl.shown, 1);
    EXPECT_EQ(device.opened.size(), 1u);
    EXPECT_EQ(device.PendingNotices(), 0u);

    player.Pause();
    EXPECT_TRUE(deck.pauseLit);
    device.DeliverNotices();  // the pause's notice is ignored
    EXPECT_EQ(device.Mode(), DeviceMode::Paused);
    player.Play();
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
    EXPECT_FALSE(deck.pauseLit);
    device.FinishAndDeliver();  // the end after the resume moves on
    EXPECT_EQ(device.OpenFile(), Path("B"));
}

TEST_F(PlayerTest, PauseAndPauseAgainResumeAtTheSameSong) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    player.Pause();
    device.DeliverNotices();
    player.Pause();
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Path("A"));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("B"));
}

// The rendering thread may end the song between the reading of the mode and the command that acts
// on it; the device below ends it right there. The command acts on what the device did.
TEST_F(PlayerTest, PauseAsTheSongEndsLetsTheRunMoveOnUnpaused) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    device.afterNextModeRead = [this] { device.FinishSong(); };
    player.Pause();
    device.DeliverNotices();
    EXPECT_FALSE(deck.pauseLit);
    EXPECT_FALSE(model.play.PauseFlag);
    EXPECT_EQ(device.OpenFile(), Path("B"));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
}

TEST_F(PlayerTest, ReplayAsTheSongEndsDoesNotStartItAgain) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    device.afterNextModeRead = [this] { device.FinishSong(); };
    player.ReplayIfPlaying();
    device.DeliverNotices();
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A"), Path("B")}));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
}

TEST_F(PlayerTest, ReplayWhilePlayingGoesOnWithTheSameSong) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    const int plays = device.playCalls;
    player.ReplayIfPlaying();
    device.DeliverNotices();
    EXPECT_EQ(device.playCalls, plays + 1);
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A")}));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
    EXPECT_FALSE(deck.pauseLit);
}

// While a large song is read the deck says so and its buttons act as during a conversion: Play
// and the list modes wait, Pause and Next have nothing to act on, Stop gives the read up.
TEST_F(PlayerTest, ButtonsWhileASongIsReadActAsDuringAConversion) {
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    std::vector<std::string> statusWhileReading;
    device.duringOpen = [&](const std::string& path) {
        if (path != Path("A"))
            return;
        statusWhileReading.push_back(status.shown.back().text);
        EXPECT_FALSE(player.DeviceIdle());
        player.Play();
        player.Pause();
        player.Next();
        EXPECT_FALSE(StepListMode(model.settings, true, player));
    };
    player.Play();
    device.FinishAndDeliver();  // the reset ends; A is read, then plays
    EXPECT_EQ(statusWhileReading, (std::vector<std::string>{".. Preparations for Play"}));
    EXPECT_EQ(device.opened, (std::vector<std::string>{Reset(), Path("A")}));
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
    EXPECT_EQ(status.shown.back().text, "A");
    EXPECT_TRUE(deck.playLit);
    EXPECT_FALSE(deck.pauseLit);
    EXPECT_EQ(model.settings.PLAYMOD, LIST0);
}

TEST_F(PlayerTest, StopWhileTheFirstSongIsReadGivesItUpAndEndsThePlay) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    device.duringOpen = [&](const std::string&) { player.Stop(); };
    player.Play();
    device.DeliverNotices();
    EXPECT_TRUE(device.opened.empty());
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    EXPECT_EQ(device.playCalls, 0);
    EXPECT_FALSE(deck.playLit);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(player.DeviceIdle());

    device.duringOpen = nullptr;  // a new Play starts afresh
    player.Play();
    EXPECT_EQ(device.OpenFile(), Path("A"));
    EXPECT_TRUE(deck.playLit);
}

TEST_F(PlayerTest, StopWhileTheNextSongIsReadEndsTheRunThere) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Song("C.mid");
    Playlist(0, {"A", "B", "C"});
    player.Play();
    device.duringOpen = [&](const std::string& path) {
        if (path == Path("B"))
            player.Stop();
    };
    device.FinishAndDeliver();
    EXPECT_EQ(device.opened, (std::vector<std::string>{Path("A")}));
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    EXPECT_FALSE(deck.playLit);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(device.PendingNotices(), 0u);
}

TEST_F(PlayerTest, ProgBandChangeBuildsANewQueueOfTheOtherList) {
    model.settings.PLAYMOD = PROG;
    model.settings.SENDRST = 0;
    model.settings.TIMBAND = "060912131722";
    model.settings.PROGRM = {0, 1, 0, 0, 0, 0};  // 09-11 plays list 1
    for (const char* t : {"A0", "B0", "X1", "Y1"}) Song(std::string(t) + ".mid");
    Playlist(0, {"A0", "B0"});
    Playlist(1, {"X1", "Y1"});
    clock.now.hour = 8;
    player.Play();
    EXPECT_EQ(device.OpenFile(), Path("A0"));
    clock.now.hour = 9;  // the band boundary passes during the song
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("X1"));
    EXPECT_EQ(model.play.LoadedList, 1);
    EXPECT_EQ(model.play.QueuePosition, 0);
    EXPECT_EQ(songList.caption, "PROG-1 (NOR/END) 2" + Sjis("曲"));
}

TEST_F(PlayerTest, MacBinaryHeadedFileIsRefusedWithTheLongMessage) {
    model.settings.SENDRST = 0;
    Song("A.mid", std::string(128, '\0') + "MThd");
    Playlist(0, {"A"});
    player.Play();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find(Sjis("マックバイナリ")), std::string::npos);
    EXPECT_TRUE(device.opened.empty());
    EXPECT_FALSE(deck.playLit);
}

TEST_F(PlayerTest, SongOffsetAppliesOnTopOfTheBaseForOneSongOnly) {
    model.settings.SENDRST = 0;
    model.settings.AUTOVOL = true;
    model.settings.INITVOL = "7FFF7FFF";  // base level 5
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"}, {"+3", "-1"});
    player.Play();
    EXPECT_EQ(volume.EffectiveLevel(), 8);
    EXPECT_EQ(output.set.back(), 0xDFFFDFFFu);
    device.FinishAndDeliver();
    EXPECT_EQ(volume.EffectiveLevel(), 4);  // back to the base, then B's own offset
    EXPECT_EQ(output.set[output.set.size() - 2], 0x7FFF7FFFu);
}

TEST_F(PlayerTest, DeviceErrorStopsWithItsMessage) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Playlist(0, {"A"});
    device.failNextPlay = DeviceFault::CannotPlay;
    player.Play();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], Sjis("ＭＩＤＩシステムが他で使用されているか、または再生エラーです") + "\n" +
                                     device.ErrorText());
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    EXPECT_FALSE(deck.playLit);
    device.DeliverNotices();  // the failed play's notice finds no mode and changes nothing
    EXPECT_EQ(device.opened.size(), 1u);
}

// A port that goes away mid-song (a synthesizer quit, a cable pulled) is a device error, told once
// with the device's reason; nothing moves on to the next song, and the next Play tries again.
TEST_F(PlayerTest, OutputLostMidSongStopsWithTheDeviceMessageAndPlayTriesAgain) {
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    device.FinishAndDeliver();  // the reset ends: A plays
    ASSERT_EQ(device.OpenFile(), Path("A"));
    device.LoseOutput();
    device.DeliverNotices();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], Sjis("ＭＩＤＩシステムが他で使用されているか、または再生エラーです") + "\n" +
                                     "scripted failure");
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    EXPECT_FALSE(deck.playLit);
    EXPECT_EQ(device.opened, (std::vector<std::string>{Reset(), Path("A")}));

    player.Play();
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
    EXPECT_EQ(device.OpenFile(), Reset());
    EXPECT_TRUE(deck.playLit);
    EXPECT_EQ(messages.shown.size(), 1u);
}

// Unattended play goes on: every song plays without the reset, and the status line says once, as
// a notice and not in a box that would wait for someone, which reset file could not be played.
TEST_F(PlayerTest, ResetFileThatCannotBePlayedLetsTheSongsPlayAndIsToldOnce) {
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    device.refuseOpening[Reset()] = DeviceFault::MidiFileCorrupt;
    player.Play();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(deck.playLit);
    EXPECT_EQ(device.OpenFile(), Path("A"));
    EXPECT_FALSE(model.play.ResetPending);
    const std::string notice =
        Sjis("リセットファイル KORVA_GM.MID を再生できないため、リセットせずに演奏します");
    EXPECT_EQ(status.shown.back().text, notice);
    EXPECT_EQ(status.shown.back().kind, StatusKind::Notice);
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("B"));
    EXPECT_EQ(status.shown.back().text, "B");
    const std::vector<std::string> texts = status.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), notice), 1);
    EXPECT_TRUE(messages.shown.empty());

    // A new run tells it again; a reset file that plays again ends the notices.
    player.Stop();
    player.Play();
    EXPECT_EQ(status.shown.back().text, notice);
    player.Stop();
    device.refuseOpening.clear();
    player.Play();
    EXPECT_EQ(device.OpenFile(), Reset());
    device.FinishAndDeliver();
    EXPECT_EQ(status.shown.back().text, "A");
}

TEST_F(PlayerTest, SongFileThatCannotBeOpenedEndsThePlayWithTheDevicesText) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    device.refuseOpening[Path("B")] = DeviceFault::MidiFileUnsupported;
    player.Play();
    device.FinishAndDeliver();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], device.ErrorText());
    EXPECT_FALSE(deck.playLit);
    EXPECT_FALSE(songList.shown);
    EXPECT_EQ(device.Mode(), DeviceMode::None);
}

TEST_F(PlayerTest, PlayerThatGoesTakesItsNoticeHandlerWithIt) {
    EXPECT_TRUE(device.HasNotifyHandler());
    rig.jukebox.Disconnect();
    EXPECT_FALSE(device.HasNotifyHandler());
}

TEST_F(PlayerTest, CompanionDocumentsAreLookedForBeforeTheFirstDotOfThePath) {
    model.settings.SENDRST = 0;
    std::filesystem::create_directory(dir.Path() / "MY.SONGS");
    dir.Write("MY.SONGS/A.mid", "MThd");
    dir.Write("MY.TXT", "text");
    dir.Write("KORVA.DT0", "A\t" + dir.Folder() + "MY.SONGS/A.mid\t+0\t1\r\n");
    player.Play();
    EXPECT_TRUE(songList.txt);
    EXPECT_FALSE(songList.doc);
}

TEST_F(PlayerTest, SinglePlayPlaysOneFileAfterItsResetAndStops) {
    Song("A.mid");
    model.PlayQueue = {Path("A")};
    model.play.QueuePosition = 0;
    player.PlaySingleEntry();
    EXPECT_TRUE(model.play.SinglePlay);
    EXPECT_EQ(device.OpenFile(), Reset());
    device.FinishAndDeliver();
    EXPECT_EQ(device.OpenFile(), Path("A"));
    EXPECT_EQ(songList.caption, "SINGLE PLAY MODE");
    EXPECT_EQ(model.SongLines, std::vector<std::string>{Path("A")});
    EXPECT_FALSE(songList.shown);
    player.Play();  // Play during single play changes nothing
    EXPECT_EQ(rig.songControl.shown, 0);
    device.FinishAndDeliver();
    EXPECT_FALSE(model.play.SinglePlay);
    EXPECT_EQ(device.Mode(), DeviceMode::None);
}

TEST_F(PlayerTest, EasyEntryInForeignFormatIsRefusedUntilItCanBeConverted) {
    model.settings.PLAYMOD = EASY;
    model.settings.SENDRST = 0;
    dir.Write("SONG.RCP", "RCM-PC98");
    model.PlayQueue = {dir.Folder() + "SONG.RCP"};
    player.PlayEasyEntry();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find(Sjis("再生できない形式")), std::string::npos);
    EXPECT_TRUE(device.opened.empty());
}

TEST_F(PlayerTest, IntroEndMovesOnAndStopsAtTheLastSong) {
    model.settings.SENDRST = 0;
    Song("A.mid");
    Song("B.mid");
    Playlist(0, {"A", "B"});
    player.Play();
    EXPECT_FALSE(rig.introTimer.running);  // an ordinary play never starts it
    player.EnableIntroTimer();
    EXPECT_TRUE(rig.introTimer.running);
    EXPECT_EQ(rig.introTimer.interval, 30000);
    player.IntroTimerTimer();
    EXPECT_FALSE(rig.introTimer.running);  // held until the next song starts
    device.DeliverNotices();
    EXPECT_EQ(device.OpenFile(), Path("B"));
    EXPECT_TRUE(rig.introTimer.running);
    player.IntroTimerTimer();
    EXPECT_EQ(status.shown.back().text, ".. Intro Play End");
    EXPECT_EQ(status.shown.back().kind, StatusKind::Notice);
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    EXPECT_FALSE(rig.introTimer.running);
    player.Play();  // a new play after the stop is no intro play
    EXPECT_FALSE(rig.introTimer.running);
}

// The header is looked at without ever waiting on what is no regular file (a FIFO swapped in for a
// song would block a plain open until someone writes to it).
TEST(HasSmfHeaderTest, TellsSongsFromOtherFilesAndNeverWaitsOnAPipe) {
    TempDir dir;
    EXPECT_TRUE(HasSmfHeader(dir.Write("SONG.MID", "MThd\0\0\0\x06")));
    EXPECT_TRUE(HasSmfHeader(dir.Folder() + "song.mid"));  // any letter case
    EXPECT_FALSE(HasSmfHeader(dir.Write("RIFF.MID", "RIFF....")));
    EXPECT_FALSE(HasSmfHeader(dir.Write("SHORT.MID", "MTh")));
    EXPECT_FALSE(HasSmfHeader(dir.Folder() + "NONE.MID"));
    ASSERT_EQ(::mkfifo((dir.Path() / "PIPE.MID").c_str(), 0600), 0);
    EXPECT_FALSE(HasSmfHeader(dir.Folder() + "PIPE.MID"));
    std::filesystem::create_symlink("/dev/zero", dir.Path() / "ZERO.MID");
    EXPECT_FALSE(HasSmfHeader(dir.Folder() + "ZERO.MID"));
}

TEST(SongWindowCaptionTest, NamesModeOrderCycleAndCount) {
    Settings s;
    s.PLAYMOD = LIST2;
    s.RNDMODE = NEW;
    s.CYCMODE = 1;
    EXPECT_EQ(SongWindowCaption(s, 2, 25), "LIST-2 (NEW/LES) 25" + Sjis("曲"));
    s.PLAYMOD = EASY;
    EXPECT_EQ(SongWindowCaption(s, 0, 3), "EASY (NOR/LES) 3" + Sjis("曲"));
    s.PLAYMOD = ARTS;
    s.RNDMODE = RND;
    s.CYCMODE = 0;
    EXPECT_EQ(SongWindowCaption(s, 0, 1), "ARTIST (RND/END) 1" + Sjis("曲"));
}

}  // namespace
}  // namespace korva

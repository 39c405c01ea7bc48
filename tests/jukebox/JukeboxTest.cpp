#include "jukebox/Jukebox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::JukeboxRig;
using testing::TempDir;

TEST(JukeboxTest, BeforeItIsConnectedTheButtonsDoNothing) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    PlayerCommands& commands = rig.jukebox.Commands();
    commands.Play();
    EXPECT_TRUE(commands.DeviceIdle());
    EXPECT_FALSE(rig.jukebox.PrepareVolumeWindow());
    rig.jukebox.ChooseVolumeLevel(3);
    rig.jukebox.VolumeUp();
    EXPECT_TRUE(rig.output.set.empty());
    EXPECT_TRUE(rig.device.opened.empty());
}

TEST(JukeboxTest, AViewAttachedAfterTheConnectionIsTheOneThatShows) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 0;
    rig.Model().settings.PLAYMOD = LIST0;
    dir.Write("KORVA.DT0", "A\t" + dir.Write("A.mid", "MThd") + "\t+0\t1\r\n");
    rig.Connect();
    testing::RecordingSongList later;
    rig.jukebox.AttachSongList(later);
    rig.jukebox.Commands().Play();
    EXPECT_EQ(later.number, 1);
    EXPECT_TRUE(later.shown);           // INTLOCK is on by default
    EXPECT_EQ(rig.songList.number, 0);  // the one it replaced shows nothing more
    EXPECT_TRUE(rig.deck.playLit);
}

// "Song one", an empty line, "Song two" in list 0: in every order both songs play and the run ends,
// with no word of a song file without a name.
TEST(JukeboxTest, BlankLineInAListIsNoSongInAnyOrder) {
    for (const OrderMode order : {NOR, NEW, RND}) {
        TempDir dir;
        JukeboxRig rig(dir.Folder());
        rig.Model().settings.SENDRST = 0;
        rig.Model().settings.PLAYMOD = LIST0;
        rig.Model().settings.RNDMODE = order;
        const std::string one = dir.Write("one.mid", "MThd");
        const std::string two = dir.Write("two.mid", "MThd");
        dir.Write("KORVA.DT0", "Song one\t" + one + "\t+0\t1\r\n\r\nSong two\t" + two + "\t+0\t1\r\n");
        rig.Connect();
        rig.jukebox.Commands().Play();
        rig.device.FinishAndDeliver();
        rig.device.FinishAndDeliver();
        std::vector<std::string> played = rig.device.opened;
        std::sort(played.begin(), played.end());
        EXPECT_EQ(played, (std::vector<std::string>{one, two})) << order;
        EXPECT_TRUE(rig.messages.shown.empty()) << order;
        EXPECT_FALSE(rig.deck.playLit) << order;
    }
}

TEST(JukeboxTest, VolumeCheckSaysSoWhenNoOutputTakesAVolume) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    rig.Model().settings.AUTOVOL = true;
    rig.output.readableFrom = 1;  // the only output cannot be read
    rig.Connect();
    rig.jukebox.CheckVolumeDevice();
    ASSERT_EQ(rig.deck.shown.size(), 1u);
    EXPECT_EQ(rig.deck.shown[0].text, Sjis(".. 音量制御できません"));
    EXPECT_EQ(rig.deck.shown[0].kind, StatusKind::Notice);
    EXPECT_FALSE(rig.deck.volumeControlsShown);

    rig.output.readableFrom = 0;
    rig.jukebox.CheckVolumeDevice();
    EXPECT_TRUE(rig.deck.volumeControlsShown);
    EXPECT_EQ(rig.deck.shown.size(), 1u);
}

TEST(JukeboxTest, VolumeWindowOpensWithTheBaseButtonDownAndTheEffectiveLevelMarked) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    rig.Model().settings.INITVOL = "7FFF7FFF";  // base level 5
    rig.Connect();
    rig.jukebox.VolumeUp();
    ASSERT_TRUE(rig.jukebox.PrepareVolumeWindow());
    EXPECT_EQ(rig.volumeWindow.down, 5);
    EXPECT_EQ(rig.volumeWindow.marked, 6);
}

TEST(JukeboxTest, DroppedFilesPlayInEasyModeAndTheSongWindowListsThem) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 0;
    rig.Connect();
    const std::string song = dir.Write("b.mid", "MThd");
    EXPECT_TRUE(rig.jukebox.PlayDropped({song, dir.Folder() + "notes.txt"}, DropSource::Drop));
    EXPECT_EQ(rig.device.OpenFile(), song);
    EXPECT_EQ(rig.Model().settings.PLAYMOD, EASY);
    EXPECT_TRUE(rig.songList.shown);
    EXPECT_EQ(rig.Model().SongLines, std::vector<std::string>{"001 " + song});

    EXPECT_FALSE(rig.jukebox.PlayDropped({dir.Folder() + "notes.txt"}, DropSource::Drop));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0], RefusalMessage(DropSource::Drop));
}

// The program shows its main window first and makes the devices after it; a command that comes in
// between (a press, the media controls, a song handed over) must find the devices made, by whichever
// way it comes, and the rest is made once only.
TEST(JukeboxTest, TheFirstCommandOfAnyKindMakesTheRestOfTheStartOnce) {
    using Command = void (*)(JukeboxRig&, const std::string& song);
    const std::vector<std::pair<const char*, Command>> commands = {
        {"Play", [](JukeboxRig& rig, const std::string&) { rig.jukebox.Play(); }},
        {"PlayDropped",
         [](JukeboxRig& rig, const std::string& song) { rig.jukebox.PlayDropped({song}, DropSource::Drop); }},
        {"Commands", [](JukeboxRig& rig, const std::string&) { rig.jukebox.Commands().Play(); }},
        {"ChooseVolumeLevel", [](JukeboxRig& rig, const std::string&) { rig.jukebox.ChooseVolumeLevel(3); }},
        {"ShowSongWindow", [](JukeboxRig& rig, const std::string&) { rig.jukebox.ShowSongWindow(); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        TempDir dir;
        JukeboxRig rig(dir.Folder());
        rig.Model().settings.SENDRST = 0;
        rig.Model().settings.PLAYMOD = LIST0;
        const std::string song = dir.Write("a.mid", "MThd");
        dir.Write("KORVA.DT0", "A\t" + song + "\t+0\t1\r\n");
        int made = 0;
        rig.jukebox.DeferRestOfStart([&] {
            ++made;
            rig.Connect();
        });
        EXPECT_FALSE(rig.jukebox.StartFinished());
        EXPECT_FALSE(rig.jukebox.Connected());

        command(rig, song);
        EXPECT_EQ(made, 1);
        EXPECT_TRUE(rig.jukebox.StartFinished());
        EXPECT_TRUE(rig.jukebox.Connected());
        command(rig, song);
        rig.jukebox.FinishStart();
        EXPECT_EQ(made, 1);
    }
}

TEST(JukeboxTest, TheCommandThatMadeTheRestActsOnWhatItMade) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 0;
    rig.Model().settings.PLAYMOD = LIST0;
    rig.Model().settings.INITVOL = "7FFF7FFF";
    const std::string song = dir.Write("a.mid", "MThd");
    dir.Write("KORVA.DT0", "A\t" + song + "\t+0\t1\r\n");
    rig.jukebox.DeferRestOfStart([&] { rig.Connect(); });
    rig.jukebox.Play();
    EXPECT_EQ(rig.device.OpenFile(), song);
    EXPECT_TRUE(rig.deck.playLit);

    JukeboxRig volumeRig(dir.Folder());
    volumeRig.Model().settings.INITVOL = "7FFF7FFF";  // base level 5
    volumeRig.jukebox.DeferRestOfStart([&] { volumeRig.Connect(); });
    volumeRig.jukebox.VolumeUp();
    ASSERT_TRUE(volumeRig.jukebox.PrepareVolumeWindow());
    EXPECT_EQ(volumeRig.volumeWindow.marked, 6);
}

// What the rest of the start runs may itself give commands (auto start, songs from the command
// line); they go to what is made so far and do not start the rest again.
TEST(JukeboxTest, CommandsGivenWhileTheRestIsMadeDoNotStartItAgain) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    int made = 0;
    bool idleInside = false;
    rig.jukebox.DeferRestOfStart([&] {
        ++made;
        idleInside = rig.jukebox.Commands().DeviceIdle();
        rig.Connect();
    });
    rig.jukebox.FinishStart();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(idleInside);
    EXPECT_TRUE(rig.jukebox.Connected());
}

}  // namespace
}  // namespace korva

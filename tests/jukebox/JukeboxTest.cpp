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

}  // namespace
}  // namespace korva

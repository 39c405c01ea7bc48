// The jukebox's commands, as every window gives them: each acts as the deck's button for it does,
// and is kept from acting where that button would be.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jukebox/Jukebox.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"

namespace korva {
namespace {

using testing::JukeboxRig;
using testing::TempDir;
using Paths = std::vector<std::string>;

// Three songs in list 0, played in the list's order without reset files.
struct ThreeSongs {
    ThreeSongs() : rig(dir.Folder()) {
        rig.Model().settings.SENDRST = 0;
        rig.Model().settings.PLAYMOD = LIST0;
        rig.Model().settings.RNDMODE = NOR;
        std::string list;
        for (const char* name : {"a", "b", "c"}) {
            songs.push_back(dir.Write(std::string(name) + ".mid", "MThd"));
            list += std::string(name) + "\t" + songs.back() + "\t+0\t1\r\n";
        }
        dir.Write("KORVA.DT0", list);
        rig.Connect();
    }
    Actions& Act() { return rig.jukebox; }
    TempDir dir;
    JukeboxRig rig;
    Paths songs;
};

TEST(ActionsTest, NextAndBackActOnlyWhilePlayingAndWithinTheQueue) {
    ThreeSongs p;
    p.Act().Next();
    p.Act().Back();
    EXPECT_TRUE(p.rig.device.opened.empty()) << "nothing plays, so there is nothing to step over";

    p.Act().Play();
    p.Act().Back();  // at the first entry
    p.rig.device.DeliverNotices();
    EXPECT_EQ(p.rig.device.opened, Paths{p.songs[0]});
    p.Act().Next();
    p.rig.device.DeliverNotices();
    p.Act().Next();
    p.rig.device.DeliverNotices();
    EXPECT_EQ(p.rig.device.opened, (Paths{p.songs[0], p.songs[1], p.songs[2]}));
    p.Act().Next();  // at the last entry
    p.rig.device.DeliverNotices();
    EXPECT_EQ(p.rig.device.OpenFile(), p.songs[2]);
    p.Act().Back();
    p.rig.device.DeliverNotices();
    EXPECT_EQ(p.rig.device.OpenFile(), p.songs[1]);
    EXPECT_TRUE(p.rig.messages.shown.empty());
}

TEST(ActionsTest, PlaySingleStopsTheRunAndPlaysThatSongAloneOnce) {
    ThreeSongs p;
    const std::string other = p.dir.Write("other.mid", "MThd");
    p.Act().Play();
    ASSERT_EQ(p.rig.device.OpenFile(), p.songs[0]);
    p.Act().PlaySingle(other);
    EXPECT_EQ(p.rig.device.OpenFile(), other);
    EXPECT_EQ(p.rig.Model().PlayQueue, Paths{other});
    EXPECT_EQ(p.rig.Model().play.QueuePosition, 0);
    p.rig.device.FinishAndDeliver();
    EXPECT_FALSE(p.rig.deck.playLit) << "the run that was playing does not go on after it";
    EXPECT_EQ(p.rig.device.opened, (Paths{p.songs[0], other}));
}

TEST(ActionsTest, IntroPlayStartsTheQueueAfreshWithTheIntroTimer) {
    ThreeSongs p;
    p.Act().Play();
    p.rig.device.FinishAndDeliver();
    ASSERT_EQ(p.rig.device.OpenFile(), p.songs[1]);
    p.Act().PlayIntro(15);
    EXPECT_EQ(p.rig.device.OpenFile(), p.songs[0]);
    EXPECT_EQ(p.rig.Model().play.IntroSeconds, 15);
    EXPECT_TRUE(p.rig.introTimer.running);
}

TEST(ActionsTest, QuitIsTheDecksAndTheVolumeWaitsForItsDevice) {
    TempDir dir;
    JukeboxRig rig(dir.Folder());
    Actions& act = rig.jukebox;
    EXPECT_FALSE(act.FindVolumeDevice()) << "no volume control before the devices are made";
    act.VolumeUp();
    EXPECT_TRUE(rig.output.set.empty());
    act.Quit();
    EXPECT_EQ(rig.deck.quits, 1);
    rig.Connect();
    EXPECT_TRUE(act.FindVolumeDevice());
}

}  // namespace
}  // namespace korva

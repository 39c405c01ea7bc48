#include "playback/OutputSwitch.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/JukeboxRig.h"
#include "support/TempDir.h"

namespace korva {
namespace {

using testing::RecordingVolumeOutput;
using testing::ScriptedDevice;
using testing::TempDir;

// One made output: a scripted device and a recording volume, kept alive by the test after the
// switch lets them go, so what they saw can still be read.
struct MadeOutput {
    OutputChoice choice;
    ScriptedDevice device;
    RecordingVolumeOutput volume;
    bool released = false;
};

class Output final : public SoundOutput {
  public:
    explicit Output(std::shared_ptr<MadeOutput> made) : made_(std::move(made)) {}
    ~Output() override { made_->released = true; }
    SequencerDevice& Device() override { return made_->device; }
    VolumeOutput& Volume() override { return made_->volume; }

  private:
    std::shared_ptr<MadeOutput> made_;
};

class OutputSwitchTest : public ::testing::Test {
  protected:
    OutputSwitch::Maker Maker() {
        return [this](const OutputChoice& choice) {
            // The output before is let go before the next is made.
            if (!made.empty()) {
                EXPECT_TRUE(made.back()->released);
            }
            made.push_back(std::make_shared<MadeOutput>());
            made.back()->choice = choice;
            return std::make_unique<Output>(made.back());
        };
    }

    std::string Song(const std::string& name) { return dir.Write(name, "MThd song"); }

    TempDir dir;
    std::vector<std::shared_ptr<MadeOutput>> made;
};

TEST_F(OutputSwitchTest, TheChoiceIsReadAtEachOpenAndOnlyAChangeMakesANewOutput) {
    Settings settings;
    settings.SOUNDFONT = "/sf/a.sf2";
    OutputSwitch output(settings, Maker());
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->choice.soundFont, "/sf/a.sf2");
    EXPECT_TRUE(made[0]->choice.midiOut.empty());

    output.Open(Song("one.mid"));
    output.Play();
    settings.GAIN = 50;  // changed while a song plays: it plays on where it is
    output.Pause();
    output.Play();
    output.Stop();
    EXPECT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->device.opened, (std::vector<std::string>{Song("one.mid")}));

    output.Open(Song("two.mid"));
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1]->choice.gain, 50);
    EXPECT_EQ(made[0]->device.OpenFile(), "");  // closed before it went
    EXPECT_EQ(made[1]->device.opened, (std::vector<std::string>{Song("two.mid")}));
    EXPECT_EQ(output.Mode(), DeviceMode::Stopped);
    EXPECT_EQ(made[1]->device.Mode(), DeviceMode::Stopped);

    output.Open(Song("three.mid"));
    EXPECT_EQ(made.size(), 2u);
}

TEST_F(OutputSwitchTest, APortIgnoresTheSynthesizersSoundAndGoingBackTakesItAsItIsThen) {
    Settings settings;
    settings.MIDIOUT = "SC-88 Pro:Port 1";
    settings.REVERB = false;
    OutputSwitch output(settings, Maker());
    EXPECT_EQ(made[0]->choice.midiOut, "SC-88 Pro:Port 1");
    EXPECT_TRUE(made[0]->choice.reverb);  // not the port's business

    settings.REVERB = true;
    settings.CHORUS = false;
    settings.SOUNDFONT = "/sf/b.sf2";
    output.Open("/one.mid");
    EXPECT_EQ(made.size(), 1u);

    settings.MIDIOUT.clear();
    output.Open("/two.mid");
    ASSERT_EQ(made.size(), 2u);
    EXPECT_TRUE(made[1]->choice.midiOut.empty());
    EXPECT_FALSE(made[1]->choice.chorus);
    EXPECT_EQ(made[1]->choice.soundFont, "/sf/b.sf2");
}

// The whole run over the switch: a new port chosen during a song takes over from the next file,
// the reset file before the next song included; the volume last set is the new output's at once,
// and its notices drive the queue on.
TEST_F(OutputSwitchTest, UnattendedPlayMovesToTheNewOutputAtTheNextSong) {
    dir.Write("KORVA_GM.MID", "MThd reset");
    for (const char* title : {"A", "B"}) dir.Write(std::string(title) + ".mid", "MThd song");
    dir.Write("KORVA.DT0", "A\t" + dir.Folder() + "A.mid\t+2\t1\r\nB\t" + dir.Folder() + "B.mid\t+0\t1\r\n");
    testing::JukeboxRig rig(dir.Folder());
    AppModel& model = rig.Model();
    model.settings.PLAYMOD = LIST0;
    model.settings.RNDMODE = NOR;
    model.settings.SENDRST = 1;
    model.settings.AUTOVOL = true;
    OutputSwitch output(model.settings, Maker());
    rig.jukebox.Connect(JukeboxDevices{output.Device(), output.Volume(), rig.introTimer});

    rig.ThePlayer().Play();
    made[0]->device.FinishAndDeliver();  // the reset
    EXPECT_EQ(made[0]->device.OpenFile(), dir.Folder() + "A.mid");
    ASSERT_FALSE(made[0]->volume.set.empty());

    model.settings.MIDIOUT = "Hardware Module";
    EXPECT_EQ(made.size(), 1u);
    made[0]->device.FinishSong();
    made[0]->device.DeliverNotices();
    ASSERT_EQ(made.size(), 2u);
    EXPECT_TRUE(made[0]->released);
    EXPECT_EQ(made[1]->choice.midiOut, "Hardware Module");
    EXPECT_EQ(made[1]->device.OpenFile(), dir.Folder() + "KORVA_GM.MID");
    // The song's end set the base level on the old output; the new one starts from it.
    ASSERT_FALSE(made[1]->volume.set.empty());
    EXPECT_EQ(made[1]->volume.set.front(), made[0]->volume.set.back());

    made[1]->device.FinishAndDeliver();
    EXPECT_EQ(made[1]->device.OpenFile(), dir.Folder() + "B.mid");
    EXPECT_EQ(made.size(), 2u);
    EXPECT_TRUE(rig.deck.playLit);
    rig.jukebox.Disconnect();  // the player lets go of the switch before it goes
}

}  // namespace
}  // namespace korva

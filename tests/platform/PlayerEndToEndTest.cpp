// The player driving the real synthesizer in virtual time: a queue from a real playlist file,
// each song preceded by its reset file, until the queue ends.

#include <gtest/gtest.h>

#include <filesystem>

#include "SynthTestSupport.h"
#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "platform/FluidSynthVolume.h"
#include "support/Fakes.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using namespace korva::testing;

struct Segment {
    std::string status;  // what the status line said while this stretch was rendered
    Stereo audio;
};

struct SegmentingStatus : StatusView {
    std::vector<Segment>* segments = nullptr;
    void ShowStatus(const std::string& text, StatusKind) override { segments->push_back({text, {}}); }
};

TEST(PlayerEndToEnd, ThreeSongsFromAPlaylistEachAfterItsResetThenStop) {
    TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(KORVA_DATA_DIR) / "KORVA_GM.MID",
                               dir.Path() / "KORVA_GM.MID");
    std::string playlist;
    for (const char* title : {"Alpha", "Beta", "Gamma"}) {
        const std::string path = dir.Write(std::string(title) + ".mid", HeldNoteSong(0.5));
        playlist += std::string(title) + "\t" + path + "\t+0\t1\r\n";
    }
    dir.Write("KORVA.DT0", playlist);

    // The synthesizer outlives the jukebox that plays on it.
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    FluidSynthVolume output(synth.Engine());
    SeededRandom random(1);
    FakeClock clock;
    Jukebox jukebox(MakeFolders(dir.Folder(), {}), random, clock);
    jukebox.Model().settings.PLAYMOD = LIST0;
    jukebox.Model().settings.SENDRST = 1;
    std::vector<Segment> segments;
    SegmentingStatus status;
    status.segments = &segments;
    RecordingDeck view;
    RecordingMessages messages;
    ScriptedFolderDialog folders;
    FakeTimer introTimer;
    jukebox.AttachDeck(view, status, view);
    jukebox.AttachDialogs(messages, folders);
    jukebox.Connect(JukeboxDevices{synth.Device(), output, introTimer});

    jukebox.Commands().Play();
    // Render until the player has stopped by itself, each block credited to the status shown.
    std::vector<float> left(kBlock), right(kBlock);
    for (int block = 0; block < 2000 && view.playLit; ++block) {
        synth.Engine().RenderBlock(left.data(), right.data(), kBlock);
        Stereo& into = segments.back().audio;
        into.left.insert(into.left.end(), left.begin(), left.end());
        into.right.insert(into.right.end(), right.begin(), right.end());
        synth.Ui().Drain();
    }
    EXPECT_FALSE(view.playLit);
    EXPECT_TRUE(messages.shown.empty());

    std::vector<std::string> order;
    for (const Segment& s : segments) order.push_back(s.status);
    EXPECT_EQ(order, (std::vector<std::string>{Sjis(".. Preparations for Play"), ".. No.1", "Alpha",
                                               ".. No.2", "Beta", ".. No.3", "Gamma"}));
    for (const Segment& s : segments) {
        if (s.status == "Alpha" || s.status == "Beta" || s.status == "Gamma") {
            EXPECT_GT(s.audio.Peak(), kAudible) << s.status;
            // Each song plays its half second, give or take a block either side.
            EXPECT_NEAR(static_cast<double>(s.audio.left.size()), synth.Seconds(0.5), 2.0 * kBlock)
                << s.status;
        }
    }
}

}  // namespace
}  // namespace korva

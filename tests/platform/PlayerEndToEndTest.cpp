// The player driving the real synthesizer in virtual time: a queue from a real playlist file,
// each song preceded by its reset file, until the queue ends.

#include <gtest/gtest.h>

#include <filesystem>

#include "SynthJukebox.h"
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

// Plays the playlist KORVA.DT0 in dir through the real synthesizer, each song after the GM reset,
// until the player stops by itself; returns what was rendered under each status-line text.
struct Played {
    std::vector<Segment> segments;
    double sampleRate = 0;
    std::vector<std::string> messages;  // the message boxes shown
    double Frames(double seconds) const { return seconds * sampleRate; }
};
Played PlayToTheEnd(TempDir& dir) {
    std::filesystem::copy_file(std::filesystem::path(KORVA_DATA_DIR) / "KORVA_GM.MID",
                               dir.Path() / "KORVA_GM.MID");
    // The synthesizer outlives the jukebox that plays on it.
    VirtualSynth synth;
    EXPECT_TRUE(synth.Engine().WaitUntilLoaded());
    std::vector<Segment> segments;
    SegmentingStatus status;
    status.segments = &segments;
    SynthJukebox rig(synth.Engine(), synth.Device(), dir.Folder(), 1, &status);
    RecordingDeck& view = rig.deck;
    rig.jukebox.Play();
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
    return {segments, static_cast<double>(synth.Engine().SampleRate()), rig.messages.shown};
}

std::vector<std::string> StatusOrder(const std::vector<Segment>& segments) {
    std::vector<std::string> order;
    for (const Segment& s : segments) order.push_back(s.status);
    return order;
}

TEST(PlayerEndToEnd, ThreeSongsFromAPlaylistEachAfterItsResetThenStop) {
    TempDir dir;
    std::string playlist;
    for (const char* title : {"Alpha", "Beta", "Gamma"}) {
        const std::string path = dir.Write(std::string(title) + ".mid", HeldNoteSong(0.5));
        playlist += std::string(title) + "\t" + path + "\t+0\t1\r\n";
    }
    dir.Write("KORVA.DT0", playlist);
    const Played played = PlayToTheEnd(dir);
    const auto& segments = played.segments;
    EXPECT_TRUE(played.messages.empty());

    EXPECT_EQ(StatusOrder(segments),
              (std::vector<std::string>{Sjis(".. Preparations for Play"), ".. No.1", "Alpha", ".. No.2",
                                        "Beta", ".. No.3", "Gamma"}));
    for (const Segment& s : segments) {
        if (s.status == "Alpha" || s.status == "Beta" || s.status == "Gamma") {
            EXPECT_GT(s.audio.Peak(), kAudible) << s.status;
            // Each song plays its half second, give or take a block either side.
            EXPECT_NEAR(static_cast<double>(s.audio.left.size()), played.Frames(0.5), 2.0 * kBlock)
                << s.status;
        }
    }
}

// Songs without a note are songs: one plays its second of silence, one with nothing but its end
// passes at once, and the queue goes on to the next without a word.
TEST(PlayerEndToEnd, SongsWithoutANotePlayTheirLengthOfSilenceAndTheQueueGoesOn) {
    TempDir dir;
    SmfWriter hush(1, 480);
    hush.AddTrack().Tempo(0, 500000).TrackName(0, "Hush").EndAt(960);
    hush.AddTrack().Text(0, "rest").EndAt(480);
    SmfWriter nothing(0, 480);
    nothing.AddTrack().EndAt(0);
    const std::vector<std::pair<std::string, std::string>> songs = {{"Alpha", HeldNoteSong(0.5)},
                                                                    {"Hush", hush.Bytes()},
                                                                    {"Nothing", nothing.Bytes()},
                                                                    {"Zeta", HeldNoteSong(0.5)}};
    std::string playlist;
    for (const auto& [title, bytes] : songs)
        playlist += title + "\t" + dir.Write(title + ".mid", bytes) + "\t+0\t1\r\n";
    dir.Write("KORVA.DT0", playlist);
    const Played played = PlayToTheEnd(dir);
    const auto& segments = played.segments;
    EXPECT_TRUE(played.messages.empty());

    EXPECT_EQ(StatusOrder(segments),
              (std::vector<std::string>{Sjis(".. Preparations for Play"), ".. No.1", "Alpha", ".. No.2",
                                        "Hush", ".. No.3", "Nothing", ".. No.4", "Zeta"}));
    for (const Segment& s : segments) {
        if (s.status == "Hush") {
            EXPECT_LT(s.audio.Peak(), kAudible);
            EXPECT_NEAR(static_cast<double>(s.audio.left.size()), played.Frames(1.0), 2.0 * kBlock);
        }
        if (s.status == "Nothing")
            EXPECT_LE(s.audio.left.size(), 2u * kBlock);
        if (s.status == "Zeta")
            EXPECT_GT(s.audio.Peak(), kAudible);
    }
}

}  // namespace
}  // namespace korva

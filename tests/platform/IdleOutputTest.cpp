// The output of the real synthesizer while nothing plays: after a short tail it is suspended and the
// synthesizer renders nothing, and a play starts it again with the song's first block.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SynthTestSupport.h"

namespace korva {
namespace {

using testing::HeldNoteSong;
using testing::kAudible;
using testing::RenderedBlocks;
using testing::TempDir;
using testing::VirtualSynth;

using namespace std::chrono_literals;

constexpr double kIdleSeconds = 0.1;

// "no-such-driver" leaves only the silent output paced by the wall clock; ALSA's "null" device is a
// real driver that throws the sound away, as fast as it is rendered.
class IdleOutputRig {
  protected:
    explicit IdleOutputRig(std::string driver)
        : driver_(std::move(driver)), synth_([this](SynthOptions& options) {
              options.output = OutputKind::Automatic;
              options.audioDriver = driver_;
              options.fluidSettings = {{"audio.alsa.device", "null"}};
              options.outputIdleSeconds = kIdleSeconds;
              options.onRenderedForTesting = [this](const float* left, const float* right, int frames) {
                  blocks_.Add(left, right, frames);
              };
          }) {}

    // False when the output wanted cannot be opened here.
    bool Ready() {
        const std::string wanted = driver_ == "alsa" ? "alsa" : "silent";
        return synth_.Engine().WaitUntilLoaded() && synth_.Engine().Report().outputName == wanted;
    }

    // Waits, handling notices like the UI thread, until the condition holds; false after a minute.
    bool WaitFor(const std::function<bool()>& condition) {
        return testing::DrainUntil(synth_.Ui(), condition);
    }

    // Waits for the output to be suspended, then checks that nothing more is rendered.
    void ExpectNothingRenderedWhileIdle() {
        ASSERT_TRUE(WaitFor([this] { return !synth_.Engine().OutputRunning(); }));
        const long rendered = synth_.Engine().RenderedBlocks();
        std::this_thread::sleep_for(600ms);
        EXPECT_EQ(synth_.Engine().RenderedBlocks(), rendered);
        EXPECT_FALSE(synth_.Engine().OutputRunning());
    }

    std::string driver_;
    RenderedBlocks blocks_;  // outlives the synthesizer, whose output fills it
    VirtualSynth synth_;
    TempDir dir_;
};

class IdleOutput : public IdleOutputRig, public ::testing::TestWithParam<const char*> {
  protected:
    IdleOutput() : IdleOutputRig(GetParam()) {}
};

class PausedOutput : public IdleOutputRig, public ::testing::Test {
  protected:
    PausedOutput() : IdleOutputRig("no-such-driver") {}
};

TEST_P(IdleOutput, StoppedRendersNothingAndTheNextPlaySoundsAtOnce) {
    if (!Ready())
        GTEST_SKIP() << GetParam() << " cannot be opened here";
    // Nothing has played since start-up.
    ExpectNothingRenderedWhileIdle();

    synth_.OpenSong(dir_, "SHORT.MID", HeldNoteSong(0.3));
    for (int play = 0; play < 2; ++play) {
        const std::size_t first = blocks_.Count();
        synth_.Device().Play();
        // ALSA's null device takes sound as fast as it comes: on a busy machine the song and its tail
        // may be over, and the output suspended again, before this line runs.
        EXPECT_TRUE(synth_.Engine().OutputRunning() || blocks_.Count() > first) << "Play started the output";
        ASSERT_TRUE(WaitFor([this, play] { return synth_.noticeFrames.size() > std::size_t(play); }));
        EXPECT_EQ(synth_.noticeModes[play], DeviceMode::Stopped);
        EXPECT_GT(blocks_.PeakOf(first), kAudible)
            << "the song's note is in the first block after play " << play;
        ExpectNothingRenderedWhileIdle();
    }
}

TEST_F(PausedOutput, RendersNothingAndResumesItsHeldNote) {
    ASSERT_TRUE(Ready());
    const double seconds = 1.0;
    synth_.OpenSong(dir_, "HELD.MID", HeldNoteSong(seconds));
    synth_.Device().Play();
    ASSERT_TRUE(WaitFor([this] { return blocks_.Frames() >= synth_.Seconds(0.3); }));
    synth_.Device().Pause();
    ExpectNothingRenderedWhileIdle();
    EXPECT_EQ(synth_.Device().Mode(), DeviceMode::Paused);
    EXPECT_TRUE(synth_.noticeFrames.size() == 1) << "the pause ended the play";

    const std::size_t first = blocks_.Count();
    synth_.Device().Pause();
    EXPECT_TRUE(synth_.Engine().OutputRunning());
    ASSERT_TRUE(WaitFor([this] { return synth_.noticeFrames.size() == 2; }));
    EXPECT_GT(blocks_.PeakOf(first), kAudible) << "the held note sounds again in the first block";
    ExpectNothingRenderedWhileIdle();

    // The pause neither lost nor added song time: the song and the short tail after its end are all
    // that was rendered.
    const long block = synth_.Engine().Options().periodFrames;
    EXPECT_GE(blocks_.Frames(), synth_.Seconds(seconds + kIdleSeconds));
    EXPECT_LE(blocks_.Frames(), synth_.Seconds(seconds + kIdleSeconds) + 4 * block);
}

INSTANTIATE_TEST_SUITE_P(Outputs, IdleOutput, ::testing::Values("no-such-driver", "alsa"),
                         [](const ::testing::TestParamInfo<const char*>& paramInfo) {
                             return std::string(paramInfo.param[0] == 'n' ? "Silent" : "AlsaNull");
                         });

}  // namespace
}  // namespace korva

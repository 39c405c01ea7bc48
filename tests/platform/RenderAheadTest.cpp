// The real synthesizer playing through the silent output, which asks for sound at a sound card's
// pace: a playing song is rendered seconds ahead, and still everything is heard when it should be.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "SynthJukebox.h"
#include "SynthTestSupport.h"
#include "platform/FrameFifo.h"

namespace korva {
namespace {

using testing::HeldNoteSong;
using testing::kAudible;
using testing::RenderedBlocks;
using testing::SmfWriter;
using testing::Stereo;
using testing::SynthJukebox;
using testing::TempDir;
using testing::VirtualSynth;

using namespace std::chrono_literals;

TEST(FrameFifo, KeepsTheOrderAcrossItsEndAndDropsWhatWaitsOnClear) {
    FrameFifo fifo(5);
    const float left[] = {1, 2, 3, 4};
    const float right[] = {-1, -2, -3, -4};
    float outLeft[5] = {};
    float outRight[5] = {};
    fifo.Put(left, right, 3);
    EXPECT_EQ(fifo.Take(outLeft, outRight, 2), 2u);
    fifo.Put(left, right, 4);  // runs over the end of the buffer
    EXPECT_EQ(fifo.Room(), 0u);
    EXPECT_EQ(fifo.Take(outLeft, outRight, 9), 5u);
    EXPECT_EQ(std::vector<float>(outLeft, outLeft + 5), (std::vector<float>{3, 1, 2, 3, 4}));
    EXPECT_EQ(std::vector<float>(outRight, outRight + 5), (std::vector<float>{-3, -1, -2, -3, -4}));
    fifo.Put(left, right, 2);
    fifo.Clear();
    EXPECT_EQ(fifo.Take(outLeft, outRight, 1), 0u);
    EXPECT_EQ(fifo.ReadPosition(), 9u);
}

// How far ahead a song is rendered, and how little of it may wait before a run of rendering fills
// it again: every setting hears every command within a period, whatever the length of its runs.
struct Bursts {
    const char* name;
    double aheadSeconds;
    double refillSeconds;
};

void PrintTo(const Bursts& bursts, std::ostream* out) {
    *out << bursts.name << " (" << bursts.aheadSeconds << " s ahead, refilled below " << bursts.refillSeconds
         << " s)";
}

const Bursts kBursts[] = {
    {"AsShipped", SynthOptions{}.aheadSeconds, SynthOptions{}.aheadRefillSeconds},
    {"OneLongRunAfterAlmostAllIsHeard", 8.0, 0.25},
    {"ShortRunsOftenAFewPeriodsAhead", 1.0, 0.6},
};

// Every sample an output takes; filled from its thread.
struct SoundRecord {
    std::mutex mutex;
    std::vector<float> left;
    std::vector<float> right;

    void Add(const float* fromLeft, const float* fromRight, int frames) {
        std::lock_guard lock(mutex);
        left.insert(left.end(), fromLeft, fromLeft + frames);
        right.insert(right.end(), fromRight, fromRight + frames);
    }
};

// Chords on several channels, drums, a program change and a controller halfway: what a song sends.
std::string BusySong() {
    SmfWriter writer(0, 480);
    auto& track = writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 0).ProgramChange(0, 1, 33);
    track.ProgramChange(0, 2, 48).ControlChange(0, 2, 91, 100).ControlChange(0, 2, 93, 80);
    for (std::uint32_t beat = 0; beat < 4; ++beat) {
        const std::uint32_t at = beat * 480;
        track.Note(at, 400, 0, 60 + static_cast<int>(beat), 100).Note(at, 400, 0, 64 + static_cast<int>(beat), 90);
        track.Note(at, 470, 1, 36 + static_cast<int>(beat) * 2, 110).Note(at + 240, 120, 9, 42, 100);
        track.Note(at, 200, 9, beat % 2 == 0 ? 36 : 38, 120);
    }
    track.Note(0, 1900, 2, 67, 80).ProgramChange(960, 0, 11).ControlChange(960, 0, 10, 20);
    return writer.Bytes();
}

class RenderAhead : public ::testing::TestWithParam<Bursts> {
  protected:
    RenderAhead()
        : synth_([this](SynthOptions& options) {
              options.output = OutputKind::Automatic;
              options.audioDriver = "no-such-driver";
              options.outputIdleSeconds = 0.1;
              options.aheadSeconds = GetParam().aheadSeconds;
              options.aheadRefillSeconds = GetParam().refillSeconds;
              options.onRenderedForTesting = [this](const float* left, const float* right, int frames) {
                  blocks_.Add(left, right, frames);
                  heard_.Add(left, right, frames);
              };
          }) {
        // Notices are handled on the test's thread, in DrainUntil.
        synth_.Device().SetNotifyHandler([this] { endsAt_.push_back(blocks_.Frames()); });
    }

    void SetUp() override {
        ASSERT_TRUE(synth_.Engine().WaitUntilLoaded());
        ASSERT_EQ(synth_.Engine().Report().outputName, "silent");
        ASSERT_TRUE(WaitFor([this] { return !synth_.Engine().OutputRunning(); }));
    }

    bool WaitFor(const std::function<bool()>& condition) {
        return testing::DrainUntil(synth_.Ui(), condition);
    }
    long Frames() { return blocks_.Frames(); }
    std::size_t Blocks() { return blocks_.Count(); }
    double PeakFrom(std::size_t first) { return blocks_.PeakFrom(first); }
    const std::vector<long>& Ends() const { return endsAt_; }
    long Ahead() { return synth_.Engine().FramesAhead(); }
    long Block() { return synth_.Engine().Options().periodFrames; }
    // Enough sound waiting rendered that a command has it to act on; as much as the setting lets wait
    // in a run of two seconds.
    long Waiting() { return synth_.Seconds(std::min(1.0, GetParam().aheadSeconds / 2)); }

    RenderedBlocks blocks_;  // outlive the synthesizer, whose output fills them
    SoundRecord heard_;
    VirtualSynth synth_;
    TempDir dir_;
    std::vector<long> endsAt_;
};

TEST_P(RenderAhead, TheSongWaitsRenderedAndItsEndIsToldWhenItsLastFrameIsTaken) {
    const double seconds = 2.0;
    synth_.OpenSong(dir_, "SONG.MID", HeldNoteSong(seconds));
    const long start = Frames();
    synth_.Device().Play();
    long mostAhead = 0;
    ASSERT_TRUE(WaitFor([&] {
        mostAhead = std::max(mostAhead, Ahead());
        return !Ends().empty();
    }));
    EXPECT_GE(mostAhead, Waiting()) << "the song was rendered before it was heard";
    EXPECT_EQ(synth_.Device().Mode(), DeviceMode::Stopped);
    const long heard = Ends()[0] - start;
    EXPECT_GE(heard, synth_.Seconds(seconds));
    EXPECT_LE(heard, synth_.Seconds(seconds) + Block());
}

TEST_P(RenderAhead, VolumePauseAndStopAreHeardAtOnceAndTheSongLosesNothing) {
    const double seconds = 4.0;
    synth_.OpenSong(dir_, "SONG.MID", HeldNoteSong(seconds));
    const long start = Frames();
    synth_.Device().Play();
    ASSERT_TRUE(WaitFor([&] { return Frames() - start >= synth_.Seconds(0.3) && Ahead() >= Waiting(); }));

    // The volume applies to the next block taken, not to the sound rendered after what waits.
    synth_.Engine().SetVolume(0);
    std::size_t first = Blocks() + 1;  // a block may have been on its way
    ASSERT_TRUE(WaitFor([&] { return Blocks() >= first + 2; }));
    EXPECT_LT(PeakFrom(first), kAudible);
    synth_.Engine().SetVolume(0xFFFFFFFFu);
    first = Blocks() + 1;
    ASSERT_TRUE(WaitFor([&] { return Blocks() >= first + 1; }));
    EXPECT_GT(PeakFrom(first), kAudible);

    // A pause takes nothing more and keeps what waits for the resume.
    synth_.Device().Pause();
    const long waiting = Ahead();
    const long beforePause = Frames();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Frames(), beforePause);
    EXPECT_EQ(Ahead(), waiting);
    synth_.Device().Pause();
    ASSERT_TRUE(WaitFor([&] { return Frames() >= beforePause + synth_.Seconds(0.3); }));

    // A stop drops what waits and leaves the song where it was heard: played on, it ends after the
    // rest, neither cut short by what was dropped nor longer.
    synth_.Device().Stop();
    const long heard = Frames() - start;
    EXPECT_EQ(Ahead(), 0);
    const double heardSeconds = static_cast<double>(heard) / synth_.Engine().SampleRate();
    EXPECT_NEAR(synth_.Engine().CurrentTick(), heardSeconds * 960, 960 * 0.01);
    ASSERT_TRUE(WaitFor([this] { return !synth_.Engine().OutputRunning(); }));
    const long again = Frames();
    synth_.Device().Play();
    ASSERT_TRUE(WaitFor([&] { return Ends().size() >= 3; }));  // pause, stop, end
    const long rest = Ends()[2] - again;
    EXPECT_GE(heard + rest, synth_.Seconds(seconds));
    EXPECT_LE(heard + rest, synth_.Seconds(seconds) + Block());
}

// The song rendered ahead in runs, while the output takes it at its pace, sounds sample for sample as
// the same song rendered block by block as it is asked for: neither the runs nor the handing over of
// the lock between them moves an event or a sample.
TEST_P(RenderAhead, RenderedAheadTheSongSoundsAsRenderedWhenAskedFor) {
    const std::string song = BusySong();
    synth_.OpenSong(dir_, "SONG.MID", song);
    // The reverb and the chorus are modulated: what they add depends on every frame the synthesizer
    // has rendered, the silence the output took before the song included. The synthesizer rendering
    // when asked renders as much silence first.
    const long before = Frames();
    synth_.Device().Play();
    ASSERT_TRUE(WaitFor([&] { return !Ends().empty(); }));
    // Up to the song's end: what follows (notes ringing out, then cut as the output rests) depends on
    // when the end's notice is handled.
    const long compared = synth_.Seconds(1.9);
    ASSERT_GE(Ends()[0] - before, compared);

    VirtualSynth asked;
    ASSERT_TRUE(asked.Engine().WaitUntilLoaded());
    TempDir otherDir;
    asked.OpenSong(otherDir, "SONG.MID", song);
    asked.Render(before);
    asked.Device().Play();
    const Stereo expected = asked.Render(compared);

    std::lock_guard lock(heard_.mutex);
    ASSERT_GE(static_cast<long>(heard_.left.size()), before + compared);
    long differing = 0;
    for (long i = 0; i < compared; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const auto heardAt = static_cast<std::size_t>(before + i);
        if (heard_.left[heardAt] != expected.left[at] || heard_.right[heardAt] != expected.right[at])
            ++differing;
    }
    EXPECT_GT(Stereo::Peak(expected.left), kAudible);
    EXPECT_EQ(differing, 0) << "frames that differ of " << compared;
}

// The status line as the jukebox writes it, with the frame the output had taken when each text came.
struct TimedStatus : StatusView {
    explicit TimedStatus(RenderedBlocks& blocks) : blocks(blocks) {}
    void ShowStatus(const std::string& text, StatusKind) override {
        shown.emplace_back(text, blocks.Frames());
    }
    long ShownAt(const std::string& text) const {
        for (const auto& [said, frame] : shown) {
            if (said == text)
                return frame;
        }
        return -1;
    }
    RenderedBlocks& blocks;
    std::vector<std::pair<std::string, long>> shown;
};

// Next while seconds of a song wait rendered: none of them is heard, and the next song plays from its
// start at once, on time to its end.
TEST_P(RenderAhead, NextDropsWhatWaitsOfTheSongBeforeAndTheNextPlaysOnTime) {
    SmfWriter beta(0, 480);  // a second of silence, then a second of organ
    beta.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 16).Note(960, 960, 0, 60, 100);
    dir_.Write("KORVA.DT0", "Alpha\t" + dir_.Write("A.MID", HeldNoteSong(4.0)) + "\t+0\t1\r\nBeta\t" +
                                dir_.Write("B.MID", beta.Bytes()) + "\t+0\t1\r\n");
    TimedStatus status(blocks_);
    SynthJukebox rig(synth_.Engine(), synth_.Device(), dir_.Folder(), 0, &status);
    rig.jukebox.Play();
    ASSERT_TRUE(WaitFor([&] {
        return status.ShownAt("Alpha") >= 0 && Frames() - status.ShownAt("Alpha") >= synth_.Seconds(0.3) &&
               Ahead() >= Waiting();
    }));
    ASSERT_GT(PeakFrom(Blocks() - 1), kAudible);
    const long next = Frames();
    rig.jukebox.Next();
    ASSERT_TRUE(WaitFor([&] { return !rig.deck.playLit; }));
    const long ended = Frames();
    EXPECT_TRUE(rig.messages.shown.empty());

    const long betaAt = status.ShownAt("Beta");
    ASSERT_GE(betaAt, next);
    // A block may have been on its way to the output when Next came.
    const double quiet = blocks_.PeakBetween(next + Block(), betaAt + synth_.Seconds(0.9));
    EXPECT_GE(quiet, 0.0);
    EXPECT_LT(quiet, kAudible) << "what was rendered of Alpha, or Beta's rest, was heard";
    EXPECT_GT(blocks_.PeakBetween(betaAt + synth_.Seconds(1.0) + Block(), betaAt + synth_.Seconds(1.9)),
              kAudible);
    EXPECT_GE(ended - betaAt, synth_.Seconds(2.0));
    EXPECT_LE(ended - betaAt, synth_.Seconds(2.0) + 3 * Block());
}

INSTANTIATE_TEST_SUITE_P(Bursts, RenderAhead, ::testing::ValuesIn(kBursts),
                         [](const ::testing::TestParamInfo<Bursts>& bursts) { return std::string(bursts.param.name); });

}  // namespace
}  // namespace korva

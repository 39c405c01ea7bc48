// The real synthesizer playing through a private PulseAudio server that goes away mid-song, killed
// or frozen: the song goes on silently from where it was and ends on time, the status-line notice
// comes once, and once the server is back the next song plays through it again. A server that stays
// frozen never holds up a Play, nor the closing of an idle stream. Runs where pulseaudio is
// installed; says so and skips elsewhere.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "SynthTestSupport.h"
#include "support/PrivateSoundServer.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using namespace std::chrono_literals;
using testing::FindOnPath;
using testing::HeldNoteSong;
using testing::PrivateSoundServer;
using testing::TempDir;
using testing::VirtualSynth;
using SteadyClock = std::chrono::steady_clock;

enum class Loss { Killed, Frozen };
void PrintTo(Loss loss, std::ostream* out) {
    *out << (loss == Loss::Killed ? "killed" : "frozen");
}

class SoundServerLoss : public ::testing::TestWithParam<Loss> {
  protected:
    void SetUp() override {
        const auto program = FindOnPath("pulseaudio");
        if (!program)
            GTEST_SKIP() << "pulseaudio is not installed: the loss of a sound server is not tried";
        server_.emplace(*program, serverDir_.Path());
        std::string problem;
        if (!server_->Start(problem))
            GTEST_SKIP() << "pulseaudio does not start here: " << problem;
        synth_.emplace([this](SynthOptions& options) {
            options.output = OutputKind::Automatic;
            options.audioDriver = "pulseaudio";
            options.fluidSettings = {{"audio.pulseaudio.server", server_->Address()}};
            options.onOutputLost = [this](const std::string& notice) { notices_.push_back(notice); };
            options.onRenderedForTesting = [this](const float*, const float*, int frames) {
                std::lock_guard lock(mutex_);
                rendered_ += frames;
            };
        });
        synth_->Device().SetNotifyHandler([this] {
            std::lock_guard lock(mutex_);
            endsAt_.push_back({rendered_, SteadyClock::now()});
        });
        ASSERT_TRUE(synth_->Engine().WaitUntilLoaded());
        ASSERT_EQ(synth_->Engine().Report().outputName, "pulseaudio");
    }

    long Rendered() {
        std::lock_guard lock(mutex_);
        return rendered_;
    }
    std::size_t Ends() {
        std::lock_guard lock(mutex_);
        return endsAt_.size();
    }

    // Waits, handling posted work like the user-interface thread, until the condition holds; false
    // after half a minute, which only a hang takes.
    bool WaitFor(const std::function<bool()>& condition) {
        return testing::DrainUntil(synth_->Ui(), condition, 30s);
    }

    struct End {
        long frames;
        SteadyClock::time_point when;
    };

    TempDir serverDir_;
    TempDir songs_;
    std::optional<PrivateSoundServer> server_;
    std::optional<VirtualSynth> synth_;
    std::mutex mutex_;
    long rendered_ = 0;
    std::vector<End> endsAt_;
    std::vector<std::string> notices_;
};

TEST_P(SoundServerLoss, SongGoesOnSilentlyAndEndsOnTimeThenTheNextPlaysThroughTheServerAgain) {
    const double seconds = 3.0;
    synth_->OpenSong(songs_, "FIRST.MID", HeldNoteSong(seconds));
    const long start = Rendered();
    synth_->Device().Play();
    ASSERT_TRUE(WaitFor([&] { return Rendered() - start >= synth_->Seconds(1.0); }));
    const long atLoss = Rendered() - start;
    const auto lost = SteadyClock::now();
    if (GetParam() == Loss::Killed)
        server_->Kill();
    else
        server_->Freeze();

    ASSERT_TRUE(WaitFor([&] { return Ends() == 1; })) << "the song never ended";
    const End end = endsAt_[0];
    EXPECT_EQ(synth_->Device().Mode(), DeviceMode::Stopped);
    EXPECT_EQ(synth_->Engine().Report().outputName, "silent");
    EXPECT_EQ(notices_, std::vector<std::string>{Sjis(".. 音声出力が途切れました（無音で演奏を続けます）")});
    // The song kept its place: it was rendered once, whole, neither started again nor cut short.
    const long block = synth_->Engine().Options().periodFrames;
    EXPECT_NEAR(static_cast<double>(end.frames - start), static_cast<double>(synth_->Seconds(seconds)),
                3.0 * block);
    // The silent output keeps time with the wall clock and makes up the second or so it took to see
    // the server gone, so the rest of the song takes as long as it would have taken with sound:
    // neither raced through nor that second late.
    const double rest = seconds - static_cast<double>(atLoss) / synth_->Engine().SampleRate();
    const double took = std::chrono::duration<double>(end.when - lost).count();
    EXPECT_NEAR(took, rest, 0.4);

    // The server comes back; the next song, started at once, plays through it.
    if (GetParam() == Loss::Frozen)
        server_->Thaw();
    server_->Kill();
    std::string problem;
    ASSERT_TRUE(server_->Start(problem)) << problem;
    synth_->OpenSong(songs_, "SECOND.MID", HeldNoteSong(1.0));
    const long second = Rendered();
    synth_->Device().Play();
    EXPECT_EQ(synth_->Engine().Report().outputName, "pulseaudio");
    EXPECT_EQ(synth_->Engine().Report().outputNotice, "");
    ASSERT_TRUE(WaitFor([&] { return Ends() == 2; })) << "the second song never ended";
    EXPECT_NEAR(static_cast<double>(endsAt_[1].frames - second), static_cast<double>(synth_->Seconds(1.0)),
                3.0 * block);
    EXPECT_EQ(synth_->Engine().Report().outputName, "pulseaudio") << "it did not stall on the new server";
    EXPECT_EQ(notices_.size(), 1u);
}

// The server freezes once a song has ended and stays frozen: the stream that closes when the player
// has stood idle cannot be closed in the server, and a new one cannot be opened. Neither is waited
// for beyond a few seconds; the next songs play silently, each Play returns, and the server is not
// asked again at every Play.
using FrozenSoundServer = SoundServerLoss;
TEST_P(FrozenSoundServer, NeverHoldsUpPlay) {
    synth_->OpenSong(songs_, "FIRST.MID", HeldNoteSong(0.5));
    synth_->Device().Play();
    ASSERT_TRUE(WaitFor([&] { return Ends() == 1; }));
    server_->Freeze();
    std::this_thread::sleep_for(3s);  // past the idle limit: the stream is being closed

    for (const char* name : {"SECOND.MID", "THIRD.MID"}) {
        const std::size_t ended = Ends();
        synth_->OpenSong(songs_, name, HeldNoteSong(0.5));
        auto play = std::async(std::launch::async, [&] { synth_->Device().Play(); });
        if (play.wait_for(30s) != std::future_status::ready) {
            server_->Thaw();  // lets the hung call return, so that the test can end
            play.wait();
            FAIL() << "Play waited for a frozen sound server";
        }
        ASSERT_TRUE(WaitFor([&] { return Ends() == ended + 1; })) << name << " never ended";
        EXPECT_EQ(synth_->Engine().Report().outputName, "silent");
    }
    server_->Thaw();
}

INSTANTIATE_TEST_SUITE_P(Server, SoundServerLoss, ::testing::Values(Loss::Killed, Loss::Frozen),
                         [](const ::testing::TestParamInfo<Loss>& paramInfo) {
                             return std::string(paramInfo.param == Loss::Killed ? "Killed" : "Frozen");
                         });

INSTANTIATE_TEST_SUITE_P(Server, FrozenSoundServer, ::testing::Values(Loss::Frozen),
                         [](const ::testing::TestParamInfo<Loss>&) { return std::string("Frozen"); });

}  // namespace
}  // namespace korva

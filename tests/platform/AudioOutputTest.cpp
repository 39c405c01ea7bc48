#include "platform/AudioOutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace korva {
namespace {

// Stays shut until opened; opening it again does nothing.
class Gate {
  public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// Holds the driver's first call inside the renderer until released.
class HeldRenderer final : public BlockRenderer {
  public:
    void RenderBlock(float* /*left*/, float* /*right*/, int /*frames*/) override {
        if (first_.exchange(false)) {
            inside = true;
            entered.Open();
            release.Wait();
            inside = false;
        }
        ++calls;
    }

    std::atomic<bool> inside{false};
    std::atomic<int> calls{0};
    Gate entered;
    Gate release;

  private:
    std::atomic<bool> first_{true};
};

std::shared_ptr<fluid_settings_t> NullAlsaSettings() {
    std::shared_ptr<fluid_settings_t> settings(new_fluid_settings(), delete_fluid_settings);
    fluid_settings_setstr(settings.get(), "audio.alsa.device", "null");
    return settings;
}

// A driver's thread can call for sound before its opening has answered. When the opening is given
// up just then, the output waits for that call before it says the driver failed: whoever goes on
// with another output must not have this one render beside it.
TEST(DriverOutput, OpeningGivenUpDuringACallWaitsForThatCall) {
    {
        HeldRenderer probe;
        probe.release.Open();
        std::string failure;
        if (!DriverOutput::Open(NullAlsaSettings(), "alsa", probe, failure))
            GTEST_SKIP() << "ALSA's null device cannot be opened here: " << failure;
    }
    // The renderer goes with the opening thread, which outlives the test.
    auto renderer = std::make_shared<HeldRenderer>();
    auto holdOpening = std::make_shared<Gate>();
    DriverSeamsForTesting seams;
    seams.driverMade = [renderer, holdOpening] { holdOpening->Wait(); };
    seams.beforeWaiting = [renderer] { renderer->entered.Wait(); };  // the call is under way
    seams.answerLimit = std::chrono::milliseconds(0);
    seams.callUnderWay = [renderer] { renderer->release.Open(); };
    SetDriverSeamsForTesting(seams);

    std::string failure;
    bool answered = true;
    const auto output = DriverOutput::Open(NullAlsaSettings(), "alsa", *renderer, failure, &answered);
    const bool insideWhenGivenUp = renderer->inside;
    const int callsWhenGivenUp = renderer->calls;

    SetDriverSeamsForTesting({});
    renderer->release.Open();
    holdOpening->Open();
    EXPECT_EQ(output, nullptr);
    EXPECT_FALSE(answered);
    EXPECT_EQ(failure, "did not answer");
    EXPECT_FALSE(insideWhenGivenUp) << "the output was given up while its driver was rendering";
    EXPECT_EQ(callsWhenGivenUp, 1);
}

}  // namespace
}  // namespace korva

#pragma once
// Where the synthesizer's sound goes: an audio driver of FluidSynth that calls back for each period,
// or, when no driver opens, a silent output that keeps time by the wall clock so that songs still
// end when they should and the jukebox goes on. Either can be suspended while nothing plays, so
// that an idle jukebox neither renders nor keeps a sound stream (or a timer) running.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/FluidHandles.h"

namespace korva {

// Renders the next frames of stereo sound into two buffers. Called from the output's own thread.
class BlockRenderer {
  public:
    virtual ~BlockRenderer() = default;
    virtual void RenderBlock(float* left, float* right, int frames) = 0;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // Ends the stream; once this returns the renderer is called no more until Resume. Never called
    // from the output's own thread nor while the renderer's lock is held.
    virtual void Suspend() = 0;
    // Starts the stream again (a no-op while it runs); false when it cannot be opened any more.
    virtual bool Resume() = 0;
    // True when the last Resume gave up on a stream that did not answer in time.
    virtual bool TimedOut() const { return false; }
    // From now on the renderer is called no more: a call under way is waited for, the stream's thread
    // (which a hanging server may hold) is not. Never called while the renderer's lock is held.
    virtual void Disconnect() {}
};

// Lets go of an output whose stream has stopped taking sound: it is disconnected at once and closed
// on a thread of its own, because closing waits for the stream's thread, which may be stuck in a
// sound server that hangs.
void AbandonOutput(std::unique_ptr<AudioOutput> output);

// A driver's stream is opened and closed by threads of their own, waited for at most
// kDriverAnswerLimit: a sound server that hangs (stopped, or stuck) keeps those threads, never the
// caller, which is the user-interface thread when Play opens the stream.
inline constexpr std::chrono::seconds kDriverAnswerLimit{3};

// Seams that let a test hold the threads of a driver's opening where they meet.
struct DriverSeamsForTesting {
    // On the opening thread, once the driver has been made, before it answers.
    std::function<void()> driverMade;
    // On the caller's thread, before it waits for the answer.
    std::function<void()> beforeWaiting;
    // How long the caller waits; kDriverAnswerLimit when not set.
    std::optional<std::chrono::milliseconds> answerLimit;
    // When a stream is cut off while a call of the renderer is under way, before it is waited for.
    std::function<void()> callUnderWay;
};
void SetDriverSeamsForTesting(DriverSeamsForTesting seams);

class DriverOutput final : public AudioOutput {
  public:
    // Opens the named driver (settings "audio.driver"); nullptr with a reason in failure otherwise.
    // answered tells whether the driver answered at all (false: it was given up after the limit).
    static std::unique_ptr<DriverOutput> Open(std::shared_ptr<fluid_settings_t> settings,
                                              const std::string& driver, BlockRenderer& renderer,
                                              std::string& failure, bool* answered = nullptr);
    ~DriverOutput() override;
    DriverOutput(const DriverOutput&) = delete;
    DriverOutput& operator=(const DriverOutput&) = delete;

    // Closes the driver, and its sound stream, and opens it afresh with the same settings. Resume
    // is false when the driver fails or does not answer in time (TimedOut tells which).
    void Suspend() override;
    bool Resume() override;
    void Disconnect() override;
    bool TimedOut() const override { return timedOut_; }

    struct Stream;  // one opened driver; defined with the code

  private:
    DriverOutput(std::shared_ptr<fluid_settings_t> settings, BlockRenderer& renderer)
        : settings_(std::move(settings)), renderer_(renderer) {}
    static int Callback(void* data, int frames, int fxCount, float* fx[], int outCount, float* out[]);

    std::shared_ptr<fluid_settings_t> settings_;  // shared with a thread still opening a stream
    BlockRenderer& renderer_;
    std::shared_ptr<Stream> stream_;  // the open stream, if any
    bool timedOut_ = false;
};

class SilentOutput final : public AudioOutput {
  public:
    // behind: how far the sound is behind the wall clock when the output starts (the time a lost
    // output took no sound); that much is rendered at once, so that a song still ends on time.
    SilentOutput(BlockRenderer& renderer, double sampleRate, int periodFrames,
                 std::chrono::steady_clock::duration behind = {});
    ~SilentOutput() override;
    SilentOutput(const SilentOutput&) = delete;
    SilentOutput& operator=(const SilentOutput&) = delete;

    // While suspended the thread sleeps without a timeout; resuming starts the clock from now.
    void Suspend() override;
    bool Resume() override;

  private:
    void Run(double sampleRate, int periodFrames, std::chrono::steady_clock::duration behind);

    BlockRenderer& renderer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool suspended_ = false;
    bool parked_ = false;  // the thread has seen suspended_ and renders no more
    std::thread thread_;
};

}  // namespace korva

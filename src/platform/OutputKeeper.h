#pragma once
// Where the engine's sound goes, kept going: the configured audio driver, else the first that
// opens, else a silent output paced by the wall clock, so that songs still end when they should and
// the jukebox goes on (the status line says so).
//
// A sound server can go away under a running output (restarted, killed): the driver's thread then
// stops calling back, without a word. The keeper's thread watches a running driver, and when it has
// taken no sound for a while it lets the driver go and goes on with a silent output, which first
// makes up the time lost, so the song in progress keeps its place and ends on time. The next Play
// tries that driver again and goes back to it once it opens.
//
// Nothing is rendered while nothing plays: once a play has ended (or paused) and the output has gone
// on for a short while, so that the last notes ring out and the next song of a run starts on an open
// stream, the keeper suspends the output; Play resumes it before it returns.
//
// What the keeper knows is guarded by the engine's lock; suspending and resuming the output take
// turns under a mutex of its own (Turn), which is taken before the engine's lock.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/AudioOutput.h"
#include "platform/FluidHandles.h"
#include "platform/RenderLock.h"
#include "platform/SynthOptions.h"

namespace korva {

class OutputKeeper {
  public:
    // mayRestLocked is asked, with the lock held, before an idle output is suspended: false while a
    // song plays; otherwise it silences whatever must not sound again when the output resumes.
    OutputKeeper(const SynthOptions& options, RenderLock& lock, BlockRenderer& renderer,
                 std::function<bool()> mayRestLocked);
    ~OutputKeeper();
    OutputKeeper(const OutputKeeper&) = delete;
    OutputKeeper& operator=(const OutputKeeper&) = delete;

    // Opens the output (none for a virtual one) on the synth's settings; the lock not held.
    void Open(std::shared_ptr<fluid_settings_t> settings, double sampleRate);
    bool HasOutput() const { return output_ != nullptr; }
    // Starts the keeper's thread, when there is an output to keep.
    void Start();
    // Ends the keeper's thread, then lets the output go; the lock not held.
    void Quit();
    void Close();

    // The output's turn: held by whoever starts, suspends or resumes it.
    std::unique_lock<std::mutex> Turn() { return std::unique_lock(turn_); }

    // The lock held, at the start of each call for sound.
    void CalledLocked(int frames, bool playing);
    // The lock held, at its end: a long block is no stalled output.
    void CallEndedLocked() { lastCallback_ = SteadyClock::now(); }
    // The lock and the turn held: a play has started. True when the output must be resumed (by
    // Resume, with the turn held and the lock not).
    bool PlayStartedLocked();
    void Resume();

    bool RunningLocked() const { return outputRunning_; }
    // Fills the report's output part.
    void ReportLocked(SynthReport& report) const;

  private:
    using SteadyClock = std::chrono::steady_clock;
    void Keep();
    void SuspendIdle();
    bool WatchingDriverLocked() const { return outputRunning_ && outputIsDriver_; }
    bool StalledLocked(SteadyClock::duration stallLimit) const;
    void ReplaceStalledDriver(SteadyClock::duration stallLimit);
    void GoOnSilently(SteadyClock::duration behind, const std::string& notice);
    bool ReopenLostDriver();

    const SynthOptions& options_;
    RenderLock& lock_;
    BlockRenderer& renderer_;
    const std::function<bool()> mayRestLocked_;
    std::shared_ptr<fluid_settings_t> settings_;
    double sampleRate_ = 44100.0;

    std::string name_;    // the audio driver in use, "silent" or "virtual"
    std::string notice_;  // Shift-JIS status-line notice when nothing can be heard, else empty

    std::mutex turn_;
    std::unique_ptr<AudioOutput> output_;        // replaced only with the turn held
    std::string lostDriver_;                     // the driver to try again at the next Play; the turn
    SteadyClock::time_point lostDriverRetry_{};  // not before this, after it did not answer; the turn
    static constexpr std::chrono::seconds kUnansweredRetry{30};
    bool outputRunning_ = false;
    bool outputIsDriver_ = false;
    SteadyClock::time_point lastCallback_;  // the output's last call for sound
    long callbacksSinceStart_ = 0;          // since the output was opened or resumed
    long idleFrames_ = 0;                   // rendered since the play ended
    long idleLimitFrames_ = 0;
    bool suspendRequested_ = false;
    bool quitting_ = false;
    std::condition_variable_any wake_;
    std::thread keeper_;
};

}  // namespace korva

#pragma once
// The process's one FluidSynth synth and its SoundFont: the settings are made at once (an output
// can open on them before anything is loaded), the synth and its SoundFont on a thread of their
// own, so that the windows appear at once. Songs and reset files never reload it.
//
// The synth is handed over under the engine's lock, which guards every use of it from then on:
// Get() and what the synth part tells are asked with that lock held.

#include <condition_variable>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/FluidHandles.h"
#include "platform/RenderLock.h"
#include "platform/SynthOptions.h"

namespace korva {

// FluidSynth reports its failures through a log, from whichever thread meets them; the last
// warning or error is kept, so that a failure can be told with its reason, and the library writes
// nothing to the terminal.
void ClearFluidMessage();
std::string LastFluidMessage();

class SoundFontSynth {
  public:
    SoundFontSynth(const SynthOptions& options, RenderLock& lock);
    ~SoundFontSynth();
    SoundFontSynth(const SoundFontSynth&) = delete;
    SoundFontSynth& operator=(const SoundFontSynth&) = delete;

    // Loads on a thread of its own. Once loading has ended, endedLocked is called there with the
    // lock held, the synth in place when it loaded; then, with the lock released, afterEnded. Only
    // then does loading count as ended (WaitUntilLoaded returns).
    void StartLoading(std::function<void(bool loaded)> endedLocked, std::function<void()> afterEnded);
    // Waits for the loading thread; called before the synth's users go away.
    void JoinLoading();
    // Blocks until loading has ended; true when the SoundFont is loaded.
    bool WaitUntilLoaded();

    // Made before the loading starts and never replaced; shared with a driver still being opened.
    const std::shared_ptr<fluid_settings_t>& Settings() const { return settings_; }
    // The settings' sample rate; the lock held.
    double SampleRateLocked() const;

    // The lock held: the synth once loaded, else nullptr.
    fluid_synth_t* Get() const { return synth_.get(); }
    // The lock held: loading has ended without a synth, so a Play never waits for nothing.
    bool FailedLocked() const { return failed_; }
    // The lock held: the synth's frames a second, once it is made.
    double FramesPerSecondLocked() const { return framesPerSecond_; }
    // The lock held: fills the report's SoundFont part.
    void ReportLocked(SynthReport& report) const;

    // The lock held: lets the synth and the settings go (nothing renders any more).
    void ReleaseLocked();

  private:
    void Load(const std::function<void(bool)>& endedLocked, const std::function<void()>& afterEnded);
    std::string CreateSettings(FluidSettingsPtr& settings) const;
    std::string CreateSynth(FluidSynthPtr& synth) const;

    const SynthOptions& options_;
    RenderLock& lock_;
    std::shared_ptr<fluid_settings_t> settings_;
    std::string settingsProblem_;
    FluidSynthPtr synth_;
    double framesPerSecond_ = 44100.0;
    bool failed_ = false;  // set together with synth_
    bool loaded_ = false;
    std::string message_;  // Shift-JIS; names the path and the setting when not loaded
    bool loadingEnded_ = false;
    std::condition_variable_any loadingEndedCondition_;
    std::thread loader_;
};

}  // namespace korva

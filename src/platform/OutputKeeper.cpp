#include "platform/OutputKeeper.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "platform/SoundFontSynth.h"
#include "platform/SynthSettings.h"
#include "text/Encoding.h"

namespace korva {

OutputKeeper::OutputKeeper(const SynthOptions& options, RenderLock& lock, BlockRenderer& renderer,
                           std::function<bool()> mayRestLocked)
    : options_(options), lock_(lock), renderer_(renderer), mayRestLocked_(std::move(mayRestLocked)) {}

OutputKeeper::~OutputKeeper() {
    Quit();
    output_.reset();
}

void OutputKeeper::Start() {
    if (output_)
        keeper_ = std::thread([this] { Keep(); });
}

void OutputKeeper::Quit() {
    {
        std::lock_guard lock(lock_);
        quitting_ = true;
    }
    wake_.notify_all();
    if (keeper_.joinable())
        keeper_.join();
}

void OutputKeeper::Close() {
    output_.reset();
}

void OutputKeeper::CalledLocked(int frames, bool playing) {
    lastCallback_ = SteadyClock::now();
    ++callbacksSinceStart_;
    if (!playing) {
        idleFrames_ += frames;
        if (outputRunning_ && !suspendRequested_ && idleFrames_ >= idleLimitFrames_) {
            suspendRequested_ = true;
            wake_.notify_one();
        }
    }
}

bool OutputKeeper::PlayStartedLocked() {
    idleFrames_ = 0;
    suspendRequested_ = false;
    // While a lost driver is being stood in for, every play tries it again.
    return output_ && (!outputRunning_ || !lostDriver_.empty());
}

void OutputKeeper::ReportLocked(SynthReport& report) const {
    report.outputName = name_;
    report.outputNotice = notice_;
}

void OutputKeeper::Open(std::shared_ptr<fluid_settings_t> settings, double sampleRate) {
    settings_ = std::move(settings);
    sampleRate_ = sampleRate;
    idleLimitFrames_ = std::lround(std::max(0.0, options_.outputIdleSeconds) * sampleRate);
    if (options_.output == OutputKind::Virtual) {
        std::lock_guard lock(lock_);
        name_ = "virtual";
        return;
    }
    std::string failures;
    for (const auto& driver :
         settings_ ? AudioDriverCandidates(options_.audioDriver) : std::vector<std::string>{}) {
        std::string failure;
        ClearFluidMessage();
        if (auto output = DriverOutput::Open(settings_, driver, renderer_, failure)) {
            output_ = std::move(output);
            std::lock_guard lock(lock_);
            name_ = driver;
            outputRunning_ = true;
            outputIsDriver_ = true;
            lastCallback_ = SteadyClock::now();
            callbacksSinceStart_ = 0;
            return;
        }
        const std::string reason = LastFluidMessage();
        failures += driver + ": " + (reason.empty() ? failure : reason) + "; ";
    }
    std::cerr << "korva: no audio output opened (" << failures << "playing silently)\n";
    output_ = std::make_unique<SilentOutput>(renderer_, sampleRate_, options_.periodFrames);
    std::lock_guard lock(lock_);
    name_ = "silent";
    notice_ = Sjis(".. 音声出力を開けません（無音で演奏します）");
    outputRunning_ = true;
}

void OutputKeeper::Keep() {
    const auto stallLimit = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(std::max(0.05, options_.outputStallSeconds)));
    std::unique_lock lock(lock_);
    for (;;) {
        // A running driver is looked at a few times within the stall limit; otherwise the keeper
        // sleeps until it is needed.
        const bool watching = WatchingDriverLocked();
        const auto needed = [this, watching] {
            return suspendRequested_ || quitting_ || WatchingDriverLocked() != watching;
        };
        if (watching)
            wake_.wait_for(lock, stallLimit / 4, needed);
        else
            wake_.wait(lock, needed);
        if (quitting_)
            return;
        const bool stalled = StalledLocked(stallLimit);
        if (!stalled && !suspendRequested_)
            continue;
        lock.unlock();
        {
            // A Play that comes meanwhile waits here, then finds the output it needs.
            std::lock_guard outputLock(turn_);
            if (stalled)
                ReplaceStalledDriver(stallLimit);
            else
                SuspendIdle();
        }
        lock.lock();
    }
}

bool OutputKeeper::StalledLocked(SteadyClock::duration stallLimit) const {
    // A new stream may wait a while before the server asks for more than its first periods (up to
    // two seconds with PulseAudio's null sink), which is no loss: a stream counts as flowing after a
    // few calls for sound.
    constexpr long kFlowingCallbacks = 8;
    constexpr auto kStartingLimit = std::chrono::seconds(5);
    const auto limit = callbacksSinceStart_ >= kFlowingCallbacks
                           ? stallLimit
                           : std::max<SteadyClock::duration>(stallLimit, kStartingLimit);
    return WatchingDriverLocked() && SteadyClock::now() - lastCallback_ >= limit;
}

void OutputKeeper::SuspendIdle() {
    bool suspend = false;
    {
        std::lock_guard lock(lock_);
        suspend = suspendRequested_ && outputRunning_ && mayRestLocked_();
        suspendRequested_ = false;
    }
    if (!suspend)
        return;
    // The output counts as running until it has stopped: a period already asked for may still be
    // rendered while the driver closes.
    output_->Suspend();
    std::lock_guard lock(lock_);
    outputRunning_ = false;
}

void OutputKeeper::ReplaceStalledDriver(SteadyClock::duration stallLimit) {
    SteadyClock::duration behind{};
    {
        std::lock_guard lock(lock_);
        if (!StalledLocked(stallLimit))
            return;  // it was suspended, or called back, meanwhile
        behind = SteadyClock::now() - lastCallback_;
        lostDriver_ = name_;
    }
    std::cerr << "korva: the " << lostDriver_ << " audio output stopped taking sound (playing silently)\n";
    AbandonOutput(std::move(output_));
    // Beyond a few seconds the gap is no stall of a running song: do not race through it.
    GoOnSilently(std::min<SteadyClock::duration>(behind, std::chrono::seconds(5)),
                 Sjis(".. 音声出力が途切れました（無音で演奏を続けます）"));
}

void OutputKeeper::GoOnSilently(SteadyClock::duration behind, const std::string& notice) {
    output_ = std::make_unique<SilentOutput>(renderer_, sampleRate_, options_.periodFrames, behind);
    {
        std::lock_guard lock(lock_);
        name_ = "silent";
        notice_ = notice;
        outputRunning_ = true;
        outputIsDriver_ = false;
    }
    if (options_.onOutputLost && options_.postToUiThread)
        options_.postToUiThread([onOutputLost = options_.onOutputLost, notice] { onOutputLost(notice); });
}

bool OutputKeeper::ReopenLostDriver() {
    // A server that did not answer at all is not asked again at every Play for a while: each ask
    // would keep the Play waiting for the whole answer limit.
    if (SteadyClock::now() < lostDriverRetry_)
        return false;
    std::string failure;
    bool answered = true;
    auto driver = DriverOutput::Open(settings_, lostDriver_, renderer_, failure, &answered);
    if (!answered)
        lostDriverRetry_ = SteadyClock::now() + kUnansweredRetry;
    if (!driver)
        return false;
    std::cerr << "korva: the " << lostDriver_ << " audio output is back\n";
    output_ = std::move(driver);  // the silent output was suspended: it renders nothing meanwhile
    {
        std::lock_guard lock(lock_);
        name_ = lostDriver_;
        notice_.clear();
        outputRunning_ = true;
        outputIsDriver_ = true;
        lastCallback_ = SteadyClock::now();
        callbacksSinceStart_ = 0;
    }
    lostDriver_.clear();
    wake_.notify_all();
    return true;
}

void OutputKeeper::Resume() {
    if (!lostDriver_.empty()) {
        bool running = false;
        {
            std::lock_guard lock(lock_);
            running = outputRunning_;
            outputRunning_ = false;
        }
        if (running)
            output_->Suspend();  // the silent output: it must not render beside the driver
        if (ReopenLostDriver())
            return;
    }
    if (output_->Resume()) {
        {
            std::lock_guard lock(lock_);
            outputRunning_ = true;
            lastCallback_ = SteadyClock::now();
            callbacksSinceStart_ = 0;
        }
        wake_.notify_all();
        return;
    }
    // The driver that opened before no longer does (the sound server went away while nothing
    // played, say): go on silently, so that the song still ends and the jukebox goes on.
    if (output_->TimedOut())
        lostDriverRetry_ = SteadyClock::now() + kUnansweredRetry;
    {
        std::lock_guard lock(lock_);
        lostDriver_ = name_;
    }
    std::cerr << "korva: the " << lostDriver_
              << " audio output could not be opened again (playing silently)\n";
    output_.reset();
    GoOnSilently({}, Sjis(".. 音声出力を開けません（無音で演奏します）"));
}

}  // namespace korva

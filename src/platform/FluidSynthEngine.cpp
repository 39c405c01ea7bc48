#include "platform/FluidSynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "platform/SynthSettings.h"
#include "text/Encoding.h"

namespace korva {

FluidSynthEngine::FluidSynthEngine(SynthOptions options)
    : options_(std::move(options)), synth_(options_, mutex_) {
    // The output opens before the SoundFont loads, so whether anything can be heard is known at once;
    // until the synth is there it renders silence.
    const double rate = SampleRate();
    idleLimitFrames_ = std::lround(std::max(0.0, options_.outputIdleSeconds) * rate);
    const auto piece = static_cast<std::size_t>(std::max(kSynthStep, options_.periodFrames));
    std::size_t aheadFrames = 0;   // 0: rendered only when the output asks
    std::size_t refillFrames = 0;  // a run of rendering ahead starts below this
    if (options_.output != OutputKind::Virtual && options_.aheadSeconds > 0) {
        aheadFrames = static_cast<std::size_t>(std::lround(options_.aheadSeconds * rate));
        refillFrames = static_cast<std::size_t>(
            std::lround(std::clamp(options_.aheadRefillSeconds, 0.0, options_.aheadSeconds) * rate));
    }
    ahead_.Configure(piece, aheadFrames, refillFrames);
    OpenOutput();
    if (output_) {
        keeper_ = std::thread([this] { KeepOutput(); });
        ahead_.Start();
    }
    synth_.StartLoading([this](bool loaded) { SoundFontLoadedLocked(loaded); },
                        [this] {
                            ahead_.Wake();  // a song waiting for the synthesizer can be rendered now
                            if (options_.onLoaded && options_.postToUiThread) {
                                options_.postToUiThread(
                                    [onLoaded = options_.onLoaded, report = Report()] { onLoaded(report); });
                            }
                        });
}

void FluidSynthEngine::SoundFontLoadedLocked(bool loaded) {
    if (loaded) {
        sink_.SetSynth(synth_.Get());
    } else if (state_ == SongState::Playing || state_ == SongState::Paused) {
        // A song waiting to play for the synthesizer will not play.
        state_ = SongState::Stopped;
        EndPlayLocked();
    }
}

FluidSynthEngine::~FluidSynthEngine() {
    synth_.JoinLoading();
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    keeperWake_.notify_all();
    if (keeper_.joinable())
        keeper_.join();
    ahead_.Quit();
    output_.reset();  // no more rendering from here on
    std::lock_guard lock(mutex_);
    playEnded_ = nullptr;
    synth_.ReleaseLocked();
}

bool FluidSynthEngine::WaitUntilLoaded() {
    return synth_.WaitUntilLoaded();
}

SynthReport FluidSynthEngine::Report() const {
    std::lock_guard lock(mutex_);
    SynthReport report = report_;
    synth_.ReportLocked(report);
    return report;
}

void FluidSynthEngine::OpenOutput() {
    if (options_.output == OutputKind::Virtual) {
        std::lock_guard lock(mutex_);
        report_.outputName = "virtual";
        return;
    }
    std::string failures;
    for (const auto& driver :
         synth_.Settings() ? AudioDriverCandidates(options_.audioDriver) : std::vector<std::string>{}) {
        std::string failure;
        ClearFluidMessage();
        if (auto output = DriverOutput::Open(synth_.Settings(), driver, *this, failure)) {
            output_ = std::move(output);
            std::lock_guard lock(mutex_);
            report_.outputName = driver;
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
    output_ = std::make_unique<SilentOutput>(*this, SampleRate(), options_.periodFrames);
    std::lock_guard lock(mutex_);
    report_.outputName = "silent";
    report_.outputNotice = Sjis(".. 音声出力を開けません（無音で演奏します）");
    outputRunning_ = true;
}

void FluidSynthEngine::KeepOutput() {
    const auto stallLimit = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(std::max(0.05, options_.outputStallSeconds)));
    std::unique_lock lock(mutex_);
    for (;;) {
        // A running driver is looked at a few times within the stall limit; otherwise the keeper
        // sleeps until it is needed.
        const bool watching = WatchingDriverLocked();
        const auto needed = [this, watching] {
            return suspendRequested_ || quitting_ || WatchingDriverLocked() != watching;
        };
        if (watching)
            keeperWake_.wait_for(lock, stallLimit / 4, needed);
        else
            keeperWake_.wait(lock, needed);
        if (quitting_)
            return;
        const bool stalled = StalledLocked(stallLimit);
        if (!stalled && !suspendRequested_)
            continue;
        lock.unlock();
        {
            // A Play that comes meanwhile waits here, then finds the output it needs.
            std::lock_guard outputLock(outputMutex_);
            if (stalled)
                ReplaceStalledDriver(stallLimit);
            else
                SuspendIdleOutput();
        }
        lock.lock();
    }
}

bool FluidSynthEngine::StalledLocked(SteadyClock::duration stallLimit) const {
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

void FluidSynthEngine::SuspendIdleOutput() {
    bool suspend = false;
    {
        std::lock_guard lock(mutex_);
        suspend = suspendRequested_ && outputRunning_ && state_ != SongState::Playing;
        suspendRequested_ = false;
        if (suspend) {
            // Notes still sounding after a stop or a song's end must not come back with the next
            // play; a pause keeps its notes for the resume.
            if (synth_.Get() && state_ != SongState::Paused)
                fluid_synth_all_sounds_off(synth_.Get(), -1);
        }
    }
    if (!suspend)
        return;
    // The output counts as running until it has stopped: a period already asked for may still be
    // rendered while the driver closes.
    output_->Suspend();
    std::lock_guard lock(mutex_);
    outputRunning_ = false;
}

void FluidSynthEngine::ReplaceStalledDriver(SteadyClock::duration stallLimit) {
    SteadyClock::duration behind{};
    {
        std::lock_guard lock(mutex_);
        if (!StalledLocked(stallLimit))
            return;  // it was suspended, or called back, meanwhile
        behind = SteadyClock::now() - lastCallback_;
        lostDriver_ = report_.outputName;
    }
    std::cerr << "korva: the " << lostDriver_ << " audio output stopped taking sound (playing silently)\n";
    AbandonOutput(std::move(output_));
    // Beyond a few seconds the gap is no stall of a running song: do not race through it.
    GoOnSilently(std::min<SteadyClock::duration>(behind, std::chrono::seconds(5)),
                 Sjis(".. 音声出力が途切れました（無音で演奏を続けます）"));
}

void FluidSynthEngine::GoOnSilently(SteadyClock::duration behind, const std::string& notice) {
    output_ = std::make_unique<SilentOutput>(*this, SampleRate(), options_.periodFrames, behind);
    {
        std::lock_guard lock(mutex_);
        report_.outputName = "silent";
        report_.outputNotice = notice;
        outputRunning_ = true;
        outputIsDriver_ = false;
    }
    if (options_.onOutputLost && options_.postToUiThread)
        options_.postToUiThread([onOutputLost = options_.onOutputLost, notice] { onOutputLost(notice); });
}

bool FluidSynthEngine::ReopenLostDriver() {
    // A server that did not answer at all is not asked again at every Play for a while: each ask
    // would keep the Play waiting for the whole answer limit.
    if (SteadyClock::now() < lostDriverRetry_)
        return false;
    std::string failure;
    bool answered = true;
    auto driver = DriverOutput::Open(synth_.Settings(), lostDriver_, *this, failure, &answered);
    if (!answered)
        lostDriverRetry_ = SteadyClock::now() + kUnansweredRetry;
    if (!driver)
        return false;
    std::cerr << "korva: the " << lostDriver_ << " audio output is back\n";
    output_ = std::move(driver);  // the silent output was suspended: it renders nothing meanwhile
    {
        std::lock_guard lock(mutex_);
        report_.outputName = lostDriver_;
        report_.outputNotice.clear();
        outputRunning_ = true;
        outputIsDriver_ = true;
        lastCallback_ = SteadyClock::now();
        callbacksSinceStart_ = 0;
    }
    lostDriver_.clear();
    keeperWake_.notify_all();
    return true;
}

void FluidSynthEngine::ResumeOutput() {
    if (!lostDriver_.empty()) {
        bool running = false;
        {
            std::lock_guard lock(mutex_);
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
            std::lock_guard lock(mutex_);
            outputRunning_ = true;
            lastCallback_ = SteadyClock::now();
            callbacksSinceStart_ = 0;
        }
        keeperWake_.notify_all();
        return;
    }
    // The driver that opened before no longer does (the sound server went away while nothing
    // played, say): go on silently, so that the song still ends and the jukebox goes on.
    if (output_->TimedOut())
        lostDriverRetry_ = SteadyClock::now() + kUnansweredRetry;
    {
        std::lock_guard lock(mutex_);
        lostDriver_ = report_.outputName;
    }
    std::cerr << "korva: the " << lostDriver_
              << " audio output could not be opened again (playing silently)\n";
    output_.reset();
    GoOnSilently({}, Sjis(".. 音声出力を開けません（無音で演奏します）"));
}

void FluidSynthEngine::WriteWarnings() {
    std::vector<std::string> warnings;
    {
        std::lock_guard lock(mutex_);
        warnings.swap(warnings_);
    }
    for (const std::string& warning : warnings) std::cerr << "korva: " << warning << "\n";
}

void FluidSynthEngine::SetPlayEndedHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    playEnded_ = std::move(handler);
}

void FluidSynthEngine::Load(std::shared_ptr<const LoadedSong> song) {
    const WarningWriter writeWarnings{*this};  // after the lock is released
    std::lock_guard lock(mutex_);
    if (state_ == SongState::Playing || state_ == SongState::Paused)
        StopPlayerLocked();
    EndPlayLocked();
    ahead_.ClearLocked();
    song_ = std::move(song);
    state_ = song_ ? SongState::Stopped : SongState::None;
    reachedEnd_ = false;
    scheduler_.SetSong(song_ ? &song_->sequence : nullptr);
    songFrames_ = 0;
}

PlayResult FluidSynthEngine::Play() {
    const WarningWriter writeWarnings{*this};  // after the locks are released
    std::lock_guard outputLock(outputMutex_);
    PlayResult result;
    bool resume = false;
    {
        std::lock_guard lock(mutex_);
        result = PlayLocked();
        if (result == PlayResult::Started) {
            idleFrames_ = 0;
            suspendRequested_ = false;
            // While a lost driver is being stood in for, every play tries it again.
            resume = output_ && (!outputRunning_ || !lostDriver_.empty());
        }
    }
    // The output takes nothing between the state change and here, except where a silent output
    // stands in for a lost driver: it may take the song's first block before the driver takes over.
    // The thread rendering ahead may already render the song's first blocks; they wait in order.
    if (result == PlayResult::Started)
        ahead_.Wake();
    if (resume)
        ResumeOutput();
    return result;
}

PlayResult FluidSynthEngine::PlayLocked() {
    EndPlayLocked();  // a play still running is superseded
    playPending_ = true;
    if (state_ == SongState::None) {
        EndPlayLocked();
        return PlayResult::NotOpen;
    }
    if (synth_.FailedLocked()) {
        EndPlayLocked();
        return PlayResult::NoSoundFont;
    }
    if (state_ == SongState::Stopped && reachedEnd_) {
        ahead_.ClearLocked();
        scheduler_.Rewind();
        songFrames_ = 0;
    }
    // Before the SoundFont is loaded the song waits in the Playing state: nothing renders until the
    // synthesizer is there.
    reachedEnd_ = false;
    state_ = SongState::Playing;
    return PlayResult::Started;
}

void FluidSynthEngine::Pause() {
    {
        std::lock_guard lock(mutex_);
        if (state_ == SongState::Playing) {
            state_ = SongState::Paused;
            EndPlayLocked();
            return;
        }
        if (state_ != SongState::Paused)
            return;
    }
    Play();
}

void FluidSynthEngine::Stop() {
    const WarningWriter writeWarnings{*this};  // after the lock is released
    std::lock_guard lock(mutex_);
    if (state_ == SongState::Playing || state_ == SongState::Paused) {
        StopPlayerLocked();
        DropAheadLocked();
        state_ = SongState::Stopped;
    }
    EndPlayLocked();
}

void FluidSynthEngine::Unload() {
    Load(nullptr);
}

SongState FluidSynthEngine::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void FluidSynthEngine::StopPlayerLocked() {
    // The song keeps where it stands; its sounding notes are cut. The call reports no failure that
    // could be acted on, and the slot counts as stopped either way.
    if (synth_.Get() && fluid_synth_all_sounds_off(synth_.Get(), -1) != FLUID_OK)
        warnings_.push_back("the synthesizer did not silence its notes");
}

void FluidSynthEngine::EndPlayLocked() {
    if (!playPending_)
        return;
    playPending_ = false;
    if (playEnded_)
        playEnded_();
}

void FluidSynthEngine::RenderBlock(float* left, float* right, int frames) {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    std::lock_guard lock(mutex_);
    lastCallback_ = SteadyClock::now();
    ++callbacksSinceStart_;
    if (state_ != SongState::Playing) {
        idleFrames_ += frames;
        if (outputRunning_ && !suspendRequested_ && idleFrames_ >= idleLimitFrames_) {
            suspendRequested_ = true;
            keeperWake_.notify_one();
        }
    }
    // While paused, what was rendered ahead waits for the resume.
    if (!synth_.Get() || state_ == SongState::Paused)
        return;

    // The song's end is told once the block holding its last frame has been taken whole.
    bool endTaken = false;
    if (!ahead_.TakeLocked(left, right, frames, endTaken)) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        FailLocked();
        if (endTaken)
            EndPlayLocked();
        return;
    }
    const auto volume = volume_.load();
    const float leftGain = static_cast<float>(volume & 0xFFFFu) / 65535.0f;
    const float rightGain = static_cast<float>(volume >> 16) / 65535.0f;
    for (int i = 0; i < frames; ++i) {
        left[i] *= leftGain;
        right[i] *= rightGain;
    }
    ahead_.WakeIfWantedLocked();
    if (options_.onRenderedForTesting)
        options_.onRenderedForTesting(left, right, frames);
    if (endTaken)
        EndPlayLocked();
    lastCallback_ = SteadyClock::now();  // a long block is no stalled output
}

bool FluidSynthEngine::RenderLocked(float* left, float* right, int frames, bool endRendered,
                                    bool& endReached) {
    // A song of nothing but events, all at once (a hostile file can hold millions at its first tick),
    // would keep the lock, and with it the user interface, for minutes: a block sends at most about
    // one event a frame, far more than music needs, and leaves the rest for the blocks after.
    long budget = std::max(frames, 1024);
    if (!RenderSongLocked(left, right, frames, budget, endRendered))
        return false;
    // The song ends once the time rendered reaches its last tick. Events at that tick that were
    // not yet due (they lie within half a step of the end) are sent now: they are mostly the last
    // note offs, and a note left on would sound on into whatever plays next.
    endReached = state_ == SongState::Playing && !endRendered && song_ &&
                 TimeAtFrameLocked(songFrames_) >= song_->sequence.EndTime() &&
                 scheduler_.SendDue(SongScheduler::kNever, budget, sink_);
    return true;
}

bool FluidSynthEngine::PlayingLocked() const {
    return synth_.Get() && song_ && state_ == SongState::Playing;
}

void FluidSynthEngine::EndTakenLocked() {
    state_ = SongState::Stopped;
    reachedEnd_ = true;
}

void FluidSynthEngine::FailedLocked() {
    FailLocked();
}

void FluidSynthEngine::FailLocked() {
    // A synthesizer that cannot render ends the song, which would otherwise never end.
    ahead_.ClearLocked();
    if (state_ == SongState::Playing) {
        state_ = SongState::Stopped;
        EndPlayLocked();
    }
}

void FluidSynthEngine::DropAheadLocked() {
    if (song_ && ahead_.WaitingLocked() > 0) {
        // The song stands where the sound taken out has reached: its events from there on are sent
        // again when it plays on.
        songFrames_ = HeardSongFramesLocked();
        scheduler_.Seek(TimeAtFrameLocked(songFrames_ + kSynthStep / 2));
    }
    ahead_.ClearLocked();
}

std::uint64_t FluidSynthEngine::HeardSongFramesLocked() const {
    // Everything waiting in the fifo was rendered while the song played.
    const std::uint64_t waiting = ahead_.WaitingLocked();
    return songFrames_ > waiting ? songFrames_ - waiting : 0;
}

std::uint64_t FluidSynthEngine::TimeAtFrameLocked(std::uint64_t frame) const {
    return static_cast<std::uint64_t>(static_cast<double>(frame) * 1e9 / synth_.FramesPerSecondLocked());
}

bool FluidSynthEngine::RenderSongLocked(float* left, float* right, int frames, long& budget,
                                        bool endRendered) {
    // The synthesizer renders in steps of kSynthStep frames and takes an event into account from
    // the start of its next step; so events are sent step by step, each before the step whose
    // start lies nearest to its time.
    // While stopped, the block only lets sounding notes ring out: nothing is sent, the song stands.
    const bool playing = state_ == SongState::Playing && !endRendered && song_;
    int done = 0;
    while (done < frames) {
        if (playing)
            scheduler_.SendDue(TimeAtFrameLocked(songFrames_ + kSynthStep / 2), budget, sink_);
        // Steps that send nothing are rendered together; so is the rest of a block whose budget
        // is spent.
        int chunk = std::min(kSynthStep, frames - done);
        const std::uint64_t nextTime = playing && budget > 0 ? scheduler_.NextTime() : SongScheduler::kNever;
        while (done + chunk < frames && TimeAtFrameLocked(songFrames_ + chunk + kSynthStep / 2) <= nextTime)
            chunk += std::min(kSynthStep, frames - done - chunk);
        float* effects[4] = {left + done, right + done, left + done, right + done};
        float* dry[2] = {left + done, right + done};
        if (fluid_synth_process(synth_.Get(), chunk, 4, effects, 2, dry) != FLUID_OK)
            return false;
        done += chunk;
        if (playing)
            songFrames_ += static_cast<std::uint64_t>(chunk);
    }
    return true;
}

std::int64_t FluidSynthEngine::HeardMicroseconds() const {
    std::lock_guard lock(mutex_);
    return song_ ? static_cast<std::int64_t>(TimeAtFrameLocked(HeardSongFramesLocked()) / 1000) : 0;
}

int FluidSynthEngine::CurrentTick() const {
    std::lock_guard lock(mutex_);
    return song_ ? static_cast<int>(song_->sequence.TickAt(TimeAtFrameLocked(HeardSongFramesLocked()))) : 0;
}

int FluidSynthEngine::ProgramOf(int channel) const {
    std::lock_guard lock(mutex_);
    int soundFont = 0;
    int bank = 0;
    int program = 0;
    if (!synth_.Get() ||
        fluid_synth_get_program(synth_.Get(), channel, &soundFont, &bank, &program) != FLUID_OK)
        return -1;
    return program;
}

long FluidSynthEngine::RenderedBlocks() const {
    std::lock_guard lock(mutex_);
    return ahead_.RenderedBlocksLocked();
}

long FluidSynthEngine::FramesAhead() const {
    std::lock_guard lock(mutex_);
    return static_cast<long>(ahead_.WaitingLocked());
}

bool FluidSynthEngine::OutputRunning() const {
    std::lock_guard lock(mutex_);
    return outputRunning_;
}

double FluidSynthEngine::SampleRate() const {
    std::lock_guard lock(mutex_);
    return synth_.SampleRateLocked();
}

}  // namespace korva

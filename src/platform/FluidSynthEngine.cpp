#include "platform/FluidSynthEngine.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace korva {

FluidSynthEngine::FluidSynthEngine(SynthOptions options)
    : options_(std::move(options)), synth_(options_, mutex_) {
    // The output opens before the SoundFont loads, so whether anything can be heard is known at once;
    // until the synth is there it renders silence.
    const double rate = SampleRate();
    const auto piece = static_cast<std::size_t>(std::max(kSynthStep, options_.periodFrames));
    std::size_t aheadFrames = 0;   // 0: rendered only when the output asks
    std::size_t refillFrames = 0;  // a run of rendering ahead starts below this
    if (options_.output != OutputKind::Virtual && options_.aheadSeconds > 0) {
        aheadFrames = static_cast<std::size_t>(std::lround(options_.aheadSeconds * rate));
        refillFrames = static_cast<std::size_t>(
            std::lround(std::clamp(options_.aheadRefillSeconds, 0.0, options_.aheadSeconds) * rate));
    }
    ahead_.Configure(piece, aheadFrames, refillFrames);
    output_.Open(synth_.Settings(), rate);
    if (output_.HasOutput()) {
        output_.Start();
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

bool FluidSynthEngine::MayRestLocked() {
    if (state_ == SongState::Playing)
        return false;
    // Notes still sounding after a stop or a song's end must not come back with the next play; a
    // pause keeps its notes for the resume.
    if (synth_.Get() && state_ != SongState::Paused)
        fluid_synth_all_sounds_off(synth_.Get(), -1);
    return true;
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
    output_.Quit();
    ahead_.Quit();
    output_.Close();  // no more rendering from here on
    std::lock_guard lock(mutex_);
    playEnded_ = nullptr;
    synth_.ReleaseLocked();
}

bool FluidSynthEngine::WaitUntilLoaded() {
    return synth_.WaitUntilLoaded();
}

SynthReport FluidSynthEngine::Report() const {
    std::lock_guard lock(mutex_);
    SynthReport report;
    synth_.ReportLocked(report);
    output_.ReportLocked(report);
    return report;
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
    const auto turn = output_.Turn();
    PlayResult result;
    bool resume = false;
    {
        std::lock_guard lock(mutex_);
        result = PlayLocked();
        if (result == PlayResult::Started)
            resume = output_.PlayStartedLocked();
    }
    // The output takes nothing between the state change and here, except where a silent output
    // stands in for a lost driver: it may take the song's first block before the driver takes over.
    // The thread rendering ahead may already render the song's first blocks; they wait in order.
    if (result == PlayResult::Started)
        ahead_.Wake();
    if (resume)
        output_.Resume();
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
    output_.CalledLocked(frames, state_ == SongState::Playing);
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
    output_.CallEndedLocked();
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
    return output_.RunningLocked();
}

double FluidSynthEngine::SampleRate() const {
    std::lock_guard lock(mutex_);
    return synth_.SampleRateLocked();
}

}  // namespace korva

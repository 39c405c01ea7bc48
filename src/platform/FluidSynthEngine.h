#pragma once
// The process's one synthesizer: one FluidSynth synth and one SoundFont, loaded once on a thread of
// its own so that the windows appear at once, and one song slot in which a song plays: its events,
// read by our own SMF reader and put in time order, are fed to the synth block by block as the
// block's time reaches them. The sequencer device and the volume output are thin views of it.
//
// Rendering happens on the output's thread, or on the engine's own thread rendering ahead of it (or,
// for tests, on the caller's thread in virtual time), under the engine's lock, which also guards
// every change of the song slot: a song is never replaced, started or stopped while a block is being
// rendered.
//
// Time is counted in rendered samples, so freezing the rendering while paused freezes the song and
// its sounding notes together: after the pause they go on where they were.
//
// A sound server can go away under a running output (restarted, killed): the driver's thread then
// stops calling back, without a word. The keeper watches a running driver, and when it has taken no
// sound for a while it lets the driver go and goes on with a silent output paced by the wall clock,
// which first makes up the time lost, so the song in progress keeps its place and ends on time. The
// next Play tries that driver again and goes back to it once it opens.
//
// Nothing is rendered while nothing plays: once a play has ended (or paused) and the output has gone
// on for a short while, so that the last notes ring out and the next song of a run starts on an open
// stream, a keeper thread suspends the output; Play resumes it before it returns, so the song's first
// block is the first one rendered.
//
// While a song plays, a thread of the engine renders it seconds ahead of the output, in one run every
// few seconds, instead of one block inside each call for sound, which an audio driver makes from its
// own thread between its writes to the sound server: played through PulseAudio, a song so costs about
// a seventh less CPU, and the synthesizer is nearly all the CPU a playing jukebox uses. What is heard
// still follows every command at once: the volume is applied as the sound is taken out, a pause stops
// taking it (what waits is heard after the pause), a stop or a new song drops it, and a song's end is
// told when its last frame is taken out, not when it was rendered.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/AheadRenderer.h"
#include "platform/AudioOutput.h"
#include "platform/FluidHandles.h"
#include "platform/FluidSynthSink.h"
#include "platform/FrameFifo.h"
#include "platform/RenderLock.h"
#include "platform/SoundFontSynth.h"
#include "platform/SynthOptions.h"
#include "playback/SongScheduler.h"
#include "playback/SongSequence.h"

namespace korva {

// A song ready to play: the events the synthesizer is fed, at their times, as the SMF reader's
// song gives them.
struct LoadedSong {
    SongSequence sequence;
};

enum class SongState { None, Stopped, Playing, Paused };

enum class PlayResult { Started, NotOpen, NoSoundFont };

class FluidSynthEngine final : public BlockRenderer, private AheadSource {
  public:
    explicit FluidSynthEngine(SynthOptions options);
    ~FluidSynthEngine() override;
    FluidSynthEngine(const FluidSynthEngine&) = delete;
    FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

    const SynthOptions& Options() const { return options_; }

    // Blocks until loading has ended (tools and tests); true when the SoundFont is loaded.
    bool WaitUntilLoaded();
    // Complete once loading has ended.
    SynthReport Report() const;

    // Called, with the engine locked and on any thread, each time a play ends: by reaching the end
    // of the song, by Pause, Stop, Unload, Load, a further Play, or failure. It must only post.
    void SetPlayEndedHandler(std::function<void()> handler);

    // The song slot. Load replaces the song (ending its play); Play starts it from where it stands,
    // from the start once it has reached its end, resumes it when paused, and before the SoundFont
    // is loaded waits for it without blocking the caller. Every Play ends exactly once.
    void Load(std::shared_ptr<const LoadedSong> song);
    PlayResult Play();
    void Pause();
    void Stop();
    void Unload();
    SongState State() const;

    // Left channel scaled by the low word, right by the high word; 0xFFFF is unity.
    void SetVolume(std::uint32_t volume) { volume_.store(volume); }
    std::uint32_t Volume() const { return volume_.load(); }

    void RenderBlock(float* left, float* right, int frames) override;

    // How far into the song the sound taken out has come, in microseconds.
    std::int64_t HeardMicroseconds() const;
    // Where the song and the synth stand; for tests and tools.
    int CurrentTick() const;
    int ProgramOf(int channel) const;
    double SampleRate() const;
    // How many blocks the synthesizer has rendered, and whether the output's stream is running.
    long RenderedBlocks() const;
    // Frames rendered and not yet taken by the output.
    long FramesAhead() const;
    bool OutputRunning() const;

  private:
    // Writes, on the calling thread, the warnings that arose while the engine was locked.
    void WriteWarnings();
    struct WarningWriter {
        FluidSynthEngine& engine;
        ~WarningWriter() { engine.WriteWarnings(); }
    };

    void SoundFontLoadedLocked(bool loaded);
    using SteadyClock = std::chrono::steady_clock;
    void OpenOutput();
    void KeepOutput();
    void SuspendIdleOutput();
    bool WatchingDriverLocked() const { return outputRunning_ && outputIsDriver_; }
    bool StalledLocked(SteadyClock::duration stallLimit) const;
    void ReplaceStalledDriver(SteadyClock::duration stallLimit);
    void GoOnSilently(SteadyClock::duration behind, const std::string& notice);
    bool ReopenLostDriver();
    void ResumeOutput();
    PlayResult PlayLocked();
    // What is rendered ahead: the song as it plays, the end marked once every event is sent.
    bool RenderLocked(float* left, float* right, int frames, bool endRendered, bool& endReached) override;
    bool PlayingLocked() const override;
    void EndTakenLocked() override;
    void FailedLocked() override;
    // A synthesizer that cannot render ends the song, which would otherwise never end.
    void FailLocked();
    // Drops what was rendered ahead and puts the song back where the sound taken out has reached.
    void DropAheadLocked();
    // The frames of the song taken out so far.
    std::uint64_t HeardSongFramesLocked() const;
    // Renders a block, feeding the song's events to the synthesizer while it plays, at most budget
    // of them (counted down), until its end has been rendered; false when the synthesizer failed.
    bool RenderSongLocked(float* left, float* right, int frames, long& budget, bool endRendered);
    // The time, in nanoseconds from the song's start, at which a frame of the song is rendered.
    std::uint64_t TimeAtFrameLocked(std::uint64_t frame) const;
    void StopPlayerLocked();
    void EndPlayLocked();

    const SynthOptions options_;

    mutable RenderLock mutex_;
    SoundFontSynth synth_;
    SynthReport report_;                 // its output part; the synth tells the rest
    std::vector<std::string> warnings_;  // written out once the lock is released

    std::shared_ptr<const LoadedSong> song_;
    // Where the song stands: its next event to send, and the frames rendered while it played.
    SongScheduler scheduler_;  // refers to song_'s sequence
    FluidSynthSink sink_;      // plays on synth_ once it is there
    std::uint64_t songFrames_ = 0;
    static constexpr int kSynthStep = 64;
    SongState state_ = SongState::None;
    bool reachedEnd_ = false;
    // The sound rendered and not yet taken out by the output, and the thread rendering it ahead.
    AheadRenderer ahead_{mutex_, *this};
    bool playPending_ = false;  // a Play has not yet been answered by its end
    std::function<void()> playEnded_;

    std::atomic<std::uint32_t> volume_{0xFFFFFFFFu};

    // Suspending and resuming the output take turns under outputMutex_, which is taken before mutex_.
    std::mutex outputMutex_;
    std::unique_ptr<AudioOutput> output_;        // replaced only under outputMutex_
    std::string lostDriver_;                     // the driver to try again at the next Play; outputMutex_
    SteadyClock::time_point lostDriverRetry_{};  // not before this, after it did not answer; outputMutex_
    static constexpr std::chrono::seconds kUnansweredRetry{30};
    bool outputRunning_ = false;
    bool outputIsDriver_ = false;
    SteadyClock::time_point lastCallback_;  // the output's last call for sound
    long callbacksSinceStart_ = 0;          // since the output was opened or resumed
    long idleFrames_ = 0;                   // rendered since the play ended
    long idleLimitFrames_ = 0;
    bool suspendRequested_ = false;
    bool quitting_ = false;
    std::condition_variable_any keeperWake_;
    std::thread keeper_;
};

}  // namespace korva

#pragma once
// The process's one synthesizer: one FluidSynth synth and one SoundFont, loaded once, and one song
// slot in which a song plays: its events, read by our own SMF reader and put in time order, are fed
// to the synth block by block as the block's time reaches them. The sequencer device and the volume
// output are thin views of it.
//
// The engine is the song slot and the composition of four parts, which share its lock:
//   SoundFontSynth  the settings, the synth and its SoundFont, loaded on a thread of its own;
//   SongScheduler   the song's next event, sent through a FluidSynthSink as the time rendered
//                   reaches it (no thread, no lock: a MIDI port device can use it as it is);
//   AheadRenderer   the sound rendered seconds ahead of the output while a song plays, and its thread;
//   OutputKeeper    the audio driver or the silent output standing in for it, watched, suspended
//                   while nothing plays, reopened.
//
// Rendering happens on the output's thread, or on the thread rendering ahead of it (or, for tests,
// on the caller's thread in virtual time), under the engine's lock, which also guards every change
// of the song slot: a song is never replaced, started or stopped while a block is being rendered.
//
// Time is counted in rendered samples, so freezing the rendering while paused freezes the song and
// its sounding notes together: after the pause they go on where they were.
//
// What is heard follows every command at once, though the song is rendered ahead: the volume is
// applied as the sound is taken out, a pause stops taking it (what waits is heard after the pause),
// a stop or a new song drops it, and a song's end is told when its last frame is taken out, not when
// it was rendered.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/AheadRenderer.h"
#include "platform/AudioOutput.h"
#include "platform/FluidHandles.h"
#include "platform/FluidSynthSink.h"
#include "platform/OutputKeeper.h"
#include "platform/RenderLock.h"
#include "platform/SongLoader.h"
#include "platform/SoundFontSynth.h"
#include "platform/SynthOptions.h"
#include "playback/SongScheduler.h"
#include "playback/SongSequence.h"

namespace korva {

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
    // Before an idle output is suspended: false while a song plays.
    bool MayRestLocked();
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

    // Where the sound goes, kept going while the engine lives.
    OutputKeeper output_{options_, mutex_, *this, [this] { return MayRestLocked(); }};
};

}  // namespace korva

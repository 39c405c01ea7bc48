#pragma once
// Sound rendered ahead of the output: while a song plays, a thread renders it seconds ahead into a
// frame buffer, in one run every few seconds, and the output takes its blocks from there, which
// costs far less than rendering a block inside each call for sound that an audio driver makes from
// its own thread. What waits can be dropped (a stop, a new song), and the song's end is marked at
// the frame it will be taken out at, so the end is told when it is heard, not when it was rendered.
//
// Everything here is done with the engine's lock held, which the thread takes between its short
// runs of rendering; the lock hands itself over in turn, so that the output's thread and the windows
// never wait through more than one run.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "platform/FrameFifo.h"
#include "platform/RenderLock.h"

namespace korva {

// What is rendered: the song as it plays, or notes ringing out. Called with the lock held.
class AheadSource {
  public:
    virtual ~AheadSource() = default;
    // Renders frames into the buffers, which hold silence; endRendered tells whether the song's end
    // waits rendered already. endReached is set once the song has reached its end, every event
    // sent. False when the synthesizer failed.
    virtual bool RenderLocked(float* left, float* right, int frames, bool endRendered, bool& endReached) = 0;
    // A song plays that may be rendered ahead.
    virtual bool PlayingLocked() const = 0;
    // The song's last frame has been taken out: it has ended.
    virtual void EndTakenLocked() = 0;
    // The synthesizer failed while rendering ahead.
    virtual void FailedLocked() = 0;
};

class AheadRenderer {
  public:
    AheadRenderer(RenderLock& lock, AheadSource& source) : lock_(lock), source_(source) {}
    ~AheadRenderer() { Quit(); }
    AheadRenderer(const AheadRenderer&) = delete;
    AheadRenderer& operator=(const AheadRenderer&) = delete;

    // The most frames a call renders at a time, how many a playing song is rendered ahead (0 for
    // only what is asked for), and how few may be left before a run renders it full again.
    void Configure(std::size_t pieceFrames, std::size_t aheadFrames, std::size_t refillFrames);
    // Starts the thread rendering ahead, when anything is to be.
    void Start();
    // Ends the thread; the lock not held.
    void Quit();
    // Tells the thread to look whether there is something to render; the lock held or not.
    void Wake() { wake_.notify_all(); }

    // Fills the output's block from what waits, rendering when nothing does; false when the
    // synthesizer failed. endTaken is set when the song's last frame was among the frames taken.
    bool TakeLocked(float* left, float* right, int frames, bool& endTaken);
    // Wakes the thread when the song wants rendering ahead.
    void WakeIfWantedLocked() {
        if (WantedLocked())
            wake_.notify_one();
    }
    // Drops what waits.
    void ClearLocked();
    std::size_t WaitingLocked() const { return fifo_.Fill(); }
    bool EndRenderedLocked() const { return endMark_.has_value(); }
    long RenderedBlocksLocked() const { return renderedBlocks_; }

  private:
    static constexpr int kAheadChunk = 2048;  // frames rendered ahead between two looks at the lock

    void Run();
    bool WantedLocked();
    // Renders frames into the fifo; false when the synthesizer failed.
    bool RenderLocked(int frames);

    RenderLock& lock_;
    AheadSource& source_;
    // Rendered sound not yet taken out by the output. Once the song's end has been rendered nothing
    // more is rendered ahead; the play ends when the output takes the frame at endMark_.
    FrameFifo fifo_;
    std::size_t aheadFrames_ = 0;
    std::size_t refillFrames_ = 0;
    bool refilling_ = false;
    std::optional<std::uint64_t> endMark_;
    std::vector<float> scratchLeft_;
    std::vector<float> scratchRight_;
    long renderedBlocks_ = 0;
    bool quitting_ = false;
    std::condition_variable_any wake_;
    std::thread thread_;
};

}  // namespace korva

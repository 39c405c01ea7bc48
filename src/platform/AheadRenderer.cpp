#include "platform/AheadRenderer.h"

#include <algorithm>
#include <mutex>

namespace korva {

void AheadRenderer::Configure(std::size_t pieceFrames, std::size_t aheadFrames, std::size_t refillFrames) {
    aheadFrames_ = aheadFrames;
    refillFrames_ = refillFrames;
    scratchLeft_.resize(pieceFrames);
    scratchRight_.resize(pieceFrames);
    fifo_ = FrameFifo(aheadFrames_ + 2 * pieceFrames);
}

void AheadRenderer::Start() {
    if (aheadFrames_ > 0)
        thread_ = std::thread([this] { Run(); });
}

void AheadRenderer::Quit() {
    {
        std::lock_guard lock(lock_);
        quitting_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool AheadRenderer::TakeLocked(float* left, float* right, int frames, bool& endTaken) {
    // What was rendered ahead is taken first; when nothing waits (the song has just started, it has
    // ended, or nothing renders ahead) the synthesizer renders for this call.
    const int piece = static_cast<int>(scratchLeft_.size());
    int done = 0;
    while (done < frames) {
        if (fifo_.Fill() == 0 && !RenderLocked(std::min(piece, frames - done)))
            return false;
        done +=
            static_cast<int>(fifo_.Take(left + done, right + done, static_cast<std::size_t>(frames - done)));
        if (endMark_ && fifo_.ReadPosition() >= *endMark_) {
            endMark_.reset();
            endTaken = true;
            source_.EndTakenLocked();
        }
    }
    return true;
}

bool AheadRenderer::RenderLocked(int frames) {
    // The synthesizer adds its sound to what the buffers hold.
    std::fill_n(scratchLeft_.begin(), frames, 0.0f);
    std::fill_n(scratchRight_.begin(), frames, 0.0f);
    bool endReached = false;
    if (!source_.RenderLocked(scratchLeft_.data(), scratchRight_.data(), frames, endMark_.has_value(),
                              endReached))
        return false;
    ++renderedBlocks_;
    fifo_.Put(scratchLeft_.data(), scratchRight_.data(), static_cast<std::size_t>(frames));
    if (endReached)
        endMark_ = fifo_.WritePosition();
    return true;
}

bool AheadRenderer::WantedLocked() {
    if (aheadFrames_ == 0 || endMark_ || !source_.PlayingLocked()) {
        refilling_ = false;
        return false;
    }
    if (fifo_.Fill() < refillFrames_)
        refilling_ = true;
    if (fifo_.Fill() >= aheadFrames_)
        refilling_ = false;
    return refilling_;
}

void AheadRenderer::Run() {
    const int chunk = std::min(static_cast<int>(scratchLeft_.size()), kAheadChunk);
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return quitting_ || WantedLocked(); });
        if (quitting_)
            return;
        if (!RenderLocked(chunk))
            source_.FailedLocked();
        // Whoever waits for the lock (the output's thread, a window) has it before the next run:
        // asking for it again queues behind them.
        lock.unlock();
        lock.lock();
    }
}

void AheadRenderer::ClearLocked() {
    fifo_.Clear();
    endMark_.reset();
    refilling_ = false;
}

}  // namespace korva

#pragma once
// The synthesizer's lock, handed over in the order it was asked for (a ticket lock): whoever asks
// for it while it is held sleeps until the threads that asked before have had it. The thread that
// renders ahead lets it go between its short runs of rendering and asks for it again at once, and
// so comes after the output's thread and a window waiting for it, never before: a plain mutex tends
// to go back to the thread that has just released it, which would keep the output, and the
// windows, waiting through a whole run of blocks.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace korva {

class RenderLock {
  public:
    void lock() {
        std::unique_lock guard(mutex_);
        const std::uint64_t ticket = next_++;
        turn_.wait(guard, [this, ticket] { return serving_ == ticket; });
    }

    bool try_lock() {
        std::lock_guard guard(mutex_);
        if (next_ != serving_)
            return false;
        ++next_;
        return true;
    }

    void unlock() {
        std::unique_lock guard(mutex_);
        ++serving_;
        const bool waited = next_ != serving_;
        guard.unlock();
        if (waited)
            turn_.notify_all();
    }

    // How many wait for the lock, besides its holder.
    int Waiting() const {
        std::lock_guard guard(mutex_);
        return static_cast<int>(next_ - serving_) - 1;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable turn_;
    std::uint64_t next_ = 0;     // the ticket the next one to ask takes
    std::uint64_t serving_ = 0;  // the ticket whose holder has the lock, or may take it
};

}  // namespace korva

#pragma once
// Calls posted from the synthesizer's threads wait here, as they would for the user-interface
// thread, until the test or tool that owns the queue runs them.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/FluidSynthEngine.h"

namespace korva::testing {

class PostedQueue {
  public:
    UiPoster Poster() {
        return [this](std::function<void()> function) {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(function));
            posted_.notify_all();
        };
    }

    // Runs what was posted, including what the functions post themselves; returns how many ran.
    int Drain() {
        int ran = 0;
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty())
                    return ran;
                next = std::move(queue_.front());
                queue_.pop_front();
            }
            next();
            ++ran;
        }
    }

    // Waits until something is posted, then runs what was posted, as an idle user-interface thread.
    int WaitAndDrain() {
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return !queue_.empty(); });
        }
        return Drain();
    }

    std::size_t Pending() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace korva::testing

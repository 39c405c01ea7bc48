#pragma once
// Calls posted from the synthesizer's threads wait here, as they would for the user-interface
// thread, until the test or tool that owns the queue runs them.

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

    std::size_t Pending() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace korva::testing

#pragma once
// Runs a piece of work that must never wait on a FIFO, so that a reader that does wait makes the
// test fail instead of hanging it. A reader that opens a FIFO with no writer waits in open() for
// ever; when the work has not come back after a generous while, each FIFO is opened for writing and
// closed again, which lets such a reader go on and the work end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace korva::testing {

// Makes a FIFO at the path; false when the system would not.
inline bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0644) == 0;
}

// For work that must run on the calling thread (windows): while alive, watches from a thread of its
// own; when it has lived a generous while, it opens the FIFOs for writing and closes them again
// until it ends. Released() tells whether it had to.
class FifoRelease {
  public:
    explicit FifoRelease(std::vector<std::string> fifos)
        : fifos_(std::move(fifos)), watcher_([this] { Watch(); }) {}
    ~FifoRelease() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }
    FifoRelease(const FifoRelease&) = delete;
    FifoRelease& operator=(const FifoRelease&) = delete;

    bool Released() const { return released_; }

  private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (changed_.wait_for(lock, std::chrono::seconds(20), [this] { return ended_; }))
            return;
        released_ = true;
        while (!changed_.wait_for(lock, std::chrono::milliseconds(50), [this] { return ended_; })) {
            for (const std::string& fifo : fifos_) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
        }
    }

    std::vector<std::string> fifos_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    std::atomic<bool> released_ = false;
    std::thread watcher_;
};

// True when work came back by itself; false when it had to be let go by a writer on the FIFOs.
template <typename Work>
bool EndsWithoutWaitingOn(const std::vector<std::string>& fifos, Work&& work) {
    auto done = std::async(std::launch::async, std::forward<Work>(work));
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) {
        done.get();
        return true;
    }
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        for (const std::string& fifo : fifos) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }
    done.get();
    return false;
}

}  // namespace korva::testing

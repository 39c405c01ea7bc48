#pragma once
// Runs a piece of work that must never wait on a FIFO, so that a reader that does wait makes the
// test fail instead of hanging it. A reader that opens a FIFO with no writer waits in open() for
// ever; when the work has not come back after a generous while, each FIFO is opened for writing and
// closed again, which lets such a reader go on and the work end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace korva::testing {

// Makes a FIFO at the path; false when the system would not.
inline bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0644) == 0;
}

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

#pragma once
// The holder's side of one hand-over of files from a later start: the bytes as they arrive, one
// deadline for the whole message and a bound on its size. Nothing here reads or waits; the caller
// feeds what the socket gave and asks again when the deadline passes, so that a sender that stalls
// or floods is dropped without anyone waiting for it.
//
// The message is the names, each ended by a NUL byte; the sender then closes its side.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// More than any command line brings (Linux allows 2 MiB of arguments by default, and the names grow
// when made absolute); a longer message is dropped.
inline constexpr std::size_t kHandOverLimit = std::size_t{4} << 20;
// The whole message must have come within this time from the connection's acceptance.
inline constexpr std::chrono::milliseconds kHandOverTime{2000};

class HandOverReader {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    enum class State { Reading, Complete, Dropped };

    explicit HandOverReader(TimePoint accepted, std::size_t limit = kHandOverLimit,
                            std::chrono::milliseconds allowed = kHandOverTime);

    // Bytes that arrived at `now`.
    State Feed(std::string_view bytes, TimePoint now);
    // The sender closed its side at `now`: the message is complete when it is whole and in time.
    State End(TimePoint now);
    // Drops the hand-over once its deadline has passed.
    State Expire(TimePoint now);
    // The socket failed: nothing of this hand-over is taken.
    void Drop();

    State Current() const { return state_; }
    TimePoint Deadline() const { return deadline_; }
    // The names brought, in order (empty names left out); only once Complete.
    const std::vector<std::string>& Names() const { return names_; }

  private:
    State DropAll();

    TimePoint deadline_;
    std::size_t limit_;
    State state_ = State::Reading;
    std::string bytes_;
    std::vector<std::string> names_;
};

}  // namespace korva

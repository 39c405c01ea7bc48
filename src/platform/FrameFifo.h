#pragma once
// Rendered stereo sound waiting to be heard: frames go in at one end and out at the other, in order.
// Positions count every frame ever put in or taken out, so a place in the stream (where a song ends,
// say) can be told by the position it will be taken out at.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korva {

class FrameFifo {
  public:
    explicit FrameFifo(std::size_t capacity = 0) : left_(capacity), right_(capacity) {}

    std::size_t Capacity() const { return left_.size(); }
    std::size_t Fill() const { return static_cast<std::size_t>(written_ - read_); }
    std::size_t Room() const { return Capacity() - Fill(); }
    std::uint64_t WritePosition() const { return written_; }
    std::uint64_t ReadPosition() const { return read_; }

    // Puts frames in; the caller has made room for them.
    void Put(const float* left, const float* right, std::size_t frames) {
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t at = Index(written_);
            const std::size_t run = std::min(frames - done, Capacity() - at);
            std::copy_n(left + done, run, left_.begin() + static_cast<std::ptrdiff_t>(at));
            std::copy_n(right + done, run, right_.begin() + static_cast<std::ptrdiff_t>(at));
            done += run;
            written_ += run;
        }
    }

    // Takes out up to the frames asked for; returns how many were taken.
    std::size_t Take(float* left, float* right, std::size_t frames) {
        const std::size_t count = std::min(frames, Fill());
        CopyOut(left, right, count, read_);
        read_ += count;
        return count;
    }

    // Drops everything that waits.
    void Clear() { read_ = written_; }

  private:
    std::size_t Index(std::uint64_t position) const {
        return static_cast<std::size_t>(position % static_cast<std::uint64_t>(Capacity()));
    }

    void CopyOut(float* left, float* right, std::size_t frames, std::uint64_t from) const {
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t at = Index(from + done);
            const std::size_t run = std::min(frames - done, Capacity() - at);
            std::copy_n(left_.begin() + static_cast<std::ptrdiff_t>(at), run, left + done);
            std::copy_n(right_.begin() + static_cast<std::ptrdiff_t>(at), run, right + done);
            done += run;
        }
    }

    std::vector<float> left_;
    std::vector<float> right_;
    std::uint64_t written_ = 0;
    std::uint64_t read_ = 0;
};

}  // namespace korva

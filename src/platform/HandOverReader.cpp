#include "platform/HandOverReader.h"

namespace korva {

HandOverReader::HandOverReader(TimePoint accepted, std::size_t limit, std::chrono::milliseconds allowed)
    : deadline_(accepted + allowed), limit_(limit) {}

HandOverReader::State HandOverReader::Feed(std::string_view bytes, TimePoint now) {
    if (state_ != State::Reading)
        return state_;
    if (now > deadline_ || bytes.size() > limit_ - bytes_.size())
        return DropAll();
    bytes_.append(bytes);
    return state_;
}

HandOverReader::State HandOverReader::End(TimePoint now) {
    if (state_ != State::Reading)
        return state_;
    // A sender that broke off mid-name sent nothing that can be trusted to be whole.
    if (now > deadline_ || bytes_.empty() || bytes_.back() != '\0')
        return DropAll();
    std::size_t start = 0;
    for (std::size_t end = bytes_.find('\0'); end != std::string::npos; end = bytes_.find('\0', start)) {
        if (end > start)
            names_.push_back(bytes_.substr(start, end - start));
        start = end + 1;
    }
    bytes_.clear();
    bytes_.shrink_to_fit();
    state_ = State::Complete;
    return state_;
}

HandOverReader::State HandOverReader::Expire(TimePoint now) {
    if (state_ == State::Reading && now > deadline_)
        return DropAll();
    return state_;
}

void HandOverReader::Drop() {
    if (state_ == State::Reading)
        DropAll();
}

HandOverReader::State HandOverReader::DropAll() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    names_.clear();
    state_ = State::Dropped;
    return state_;
}

}  // namespace korva

#include "playback/QueueDrawPool.h"

namespace korva {

namespace {

constexpr std::size_t LowestBit(std::size_t i) { return i & (~i + 1); }

}  // namespace

QueueDrawPool::QueueDrawPool(std::size_t count) : present_(count, true), size_(count) {
    std::size_t capacity = 1;
    while (capacity < count + count / 4) capacity *= 2;
    Rebuild(capacity);
}

void QueueDrawPool::Rebuild(std::size_t capacity) {
    capacity_ = capacity;
    tree_.assign(capacity_ + 1, 0);
    for (std::size_t i = 1; i <= capacity_; ++i) {
        if (i <= present_.size() && present_[i - 1]) ++tree_[i];
        const std::size_t parent = i + LowestBit(i);
        if (parent <= capacity_) tree_[parent] += tree_[i];
    }
}

std::size_t QueueDrawPool::SlotAt(std::size_t index) const {
    std::size_t position = 0;
    std::size_t remaining = index + 1;
    for (std::size_t step = capacity_; step > 0; step /= 2) {
        if (position + step <= capacity_ && tree_[position + step] < remaining) {
            position += step;
            remaining -= tree_[position];
        }
    }
    return position;
}

void QueueDrawPool::Remove(std::size_t slot) {
    present_[slot] = false;
    --size_;
    for (std::size_t i = slot + 1; i <= capacity_; i += LowestBit(i)) --tree_[i];
}

std::size_t QueueDrawPool::Append() {
    if (present_.size() == capacity_) Rebuild(capacity_ * 2);
    present_.push_back(true);
    ++size_;
    for (std::size_t i = present_.size(); i <= capacity_; i += LowestBit(i)) ++tree_[i];
    return present_.size() - 1;
}

std::vector<std::string> InDrawnOrder(std::vector<std::string> lines, RandomSource& random) {
    std::vector<std::string> drawn;
    drawn.reserve(lines.size());
    QueueDrawPool pool(lines.size());
    while (!pool.Empty()) {
        const std::size_t slot = pool.SlotAt(static_cast<std::size_t>(random.Below(static_cast<int>(pool.Size()))));
        pool.Remove(slot);
        drawn.push_back(std::move(lines[slot]));
    }
    return drawn;
}

}  // namespace korva

#include "playback/QueueDrawPool.h"

#include <bit>

namespace korva {

namespace {

constexpr std::size_t kWordBits = 64;
constexpr std::size_t kGroupWords = 8;
constexpr std::size_t kBlockWords = 64;
constexpr std::size_t kRegionWords = 512;

// The position of the set bit of word that has n set bits below it. The set bits of each byte are
// counted at once in the word, and the running sums of those counts find the byte; within it the
// bits are passed over one by one.
unsigned NthSetBit(std::uint64_t word, unsigned n) {
    std::uint64_t counts = word - ((word >> 1) & 0x5555555555555555);
    counts = (counts & 0x3333333333333333) + ((counts >> 2) & 0x3333333333333333);
    counts = (counts + (counts >> 4)) & 0x0F0F0F0F0F0F0F0F;
    const std::uint64_t sums = counts * 0x0101010101010101;  // byte k: the set bits of bytes 0 .. k
    unsigned byte = 0;
    while (((sums >> (8 * byte)) & 0xFF) <= n) ++byte;
    if (byte > 0)
        n -= static_cast<unsigned>((sums >> (8 * (byte - 1))) & 0xFF);
    word >>= 8 * byte;
    for (; n > 0; --n) word &= word - 1;
    return 8 * byte + static_cast<unsigned>(std::countr_zero(word));
}

}  // namespace

QueueDrawPool::QueueDrawPool(std::size_t count) : slots_(count), size_(count) {
    words_.reserve((count + count / 4) / kWordBits + 1);
    wordCounts_.reserve(words_.capacity());
    words_.assign(count / kWordBits, ~std::uint64_t{0});
    wordCounts_.assign(words_.size(), static_cast<std::uint8_t>(kWordBits));
    if (count % kWordBits != 0) {
        words_.push_back((std::uint64_t{1} << (count % kWordBits)) - 1);
        wordCounts_.push_back(static_cast<std::uint8_t>(count % kWordBits));
    }
    const std::size_t words = words_.size();
    groupCounts_.assign((words + kGroupWords - 1) / kGroupWords, 0);
    blockCounts_.assign((words + kBlockWords - 1) / kBlockWords, 0);
    regionCounts_.assign((words + kRegionWords - 1) / kRegionWords, 0);
    for (std::size_t word = 0; word < words; ++word) {
        groupCounts_[word / kGroupWords] += wordCounts_[word];
        blockCounts_[word / kBlockWords] += wordCounts_[word];
        regionCounts_[word / kRegionWords] += wordCounts_[word];
    }
}

bool QueueDrawPool::Contains(std::size_t slot) const {
    return slot < slots_ && ((words_[slot / kWordBits] >> (slot % kWordBits)) & 1) != 0;
}

std::size_t QueueDrawPool::SlotAt(std::size_t index) const {
    std::size_t region = 0;
    while (index >= regionCounts_[region]) index -= regionCounts_[region++];
    std::size_t block = region * (kRegionWords / kBlockWords);
    while (index >= blockCounts_[block]) index -= blockCounts_[block++];
    std::size_t group = block * (kBlockWords / kGroupWords);
    while (index >= groupCounts_[group]) index -= groupCounts_[group++];
    std::size_t word = group * kGroupWords;
    while (index >= wordCounts_[word]) index -= wordCounts_[word++];
    return word * kWordBits + NthSetBit(words_[word], static_cast<unsigned>(index));
}

void QueueDrawPool::Remove(std::size_t slot) {
    const std::size_t word = slot / kWordBits;
    words_[word] &= ~(std::uint64_t{1} << (slot % kWordBits));
    --wordCounts_[word];
    --groupCounts_[word / kGroupWords];
    --blockCounts_[word / kBlockWords];
    --regionCounts_[word / kRegionWords];
    --size_;
}

std::size_t QueueDrawPool::Append() {
    const std::size_t slot = slots_++;
    const std::size_t word = slot / kWordBits;
    if (word == words_.size()) {
        words_.push_back(0);
        wordCounts_.push_back(0);
    }
    if (word / kGroupWords == groupCounts_.size())
        groupCounts_.push_back(0);
    if (word / kBlockWords == blockCounts_.size())
        blockCounts_.push_back(0);
    if (word / kRegionWords == regionCounts_.size())
        regionCounts_.push_back(0);
    words_[word] |= std::uint64_t{1} << (slot % kWordBits);
    ++wordCounts_[word];
    ++groupCounts_[word / kGroupWords];
    ++regionCounts_[word / kRegionWords];
    ++blockCounts_[word / kBlockWords];
    ++size_;
    return slot;
}

std::vector<std::uint32_t> DrawnOrder(std::size_t count, RandomSource& random) {
    std::vector<std::uint32_t> drawn;
    drawn.reserve(count);
    QueueDrawPool pool(count);
    while (!pool.Empty()) {
        const std::size_t slot =
            pool.SlotAt(static_cast<std::size_t>(random.Below(static_cast<int>(pool.Size()))));
        pool.Remove(slot);
        drawn.push_back(static_cast<std::uint32_t>(slot));
    }
    return drawn;
}

std::vector<std::string> InDrawnOrder(std::vector<std::string> lines, RandomSource& random) {
    std::vector<std::string> drawn;
    drawn.reserve(lines.size());
    for (const std::uint32_t slot : DrawnOrder(lines.size(), random)) drawn.push_back(std::move(lines[slot]));
    return drawn;
}

}  // namespace korva

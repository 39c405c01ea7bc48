#include "playback/QueueDrawPool.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korva {

namespace {

constexpr std::size_t kWordBits = 64;
constexpr std::size_t kParts = 8;  // words per group, groups per block, blocks per region
constexpr std::size_t kGroupWords = kParts;
constexpr std::size_t kBlockWords = kParts * kGroupWords;
constexpr std::size_t kRegionWords = kParts * kBlockWords;

// kSelectInByte[b][r]: the position of the set bit of byte b that has r set bits below it.
constexpr std::array<std::array<std::uint8_t, 8>, 256> MakeSelectInByte() {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned rank = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if ((byte >> bit) & 1)
                table[byte][rank++] = static_cast<std::uint8_t>(bit);
    }
    return table;
}
constexpr auto kSelectInByte = MakeSelectInByte();

// The position of the set bit of word that has n set bits below it (n below the word's set bits).
// The set bits of each byte are counted at once in the word; their running sums, compared with n
// in every byte at once, give the byte, and a table the bit within it.
unsigned NthSetBit(std::uint64_t word, unsigned n) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHigh = 0x8080808080808080;
    std::uint64_t counts = word - ((word >> 1) & 0x5555555555555555);
    counts = (counts & 0x3333333333333333) + ((counts >> 2) & 0x3333333333333333);
    counts = (counts + (counts >> 4)) & 0x0F0F0F0F0F0F0F0F;
    const std::uint64_t sums = counts * kOnes;  // byte k: the set bits of bytes 0 .. k
    // A byte whose running sum is above n gets its high bit: sums are at most 64 and n + 1 at
    // most 64, so no byte borrows from the next.
    const std::uint64_t above = ((sums | kHigh) - (n + 1) * kOnes) & kHigh;
    const unsigned byte = 8 - static_cast<unsigned>(((above >> 7) * kOnes) >> 56);
    const unsigned below = static_cast<unsigned>(((sums << 8) >> (8 * byte)) & 0xFF);
    return 8 * byte + kSelectInByte[(word >> (8 * byte)) & 0xFF][n - below];
}

// The part of a node that holds index (below the node's count): the last part with no more slots
// before it than index. The counts before the parts never fall from one part to the next.
unsigned PartOf(const QueueDrawPool::Before& before, std::size_t index) {
#if defined(__SSE2__)
    const __m128i counts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(before.data()));
    const __m128i above = _mm_cmpgt_epi16(counts, _mm_set1_epi16(static_cast<short>(index)));
    // Two bits per part; the parts at or below index come first, part 0 always among them.
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(above)) | 0x10000u;
    return static_cast<unsigned>(std::countr_zero(mask)) / 2 - 1;
#else
    unsigned part = 0;
    for (std::size_t k = 1; k < kParts; ++k) part += static_cast<unsigned>(before[k] <= static_cast<int>(index));
    return part;
#endif
}

// kAfter[part]: all bits set in the parts after part.
constexpr std::array<QueueDrawPool::Before, kParts> MakeAfter() {
    std::array<QueueDrawPool::Before, kParts> after{};
    for (std::size_t part = 0; part < kParts; ++part)
        for (std::size_t k = part + 1; k < kParts; ++k) after[part][k] = -1;
    return after;
}
alignas(16) constexpr auto kAfter = MakeAfter();

// Every part after part gains change slots before it.
void ShiftAfter(QueueDrawPool::Before& before, std::size_t part, int change) {
#if defined(__SSE2__)
    auto* counts = reinterpret_cast<__m128i*>(before.data());
    const __m128i after = _mm_load_si128(reinterpret_cast<const __m128i*>(kAfter[part].data()));
    const __m128i shift = _mm_and_si128(after, _mm_set1_epi16(static_cast<short>(change)));
    _mm_storeu_si128(counts, _mm_add_epi16(_mm_loadu_si128(counts), shift));
#else
    for (std::size_t k = part + 1; k < kParts; ++k) before[k] = static_cast<std::int16_t>(before[k] + change);
#endif
}

// Fills nodes from the counts of their parts; returns each node's count.
std::vector<std::size_t> Summed(const std::vector<std::size_t>& partCounts, std::vector<QueueDrawPool::Before>& nodes) {
    nodes.assign((partCounts.size() + kParts - 1) / kParts, {});
    std::vector<std::size_t> totals(nodes.size(), 0);
    for (std::size_t node = 0; node < nodes.size(); ++node) {
        std::size_t running = 0;
        for (std::size_t k = 0; k < kParts; ++k) {
            nodes[node][k] = static_cast<std::int16_t>(running);
            const std::size_t part = node * kParts + k;
            if (part < partCounts.size())
                running += partCounts[part];
        }
        totals[node] = running;
    }
    return totals;
}

}  // namespace

QueueDrawPool::QueueDrawPool(std::size_t count) : slots_(count), size_(count) {
    words_.reserve((count + count / 4) / kWordBits + 1);
    words_.assign(count / kWordBits, ~std::uint64_t{0});
    if (count % kWordBits != 0)
        words_.push_back((std::uint64_t{1} << (count % kWordBits)) - 1);
    std::vector<std::size_t> wordCounts(words_.size());
    for (std::size_t word = 0; word < words_.size(); ++word)
        wordCounts[word] = static_cast<std::size_t>(std::popcount(words_[word]));
    const auto regionCounts = Summed(Summed(Summed(wordCounts, groups_), blocks_), regions_);
    regionStarts_.resize(regionCounts.size());
    std::size_t running = 0;
    for (std::size_t region = 0; region < regionCounts.size(); ++region) {
        regionStarts_[region] = static_cast<std::uint32_t>(running);
        running += regionCounts[region];
    }
}

bool QueueDrawPool::Contains(std::size_t slot) const {
    return slot < slots_ && ((words_[slot / kWordBits] >> (slot % kWordBits)) & 1) != 0;
}

std::size_t QueueDrawPool::SlotAt(std::size_t index) const {
    // A pool of a playlist's size has a few regions; counting them all takes no branch.
    std::size_t region = 0;
    for (std::size_t r = 1; r < regionStarts_.size(); ++r)
        region += static_cast<std::size_t>(regionStarts_[r] <= index);
    index -= regionStarts_[region];
    const Before& inRegion = regions_[region];
    const std::size_t block = region * kParts + PartOf(inRegion, index);
    index -= static_cast<std::size_t>(inRegion[block % kParts]);
    const Before& inBlock = blocks_[block];
    const std::size_t group = block * kParts + PartOf(inBlock, index);
    index -= static_cast<std::size_t>(inBlock[group % kParts]);
    const Before& inGroup = groups_[group];
    const std::size_t word = group * kParts + PartOf(inGroup, index);
    index -= static_cast<std::size_t>(inGroup[word % kParts]);
    return word * kWordBits + NthSetBit(words_[word], static_cast<unsigned>(index));
}

void QueueDrawPool::Add(std::size_t slot, int change) {
    const std::size_t word = slot / kWordBits;
    ShiftAfter(groups_[word / kGroupWords], word % kGroupWords, change);
    ShiftAfter(blocks_[word / kBlockWords], word / kGroupWords % kParts, change);
    ShiftAfter(regions_[word / kRegionWords], word / kBlockWords % kParts, change);
    for (std::size_t region = word / kRegionWords + 1; region < regionStarts_.size(); ++region)
        regionStarts_[region] = static_cast<std::uint32_t>(static_cast<int>(regionStarts_[region]) + change);
    size_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(size_) + change);
}

void QueueDrawPool::Remove(std::size_t slot) {
    words_[slot / kWordBits] &= ~(std::uint64_t{1} << (slot % kWordBits));
    Add(slot, -1);
}

std::size_t QueueDrawPool::Append() {
    const std::size_t slot = slots_++;
    const std::size_t word = slot / kWordBits;
    // A new node starts empty: every part of it has no slots before it.
    if (word == words_.size())
        words_.push_back(0);
    if (word / kGroupWords == groups_.size())
        groups_.push_back({});
    if (word / kBlockWords == blocks_.size())
        blocks_.push_back({});
    if (word / kRegionWords == regions_.size()) {
        regions_.push_back({});
        regionStarts_.push_back(static_cast<std::uint32_t>(size_));
    }
    words_[word] |= std::uint64_t{1} << (slot % kWordBits);
    Add(slot, 1);
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

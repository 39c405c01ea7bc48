#include "playlist/LineOrder.h"

#include <algorithm>

#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr std::size_t kKeyBytes = 16;
// Lines still equal after this many bytes are put in order by CompareNoCase itself.
constexpr std::size_t kKeyedBytes = 4 * kKeyBytes;

// A line in the sort with 16 of its bytes, from some offset on, as CompareNoCase sees them
// (single-byte a-z folded, second bytes of double-byte characters not), big-endian in two words
// and zero-padded: among lines equal before that offset, comparing keys orders them as
// CompareNoCase does whenever the keys differ. The keys sit side by side in one array; the
// scattered line texts are read again only for lines whose keys are equal.
struct SortItem {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::uint32_t index = 0;
    bool trail = false;  // the byte at the key's end is the second byte of a double-byte character

    bool SameKey(const SortItem& other) const { return high == other.high && low == other.low; }
};

bool KeyThenIndexLess(const SortItem& a, const SortItem& b) {
    if (a.high != b.high)
        return a.high < b.high;
    if (a.low != b.low)
        return a.low < b.low;
    return a.index < b.index;
}

// Lines with equal folded bytes before offset agree on whether the byte at offset is a second
// byte, so the state carried from the previous key is every such line's.
void FillKey(SortItem& item, std::string_view line, std::size_t offset) {
    unsigned char folded[kKeyBytes] = {};
    bool trail = item.trail;
    for (std::size_t i = offset; i < line.size() && i < offset + kKeyBytes; ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        folded[i - offset] =
            !trail && byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
        trail = !trail && IsLeadByte(byte);
    }
    item.trail = trail;
    item.high = 0;
    item.low = 0;
    for (std::size_t i = 0; i < kKeyBytes / 2; ++i) item.high = (item.high << 8) | folded[i];
    for (std::size_t i = kKeyBytes / 2; i < kKeyBytes; ++i) item.low = (item.low << 8) | folded[i];
}

// Sorts items equal in their bytes before offset, keyed by the 16 bytes from offset.
template <typename Lines>
void SortFrom(std::vector<SortItem>::iterator begin, std::vector<SortItem>::iterator end, std::size_t offset,
              const Lines& lines) {
    std::sort(begin, end, KeyThenIndexLess);
    for (auto run = begin; run != end;) {
        const auto runEnd =
            std::find_if(run + 1, end, [&run](const SortItem& item) { return !item.SameKey(*run); });
        if (runEnd - run > 1) {
            const std::size_t next = offset + kKeyBytes;
            if (next < kKeyedBytes) {
                for (auto item = run; item != runEnd; ++item) FillKey(*item, lines[item->index], next);
                SortFrom(run, runEnd, next, lines);
            } else {
                std::stable_sort(run, runEnd, [&lines](const SortItem& a, const SortItem& b) {
                    return CompareNoCase(lines[a.index], lines[b.index]) < 0;
                });
            }
        }
        run = runEnd;
    }
}

template <typename Lines>
std::vector<std::uint32_t> OrderOf(const Lines& lines) {
    std::vector<SortItem> items(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        items[i].index = static_cast<std::uint32_t>(i);
        FillKey(items[i], lines[i], 0);
    }
    SortFrom(items.begin(), items.end(), 0, lines);
    std::vector<std::uint32_t> order;
    order.reserve(items.size());
    for (const SortItem& item : items) order.push_back(item.index);
    return order;
}

}  // namespace

std::vector<std::uint32_t> NoCaseOrder(const std::vector<std::string>& lines) {
    return OrderOf(lines);
}

std::vector<std::uint32_t> NoCaseOrder(const std::vector<std::string_view>& lines) {
    return OrderOf(lines);
}

void SortNoCase(std::vector<std::string>& lines) {
    Permute(lines, NoCaseOrder(lines));
}

void SortNoCase(LineList& lines) {
    Permute(lines.Views(), NoCaseOrder(lines.Views()));
}

}  // namespace korva

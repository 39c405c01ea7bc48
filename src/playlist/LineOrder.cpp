#include "playlist/LineOrder.h"

#include <algorithm>
#include <string_view>

#include "text/ShiftJis.h"

namespace korva {

namespace {

// A line in the sort: its first 8 folded bytes big-endian (zero-padded), so that most comparisons
// stay in this array, and where its folded text lies in the shared buffer.
struct SortItem {
    std::uint64_t prefix;
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t index;
};

}  // namespace

std::vector<std::uint32_t> NoCaseOrder(const std::vector<std::string>& lines) {
    // CompareNoCase is the unsigned byte order of the lines with single-byte a-z folded (second
    // bytes of double-byte characters not), the shorter first when one begins the other: fold
    // every line once, in order, into one buffer and compare the folded texts as plain bytes.
    std::size_t total = 0;
    for (const auto& line : lines) total += line.size();
    std::string folded(total, '\0');
    std::vector<SortItem> items;
    items.reserve(lines.size());
    char* out = folded.data();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const auto offset = static_cast<std::uint32_t>(out - folded.data());
        bool trail = false;
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            *out++ = !trail && byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - ('a' - 'A')) : c;
            trail = !trail && IsLeadByte(byte);
        }
        std::uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b) {
            prefix = (prefix << 8) | (b < line.size() ? static_cast<unsigned char>(folded[offset + b]) : 0u);
        }
        items.push_back({prefix, offset, static_cast<std::uint32_t>(line.size()), static_cast<std::uint32_t>(i)});
    }
    const std::string_view text = folded;
    std::sort(items.begin(), items.end(), [text](const SortItem& a, const SortItem& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        const int order = text.substr(a.offset, a.length).compare(text.substr(b.offset, b.length));
        return order != 0 ? order < 0 : a.index < b.index;
    });
    std::vector<std::uint32_t> order;
    order.reserve(items.size());
    for (const SortItem& item : items) order.push_back(item.index);
    return order;
}

void SortNoCase(std::vector<std::string>& lines) { Permute(lines, NoCaseOrder(lines)); }

}  // namespace korva

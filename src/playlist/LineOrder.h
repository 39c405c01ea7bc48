#pragma once
// Sorting lines in the playlist order (CompareNoCase), fast enough for lists of 100,000 lines.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/LineList.h"

namespace korva {

// The order of the lines by CompareNoCase, equal lines keeping their order: the index of the
// first line, then of the second, and so on.
std::vector<std::uint32_t> NoCaseOrder(const std::vector<std::string>& lines);
std::vector<std::uint32_t> NoCaseOrder(const std::vector<std::string_view>& lines);
inline std::vector<std::uint32_t> NoCaseOrder(const LineList& lines) {
    return NoCaseOrder(lines.Views());
}

// Rearranges items so that item k is the former item order[k].
template <typename T>
void Permute(std::vector<T>& items, const std::vector<std::uint32_t>& order) {
    std::vector<T> arranged;
    arranged.reserve(order.size());
    for (const std::uint32_t index : order) arranged.push_back(std::move(items[index]));
    items.swap(arranged);
}

// Sorts ascending by CompareNoCase; equal lines keep their order.
void SortNoCase(std::vector<std::string>& lines);
void SortNoCase(LineList& lines);

}  // namespace korva

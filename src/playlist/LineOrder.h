#pragma once
// Sorting playlist lines and titles in the reading order of the Japanese collation (CompareTitles),
// each text's key made once, fast enough for lists of 100,000 lines.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/LineList.h"
#include "text/Collation.h"

namespace korva {

inline std::vector<std::uint32_t> TitleOrder(const LineList& lines) {
    return TitleOrder(lines.Views());
}

// Rearranges items so that item k is the former item order[k].
template <typename T>
void Permute(std::vector<T>& items, const std::vector<std::uint32_t>& order) {
    std::vector<T> arranged;
    arranged.reserve(order.size());
    for (const std::uint32_t index : order) arranged.push_back(std::move(items[index]));
    items.swap(arranged);
}

// Sorts ascending by CompareTitles; identical lines keep their order.
void SortTitles(std::vector<std::string>& lines);
void SortTitles(LineList& lines);

}  // namespace korva

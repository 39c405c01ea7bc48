#pragma once
// The edit buffer and the title lists. While list N is loaded, title i of list N is the Name of
// edit-buffer line i; every change here keeps the two aligned. The edit buffer stands in
// title order (CompareTitles) after each load: a line added goes to its sorted place, a line replaced
// keeps its position until the next load.

#include <cstddef>
#include <string>
#include <string_view>

#include "app/AppModel.h"

namespace korva {

// The Name of a line as the title lists show it; empty when the line has no TAB.
std::string TitleOf(std::string_view line);

// Adds the line at its sorted place (after equal lines) and its title at the same index of the
// list's title list; returns that index.
std::size_t InsertEntry(AppModel& model, int list, std::string_view line);

// Replaces line index and its title in place; false, changing nothing, when index is not a line
// of both the edit buffer and the title list.
bool ReplaceEntry(AppModel& model, int list, std::size_t index, std::string_view line);

// Removes line index and its title; false, changing nothing, when index is not in both.
bool RemoveEntry(AppModel& model, int list, std::size_t index);

// The count beside the title list: the number of titles.
void ShowCount(AppModel& model, int list);

}  // namespace korva

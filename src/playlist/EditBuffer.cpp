#include "playlist/EditBuffer.h"

#include <algorithm>
#include <iterator>

#include "playlist/PlaylistEntry.h"
#include "text/Collation.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

bool InBoth(const AppModel& model, int list, std::size_t index) {
    return index < model.EditBuffer.size() && index < model.TitleLists[list].titles.size();
}

}  // namespace

std::string TitleOf(std::string_view line) {
    return std::string(ViewEntry(line).Name);
}

std::size_t InsertEntry(AppModel& model, int list, std::string_view line) {
    auto& buffer = model.EditBuffer;
    const auto place = std::upper_bound(buffer.begin(), buffer.end(), line, TitleLess{});
    const auto index = static_cast<std::size_t>(std::distance(buffer.begin(), place));
    auto& titles = model.TitleLists[list].titles;
    titles.insert(titles.begin() + static_cast<std::ptrdiff_t>(std::min(index, titles.size())),
                  ViewEntry(line).Name);
    buffer.insert(place, line);
    return index;
}

bool ReplaceEntry(AppModel& model, int list, std::size_t index, std::string_view line) {
    if (!InBoth(model, list, index))
        return false;
    model.TitleLists[list].titles.Set(index, ViewEntry(line).Name);
    model.EditBuffer.Set(index, line);
    return true;
}

bool RemoveEntry(AppModel& model, int list, std::size_t index) {
    if (!InBoth(model, list, index))
        return false;
    auto& titles = model.TitleLists[list].titles;
    titles.erase(titles.begin() + static_cast<std::ptrdiff_t>(index));
    model.EditBuffer.erase(model.EditBuffer.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void ShowCount(AppModel& model, int list) {
    model.TitleLists[list].countText = std::to_string(model.TitleLists[list].titles.size());
}

}  // namespace korva

#include "playlist/LineOrder.h"

namespace korva {

void SortTitles(std::vector<std::string>& lines) {
    Permute(lines, TitleOrder(lines));
}

void SortTitles(LineList& lines) {
    Permute(lines.Views(), TitleOrder(lines.Views()));
}

}  // namespace korva

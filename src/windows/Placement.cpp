#include "windows/Placement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korva {

namespace {

// The terms both placements share: the cell's column and row, and the fine adjustment.
struct GridCell {
    int column;
    int row;
    int h;
    int v;
};

std::optional<GridCell> CellOf(const Settings& settings) {
    if (settings.FIXDPOS >= 9)
        return std::nullopt;
    return GridCell{settings.FIXDPOS / 3, settings.FIXDPOS % 3, settings.ADJUSTH, settings.ADJUSTV};
}

}  // namespace

std::optional<ScreenPoint> FixedPosition(const Settings& settings, ScreenSize mainOuter, int mainClientHeight,
                                         ScreenSize screen) {
    const auto cell = CellOf(settings);
    if (!cell)
        return std::nullopt;
    const int w = mainOuter.width;
    const int ch = mainClientHeight;
    const int left = cell->column == 0   ? cell->h
                     : cell->column == 1 ? screen.width / 2 - w / 2
                                         : screen.width - w - cell->h;
    const int top = cell->row == 0   ? cell->v
                    : cell->row == 1 ? screen.height / 2 - ch / 2
                                     : screen.height - ch - cell->v;
    return ScreenPoint{left, top};
}

std::optional<ScreenPoint> VolumeWindowPosition(const Settings& settings, ScreenSize mainOuter,
                                                int mainClientHeight, ScreenSize volumeWindow,
                                                ScreenSize screen) {
    const auto cell = CellOf(settings);
    if (!cell)
        return std::nullopt;
    const int w = mainOuter.width;
    const int ch = mainClientHeight;
    const int vw = volumeWindow.width;
    const int left = cell->column == 0   ? w - vw + cell->h
                     : cell->column == 1 ? screen.width / 2 - vw / 2
                                         : screen.width - w - cell->h;
    const int top = cell->row == 0   ? ch + cell->v + 10
                    : cell->row == 1 ? screen.height / 2 + ch / 2 + 10
                                     : screen.height - ch - cell->v - volumeWindow.height - 10;
    return ScreenPoint{left, top};
}

ScreenPoint ManualPosition(const Settings& settings, ScreenSize mainOuter, ScreenSize screen) {
    const int x = settings.MANHPOS;
    const int y = settings.MANVPOS;
    if (x >= 0 && x <= screen.width - 321 && y >= 0 && y <= screen.height - 75)
        return ScreenPoint{x, y};
    return ScreenPoint{(screen.width - mainOuter.width) / 2, (screen.height - mainOuter.height) / 2};
}

namespace {

int ToInt(std::int64_t value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The start of a span of `length` within [areaStart, areaStart + areaLength), moved no further than
// needed; a span longer than the area starts where the area does.
int KeepInSpan(int start, int length, int areaStart, int areaLength) {
    const std::int64_t highest = std::int64_t{areaStart} + areaLength - length;
    if (highest < areaStart)
        return areaStart;
    return ToInt(std::clamp<std::int64_t>(start, areaStart, highest));
}

int FitLength(int length, int least, int area) {
    if (length <= 0)
        return least;
    return std::max(least, std::min(length, area));
}

}  // namespace

ScreenPoint CentreOf(const ScreenRect& rect) {
    return {ToInt(std::int64_t{rect.left} + rect.width / 2), ToInt(std::int64_t{rect.top} + rect.height / 2)};
}

ScreenPoint KeepInArea(ScreenPoint topLeft, ScreenSize window, const ScreenRect& area) {
    return {KeepInSpan(topLeft.x, window.width, area.left, area.width),
            KeepInSpan(topLeft.y, window.height, area.top, area.height)};
}

ScreenRect BringOntoArea(const ScreenRect& window, ScreenSize least, const ScreenRect& area) {
    const ScreenSize size{FitLength(window.width, least.width, area.width),
                          FitLength(window.height, least.height, area.height)};
    const ScreenPoint at = KeepInArea({window.left, window.top}, size, area);
    return {at.x, at.y, size.width, size.height};
}

ScreenSize OuterSizeFit::Request(ScreenSize outer) {
    pendingOuter_ = outer;
    applied_ = outer;
    return outer;
}

void OuterSizeFit::Resized(ScreenSize inner) {
    if (pendingOuter_ && inner != applied_)
        pendingOuter_.reset();
}

std::optional<ScreenSize> OuterSizeFit::FrameKnown(ScreenSize frame) {
    if (!pendingOuter_ || (frame.width <= 0 && frame.height <= 0))
        return std::nullopt;
    applied_ = {pendingOuter_->width - frame.width, pendingOuter_->height - frame.height};
    pendingOuter_.reset();
    return applied_;
}

}  // namespace korva

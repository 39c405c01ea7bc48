#include "app/Placement.h"

namespace korva {

std::optional<ScreenPoint> FixedPosition(const Settings& settings, ScreenSize mainOuter, int mainClientHeight,
                                         ScreenSize screen) {
    if (settings.FIXDPOS >= 9) return std::nullopt;
    const int column = settings.FIXDPOS / 3;
    const int row = settings.FIXDPOS % 3;
    const int h = settings.ADJUSTH;
    const int v = settings.ADJUSTV;
    const int w = mainOuter.width;
    const int ch = mainClientHeight;
    const int left = column == 0 ? h : column == 1 ? screen.width / 2 - w / 2 : screen.width - w - h;
    const int top = row == 0 ? v : row == 1 ? screen.height / 2 - ch / 2 : screen.height - ch - v;
    return ScreenPoint{left, top};
}

std::optional<ScreenPoint> VolumeWindowPosition(const Settings& settings, ScreenSize mainOuter,
                                                int mainClientHeight, ScreenSize volumeWindow, ScreenSize screen) {
    if (settings.FIXDPOS >= 9) return std::nullopt;
    const int column = settings.FIXDPOS / 3;
    const int row = settings.FIXDPOS % 3;
    const int h = settings.ADJUSTH;
    const int v = settings.ADJUSTV;
    const int w = mainOuter.width;
    const int ch = mainClientHeight;
    const int vw = volumeWindow.width;
    const int vh = volumeWindow.height;
    const int left = column == 0 ? w - vw + h : column == 1 ? screen.width / 2 - vw / 2 : screen.width - w - h;
    const int top = row == 0   ? ch + v + 10
                    : row == 1 ? screen.height / 2 + ch / 2 + 10
                               : screen.height - ch - v - vh - 10;
    return ScreenPoint{left, top};
}

ScreenPoint ManualPosition(const Settings& settings, ScreenSize mainOuter, ScreenSize screen) {
    const int x = settings.MANHPOS;
    const int y = settings.MANVPOS;
    if (x >= 0 && x <= screen.width - 321 && y >= 0 && y <= screen.height - 75) return ScreenPoint{x, y};
    return ScreenPoint{(screen.width - mainOuter.width) / 2, (screen.height - mainOuter.height) / 2};
}

}  // namespace korva

#include "windows/RemoteStrip.h"

#include <cmath>

namespace korva {

namespace {

// The default rounding mode rounds halves to the even neighbour.
int RoundHalfEven(double value) {
    return static_cast<int>(std::lrint(value));
}

}  // namespace

int StripWidth(const StripButtonWidths& widths) {
    return 7 * widths.back + 3 * widths.play + widths.power + widths.exit + 30;
}

ScreenPoint StripDragPosition(ScreenPoint cursor, int clientWidth, int clientHeight) {
    return {cursor.x - RoundHalfEven(clientWidth * 0.1), cursor.y - RoundHalfEven(clientHeight * 0.5)};
}

ScreenPoint StripTitleBar::SwitchOff(ScreenPoint strip, int cursorY, int clientHeight) {
    saved_ = strip;
    shown_ = false;
    return {strip.x, cursorY - clientHeight / 2};
}

ScreenPoint StripTitleBar::SwitchOn() {
    shown_ = true;
    return saved_;
}

}  // namespace korva

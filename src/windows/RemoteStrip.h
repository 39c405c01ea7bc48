#pragma once
// The remote strip's geometry: its width from its buttons, where it goes when its title bar is
// switched off and on again, and where it follows a drag by its handle. Pure arithmetic; the window
// moves itself.

#include "windows/Placement.h"

namespace korva {

// The widths of the strip's buttons that its width is made of; its client height is always the
// height of the back button.
struct StripButtonWidths {
    int back = 19;
    int play = 24;
    int power = 23;
    int exit = 32;
};
inline constexpr int kStripHeight = 21;

// Seven buttons as wide as the back button, three as wide as the play button, the power and EXIT
// buttons, and 30 pixels for the drag handle and the title-bar button.
int StripWidth(const StripButtonWidths& widths);

// The strip's top-left corner while it is dragged by its handle: the cursor stays at a tenth of the
// client width and half the client height, each rounded to the nearest integer, halves to even.
ScreenPoint StripDragPosition(ScreenPoint cursor, int clientWidth, int clientHeight);

// The strip's title bar. Switching it off remembers where the strip is and brings the strip's
// middle line under the cursor; switching it on returns the strip to the remembered place, however
// it was dragged meanwhile.
class StripTitleBar {
  public:
    bool Shown() const { return shown_; }
    // The strip's new top-left corner: the same left, the top at cursorY - clientHeight div 2.
    ScreenPoint SwitchOff(ScreenPoint strip, int cursorY, int clientHeight);
    // The place remembered when it was switched off.
    ScreenPoint SwitchOn();

  private:
    bool shown_ = true;
    ScreenPoint saved_;
};

}  // namespace korva

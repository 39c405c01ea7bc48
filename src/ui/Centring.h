#pragma once
// Where the program's windows appear: centred on the screen they belong to, or where they were
// stored, always on a screen's available area.

#include "windows/Placement.h"

class QRect;
class QWidget;

namespace korva {

// Moves a top-level window so that its outer frame is centred on the available area of its
// parent's screen, or of the primary screen when it has no parent; a window larger than the area
// keeps its top-left corner on it. Nothing moves without a screen.
void CentreOnScreen(QWidget& window);

// The available area (without panels and docks) of the screen that holds the point, or of the
// primary screen when none does; nullopt without any screen.
std::optional<ScreenRect> AvailableAreaAt(ScreenPoint point);

}  // namespace korva

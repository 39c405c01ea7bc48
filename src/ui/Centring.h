#pragma once
// Where the program's dialogs first appear: centred on the screen they belong to.

class QWidget;

namespace korva {

// Moves a top-level window so that its outer frame is centred on the available area of its
// parent's screen, or of the primary screen when it has no parent. Nothing moves without a screen.
void CentreOnScreen(QWidget& window);

}  // namespace korva

#pragma once
// Hints appear 20 pixels right of and below the mouse cursor, in every window of the program.

#include <QObject>
#include <QPoint>

class QWidget;

namespace korva {

// Shows (or hides) as hints the descriptions that a window's buttons carry for assistive tools.
void ShowButtonHints(QWidget& window, bool on);

inline constexpr QPoint kHintOffset{20, 20};

class HintPlacement : public QObject {
    Q_OBJECT
  public:
    explicit HintPlacement(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace korva

#pragma once
// Hints appear 20 pixels right of and below the mouse cursor, in every window of the program.

#include <QObject>
#include <QPoint>

namespace korva {

inline constexpr QPoint kHintOffset{20, 20};

class HintPlacement : public QObject {
    Q_OBJECT
  public:
    explicit HintPlacement(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace korva

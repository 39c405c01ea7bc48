#pragma once
// The volume window: ten level buttons that set the base level, ten buttons below them that set it
// and close the window, and the temporary down / up buttons. The button of the base level is down;
// the caption of the effective level is red.

#include <QDialog>
#include <array>

#include "app/AppModel.h"

class QPushButton;
class QToolButton;

namespace korva {

class VolumeControl;

class TVolDlg : public QDialog {
    Q_OBJECT
  public:
    TVolDlg(AppModel& model, QWidget* parent = nullptr);

    // The volume control is made after the window; until it is set the buttons do nothing.
    void SetVolumeControl(VolumeControl* volume) { volume_ = volume; }

    void MarkEffectiveLevel(int level);
    void SetBaseButtonDown(int level);

    // The level-button table, in level order.
    QToolButton* LevelButton(int level) const { return levelButtons_[static_cast<std::size_t>(level)]; }

    void LevelButtonClick(int level);
    void VolUpSpeedButtonClick();
    void VolDownSpeedButtonClick();

  private:
    AppModel& model_;
    VolumeControl* volume_ = nullptr;
    std::array<QToolButton*, 10> levelButtons_{};
    std::array<QToolButton*, 10> closeButtons_{};
    QToolButton* volDownButton_ = nullptr;
    QToolButton* volUpButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace korva

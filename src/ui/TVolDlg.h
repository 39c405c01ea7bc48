#pragma once
// The volume window: ten level buttons that set the base level, ten buttons below them that set it
// and close the window, and the temporary down / up buttons. The button of the base level is down;
// the caption of the effective level is red.

#include <QDialog>
#include <array>

#include "jukebox/Jukebox.h"
#include "playback/PlayerViews.h"
#include "windows/SettingsWindow.h"

class QPushButton;
class QToolButton;

namespace korva {

class TVolDlg : public QDialog, public VolumeWindowView, public WindowLook {
    Q_OBJECT
  public:
    // The buttons act on the jukebox's volume control.
    explicit TVolDlg(Jukebox& jukebox, QWidget* parent = nullptr);

    void MarkEffectiveLevel(int level) override;
    void SetBaseButtonDown(int level) override;

    // The level-button table, in level order.
    QToolButton* LevelButton(int level) const { return levelButtons_[static_cast<std::size_t>(level)]; }
    // The temporary down / up buttons, pressed by the remote window too.
    QToolButton* VolDownButton() const { return volDownButton_; }
    QToolButton* VolUpButton() const { return volUpButton_; }

    // Shows or hides the buttons' hints.
    void ApplyHints(bool on) override;

    void LevelButtonClick(int level);
    void VolUpSpeedButtonClick();
    void VolDownSpeedButtonClick();

  private:
    Jukebox& jukebox_;
    std::array<QToolButton*, 10> levelButtons_{};
    std::array<QToolButton*, 10> closeButtons_{};
    QToolButton* volDownButton_ = nullptr;
    QToolButton* volUpButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace korva

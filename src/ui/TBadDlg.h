#pragma once
// The bad-file window: lists playlist entries whose MIDI file is missing, in the list font. Created
// once at start-up; the path check fills it, gives it its caption and shows it without waiting.

#include <QDialog>
#include <string>

#include "app/AppModel.h"
#include "windows/SettingsWindow.h"

class QListWidget;

namespace korva {

class TBadDlg final : public QDialog, public WindowLook {
    Q_OBJECT
  public:
    explicit TBadDlg(AppModel& model, QWidget* parent = nullptr);

    void ClearBadList();
    void AddBadLine(const std::string& sjisLine);
    // Takes the caption and shows the window in front, centred the first time.
    void ShowBadList(const std::string& sjisCaption);
    // The list font of the settings (USEFONT, FONTSIZ).
    void ApplyListFont() override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The list keeps a margin of 10 pixels on every side.
    void FitBadList();

    AppModel& model_;
    QListWidget* badListBox_ = nullptr;
    bool placed_ = false;
};

}  // namespace korva

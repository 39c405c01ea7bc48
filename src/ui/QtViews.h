#pragma once
// The core's dialog and timer ports over Qt: message boxes, the folder dialog and timers.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/Ports.h"
#include "windows/SoundPage.h"

namespace korva {

// A message box with an OK button and the application's title, over the given window.
class QtMessageView final : public MessageView {
  public:
    explicit QtMessageView(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowMessage(const std::string& sjisText) override;

  private:
    QPointer<QWidget> parent_;
};

// Qt's own folder dialog (objectName "FolderDialog"), read-only: it offers no folder creation. A
// folder whose name Shift-JIS cannot hold is refused with a message and the dialog opens again.
class QtFolderDialog final : public FolderDialog {
  public:
    QtFolderDialog(QWidget* parent, MessageView& messages) : parent_(parent), messages_(messages) {}
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override;

  private:
    QPointer<QWidget> parent_;
    MessageView& messages_;
};

// Qt's open-file dialog (objectName "SoundFontDialog") for one existing SoundFont file, offering
// *.sf2 and *.sf3. A file whose path Shift-JIS cannot hold is refused with a message.
class QtSoundFontDialog final : public SoundFontDialog {
  public:
    QtSoundFontDialog(QWidget* parent, MessageView& messages) : parent_(parent), messages_(messages) {}
    std::optional<std::string> ChooseSoundFont(const std::string& sjisStartFolder) override;

  private:
    QPointer<QWidget> parent_;
    MessageView& messages_;
};

// A Qt timer of the user-interface thread whose ticks run a function.
class QtTimer final : public Timer {
  public:
    QtTimer(const QString& objectName, std::function<void()> onTick);
    void Start(int milliseconds) override { timer_.start(milliseconds); }
    void Stop() override { timer_.stop(); }

  private:
    QTimer timer_;
};

}  // namespace korva

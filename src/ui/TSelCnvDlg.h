#pragma once
// The conversion window ("オートコンバート"): shows which converter will turn a foreign sequencer
// file into a Standard MIDI File, lets the user pick the output folder and edit the command line,
// and starts the conversion once or for every following foreign file. Created once at start-up and
// shown modally when needed; its logic is the jukebox's AutoConvert.

#include <QDialog>

#include "convert/AutoConvert.h"
#include "jukebox/Jukebox.h"
#include "windows/SettingsWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace korva {

class TSelCnvDlg final : public QDialog, public ConversionWindowView, public WindowLook {
    Q_OBJECT
  public:
    explicit TSelCnvDlg(Jukebox& jukebox, QWidget* parent = nullptr);

    void ShowConversionWindow() override;
    void CloseConversionWindow() override;
    void ConversionFieldsChanged() override;

    void done(int result) override;
    // Shows or hides the buttons' hints.
    void ApplyHints(bool on) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QPushButton* MakeButton(const char* name, const QString& caption, const QString& hint, QRect at);
    QLabel* MakePanel(const char* name, QRect at);

    AutoConvert& logic_;
    QLabel* kindPanel_ = nullptr;
    QLabel* convPanel_ = nullptr;
    QLabel* outPutPanel_ = nullptr;
    QLabel* msgPanel_ = nullptr;
    QLineEdit* cnvEdit_ = nullptr;
    QPushButton* list0Button_ = nullptr;
    QPushButton* list1Button_ = nullptr;
    QPushButton* otherButton_ = nullptr;
    QPushButton* historyButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* continuousButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace korva

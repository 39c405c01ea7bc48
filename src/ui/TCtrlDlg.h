#pragma once
// The song control window ("プレイリスト編集とＳＭＦナイフ変換"): corrects the playing song's entry
// in both playlists, opens its TXT and DOC files through the song window, and passes the song
// through the SMF knife. Created once at start-up, shown modelessly when Play is pressed while a
// song plays; its logic is the jukebox's SongControl.

#include <QDialog>

#include "app/Ports.h"
#include "jukebox/Jukebox.h"
#include "playback/PlayerViews.h"
#include "windows/SongControl.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace korva {

class TViewDlg;

class TCtrlDlg final : public QDialog, public SongControlView, public SongControlWindowView {
    Q_OBJECT
  public:
    // The TXT and DOC buttons press songWindow's; messages tell of a name Shift-JIS cannot hold;
    // hints follow USEHNT2 as it is now.
    TCtrlDlg(Jukebox& jukebox, SongControl& logic, TViewDlg& songWindow, MessageView& messages,
             QWidget* parent = nullptr);
    ~TCtrlDlg() override;

    // SongControlView: what playing asks of the window.
    void ShowSongControlWindow() override;
    void CloseSongControlWindow() override;
    void SetCompanionFiles(bool txtExists, bool docExists) override;
    // SongControlWindowView.
    void SongControlFieldsChanged() override;

  public slots:
    void ChngButtonClick();
    void CloseButtonClick();
    void TxtSpeedButtonClick();
    void DocSpeedButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void BuildWindow(bool hints);
    QLabel* MakePanel(const char* name, const QString& caption, QRect at);
    QPushButton* MakeButton(const char* name, const QString& caption, QRect at);
    void FormActivate();

    SongControl& logic_;
    TViewDlg& songWindow_;
    MessageView& messages_;
    QLabel* pathPanel_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QButtonGroup* feelGroup_ = nullptr;
    QScrollBar* volScrollBar_ = nullptr;
    QLabel* volPanel_ = nullptr;
    QPushButton* chngButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* info0Panel_ = nullptr;
    QLabel* info1Panel_ = nullptr;
    QLabel* msgLabel_ = nullptr;
    QPushButton* cnv1SpeedButton_ = nullptr;
    QPushButton* cnv2SpeedButton_ = nullptr;
    QPushButton* txtSpeedButton_ = nullptr;
    QPushButton* docSpeedButton_ = nullptr;
};

}  // namespace korva

#pragma once
// The song window: the play queue as a list, one line per queued song. The user jumps to a song,
// steps back and forth, reads the current song's TXT or DOC file and remembers the window's bounds.
// Playback writes its caption, number panel, selection and document buttons. Created once at
// start-up, hidden; shown and hidden from then on.

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "jukebox/Jukebox.h"
#include "playback/PlayerViews.h"
#include "windows/Placement.h"
#include "windows/SettingsWindow.h"

class QLabel;
class QListView;
class QPushButton;
class QTimer;

namespace korva {

class DocumentViewer;
class SongLinesModel;

class TViewDlg final : public QDialog, public SongListView, public WindowLook {
    Q_OBJECT
  public:
    // Runs the window's creation: bounds, number panel, list font and hints from the settings.
    // Back, Next and the selection act on the jukebox's player; messages tell of a settings file
    // that cannot be written; the viewer opens the TXT and DOC files.
    TViewDlg(Jukebox& jukebox, MessageView& messages, DocumentViewer& viewer, QWidget* parent = nullptr);

    // Shows the window in front and sets SongWindowShown; with AUTOCLS on the automatic close
    // counts CLSTIME seconds from now.
    void ShowSongWindow() override;
    // Shows the model's song lines.
    void SongLinesChanged() override;

    // What playback writes.
    void HideSongWindow() override;
    void SetSongCaption(const std::string& sjisCaption) override;
    void SetSongNumber(int number) override;
    void SelectSongLine(int index) override;
    void SetCompanionFiles(bool txtExists, bool docExists) override;

    // The remote window's toggle: it reads the flag, and opens the window without an automatic close.
    bool SongWindowShown() const { return songWindowShown_; }
    void ShowWithoutAutoClose();

    // The panel's hints (USEHNT2).
    void ApplyHints(bool on) override;
    // The list font of the settings (USEFONT, FONTSIZ).
    void ApplyListFont() override;

  public slots:
    void SelBitBtnClick();
    void QuikBitBtnClick();
    void CloseBitBtnClick();
    void PosMemBitBtnClick();
    void TxtBitBtnClick();
    void DocBitBtnClick();
    void UpBitBtnClick();
    void DownBitBtnClick();
    void ViewListBoxDblClick();
    void CloseTimerTimer();

  protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildWindow();
    void FormCreate();
    void SetOuterBounds(int left, int top, int width, int height);
    void FitOuterSize();
    int SelectedLine() const;
    QPushButton* AddButton(const char* name, const QString& caption, const QString& hint);

    Jukebox& jukebox_;
    AppModel& model_;
    MessageView& messages_;
    DocumentViewer& viewer_;
    bool songWindowShown_ = false;
    // The stored size is the outer size; the frame's thickness is known only once the window is shown.
    OuterSizeFit outerSize_;

    QListView* viewListBox_ = nullptr;
    SongLinesModel* songLines_ = nullptr;  // the view's rows, read from the model's song lines
    QLabel* selMidiPanel_ = nullptr;
    QPushButton* selBitBtn_ = nullptr;
    QPushButton* quikBitBtn_ = nullptr;
    QPushButton* closeBitBtn_ = nullptr;
    QPushButton* posMemBitBtn_ = nullptr;
    QPushButton* txtBitBtn_ = nullptr;
    QPushButton* docBitBtn_ = nullptr;
    QPushButton* upBitBtn_ = nullptr;
    QPushButton* downBitBtn_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    std::vector<std::pair<QPushButton*, QString>> hints_;
};

}  // namespace korva

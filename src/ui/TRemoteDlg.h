#pragma once
// The remote window: the player folded into a one-line strip of small buttons that stays on top of
// other windows. Entered from the deck, it takes the deck's place while the deck hides; its buttons
// press the deck's and the volume window's buttons, toggle the song window and step the base
// volume, and its caption shows the status line. Without its title bar it is dragged by a small
// handle. Created once at start-up, hidden; shown and hidden from then on.

#include <QDialog>
#include <QPointer>
#include <optional>
#include <utility>
#include <vector>

#include "jukebox/Jukebox.h"
#include "ui/WindowLinks.h"
#include "windows/RemoteStrip.h"
#include "windows/SettingsWindow.h"

class QAbstractButton;
class QLabel;
class QMouseEvent;
class QTimer;
class QToolButton;

namespace korva {

class TMainForm;
class TViewDlg;

// The windows the strip stands in for and opens; both are made after it.
struct RemoteTargets {
    TMainForm* deck = nullptr;
    TViewDlg* songWindow = nullptr;
};

class TRemoteDlg final : public QDialog, public RemoteWindowLink, public WindowLook {
    Q_OBJECT
  public:
    // Hints follow USEHNT2 as it is now; the base-level buttons act on the jukebox's volume control.
    explicit TRemoteDlg(Jukebox& jukebox, QWidget* parent = nullptr);

    void SetTargets(const RemoteTargets& targets) { targets_ = targets; }

    void SetStatusCaption(const QString& text) override;
    // Hides the deck and shows the strip modally in its place.
    void EnterRemote() override;

    void ApplyHints(bool on) override;
    bool TitleBarShown() const { return titleBar_.Shown(); }
    // Whether the strip is still being kept at the place it was just given.
    bool PlaceHeld() const { return heldPlace_.has_value(); }

  public slots:
    void PowBitBtnClick();
    void ViewBitBtnClick();
    void ExitBitBtnClick();
    void DownBitBtnClick();
    void LeftBitBtnClick();
    void RightBitBtnClick();
    void UpBitBtnClick();
    void BarBitBtnClick();
    // Every way of closing the strip ends here: the deck comes back.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QToolButton* AddButton(const char* name, const QString& caption, const QString& hint, int width);
    void FitClientSize();
    void ShowModal();
    void FormClose();
    void FreePanelMouseMove(const QMouseEvent& event);
    // Switches the frame on or off and puts the strip's outer top-left corner at `at`.
    void PlaceWithTitleBar(bool shown, const QPoint& at);
    // Keeps the strip's outer corner at `at` for a moment: under X11 a change of frame makes a new
    // native window, and the window manager frames it after Qt has placed it.
    void HoldPlace(const QPoint& at);
    void KeepHeldPlace();
    // Where the client area must go to bring the outer corner to the held place, once the frame is
    // settled and the strip is not there; arriving there ends the hold.
    std::optional<QPoint> HeldPlaceMissed();
    void ReleasePlace();

    Jukebox& jukebox_;
    RemoteTargets targets_;
    StripTitleBar titleBar_;
    int nextLeft_ = 0;  // where the next control goes while the strip is built
    QToolButton* powBitBtn_ = nullptr;
    QLabel* freePanel_ = nullptr;
    QToolButton* backBitBtn_ = nullptr;
    QToolButton* playBitBtn_ = nullptr;
    QToolButton* exitBitBtn_ = nullptr;
    QToolButton* leftBitBtn_ = nullptr;
    QToolButton* rightBitBtn_ = nullptr;
    std::vector<std::pair<QWidget*, QString>> hints_;
    std::optional<QPoint> heldPlace_;
    int holdTicks_ = 0;
    QTimer* holdTimer_ = nullptr;
    // The windows that were usable when the strip was shown; they wait until it closes.
    std::vector<QPointer<QWidget>> blocked_;
};

}  // namespace korva

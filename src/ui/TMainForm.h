#pragma once
// The player window: a small borderless deck with the transport keys, a black display holding the
// list mode, the play order and the status line, and the volume controls. It shows the model and
// forwards every press to the core; the other windows are reached through optional links.

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "jukebox/Jukebox.h"
#include "playback/DroppedFiles.h"
#include "playback/PlayerViews.h"
#include "ui/Deck.h"
#include "ui/QtViews.h"
#include "ui/WindowLinks.h"
#include "windows/AutoStart.h"
#include "windows/SettingsWindow.h"
#include "windows/StatusLine.h"

namespace korva {

// The windows created after the main window that it opens itself; any may stay absent.
struct MainFormLinks {
    SettingsWindowLink* settingsWindow = nullptr;
    RemoteWindowLink* remoteWindow = nullptr;
    QWidget* volumeWindow = nullptr;  // opened beside the deck
};

class TMainForm : public QWidget,
                  public DeckView,
                  public StatusView,
                  public DeckVolumeView,
                  public SettingsDeckView,
                  private StatusDisplay {
    Q_OBJECT
  public:
    // Runs the window's creation: reads the settings into the jukebox's model, lays the deck out,
    // places it and starts its clock. The deck's buttons give the jukebox's commands.
    explicit TMainForm(Jukebox& jukebox, QWidget* parent = nullptr);

    void SetLinks(const MainFormLinks& links) { links_ = links; }

    // The last step of start-up, once the devices exist: auto start, when the settings ask for it.
    void ArmAutoStart();
    // Some platforms activate the deck as it is shown, before the devices and the other windows
    // are made; what activation does (the volume bar sets the level heard) waits for them, so that
    // it does not make them before the deck is first painted. Run once they exist.
    void RunWaitingActivation();

    void ShowStatus(const std::string& sjisText, StatusKind kind) override;
    void ShowModeLabel() override;
    const StatusLine& Status() const { return status_; }
    // The deck's keys and labels, for the remote window that reads them.
    const Deck& DeckControls() const { return deck_; }

    // Grid placement of the main window, and the volume window beside it.
    void ApplyFixedPosition();
    void PlaceVolumeWindow(QWidget& volumeWindow);

    // What playing shows on the deck.
    void SetPlayLabelLit(bool lit) override;
    void SetPauseLabelLit(bool lit) override;
    void ClearStatusLine() override;
    void EnableClock() override;
    void CancelAutoStart() override;
    void ShowVolumeControls() override;
    void SetVolumeBar(int level) override;
    // The power button's end: the deck keeps its place and closes, which ends the program.
    void Quit() override;

    // What the settings window changes on the deck.
    void ShowOrderLabel() override;
    void PlaceWindowsOnGrid() override;
    void ApplyStayOnTop() override;
    void HideVolumeControls() override;
    void ApplyDeckHints() override;
    void SettingsWindowClosed() override;
    void ApplyHints(bool on);

    // Plays files as if they had been dropped on the deck (Shift-JIS paths).
    void PlayDroppedNames(const std::vector<std::string>& names, DropSource source);
    // Brings the deck forward and plays local files as a drop does: from the desktop, the command
    // line or a later start of the program.
    void PlayLocalFiles(const QStringList& paths);

  public slots:
    void BaseTimerTimer();
    void OpenTimerTimer();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateTimers();
    void ConnectDeck();
    void FormCreate();
    void FormActivate();
    // Positions are kept relative to the screen the deck is on.
    QRect ScreenGeometry() const;

    void PowSpeedButtonMouseDown(Qt::MouseButton button);
    void IcoSpeedButtonMouseDown(Qt::MouseButton button);
    void BarSpeedButtonClick();
    void ListButtonMouseDown(Qt::MouseButton button, int list, QLabel* feedback);
    void PlaySpeedButtonMouseDown(Qt::MouseButton button);
    void SetUpSpeedButtonClick();
    void SetUpSpeedButtonMouseDown(Qt::MouseButton button);
    void ModeSpeedButtonMouseDown(Qt::MouseButton button);
    void StepOrder(bool forward);
    void ChooseFileAndPlay();
    void Panel3MouseDown(QPoint globalPos);
    void PanelDragMoved(QPoint globalPos);

    // StatusDisplay
    void SetDisplayText(const std::string& sjisText, StatusKind kind) override;
    int MeasureText(const std::string& sjisText) override;
    void SetRemoteCaption(const std::string& sjisText) override;
    void StopClock() override;
    std::string WeekdayName(int weekday) override;

    void VolLabelClick();
    PlayerCommands& Player() { return jukebox_.Commands(); }

    Jukebox& jukebox_;
    AppModel& model_;
    MainFormLinks links_;
    QtMessageView messages_;
    StatusLine status_;
    QTimer* baseTimer_ = nullptr;
    QTimer* openTimer_ = nullptr;
    bool manualDrag_ = false;
    bool activationWaits_ = false;
    QPoint dragOffset_;

    Deck deck_;
};

}  // namespace korva

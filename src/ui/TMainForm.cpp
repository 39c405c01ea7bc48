#include "ui/TMainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLocale>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <utility>

#include "app/Errors.h"
#include "app/PlayModes.h"
#include "app/SettingsFile.h"
#include "playback/VolumeLevels.h"
#include "text/Encoding.h"
#include "ui/DeckArt.h"
#include "ui/HintPlacement.h"
#include "ui/QtText.h"
#include "windows/Placement.h"
#include "windows/TitleScroll.h"

namespace korva {

TMainForm::TMainForm(Jukebox& jukebox, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      jukebox_(jukebox),
      model_(jukebox.Model()),
      messages_(this),
      status_(*this) {
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("KORVA97"));
    deck_ = BuildDeck(this);
    CreateTimers();
    ConnectDeck();
    FormCreate();
}

void TMainForm::CreateTimers() {
    baseTimer_ = new QTimer(this);
    baseTimer_->setObjectName(QStringLiteral("BaseTimer"));
    baseTimer_->setInterval(3000);
    openTimer_ = new QTimer(this);
    openTimer_->setObjectName(QStringLiteral("OpenTimer"));
}

void TMainForm::ConnectDeck() {
    connect(deck_.PowSpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Quit(); });
    connect(deck_.PowSpeedButton, &DeckButton::mouseDown, this, &TMainForm::PowSpeedButtonMouseDown);
    connect(deck_.IcoSpeedButton, &DeckButton::clicked, this, &QWidget::showMinimized);
    connect(deck_.IcoSpeedButton, &DeckButton::mouseDown, this, &TMainForm::IcoSpeedButtonMouseDown);
    connect(deck_.BarSpeedButton, &DeckButton::clicked, this, &TMainForm::BarSpeedButtonClick);
    connect(deck_.BackSpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Back(); });
    connect(deck_.BackSpeedButton, &DeckButton::mouseDown, this,
            [this](Qt::MouseButton b) { ListButtonMouseDown(b, 0, deck_.BackLabel); });
    connect(deck_.BackSpeedButton, &DeckButton::mouseUp, this,
            [this] { SetLabelLook(deck_.BackLabel, kTeal); });
    connect(deck_.NextSpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Next(); });
    connect(deck_.NextSpeedButton, &DeckButton::mouseDown, this,
            [this](Qt::MouseButton b) { ListButtonMouseDown(b, 1, deck_.NextLabel); });
    connect(deck_.NextSpeedButton, &DeckButton::mouseUp, this,
            [this] { SetLabelLook(deck_.NextLabel, kTeal); });
    connect(deck_.PlaySpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Play(); });
    connect(deck_.PlaySpeedButton, &DeckButton::mouseDown, this, &TMainForm::PlaySpeedButtonMouseDown);
    connect(deck_.PauseSpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Pause(); });
    connect(deck_.StopSpeedButton, &DeckButton::clicked, this, [this] { jukebox_.Stop(); });
    connect(deck_.StopSpeedButton, &DeckButton::mouseDown, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton)
            SetLabelLook(deck_.StopLabel, kLime);
    });
    connect(deck_.StopSpeedButton, &DeckButton::mouseUp, this,
            [this] { SetLabelLook(deck_.StopLabel, kTeal); });
    connect(deck_.SetUpSpeedButton, &DeckButton::clicked, this, &TMainForm::SetUpSpeedButtonClick);
    connect(deck_.SetUpSpeedButton, &DeckButton::mouseDown, this, &TMainForm::SetUpSpeedButtonMouseDown);
    connect(deck_.ModeSpeedButton, &DeckButton::mouseDown, this, &TMainForm::ModeSpeedButtonMouseDown);
    connect(deck_.RndSpeedButton, &DeckButton::clicked, this, [this] { StepOrder(true); });
    connect(deck_.RndSpeedButton, &DeckButton::mouseDown, this, [this](Qt::MouseButton b) {
        if (b == Qt::RightButton)
            StepOrder(false);
    });
    connect(deck_.DispLabel, &DeckLabel::clicked, this, [this] { jukebox_.ShowSongWindow(); });
    connect(deck_.VolLabel, &DeckLabel::clicked, this, &TMainForm::VolLabelClick);
    connect(deck_.UpLabel, &DeckLabel::clicked, this, [this] { jukebox_.VolumeUp(); });
    connect(deck_.DownLabel, &DeckLabel::clicked, this, [this] { jukebox_.VolumeDown(); });
    for (DeckLabel* label : {deck_.UpLabel, deck_.DownLabel}) {
        connect(label, &DeckLabel::mouseDown, this, [label] { SetLabelLook(label, kRed); });
        connect(label, &DeckLabel::mouseUp, this, [label] { SetLabelLook(label, kBlack); });
    }
    connect(deck_.VolScrollBar, &QScrollBar::valueChanged, this,
            [this](int position) { jukebox_.ChooseVolumeLevel(position); });
    for (DeckPanel* panel : {deck_.SideLImage, deck_.SideRImage, deck_.Panel1, deck_.Panel2}) {
        connect(panel, &DeckPanel::leftPressed, this, &TMainForm::Panel3MouseDown);
        connect(panel, &DeckPanel::dragMoved, this, &TMainForm::PanelDragMoved);
    }
    connect(baseTimer_, &QTimer::timeout, this, &TMainForm::BaseTimerTimer);
    connect(openTimer_, &QTimer::timeout, this, &TMainForm::OpenTimerTimer);
}

void TMainForm::FormCreate() {
    Settings& s = model_.settings;
    setAcceptDrops(true);
    if (qApp)
        qApp->installEventFilter(new HintPlacement(this));
    ShowOrderLabel();
    // Said on the status line: a message box would hold an unattended start until someone answers.
    const std::string refused =
        ReadSettings(model_.folders.SettingsPath(), s, [this](std::uint8_t) { ShowOrderLabel(); });
    if (!refused.empty())
        ShowStatus(refused, StatusKind::Error);
    LayOutDeck(deck_, this, s.DELUXED != 0);
    ApplyStayOnTop();
    ApplyHints(s.USEHNT1);
    ShowModeLabel();
    if (s.POSCTRL || s.MANHPOS == -999 || s.MANVPOS == -999) {
        ApplyFixedPosition();
    } else {
        const QRect screen = ScreenGeometry();
        const ScreenPoint at = ManualPosition(s, {width(), height()}, {screen.width(), screen.height()});
        move(screen.topLeft() + QPoint(at.x, at.y));
    }
    baseTimer_->start();
}

void TMainForm::ArmAutoStart() {
    if (const auto autoStart = AutoStartOf(model_.settings)) {
        openTimer_->start(autoStart->delayMilliseconds);
        ShowStatus(autoStart->notice, StatusKind::Notice);
    }
}

void TMainForm::FormActivate() {
    const std::string& initvol = model_.settings.INITVOL;
    deck_.VolScrollBar->setValue(VolumeBarOfDigit(initvol.empty() ? '\0' : initvol.front()));
    ApplyStayOnTop();
    if (links_.settingsWindow)
        links_.settingsWindow->ShowDropIndicator(model_.settings.VIWFRNT);
}

void TMainForm::ApplyHints(bool on) {
    for (auto& [widget, hint] : deck_.hints) widget->setToolTip(on ? hint : QString());
}

void TMainForm::ApplyStayOnTop() {
    const bool onTop = model_.settings.VIWFRNT;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible)
        show();
}

void TMainForm::ShowModeLabel() {
    deck_.ModeLabel->setText(QString::fromStdString(ModeCode(model_.settings.PLAYMOD)));
}

void TMainForm::ShowOrderLabel() {
    deck_.InfoLabel->setText(QString::fromStdString(OrderCode(model_.settings.RNDMODE)));
}

void TMainForm::ShowStatus(const std::string& sjisText, StatusKind kind) {
    status_.Show(sjisText, kind, model_.settings);
}

QRect TMainForm::ScreenGeometry() const {
    return (screen() ? screen() : QGuiApplication::primaryScreen())->geometry();
}

void TMainForm::ApplyFixedPosition() {
    const QRect screen = ScreenGeometry();
    const QSize outer = frameGeometry().size();
    if (auto at = FixedPosition(model_.settings, {outer.width(), outer.height()}, height(),
                                {screen.width(), screen.height()}))
        move(screen.topLeft() + QPoint(at->x, at->y));
}

void TMainForm::PlaceVolumeWindow(QWidget& volumeWindow) {
    const QRect screen = ScreenGeometry();
    const QSize outer = frameGeometry().size();
    const QSize volume = volumeWindow.frameGeometry().size();
    if (auto at = VolumeWindowPosition(model_.settings, {outer.width(), outer.height()}, height(),
                                       {volume.width(), volume.height()}, {screen.width(), screen.height()}))
        volumeWindow.move(screen.topLeft() + QPoint(at->x, at->y));
}

void TMainForm::SetPlayLabelLit(bool lit) {
    SetLabelLook(deck_.PlayLabel, lit ? kLime : kTeal);
}
void TMainForm::SetPauseLabelLit(bool lit) {
    SetLabelLook(deck_.PauseLabel, lit ? kYellow : kTeal);
}
void TMainForm::ClearStatusLine() {
    deck_.DispLabel->clear();
}
void TMainForm::EnableClock() {
    baseTimer_->start();
}
void TMainForm::CancelAutoStart() {
    openTimer_->stop();
}
void TMainForm::SettingsWindowClosed() {
    SetLabelLook(deck_.SetUpLabel, kTeal);
}

void TMainForm::ShowVolumeControls() {
    korva::ShowVolumeControls(deck_);
}

void TMainForm::HideVolumeControls() {
    korva::ShowVolumeControls(deck_, false);
    if (links_.volumeWindow)
        links_.volumeWindow->close();
}

void TMainForm::PlaceWindowsOnGrid() {
    ApplyFixedPosition();
    if (links_.volumeWindow)
        PlaceVolumeWindow(*links_.volumeWindow);
}

void TMainForm::ApplyDeckHints() {
    ApplyHints(model_.settings.USEHNT1);
}

void TMainForm::SetVolumeBar(int level) {
    deck_.VolScrollBar->setValue(level);
}

void TMainForm::BaseTimerTimer() {
    status_.Tick(Player().DevicePlaying() || model_.play.PauseFlag, model_.settings, model_.play.ScrollPos,
                 jukebox_.TheClock());
}

void TMainForm::OpenTimerTimer() {
    openTimer_->stop();
    jukebox_.Play();
}

void TMainForm::Quit() {
    Settings& s = model_.settings;
    if (!s.POSCTRL) {
        const QPoint at = frameGeometry().topLeft() - ScreenGeometry().topLeft();
        s.MANHPOS = at.x();
        s.MANVPOS = at.y();
        try {
            SaveMainPosition(model_.folders.SettingsPath(), s);
        } catch (const WriteError& error) {
            // Reported, but the quit goes on: from a read-only folder the deck could never be closed.
            messages_.ShowMessage(error.Text());
        }
    }
    close();
}

void TMainForm::PowSpeedButtonMouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton)
        return;
    try {
        SaveSettings(model_.folders.SettingsPath(), model_.settings, messages_);
    } catch (const WriteError& error) {
        messages_.ShowMessage(error.Text());
    }
}

void TMainForm::IcoSpeedButtonMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton && links_.remoteWindow)
        links_.remoteWindow->EnterRemote();
}

void TMainForm::BarSpeedButtonClick() {
    const QPoint at = pos();
    setWindowFlag(Qt::FramelessWindowHint, !windowFlags().testFlag(Qt::FramelessWindowHint));
    move(at);
    show();
    Player().ReplayIfPlaying();
}

void TMainForm::ListButtonMouseDown(Qt::MouseButton button, int list, QLabel* feedback) {
    if (button != Qt::RightButton) {
        SetLabelLook(feedback, kLime);
    } else if (links_.settingsWindow) {
        links_.settingsWindow->OpenListPage(list);
        SetUpSpeedButtonClick();
    }
}

void TMainForm::PlaySpeedButtonMouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton || !links_.settingsWindow)
        return;
    links_.settingsWindow->OpenSearchPage();
    SetUpSpeedButtonClick();
    links_.settingsWindow->FocusSearchEdit();
}

void TMainForm::SetUpSpeedButtonClick() {
    if (!links_.settingsWindow) {
        SettingsWindowClosed();  // no window opens that could turn the label back
        return;
    }
    links_.settingsWindow->LoadSettingsWindow();
    links_.settingsWindow->ShowSettingsWindow();
}

void TMainForm::SetUpSpeedButtonMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ChooseFileAndPlay();
    } else {
        SetLabelLook(deck_.SetUpLabel, kLime);
    }
}

void TMainForm::ModeSpeedButtonMouseDown(Qt::MouseButton button) {
    if (!StepListMode(model_.settings, button == Qt::LeftButton, Player()))
        return;
    ShowModeLabel();
    if (links_.settingsWindow)
        links_.settingsWindow->CheckListMode(model_.settings.PLAYMOD);
}

void TMainForm::StepOrder(bool forward) {
    const auto order = SteppedOrder(model_.settings.RNDMODE, forward);
    if (!order)
        return;
    model_.settings.RNDMODE = *order;
    if (links_.settingsWindow)
        links_.settingsWindow->PressOrderButton(*order);
    ShowOrderLabel();
}

void TMainForm::ChooseFileAndPlay() {
    QFileDialog dialog(this, QStringLiteral("ＭＩＤＩファイルを選択してください"), QString(),
                       QStringLiteral("MID File(*.MID);;RCP File(*.RCP);;SNG File(*.SNG);;ALL File(*.*)"));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = dialog.selectedFiles().front();
    if (auto name = ToSjis(chosen)) {
        PlayDroppedNames({*name}, DropSource::FileChoice);
    } else {
        messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(chosen)}));
    }
}

void TMainForm::PlayDroppedNames(const std::vector<std::string>& names, DropSource source) {
    // Files that come while the core waits in a dialog (handed over by a second start, or by the
    // media controls) are played once it is done.
    if (jukebox_.Busy()) {
        QTimer::singleShot(250, this, [this, names, source] { PlayDroppedNames(names, source); });
        return;
    }
    jukebox_.PlayDropped(names, source);
}

void TMainForm::VolLabelClick() {
    if (!links_.volumeWindow || !jukebox_.PrepareVolumeWindow())
        return;
    PlaceVolumeWindow(*links_.volumeWindow);
    links_.volumeWindow->show();
    links_.volumeWindow->raise();
}

// While the deck stays on top it takes no drops, as the settings window's indicator and the stay-on-top
// box's hint tell the user.
void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !model_.settings.VIWFRNT)
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    if (model_.settings.VIWFRNT)
        return;
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    PlayLocalFiles(paths);
}

void TMainForm::PlayLocalFiles(const QStringList& paths) {
    raise();
    activateWindow();
    std::vector<std::string> names;
    std::vector<std::string> unusable;
    for (const QString& path : paths) {
        if (auto name = ToSjis(path)) {
            names.push_back(std::move(*name));
        } else {
            unusable.push_back(ToSjisForMessage(path));
        }
    }
    if (!unusable.empty())
        messages_.ShowMessage(UnholdableNamesMessage(unusable));
    PlayDroppedNames(names, DropSource::Drop);
}

void TMainForm::Panel3MouseDown(QPoint globalPos) {
    // The window manager moves the window where it can; otherwise the deck follows the mouse itself.
    manualDrag_ = !(windowHandle() && windowHandle()->startSystemMove());
    dragOffset_ = globalPos - pos();
}

void TMainForm::PanelDragMoved(QPoint globalPos) {
    if (manualDrag_)
        move(globalPos - dragOffset_);
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (jukebox_.StartFinished())
            FormActivate();
        else
            activationWaits_ = true;
    }
}

void TMainForm::RunWaitingActivation() {
    if (std::exchange(activationWaits_, false) && isActiveWindow())
        FormActivate();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Closing the deck ends the program, even while other windows are shown.
    QCoreApplication::quit();
}

void TMainForm::SetDisplayText(const std::string& sjisText, StatusKind kind) {
    const StatusStyle style = StyleOf(kind);
    SetLabelLook(deck_.DispLabel, style.rgb, style.italic);
    deck_.DispLabel->setText(FromSjis(sjisText));
}

int TMainForm::MeasureText(const std::string& sjisText) {
    return QFontMetrics(deck_.DispLabel->font()).horizontalAdvance(FromSjis(sjisText));
}

void TMainForm::SetRemoteCaption(const std::string& sjisText) {
    if (links_.remoteWindow)
        links_.remoteWindow->SetStatusCaption(FromSjis(sjisText));
}

void TMainForm::StopClock() {
    baseTimer_->stop();
}

std::string TMainForm::WeekdayName(int weekday) {
    const int qtDay = weekday == 0 ? 7 : weekday;  // Qt counts Monday as 1 and Sunday as 7
    if (auto name = ToSjis(QLocale().dayName(qtDay, QLocale::LongFormat)))
        return *name;
    return QLocale::c().dayName(qtDay, QLocale::LongFormat).toStdString();
}

}  // namespace korva

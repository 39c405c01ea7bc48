#include "ui/TRemoteDlg.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "ui/Deck.h"
#include "ui/DeckArt.h"
#include "ui/TMainForm.h"
#include "ui/TViewDlg.h"

namespace korva {

namespace {

// The controls' widths, left to right; with these the strip is 290 pixels wide.
constexpr StripButtonWidths kWidths;
constexpr int kPanelWidth = 11;
constexpr int kBarWidth = 19;
constexpr int kGlyphSize = 14;
// For how long after the strip is placed (ticks of 50 ms) a window manager's late framing is
// corrected.
constexpr int kPlaceHoldTick = 50;
constexpr int kPlaceHoldTicks = 40;

const QColor kInk(0x22, 0x25, 0x2a);
const QColor kPowerInk(0xc0, 0x18, 0x18);

}  // namespace

TRemoteDlg::TRemoteDlg(Jukebox& jukebox, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), jukebox_(jukebox) {
    setObjectName(QStringLiteral("TRemoteDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
    setFont(DeckFont(11));

    const auto glyph = [](QToolButton* button, Glyph g) {
        button->setIcon(GlyphIcon(g, g == Glyph::Power ? kPowerInk : kInk, kGlyphSize));
        button->setIconSize({kGlyphSize, kGlyphSize});
    };
    powBitBtn_ = AddButton("PowBitBtn", QString(), QStringLiteral("終了する"), kWidths.power);
    glyph(powBitBtn_, Glyph::Power);

    freePanel_ = new QLabel(QStringLiteral("＊"), this);
    freePanel_->setObjectName(QStringLiteral("FreePanel"));
    freePanel_->setAlignment(Qt::AlignCenter);
    freePanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    freePanel_->setGeometry(nextLeft_, 0, kPanelWidth, kStripHeight);
    freePanel_->setCursor(Qt::SizeAllCursor);
    freePanel_->installEventFilter(this);
    hints_.emplace_back(freePanel_, QStringLiteral("タイトルバーなしの時、左ドラッグで移動する"));
    nextLeft_ += kPanelWidth;

    auto* view =
        AddButton("ViewBitBtn", QStringLiteral("L"), QStringLiteral("演奏リストをON･OFFする"), kWidths.back);
    backBitBtn_ = AddButton("BackBitBtn", QStringLiteral("<"), QStringLiteral("前の曲に移る"), kWidths.back);
    auto* next = AddButton("NextBitBtn", QStringLiteral(">"), QStringLiteral("次の曲に移る"), kWidths.back);
    playBitBtn_ = AddButton("PlayBitBtn", QString(), QStringLiteral("PLAYボタン"), kWidths.play);
    glyph(playBitBtn_, Glyph::Play);
    auto* pause = AddButton("PauseBitBtn", QString(), QStringLiteral("PAUSEボタン"), kWidths.play);
    glyph(pause, Glyph::Pause);
    auto* stop = AddButton("StopBitBtn", QString(), QStringLiteral("STOPボタン"), kWidths.play);
    glyph(stop, Glyph::Stop);
    exitBitBtn_ =
        AddButton("ExitBitBtn", QStringLiteral("EXIT"), QStringLiteral("通常表示に切り替える"), kWidths.exit);
    auto* down = AddButton("DownBitBtn", QString(), QStringLiteral("基準音量を下げる"), kWidths.back);
    glyph(down, Glyph::BaseDown);
    leftBitBtn_ =
        AddButton("LeftBitBtn", QStringLiteral("D"), QStringLiteral("音量を一時下げる"), kWidths.back);
    rightBitBtn_ =
        AddButton("RightBitBtn", QStringLiteral("U"), QStringLiteral("音量を一時上げる"), kWidths.back);
    auto* up = AddButton("UpBitBtn", QString(), QStringLiteral("基準音量を上げる"), kWidths.back);
    glyph(up, Glyph::BaseUp);
    auto* bar =
        AddButton("BarBitBtn", QStringLiteral("T"), QStringLiteral("タイトルバーをON･OFFする"), kBarWidth);

    connect(powBitBtn_, &QToolButton::clicked, this, &TRemoteDlg::PowBitBtnClick);
    connect(view, &QToolButton::clicked, this, &TRemoteDlg::ViewBitBtnClick);
    // The transport keys give the same commands as the deck's.
    const auto give = [this](QToolButton* button, void (Actions::*command)()) {
        connect(button, &QToolButton::clicked, this,
                [this, command] { (static_cast<Actions&>(jukebox_).*command)(); });
    };
    give(backBitBtn_, &Actions::Back);
    give(next, &Actions::Next);
    give(playBitBtn_, &Actions::Play);
    give(pause, &Actions::Pause);
    give(stop, &Actions::Stop);
    connect(exitBitBtn_, &QToolButton::clicked, this, &TRemoteDlg::ExitBitBtnClick);
    connect(down, &QToolButton::clicked, this, &TRemoteDlg::DownBitBtnClick);
    connect(leftBitBtn_, &QToolButton::clicked, this, &TRemoteDlg::LeftBitBtnClick);
    connect(rightBitBtn_, &QToolButton::clicked, this, &TRemoteDlg::RightBitBtnClick);
    connect(up, &QToolButton::clicked, this, &TRemoteDlg::UpBitBtnClick);
    connect(bar, &QToolButton::clicked, this, &TRemoteDlg::BarBitBtnClick);

    for (auto& [widget, hint] : hints_) widget->setAccessibleDescription(hint);
    ApplyHints(jukebox.Model().settings.USEHNT2);
    FitClientSize();

    holdTimer_ = new QTimer(this);
    holdTimer_->setInterval(kPlaceHoldTick);
    connect(holdTimer_, &QTimer::timeout, this, &TRemoteDlg::KeepHeldPlace);
}

QToolButton* TRemoteDlg::AddButton(const char* name, const QString& caption, const QString& hint, int width) {
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    // A button that shows only a glyph is spoken by its hint.
    button->setAccessibleName(caption.isEmpty() ? hint : caption);
    button->setGeometry(nextLeft_, 0, width, kStripHeight);
    nextLeft_ += width;
    hints_.emplace_back(button, hint);
    return button;
}

void TRemoteDlg::ApplyHints(bool on) {
    for (auto& [widget, hint] : hints_) widget->setToolTip(on ? hint : QString());
}

void TRemoteDlg::FitClientSize() {
    setFixedSize(
        StripWidth({backBitBtn_->width(), playBitBtn_->width(), powBitBtn_->width(), exitBitBtn_->width()}),
        backBitBtn_->height());
}

void TRemoteDlg::SetStatusCaption(const QString& text) {
    setWindowTitle(text);
}

void TRemoteDlg::EnterRemote() {
    if (!targets_.deck)
        return;
    TMainForm& deck = *targets_.deck;
    deck.hide();
    FitClientSize();
    move(deck.pos());
    HoldPlace(deck.pos());
    // The temporary volume buttons work exactly when the deck shows its own (a volume-capable
    // device was found); the deck is hidden now, so its labels' own visibility is what counts.
    rightBitBtn_->setEnabled(!deck.DeckControls().UpLabel->isHidden());
    leftBitBtn_->setEnabled(!deck.DeckControls().DownLabel->isHidden());
    ShowModal();
}

void TRemoteDlg::ShowModal() {
    // Modal as the windows of this program are: what was open before cannot be used until the strip
    // closes, while a window opened from the strip (the song window) can.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window != this && window->isVisible() && window->isEnabled() &&
            (type == Qt::Window || type == Qt::Dialog)) {
            window->setEnabled(false);
            blocked_.emplace_back(window);
        }
    }
    show();
}

void TRemoteDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

void TRemoteDlg::HoldPlace(const QPoint& at) {
    heldPlace_ = at;
    holdTicks_ = 0;
    holdTimer_->start();
}

void TRemoteDlg::KeepHeldPlace() {
    if (!heldPlace_ || ++holdTicks_ > kPlaceHoldTicks) {
        ReleasePlace();
        return;
    }
    if (const auto misplaced = HeldPlaceMissed())
        windowHandle()->setPosition(*misplaced);
}

std::optional<QPoint> TRemoteDlg::HeldPlaceMissed() {
    QWindow* window = windowHandle();
    if (!heldPlace_ || !isVisible() || !window)
        return std::nullopt;
    // Until the window manager has framed (or unframed) the new native window there is nothing to
    // measure. The widget's own idea of its frame may be stale; the native window's is not.
    const QMargins frame = window->frameMargins();
    const bool framed = frame.top() > 0 || frame.left() > 0;
    if (framed != titleBar_.Shown())
        return std::nullopt;
    if (window->framePosition() == *heldPlace_) {
        // Arrived. With a title bar the user may drag the strip by it from now on; without one
        // only the handle moves it, and that ends the hold itself.
        if (titleBar_.Shown())
            ReleasePlace();
        return std::nullopt;
    }
    // Placed by the client area, as the native window measures its own frame.
    return *heldPlace_ + QPoint(frame.left(), frame.top());
}

void TRemoteDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    HeldPlaceMissed();
}

void TRemoteDlg::ReleasePlace() {
    heldPlace_.reset();
    holdTimer_->stop();
}

void TRemoteDlg::done(int result) {
    QDialog::done(result);
    FormClose();
}

void TRemoteDlg::FormClose() {
    for (const QPointer<QWidget>& window : blocked_) {
        if (window)
            window->setEnabled(true);
    }
    blocked_.clear();
    if (targets_.deck) {
        targets_.deck->show();
        targets_.deck->activateWindow();
    }
}

void TRemoteDlg::PowBitBtnClick() {
    jukebox_.Quit();
    close();
}

void TRemoteDlg::ViewBitBtnClick() {
    TViewDlg* songWindow = targets_.songWindow;
    if (!songWindow)
        return;
    if (songWindow->SongWindowShown()) {
        songWindow->CloseBitBtnClick();
    } else {
        songWindow->setEnabled(true);  // opened from the strip, so usable beside it
        songWindow->ShowWithoutAutoClose();
    }
}

void TRemoteDlg::ExitBitBtnClick() {
    if (!titleBar_.Shown())
        BarBitBtnClick();
    close();
}

void TRemoteDlg::DownBitBtnClick() {
    jukebox_.StepBaseVolume(-1);
}

void TRemoteDlg::UpBitBtnClick() {
    jukebox_.StepBaseVolume(+1);
}

// The volume window's temporary steps, which act while that window is blocked under the strip.
void TRemoteDlg::LeftBitBtnClick() {
    jukebox_.VolumeDown();
}

void TRemoteDlg::RightBitBtnClick() {
    jukebox_.VolumeUp();
}

void TRemoteDlg::BarBitBtnClick() {
    const QPoint cursor = QCursor::pos();
    if (titleBar_.Shown()) {
        const ScreenPoint at = titleBar_.SwitchOff({x(), y()}, cursor.y(), backBitBtn_->height());
        PlaceWithTitleBar(false, {at.x, at.y});
    } else {
        const ScreenPoint at = titleBar_.SwitchOn();
        PlaceWithTitleBar(true, {at.x, at.y});
    }
}

void TRemoteDlg::PlaceWithTitleBar(bool shown, const QPoint& at) {
    const bool wasVisible = isVisible();
    // Changing the frame hides the window (X11 makes a new native window for it).
    setWindowFlag(Qt::FramelessWindowHint, !shown);
    FitClientSize();
    if (shown) {
        move(at);
    } else {
        // Without a frame the client area is the whole window. Placing it by move() would add
        // the thickness of the frame just removed, which Qt still remembers.
        setGeometry(QRect(at, size()));
    }
    HoldPlace(at);
    if (wasVisible)
        show();
}

bool TRemoteDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == freePanel_) {
        if (event->type() == QEvent::MouseButtonPress) {
            event->accept();  // the handle keeps the mouse while it is held
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            FreePanelMouseMove(*static_cast<QMouseEvent*>(event));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TRemoteDlg::FreePanelMouseMove(const QMouseEvent& event) {
    if (titleBar_.Shown() || event.buttons() != Qt::LeftButton || event.modifiers() != Qt::NoModifier)
        return;
    const QPoint cursor = event.globalPosition().toPoint();
    const ScreenPoint at = StripDragPosition({cursor.x(), cursor.y()}, width(), height());
    ReleasePlace();
    setGeometry(QRect(QPoint(at.x, at.y), size()));  // without a frame the client area is the window
}

}  // namespace korva

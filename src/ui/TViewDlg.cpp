#include "ui/TViewDlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Errors.h"
#include "ui/Centring.h"
#include "ui/DocumentViewer.h"
#include "ui/ListFont.h"
#include "ui/QtText.h"
#include "ui/SongLinesModel.h"
#include "windows/SongWindow.h"

namespace korva {

namespace {

constexpr int kPanelHeight = 52;
constexpr int kMargin = 10;

}  // namespace

TViewDlg::TViewDlg(Jukebox& jukebox, MessageView& messages, DocumentViewer& viewer, QWidget* parent)
    : QDialog(parent), jukebox_(jukebox), model_(jukebox.Model()), messages_(messages), viewer_(viewer) {
    BuildWindow();
    FormCreate();
}

QPushButton* TViewDlg::AddButton(const char* name, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    // A glyph button is spoken by its hint, a captioned one by its caption.
    button->setAccessibleName(caption.isEmpty() ? hint : caption);
    button->setAccessibleDescription(hint);
    hints_.emplace_back(button, hint);
    return button;
}

void TViewDlg::BuildWindow() {
    setObjectName(QStringLiteral("TViewDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
    setSizeGripEnabled(true);

    viewListBox_ = new QListView(this);
    viewListBox_->setObjectName(QStringLiteral("ViewListBox"));
    songLines_ = new SongLinesModel(model_.SongLines, viewListBox_);
    viewListBox_->setModel(songLines_);
    viewListBox_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewListBox_->setAccessibleName(QStringLiteral("演奏リスト"));
    viewListBox_->setSelectionMode(QAbstractItemView::SingleSelection);
    viewListBox_->setUniformItemSizes(true);

    selMidiPanel_ = new QLabel(this);
    selMidiPanel_->setObjectName(QStringLiteral("SelMidiPanel"));
    selMidiPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    selMidiPanel_->setAlignment(Qt::AlignCenter);
    selMidiPanel_->setMinimumWidth(40);

    selBitBtn_ = AddButton("SelBitBtn", QStringLiteral("SELECT"), QStringLiteral("指定した曲に変更する"));
    quikBitBtn_ =
        AddButton("QuikBitBtn", QStringLiteral("QUICK"), QStringLiteral("曲を選択してウィンドウを閉じる"));
    closeBitBtn_ =
        AddButton("CloseBitBtn", QStringLiteral("CLOSE"), QStringLiteral("このウィンドウを閉じる"));
    posMemBitBtn_ =
        AddButton("PosMemBitBtn", QStringLiteral("M"), QStringLiteral("ウィンドウ位置とサイズを保存する"));
    txtBitBtn_ = AddButton("TxtBitBtn", QStringLiteral("TXT"), QStringLiteral("TXTファイルがあれば閲覧する"));
    docBitBtn_ = AddButton("DocBitBtn", QStringLiteral("DOC"), QStringLiteral("DOCファイルがあれば閲覧する"));
    upBitBtn_ = AddButton("UpBitBtn", QString(), QStringLiteral("前の曲に戻る"));
    downBitBtn_ = AddButton("DownBitBtn", QString(), QStringLiteral("次の曲に移る"));
    upBitBtn_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    downBitBtn_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    txtBitBtn_->setEnabled(false);
    docBitBtn_->setEnabled(false);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ButtonPanel"));
    panel->setFixedHeight(kPanelHeight);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(kMargin, 2, kMargin, 4);
    rows->setSpacing(2);
    auto* top = new QHBoxLayout;
    top->setSpacing(2);
    top->addWidget(selMidiPanel_);
    for (QPushButton* button : {selBitBtn_, quikBitBtn_, closeBitBtn_}) top->addWidget(button, 1);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(2);
    for (QPushButton* button : {upBitBtn_, downBitBtn_}) bottom->addWidget(button);
    for (QPushButton* button : {posMemBitBtn_, txtBitBtn_, docBitBtn_}) bottom->addWidget(button, 1);
    rows->addLayout(top);
    rows->addLayout(bottom);
    for (QPushButton* button : {selBitBtn_, quikBitBtn_, closeBitBtn_, posMemBitBtn_, txtBitBtn_, docBitBtn_,
                                upBitBtn_, downBitBtn_}) {
        button->setFixedHeight(22);
        button->setMinimumWidth(24);  // the design width of 297 must hold all of them
    }
    selMidiPanel_->setFixedHeight(22);

    // The list keeps a margin on three sides; the button panel runs along the whole bottom edge.
    auto* listRow = new QHBoxLayout;
    listRow->setContentsMargins(kMargin, kMargin, kMargin, 0);
    listRow->addWidget(viewListBox_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(listRow, 1);
    layout->addWidget(panel);

    closeTimer_ = new QTimer(this);
    closeTimer_->setObjectName(QStringLiteral("CloseTimer"));
    closeTimer_->setInterval(10000);
    closeTimer_->setSingleShot(true);

    connect(selBitBtn_, &QPushButton::clicked, this, &TViewDlg::SelBitBtnClick);
    connect(quikBitBtn_, &QPushButton::clicked, this, &TViewDlg::QuikBitBtnClick);
    connect(closeBitBtn_, &QPushButton::clicked, this, &TViewDlg::CloseBitBtnClick);
    connect(posMemBitBtn_, &QPushButton::clicked, this, &TViewDlg::PosMemBitBtnClick);
    connect(txtBitBtn_, &QPushButton::clicked, this, &TViewDlg::TxtBitBtnClick);
    connect(docBitBtn_, &QPushButton::clicked, this, &TViewDlg::DocBitBtnClick);
    connect(upBitBtn_, &QPushButton::clicked, this, &TViewDlg::UpBitBtnClick);
    connect(downBitBtn_, &QPushButton::clicked, this, &TViewDlg::DownBitBtnClick);
    connect(viewListBox_, &QListView::doubleClicked, this, &TViewDlg::ViewListBoxDblClick);
    connect(closeTimer_, &QTimer::timeout, this, &TViewDlg::CloseTimerTimer);
}

void TViewDlg::FormCreate() {
    const Settings& s = model_.settings;
    if (const auto bounds = RememberedSongWindowBounds(s)) {
        // Stored bounds may come from another screen or from a hand-edited file: they are brought
        // onto a screen, no smaller than the buttons need.
        const ScreenRect stored{bounds->left, bounds->top, bounds->width, bounds->height};
        const QSize least = minimumSizeHint();
        const ScreenRect fit =
            BringOntoArea(stored, {least.width(), least.height()},
                          AvailableAreaAt(CentreOf(stored))
                              .value_or(ScreenRect{0, 0, kSongWindowWidth, kSongWindowHeight}));
        SetOuterBounds(fit.left, fit.top, fit.width, fit.height);
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area =
            screen ? screen->availableGeometry() : QRect(0, 0, kSongWindowWidth, kSongWindowHeight);
        SetOuterBounds(area.x() + (area.width() - kSongWindowWidth) / 2,
                       area.y() + (area.height() - kSongWindowHeight) / 2, kSongWindowWidth,
                       kSongWindowHeight);
    }
    SetSongNumber(model_.play.QueuePosition + 1);
    ApplyListFont();
    ApplyHints(s.USEHNT2);
    SongLinesChanged();
}

void TViewDlg::SetOuterBounds(int left, int top, int width, int height) {
    move(left, top);
    const ScreenSize inner = outerSize_.Request({width, height});
    resize(inner.width, inner.height);
    FitOuterSize();
}

void TViewDlg::FitOuterSize() {
    const QSize frame = frameGeometry().size() - size();
    if (const auto inner = outerSize_.FrameKnown({frame.width(), frame.height()}))
        resize(inner->width, inner->height);
}

void TViewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FitOuterSize();
}

void TViewDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    FitOuterSize();
}

void TViewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    outerSize_.Resized({event->size().width(), event->size().height()});
}

void TViewDlg::ApplyHints(bool on) {
    for (auto& [button, hint] : hints_) button->setToolTip(on ? hint : QString());
}

void TViewDlg::ApplyListFont() {
    viewListBox_->setFont(ListFont(model_.settings));
}

void TViewDlg::ShowSongWindow() {
    ShowWithoutAutoClose();
    if (const auto interval = AutoCloseIntervalOnShow(model_.settings)) {
        closeTimer_->stop();
        closeTimer_->setInterval(*interval);
        // An interval of 0 never closes the window.
        if (*interval > 0)
            closeTimer_->start();
    }
}

void TViewDlg::ShowWithoutAutoClose() {
    show();
    raise();
    activateWindow();
    songWindowShown_ = true;
}

void TViewDlg::HideSongWindow() {
    hide();
    closeTimer_->stop();
}

void TViewDlg::SongLinesChanged() {
    songLines_->Reset();
}

void TViewDlg::SetSongCaption(const std::string& sjisCaption) {
    setWindowTitle(FromSjis(sjisCaption));
}

void TViewDlg::SetSongNumber(int number) {
    selMidiPanel_->setText(QString::number(number));
}

void TViewDlg::SelectSongLine(int index) {
    if (index >= 0 && index < songLines_->rowCount()) {
        viewListBox_->setCurrentIndex(songLines_->index(index));
    } else {
        viewListBox_->clearSelection();
        viewListBox_->setCurrentIndex(QModelIndex());
    }
}

void TViewDlg::SetCompanionFiles(bool txtExists, bool docExists) {
    txtBitBtn_->setEnabled(txtExists);
    docBitBtn_->setEnabled(docExists);
}

int TViewDlg::SelectedLine() const {
    const QModelIndexList selected = viewListBox_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void TViewDlg::SelBitBtnClick() {
    SelectQueueEntry(model_.play, SelectedLine(), jukebox_.Commands());
}

void TViewDlg::QuikBitBtnClick() {
    if (QuickSelectQueueEntry(model_.play, SelectedLine(), jukebox_.Commands()))
        CloseBitBtnClick();
}

void TViewDlg::CloseBitBtnClick() {
    songWindowShown_ = false;
    closeTimer_->stop();
    hide();
}

void TViewDlg::PosMemBitBtnClick() {
    const QRect outer = frameGeometry();
    try {
        StoreSongWindowBounds({outer.x(), outer.y(), outer.width(), outer.height()}, model_.settings,
                              model_.folders.SettingsPath());
    } catch (const UserError& error) {
        messages_.ShowMessage(error.Text());
    }
}

void TViewDlg::TxtBitBtnClick() {
    if (const auto document = CurrentCompanionDocument(model_, DocumentKind::Txt))
        viewer_.Open(*document);
}

void TViewDlg::DocBitBtnClick() {
    if (const auto document = CurrentCompanionDocument(model_, DocumentKind::Doc))
        viewer_.Open(*document);
}

void TViewDlg::UpBitBtnClick() {
    jukebox_.Back();
}

void TViewDlg::DownBitBtnClick() {
    jukebox_.Next();
}

void TViewDlg::ViewListBoxDblClick() {
    SelBitBtnClick();
}

void TViewDlg::CloseTimerTimer() {
    CloseBitBtnClick();
}

}  // namespace korva

#include "ui/TArtsDlg.h"

#include "ui/Centring.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/ListFont.h"
#include "ui/QtText.h"

namespace korva {

namespace {

constexpr int kGlyphSize = 24;

// An arrow pointing right (from the artist list to the pick-up list) or left (back).
QIcon ArrowGlyph(bool right, const QColor& fill) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(kGlyphSize, kGlyphSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    // Drawn pointing right; mirrored for the other way.
    arrow.moveTo(3, 9);
    arrow.lineTo(12, 9);
    arrow.lineTo(12, 4);
    arrow.lineTo(21, 12);
    arrow.lineTo(12, 20);
    arrow.lineTo(12, 15);
    arrow.lineTo(3, 15);
    arrow.closeSubpath();
    if (!right) {
        painter.translate(kGlyphSize, 0);
        painter.scale(-1, 1);
    }
    painter.setPen(QPen(fill.darker(160), 1.2));
    painter.setBrush(fill);
    painter.drawPath(arrow);
    return QIcon(pixmap);
}

// Fills the list when its rows differ, so that an unchanged list keeps the user's selection.
void ShowRows(QListWidget* list, const std::vector<std::string>& rows) {
    bool same = list->count() == static_cast<int>(rows.size());
    for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == FromSjis(rows[i]);
    if (same)
        return;
    list->clear();
    for (const std::string& row : rows) list->addItem(FromSjis(row));
}

// The selected row; -1 when nothing is selected, whatever row has the focus frame.
int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

}  // namespace

TArtsDlg::TArtsDlg(Jukebox& jukebox, QWidget* parent)
    : QDialog(parent), model_(jukebox.Model()), selection_(jukebox.Artists()) {
    BuildWindow();
    ApplyListFont();
    ApplyHints(model_.settings.USEHNT2);
}

QListWidget* TArtsDlg::AddList(const char* name, const QString& caption) {
    auto* list = new QListWidget(this);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(caption);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    return list;
}

QPushButton* TArtsDlg::AddButton(const char* name, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    // A glyph button is spoken by its hint, a captioned one by its caption.
    button->setAccessibleName(caption.isEmpty() ? hint : caption);
    button->setAccessibleDescription(hint);
    hints_.emplace_back(button, hint);
    return button;
}

void TArtsDlg::BuildWindow() {
    setObjectName(QStringLiteral("TArtsDlg"));
    setWindowTitle(QStringLiteral("アーチストの選択"));

    artistListBox_ = AddList("ArtistListBox", QStringLiteral("Artist List"));
    pickUpListBox_ = AddList("PickUpListBox", QStringLiteral("PickUp List"));
    dataListBox_ = AddList("DataListBox", QStringLiteral("MIDI_Data List"));
    for (QListWidget* list : {artistListBox_, pickUpListBox_}) list->setFixedWidth(150);
    dataListBox_->setFixedWidth(260);
    for (QListWidget* list : {artistListBox_, pickUpListBox_, dataListBox_}) list->setFixedHeight(240);

    getBitBtn_ = AddButton("GetBitBtn", QString(), QStringLiteral("選択する"));
    putBitBtn_ = AddButton("PutBitBtn", QString(), QStringLiteral("選択解除する"));
    getBitBtn_->setIcon(ArrowGlyph(true, QColor(0x2E, 0x8B, 0x57)));
    putBitBtn_->setIcon(ArrowGlyph(false, QColor(0xC0, 0x50, 0x30)));
    for (QPushButton* button : {getBitBtn_, putBitBtn_}) {
        button->setIconSize(QSize(kGlyphSize, kGlyphSize));
        button->setFixedSize(40, 34);
    }
    okBitBtn_ = AddButton("OkBitBtn", QStringLiteral("OK"), QStringLiteral("決定する"));
    cansBitBtn_ = AddButton("CansBitBtn", QStringLiteral("CANS"), QStringLiteral("なにもしないで閉じる"));
    okBitBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    cansBitBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    okBitBtn_->setDefault(true);
    for (QPushButton* button : {okBitBtn_, cansBitBtn_}) button->setMinimumWidth(100);
    speedButton1_ = AddButton("SpeedButton1", QStringLiteral("Data Scan [Artist or PickUp]"),
                              QStringLiteral("指定アーチストの曲データを検索する"));
    speedButton1_->setFocusPolicy(Qt::NoFocus);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 8, 10, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const auto caption = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    grid->addWidget(caption(QStringLiteral("Artist List"), artistListBox_), 0, 0);
    grid->addWidget(caption(QStringLiteral("PickUp List"), pickUpListBox_), 0, 2);
    grid->addWidget(caption(QStringLiteral("MIDI_Data List"), dataListBox_), 0, 3);
    grid->addWidget(artistListBox_, 1, 0);
    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(getBitBtn_);
    arrows->addSpacing(12);
    arrows->addWidget(putBitBtn_);
    arrows->addStretch();
    grid->addLayout(arrows, 1, 1);
    grid->addWidget(pickUpListBox_, 1, 2);
    grid->addWidget(dataListBox_, 1, 3);
    auto* closers = new QHBoxLayout;
    closers->addStretch();
    closers->addWidget(okBitBtn_);
    closers->addWidget(cansBitBtn_);
    closers->addStretch();
    grid->addLayout(closers, 2, 0, 1, 3);
    grid->addWidget(speedButton1_, 2, 3);
    // A dialog border: the window keeps the size its controls give it.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(getBitBtn_, &QPushButton::clicked, this, &TArtsDlg::GetBitBtnClick);
    connect(putBitBtn_, &QPushButton::clicked, this, &TArtsDlg::PutBitBtnClick);
    connect(okBitBtn_, &QPushButton::clicked, this, &TArtsDlg::OkBitBtnClick);
    connect(cansBitBtn_, &QPushButton::clicked, this, &TArtsDlg::CansBitBtnClick);
    connect(speedButton1_, &QPushButton::clicked, this, &TArtsDlg::SpeedButton1Click);
    connect(artistListBox_, &QListWidget::itemDoubleClicked, this, &TArtsDlg::ArtistListBoxDblClick);
    connect(pickUpListBox_, &QListWidget::itemDoubleClicked, this, &TArtsDlg::PickUpListBoxDblClick);
}

void TArtsDlg::ApplyHints(bool on) {
    for (auto& [button, hint] : hints_) button->setToolTip(on ? hint : QString());
}

void TArtsDlg::ApplyListFont() {
    const QFont font = ListFont(model_.settings);
    for (QListWidget* list : {artistListBox_, pickUpListBox_, dataListBox_}) list->setFont(font);
}

void TArtsDlg::PaintPending() {
    // The clicks wait: only what is already there to paint is painted.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TArtsDlg::SetWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void TArtsDlg::ArtistListsChanged() {
    ShowRows(artistListBox_, selection_.Artists());
    ShowRows(pickUpListBox_, selection_.PickUps());
    ShowRows(dataListBox_, selection_.DataTitles());
}

void TArtsDlg::ShowArtistsWindow() {
    exec();
}

void TArtsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen at the size its lists and font give it now.
    CentreOnScreen(*this);
}

void TArtsDlg::GetBitBtnClick() {
    selection_.GetArtist(SelectedRow(artistListBox_));
}

void TArtsDlg::PutBitBtnClick() {
    selection_.PutArtist(SelectedRow(pickUpListBox_));
}

void TArtsDlg::ArtistListBoxDblClick(QListWidgetItem* item) {
    selection_.GetArtist(artistListBox_->row(item));
}

void TArtsDlg::PickUpListBoxDblClick(QListWidgetItem* item) {
    selection_.PutArtist(pickUpListBox_->row(item));
}

void TArtsDlg::OkBitBtnClick() {
    if (selection_.OkBitBtnClick())
        accept();
}

void TArtsDlg::CansBitBtnClick() {
    selection_.CansBitBtnClick();
    reject();
}

void TArtsDlg::SpeedButton1Click() {
    selection_.DataScan(SelectedRow(artistListBox_), SelectedRow(pickUpListBox_));
}

}  // namespace korva

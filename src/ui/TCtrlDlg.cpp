#include "ui/TCtrlDlg.h"

#include "ui/Centring.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "text/Encoding.h"
#include "ui/ListFont.h"
#include "ui/QtText.h"
#include "ui/TViewDlg.h"

namespace korva {

namespace {

constexpr int kClientWidth = 362;
constexpr int kClientHeight = 280;

QString InkName(SearchInk ink) {
    switch (ink) {
        case SearchInk::Cyan:
            return QStringLiteral("#00ffff");
        case SearchInk::White:
            return QStringLiteral("#ffffff");
        default:
            return QStringLiteral("#008080");
    }
}

void ColourPanel(QLabel* panel, const QString& background, const QString& ink) {
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(
        QStringLiteral("background-color: %1; color: %2; font-weight: bold;").arg(background, ink));
}

void SetTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

// The busy cursor while the playlists are searched and written.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TCtrlDlg::TCtrlDlg(Jukebox& jukebox, SongControl& logic, TViewDlg& songWindow, MessageView& messages,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      logic_(logic),
      songWindow_(songWindow),
      messages_(messages) {
    BuildWindow(jukebox.Model().settings.USEHNT2);
    nameEdit_->setFont(ListFont(jukebox.Model().settings));
    logic_.AttachWindow(this);
    SongControlFieldsChanged();
}

TCtrlDlg::~TCtrlDlg() {
    logic_.AttachWindow(nullptr);
}

QLabel* TCtrlDlg::MakePanel(const char* name, const QString& caption, QRect at) {
    auto* panel = new QLabel(caption, this);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(at);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QPushButton* TCtrlDlg::MakeButton(const char* name, const QString& caption, QRect at) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(at);
    button->setAutoDefault(false);
    return button;
}

void TCtrlDlg::BuildWindow(bool hints) {
    setObjectName(QStringLiteral("TCtrlDlg"));
    setWindowTitle(QStringLiteral("プレイリスト編集とＳＭＦナイフ変換"));
    setFixedSize(kClientWidth, kClientHeight);

    ColourPanel(MakePanel("Panel4", QStringLiteral("プレイリスト編集"), {8, 6, 346, 20}),
                QStringLiteral("green"), QStringLiteral("white"));
    pathPanel_ = MakePanel("PathPanel", QString(), {8, 30, 346, 20});
    pathPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pathPanel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("NameEdit"));
    nameEdit_->setGeometry(8, 54, 346, 22);
    nameEdit_->setAccessibleName(QStringLiteral("曲名"));

    const QString feelHint = QStringLiteral("再生確率（L=200/M=100/S=50/R=0%）");
    auto* feelBox = new QGroupBox(QStringLiteral(" あなたはこの曲が? "), this);
    feelBox->setObjectName(QStringLiteral("FeelRadioGroup"));
    feelBox->setGeometry(8, 80, 170, 94);
    feelBox->setAccessibleDescription(feelHint);
    if (hints)
        feelBox->setToolTip(feelHint);
    feelGroup_ = new QButtonGroup(this);
    const QString items[] = {QStringLiteral("とても好きです(L)"), QStringLiteral("普通かな?(M)"),
                             QStringLiteral("それほどでも(S)"), QStringLiteral("しばらくお休み(R)")};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(items[i], feelBox);
        radio->setObjectName(QStringLiteral("Feel%1RadioButton").arg(i));
        radio->setGeometry(10, 18 + 18 * i, 152, 18);
        feelGroup_->addButton(radio, i);
    }
    connect(feelGroup_, &QButtonGroup::idClicked, this, [this](int id) { logic_.FeelRadioGroupClick(id); });

    auto* scale = new QLabel(QStringLiteral("-5  AUTO VOL +5"), this);
    scale->setObjectName(QStringLiteral("Label3"));
    scale->setGeometry(186, 84, 124, 16);
    scale->setAlignment(Qt::AlignCenter);
    const QString volHint = QStringLiteral("自動音量調整値の設定をする");
    volScrollBar_ = new QScrollBar(Qt::Horizontal, this);
    volScrollBar_->setObjectName(QStringLiteral("VolScrollBar"));
    volScrollBar_->setGeometry(186, 102, 124, 18);
    volScrollBar_->setRange(-5, 5);
    volScrollBar_->setPageStep(1);
    volScrollBar_->setAccessibleName(QStringLiteral("AUTO VOL"));
    volScrollBar_->setAccessibleDescription(volHint);
    if (hints)
        volScrollBar_->setToolTip(volHint);
    connect(volScrollBar_, &QScrollBar::valueChanged, this,
            [this](int position) { logic_.VolScrollBarChange(position); });
    volPanel_ = MakePanel("VolPanel", QString(), {314, 102, 40, 18});
    volPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    chngButton_ = MakeButton("ChngButton", QStringLiteral("変更する"), {186, 124, 82, 24});
    closeButton_ = MakeButton("CloseButton", QStringLiteral("閉じる"), {272, 124, 82, 24});
    info0Panel_ = MakePanel("Info0Panel", QString(), {186, 152, 82, 20});
    info1Panel_ = MakePanel("Info1Panel", QString(), {272, 152, 82, 20});

    auto* information = new QGroupBox(QStringLiteral(" INFORMATION "), this);
    information->setObjectName(QStringLiteral("GroupBox1"));
    information->setGeometry(8, 176, 346, 68);
    msgLabel_ = new QLabel(information);
    msgLabel_->setObjectName(QStringLiteral("MsgLabel"));
    msgLabel_->setGeometry(8, 18, 330, 46);
    msgLabel_->setWordWrap(true);
    msgLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    msgLabel_->setContentsMargins(3, 3, 3, 0);  // clear of the frame's lines

    ColourPanel(MakePanel("Panel5", QStringLiteral("ＳＭＦナイフ変換"), {8, 250, 112, 26}),
                QStringLiteral("olive"), QStringLiteral("white"));
    cnv1SpeedButton_ = MakeButton("Cnv1SpeedButton", QStringLiteral("1"), {124, 250, 66, 26});
    cnv2SpeedButton_ = MakeButton("Cnv2SpeedButton", QStringLiteral("2"), {194, 250, 66, 26});
    txtSpeedButton_ = MakeButton("TxtSpeedButton", QStringLiteral("TXT"), {264, 250, 43, 26});
    docSpeedButton_ = MakeButton("DocSpeedButton", QStringLiteral("DOC"), {311, 250, 43, 26});
    txtSpeedButton_->setEnabled(false);
    docSpeedButton_->setEnabled(false);

    connect(chngButton_, &QPushButton::clicked, this, &TCtrlDlg::ChngButtonClick);
    connect(closeButton_, &QPushButton::clicked, this, &TCtrlDlg::CloseButtonClick);
    connect(cnv1SpeedButton_, &QPushButton::clicked, this, [this] { logic_.Cnv1SpeedButtonClick(); });
    connect(cnv2SpeedButton_, &QPushButton::clicked, this, [this] { logic_.Cnv2SpeedButtonClick(); });
    connect(txtSpeedButton_, &QPushButton::clicked, this, &TCtrlDlg::TxtSpeedButtonClick);
    connect(docSpeedButton_, &QPushButton::clicked, this, &TCtrlDlg::DocSpeedButtonClick);
}

void TCtrlDlg::ShowSongControlWindow() {
    FormActivate();
    show();
    raise();
    activateWindow();
}

void TCtrlDlg::CloseSongControlWindow() {
    close();
}

void TCtrlDlg::SetCompanionFiles(bool txtExists, bool docExists) {
    txtSpeedButton_->setEnabled(txtExists);
    docSpeedButton_->setEnabled(docExists);
}

void TCtrlDlg::FormActivate() {
    logic_.FormActivate();
    // The name is the user's from here on; only filling puts one in.
    nameEdit_->setText(FromSjis(logic_.Fields().name));
}

bool TCtrlDlg::event(QEvent* event) {
    // Coming back to the window refills it only when another song plays now, so that returning from
    // another window keeps what the user has typed.
    if (event->type() == QEvent::WindowActivate && !logic_.ShowsCurrentSong())
        FormActivate();
    return QDialog::event(event);
}

void TCtrlDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}

void TCtrlDlg::SongControlFieldsChanged() {
    const SongControlFields& fields = logic_.Fields();
    SetTextIfChanged(pathPanel_, FromSjis(fields.path));
    {
        // The group lets every button go only while it is not exclusive.
        feelGroup_->setExclusive(false);
        for (QAbstractButton* radio : feelGroup_->buttons())
            radio->setChecked(feelGroup_->id(radio) == fields.feel);
        feelGroup_->setExclusive(true);
    }
    {
        const QSignalBlocker blocker(volScrollBar_);
        volScrollBar_->setValue(fields.volPosition);
    }
    SetTextIfChanged(volPanel_, FromSjis(fields.volText));
    chngButton_->setEnabled(fields.changeEnabled);
    cnv1SpeedButton_->setEnabled(fields.knifeEnabled);
    cnv2SpeedButton_->setEnabled(fields.knifeEnabled);
    cnv1SpeedButton_->setText(FromSjis(fields.knifeCaption1));
    cnv2SpeedButton_->setText(FromSjis(fields.knifeCaption2));
    QLabel* const panels[] = {info0Panel_, info1Panel_};
    for (std::size_t list = 0; list < 2; ++list) {
        QLabel* panel = panels[list];
        SetTextIfChanged(panel, FromSjis(fields.search[list].caption));
        ColourPanel(panel, QStringLiteral("navy"), InkName(fields.search[list].ink));
    }
    SetTextIfChanged(msgLabel_, FromSjis(fields.message));
}

void TCtrlDlg::ChngButtonClick() {
    // The field is read at the press, whoever set its text: typing, a screen reader or speech input
    // (which change the text without an edit signal).
    const auto name = ToSjis(nameEdit_->text());
    if (!name) {
        messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(nameEdit_->text())}));
        return;
    }
    logic_.NameEditChange(*name);
    const WaitCursor busy;
    logic_.ChngButtonClick();
}

void TCtrlDlg::CloseButtonClick() {
    close();
}

void TCtrlDlg::TxtSpeedButtonClick() {
    songWindow_.TxtBitBtnClick();
}

void TCtrlDlg::DocSpeedButtonClick() {
    songWindow_.DocBitBtnClick();
}

}  // namespace korva

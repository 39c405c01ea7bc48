#include "ui/TSelCnvDlg.h"

#include "ui/Centring.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/HintPlacement.h"
#include "ui/QtText.h"

namespace korva {

namespace {

QLabel* Caption(QWidget* parent, const QString& text, QRect at) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(at);
    return label;
}

void SetTextIfChanged(QLabel* label, const std::string& sjis) {
    const QString text = FromSjis(sjis);
    if (label->text() != text)
        label->setText(text);
}

}  // namespace

TSelCnvDlg::TSelCnvDlg(Jukebox& jukebox, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      logic_(jukebox.Conversion()) {
    setObjectName(QStringLiteral("TSelCnvDlg"));
    setWindowTitle(QStringLiteral("オートコンバート"));
    setFixedSize(514, 233);

    Caption(this, QStringLiteral("タイプ"), {8, 4, 60, 16});
    kindPanel_ = MakePanel("KindPanel", {8, 22, 60, 22});
    kindPanel_->setAlignment(Qt::AlignCenter);
    Caption(this, QStringLiteral("使用コンバータ"), {76, 4, 110, 16});
    convPanel_ = MakePanel("ConvPanel", {76, 22, 110, 22});
    Caption(this, QStringLiteral("コンバート先のフォルダ"), {194, 4, 312, 16});
    outPutPanel_ = MakePanel("OutPutPanel", {194, 22, 312, 22});

    cnvEdit_ = new QLineEdit(this);
    cnvEdit_->setObjectName(QStringLiteral("CnvEdit"));
    cnvEdit_->setGeometry(8, 50, 498, 22);
    cnvEdit_->setAccessibleName(QStringLiteral("コマンドライン"));
    // Every change of the text, typed or set by an assistive tool (which sends no edit signal).
    connect(cnvEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { logic_.CnvEditChange(ToSjisForMessage(text)); });

    auto* control = Caption(this, QStringLiteral("Auto Convert Control"), {8, 78, 150, 22});
    msgPanel_ = MakePanel("MsgPanel", {158, 78, 348, 22});
    for (QLabel* navy : {control, msgPanel_}) {
        navy->setAutoFillBackground(true);
        navy->setStyleSheet(
            QStringLiteral("background-color: navy; color: white; font-weight: bold; padding-left: 4px;"));
    }

    auto* group = new QGroupBox(QStringLiteral(" コンバート先の選択 "), this);
    group->setGeometry(8, 106, 330, 121);
    list0Button_ = MakeButton("List0SpeedButton", QStringLiteral("リスト０フォルダ"),
                              QStringLiteral("リスト０のフォルダにコンバートする"), {16, 126, 100, 26});
    list1Button_ = MakeButton("List1SpeedButton", QStringLiteral("リスト１フォルダ"),
                              QStringLiteral("リスト１のフォルダにコンバートする"), {122, 126, 100, 26});
    otherButton_ = MakeButton("OtherSpeedButton", QStringLiteral("新規に選択する"),
                              QStringLiteral("コンバート先のフォルダを選択する"), {228, 126, 102, 26});
    for (QPushButton* folderButton : {list0Button_, list1Button_, otherButton_})
        folderButton->setCheckable(true);
    auto* historyLabel = Caption(this, QStringLiteral("▼前回選択したフォルダを指定"), {16, 160, 314, 20});
    historyLabel->setAutoFillBackground(true);
    historyLabel->setStyleSheet(QStringLiteral("background-color: #c0c0c0; padding-left: 4px;"));
    historyButton_ = MakeButton("CnvHisSpeedButton", QString(),
                                QStringLiteral("前回選択したフォルダにコンバートする"), {16, 184, 314, 26});

    startButton_ = MakeButton("StartButton", QStringLiteral("１曲毎に確認しながら変換"),
                              QStringLiteral("このファイルをコンバートして再生する"), {346, 112, 160, 34});
    continuousButton_ =
        MakeButton("CntiCnvButton", QStringLiteral("確認を省略して連続変換"),
                   QStringLiteral("以後のファイルも確認せずにコンバートする"), {346, 152, 160, 34});
    cancelButton_ = MakeButton("CansButton", QStringLiteral("コンバートを中止"),
                               QStringLiteral("コンバートせずに閉じる"), {346, 192, 160, 34});
    for (QPushButton* button : {list0Button_, list1Button_, otherButton_, historyButton_, startButton_,
                                continuousButton_, cancelButton_})
        button->setAutoDefault(false);

    connect(list0Button_, &QPushButton::clicked, this, [this] { logic_.List0SpeedButtonClick(); });
    connect(list1Button_, &QPushButton::clicked, this, [this] { logic_.List1SpeedButtonClick(); });
    connect(otherButton_, &QPushButton::clicked, this, [this] { logic_.OtherSpeedButtonClick(); });
    connect(historyButton_, &QPushButton::clicked, this, [this] { logic_.CnvHisSpeedButtonClick(); });
    connect(startButton_, &QPushButton::clicked, this, [this] { logic_.StartButtonClick(); });
    connect(continuousButton_, &QPushButton::clicked, this, [this] { logic_.CntiCnvButtonClick(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { logic_.CansButtonClick(); });
    ConversionFieldsChanged();
    ApplyHints(jukebox.Model().settings.USEHNT2);
}

void TSelCnvDlg::ApplyHints(bool on) {
    ShowButtonHints(*this, on);
}

QPushButton* TSelCnvDlg::MakeButton(const char* name, const QString& caption, const QString& hint, QRect at) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(at);
    button->setAccessibleDescription(hint);
    return button;
}

QLabel* TSelCnvDlg::MakePanel(const char* name, QRect at) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(at);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

void TSelCnvDlg::ShowConversionWindow() {
    exec();
}

void TSelCnvDlg::CloseConversionWindow() {
    close();
}

void TSelCnvDlg::done(int result) {
    logic_.FormClose();
    QDialog::done(result);
}

void TSelCnvDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
    logic_.FormActivate();
}

void TSelCnvDlg::ConversionFieldsChanged() {
    const ConversionFields& fields = logic_.Fields();
    SetTextIfChanged(kindPanel_, fields.kind);
    SetTextIfChanged(convPanel_, fields.converter);
    SetTextIfChanged(outPutPanel_, fields.outputFolder);
    SetTextIfChanged(msgPanel_, fields.message);
    const QString commandLine = FromSjis(fields.commandLine);
    if (cnvEdit_->text() != commandLine)
        cnvEdit_->setText(commandLine);
    const QString history = FromSjis(fields.historyCaption);
    historyButton_->setText(history);
    historyButton_->setAccessibleName(history.isEmpty() ? QStringLiteral("前回選択したフォルダ") : history);
    historyButton_->setEnabled(fields.historyEnabled);
    startButton_->setEnabled(fields.startEnabled);
    continuousButton_->setEnabled(fields.continuousEnabled);
    list0Button_->setChecked(fields.down == FolderButton::List0);
    list1Button_->setChecked(fields.down == FolderButton::List1);
    otherButton_->setChecked(fields.down == FolderButton::Other);
}

}  // namespace korva

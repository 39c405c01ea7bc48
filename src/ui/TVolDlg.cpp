#include "ui/TVolDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "ui/HintPlacement.h"

namespace korva {

namespace {

QToolButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    // A button that shows a number is named by it; the others show only a glyph or nothing.
    const bool numbered = caption.size() == 1 && caption[0].isDigit();
    button->setAccessibleName(numbered ? caption : hint);
    button->setAccessibleDescription(hint);
    button->setFixedSize(22, 22);
    return button;
}

}  // namespace

TVolDlg::TVolDlg(Jukebox& jukebox, QWidget* parent) : QDialog(parent), jukebox_(jukebox) {
    setObjectName(QStringLiteral("TVolDlg"));
    setWindowTitle(QStringLiteral("VOLUME CONTROL"));

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int n = 0; n < 10; ++n) {
        auto* level = MakeButton(this, QStringLiteral("SpeedButton%1").arg(n), QString::number(n),
                                 QStringLiteral("基準音量を設定する"));
        level->setCheckable(true);
        levelButtons_[static_cast<std::size_t>(n)] = level;
        grid->addWidget(level, 0, n);
        connect(level, &QToolButton::clicked, this, [this, n] { LevelButtonClick(n); });

        auto* closer = MakeButton(this, QStringLiteral("SpeedButton%1").arg(10 + n), QString(),
                                  QStringLiteral("基準音量を設定した後でウィンドウを閉じる"));
        closer->setFixedHeight(10);
        closeButtons_[static_cast<std::size_t>(n)] = closer;
        grid->addWidget(closer, 1, n);
        connect(closer, &QToolButton::clicked, this, [this, n] {
            LevelButtonClick(n);
            close();
        });
    }

    auto* temp = new QLabel(QStringLiteral("Temp Volume"), this);
    volDownButton_ = MakeButton(this, QStringLiteral("VolDownSpeedButton"), QStringLiteral("▼"),
                                QStringLiteral("音量を一時的に下げる"));
    volUpButton_ = MakeButton(this, QStringLiteral("VolUpSpeedButton"), QStringLiteral("▲"),
                              QStringLiteral("音量を一時的に上げる"));
    closeButton_ = new QPushButton(QStringLiteral("CLOSE"), this);
    closeButton_->setObjectName(QStringLiteral("CloseBitBtn"));
    closeButton_->setAccessibleDescription(QStringLiteral("このウィンドウを閉じる"));
    connect(volDownButton_, &QToolButton::clicked, this, &TVolDlg::VolDownSpeedButtonClick);
    connect(volUpButton_, &QToolButton::clicked, this, &TVolDlg::VolUpSpeedButtonClick);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(temp);
    bottom->addWidget(volDownButton_);
    bottom->addWidget(volUpButton_);
    bottom->addStretch();
    bottom->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    ApplyHints(jukebox.Model().settings.USEHNT2);
    setFixedSize(sizeHint());
}

void TVolDlg::ApplyHints(bool on) {
    ShowButtonHints(*this, on);
}

void TVolDlg::MarkEffectiveLevel(int level) {
    for (int n = 0; n < 10; ++n) {
        QPalette palette = levelButtons_[static_cast<std::size_t>(n)]->palette();
        palette.setColor(QPalette::ButtonText, n == level ? Qt::red : Qt::black);
        levelButtons_[static_cast<std::size_t>(n)]->setPalette(palette);
    }
}

void TVolDlg::SetBaseButtonDown(int level) {
    for (int n = 0; n < 10; ++n) levelButtons_[static_cast<std::size_t>(n)]->setChecked(n == level);
}

void TVolDlg::LevelButtonClick(int level) {
    jukebox_.ChooseVolumeLevel(level);
}

void TVolDlg::VolUpSpeedButtonClick() {
    jukebox_.VolumeUp();
}

void TVolDlg::VolDownSpeedButtonClick() {
    jukebox_.VolumeDown();
}

}  // namespace korva

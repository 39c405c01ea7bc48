#include "ui/TVerDlg.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QtGlobal>

#include "platform/SynthSettings.h"
#include "ui/DeckArt.h"

#ifndef KORVA_VERSION
#error "the build names the program's version in KORVA_VERSION"
#endif

namespace korva {

namespace {

constexpr QSize kClientSize{419, 157};

// A small deck under two notes: the picture of the about window, drawn at twice its shown size so
// that it stays sharp when stretched.
QPixmap AboutPicture() {
    QPixmap picture(192, 192);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 192);
    sky.setColorAt(0, QColor(0, 96, 128));
    sky.setColorAt(1, QColor(0, 32, 48));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(4, 4, 184, 184), 18, 18);

    // The notes.
    p.setBrush(QColor(255, 224, 96));
    p.setPen(QPen(QColor(255, 224, 96), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(78, 36), QPointF(78, 92));
    p.drawLine(QPointF(134, 26), QPointF(134, 82));
    p.drawLine(QPointF(78, 36), QPointF(134, 26));
    p.drawLine(QPointF(78, 50), QPointF(134, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(66, 94), 15, 11);
    p.drawEllipse(QPointF(122, 84), 15, 11);

    // The deck: a metal body with a black display and a row of keys.
    QLinearGradient metal(0, 118, 0, 170);
    metal.setColorAt(0, QColor(230, 232, 236));
    metal.setColorAt(1, QColor(150, 154, 162));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(20, 116, 152, 56), 6, 6);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(30, 124, 132, 20));
    p.setPen(QColor(0, 255, 0));
    QFont display = DeckFont(13);
    p.setFont(display);
    p.drawText(QRectF(34, 124, 124, 20), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("KORVA97"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 74, 82));
    for (int key = 0; key < 6; ++key) p.drawRoundedRect(QRectF(32 + key * 22, 150, 16, 14), 3, 3);
    return picture;
}

QLabel* InfoLabel(QWidget* parent, const char* name, const QString& text, const QString& hint,
                  const QRect& at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(at);
    label->setToolTip(hint);
    label->setAccessibleDescription(hint);
    return label;
}

}  // namespace

QString BuildInformation(const QString& fluidSynthVersion) {
    return QStringLiteral("Build: %1 (Qt %2, FluidSynth %3)")
        .arg(QStringLiteral(KORVA_VERSION), QString::fromLatin1(qVersion()), fluidSynthVersion);
}

TVerDlg::TVerDlg(const std::string& fluidSynthVersion, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TVerDlg"));
    setWindowTitle(QStringLiteral("ＫＯＲＶＡ９７について"));
    setFixedSize(kClientSize);
    QFont font = DeckFont(12);
    font.setBold(false);
    setFont(font);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(10, 10, 96, 96);
    image->setScaledContents(true);
    image->setPixmap(AboutPicture());
    image->setToolTip(QStringLiteral("すべてのＭＩＤＩデータ作者の皆様にお礼申し上げます"));
    image->setAccessibleName(QStringLiteral("KORVA97"));
    image->setAccessibleDescription(image->toolTip());

    QLabel* title = InfoLabel(this, "Label13", QStringLiteral("KORVA97"),
                              QStringLiteral("コルヴァ きゅうじゅうなな"), {120, 4, 290, 34});
    title->setFont(DeckFont(28));
    SetLabelLook(title, 0x008080);
    InfoLabel(this, "Label14", QStringLiteral("Product Name: KORVA97"),
              QStringLiteral("ＭＩＤＩファンに贈るＢＧＭ用プレーヤ"), {120, 40, 290, 16});
    InfoLabel(this, "Label15", QStringLiteral("Version: 1.00 (1997.5.5)"), QStringLiteral("Release 1997.5.5"),
              {120, 56, 290, 16});
    InfoLabel(this, "Label16", QStringLiteral("Linux 版: KORVA97 開発チーム"),
              QStringLiteral("Qt と FluidSynth で Linux に移した人たち"), {120, 78, 290, 16});
    InfoLabel(this, "Label18", QStringLiteral("連絡先: 同梱の README.md をご覧ください"),
              QStringLiteral("不具合や要望の伝え方はそこにあります"), {120, 94, 290, 16});
    InfoLabel(this, "Label20", QStringLiteral("C++20 / Qt Widgets / FluidSynth"),
              QStringLiteral("このプログラムを作っている部品"), {120, 116, 290, 16});
    InfoLabel(this, "Label21", BuildInformation(QString::fromStdString(fluidSynthVersion)),
              QStringLiteral("このプログラムの版と、動かしている Qt と FluidSynth の版"),
              {120, 132, 290, 16});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setGeometry(18, 120, 80, 26);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace korva

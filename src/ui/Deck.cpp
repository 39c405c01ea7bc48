#include "ui/Deck.h"

#include <QApplication>
#include <QLabel>
#include <QProxyStyle>
#include <QScrollBar>

#include "windows/StatusLine.h"
#include "windows/TitleScroll.h"

namespace korva {

namespace {

// The deck's design sizes: the body (Panel1) and the wooden cheeks of the deluxe design.
constexpr QSize kBodySize{309, 75};
constexpr int kSideWidth = 15;
constexpr int kKeyPitch = 37;  // transport keys and their display labels
constexpr int kDisplayLeft = 27;

const QString kCredit = QStringLiteral("KORVA97 model100  MIDI JUKEBOX");

// The volume bar is 52 pixels wide: between its arrows there is less room than the usual style's
// shortest slider, and the style then draws no slider at all, so the level cannot be seen. This
// style lets the slider be as short as the room.
class ShortSliderStyle final : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_ScrollBarSliderMin)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

template <typename W>
W* Named(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A label of the deck; L is DeckLabel for the labels that react to the mouse.
template <typename L = QLabel>
L* DisplayLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry, int px,
                std::uint32_t rgb, Qt::Alignment align = Qt::AlignCenter) {
    auto* label = Named(new L(text, parent), name, geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(align);
    label->setFont(DeckFont(px));
    SetLabelLook(label, rgb);
    return label;
}

}  // namespace

Deck BuildDeck(QWidget* window) {
    Deck deck;
    deck.SideLImage =
        Named(new DeckPanel(Surface::Wood, window), "SideLImage", {0, 0, kSideWidth, kBodySize.height()});
    deck.SideRImage = Named(new DeckPanel(Surface::Wood, window), "SideRImage",
                            {kSideWidth + kBodySize.width(), 0, kSideWidth, kBodySize.height()});
    deck.Panel1 = Named(new DeckPanel(Surface::Metal, window), "Panel1", {QPoint(kSideWidth, 0), kBodySize});
    deck.Panel2 = Named(new DeckPanel(Surface::Display, deck.Panel1), "Panel2",
                        {kDisplayLeft, 5, 6 * kKeyPitch - 3, 44});
    deck.SideLImage->setAccessibleName(QStringLiteral("左サイドパネル"));
    deck.SideRImage->setAccessibleName(QStringLiteral("右サイドパネル"));
    deck.Panel1->setAccessibleName(QStringLiteral("KORVA97"));
    deck.Panel2->setAccessibleName(QStringLiteral("ディスプレイ"));
    deck.Panel1->SetPlate({249, 26, 58, 44});

    const auto key = [&](Glyph glyph, const char* name, const QRect& geometry, const QString& hint) {
        auto* button = Named(new DeckButton(glyph, deck.Panel1), name, geometry);
        button->setAccessibleName(hint);
        deck.hints.emplace_back(button, hint);
        return button;
    };
    deck.PowSpeedButton =
        key(Glyph::Power, "PowSpeedButton", {5, 6, 18, 18}, QStringLiteral("KORVA96を終了します"));
    deck.IcoSpeedButton =
        key(Glyph::Minimise, "IcoSpeedButton", {5, 29, 18, 18}, QStringLiteral("アイコン化します"));
    deck.BarSpeedButton = key(Glyph::TitleBar, "BarSpeedButton", {5, 52, 18, 18},
                              QStringLiteral("タイトルバー表示をON･OFFします"));
    const auto transport = [&](int i) { return QRect(kDisplayLeft + i * kKeyPitch, 52, kKeyPitch - 3, 18); };
    deck.BackSpeedButton =
        key(Glyph::Back, "BackSpeedButton", transport(0), QStringLiteral("前の曲を再生します"));
    deck.NextSpeedButton =
        key(Glyph::Next, "NextSpeedButton", transport(1), QStringLiteral("次の曲を再生します"));
    deck.PlaySpeedButton =
        key(Glyph::Play, "PlaySpeedButton", transport(2), QStringLiteral("再生開始、PAUSE解除をします"));
    deck.PauseSpeedButton =
        key(Glyph::Pause, "PauseSpeedButton", transport(3), QStringLiteral("PAUSEのON･OFFをします"));
    deck.StopSpeedButton =
        key(Glyph::Stop, "StopSpeedButton", transport(4), QStringLiteral("再生を停止します"));
    deck.SetUpSpeedButton =
        key(Glyph::SetUp, "SetUpSpeedButton", transport(5),
            QStringLiteral("左クリックで設定ウィンドウ、右クリックでダイアログを開きます"));
    deck.ModeSpeedButton =
        key(Glyph::Mode, "ModeSpeedButton", {251, 6, 26, 16}, QStringLiteral("リストモードを変更します"));
    deck.RndSpeedButton =
        key(Glyph::Order, "RndSpeedButton", {279, 6, 26, 16}, QStringLiteral("動作モードを変更します"));

    deck.ModeLabel = DisplayLabel(deck.Panel2, "ModeLabel", QString(), {5, 2, 26, 13}, 11, kLime,
                                  Qt::AlignLeft | Qt::AlignVCenter);
    deck.InfoLabel = DisplayLabel(deck.Panel2, "InfoLabel", QString(), {33, 2, 26, 13}, 11, kLime,
                                  Qt::AlignLeft | Qt::AlignVCenter);
    deck.DispLabel = DisplayLabel<DeckLabel>(deck.Panel2, "DispLabel", kCredit, {5, 15, kDisplayWidth, 16},
                                             12, kAqua, Qt::AlignLeft | Qt::AlignVCenter);
    deck.hints.emplace_back(deck.DispLabel, QStringLiteral("クリックすると曲ウィンドウを開く"));
    const auto feedback = [&](int i, const char* name, const QString& text) {
        return DisplayLabel(deck.Panel2, name, text, {i * kKeyPitch, 31, kKeyPitch - 3, 11}, 9, kTeal);
    };
    deck.BackLabel = feedback(0, "BackLabel", QStringLiteral("BAK"));
    deck.NextLabel = feedback(1, "NextLabel", QStringLiteral("NXT"));
    deck.PlayLabel = feedback(2, "PlayLabel", QStringLiteral("PLAY"));
    deck.PauseLabel = feedback(3, "PauseLabel", QStringLiteral("I I"));
    deck.StopLabel = feedback(4, "StopLabel", QStringLiteral("STOP"));
    deck.SetUpLabel = feedback(5, "SetUpLabel", QStringLiteral("SET"));

    deck.NameLabel = DisplayLabel(deck.Panel1, "NameLabel", QStringLiteral("KORVA97 model100"),
                                  {250, 27, 56, 42}, 10, 0x2A2D33);
    deck.NameLabel->setWordWrap(true);
    deck.VolLabel = DisplayLabel<DeckLabel>(deck.Panel1, "VolLabel", QStringLiteral("VOL"), {251, 29, 20, 13},
                                            10, kBlack);
    deck.UpLabel =
        DisplayLabel<DeckLabel>(deck.Panel1, "UpLabel", QStringLiteral("H i"), {272, 29, 17, 13}, 10, kBlack);
    deck.DownLabel = DisplayLabel<DeckLabel>(deck.Panel1, "DownLabel", QStringLiteral("Lo"),
                                             {290, 29, 15, 13}, 10, kBlack);
    deck.hints.emplace_back(deck.VolLabel, QStringLiteral("音量調整ウィンドウを開きます"));
    deck.hints.emplace_back(deck.UpLabel, QStringLiteral("再生音量を一時的に上げます"));
    deck.hints.emplace_back(deck.DownLabel, QStringLiteral("再生音量を一時的に下げます"));
    deck.VolScrollBar = Named(new QScrollBar(Qt::Horizontal, deck.Panel1), "VolScrollBar", {252, 48, 52, 14});
    deck.VolScrollBar->setRange(0, 9);
    deck.VolScrollBar->setPageStep(2);
    auto* sliderStyle = new ShortSliderStyle(QApplication::style()->name());
    sliderStyle->setParent(deck.VolScrollBar);
    deck.VolScrollBar->setStyle(sliderStyle);
    deck.VolScrollBar->setAccessibleName(QStringLiteral("基準音量を設定します"));
    deck.hints.emplace_back(deck.VolScrollBar, QStringLiteral("基準音量を設定します"));
    for (QWidget* hidden : {static_cast<QWidget*>(deck.VolScrollBar), static_cast<QWidget*>(deck.VolLabel),
                            static_cast<QWidget*>(deck.UpLabel), static_cast<QWidget*>(deck.DownLabel)})
        hidden->hide();
    for (auto& [widget, hint] : deck.hints) widget->setAccessibleDescription(hint);

    for (auto& [widget, hint] : deck.hints) widget->setAccessibleDescription(hint);
    return deck;
}

void LayOutDeck(Deck& deck, QWidget* window, bool deluxe) {
    deck.SideLImage->setVisible(deluxe);
    deck.SideRImage->setVisible(deluxe);
    if (!deluxe) {
        // Out of sight as well as hidden, so nothing of them can show at the edge.
        deck.SideLImage->move(kBodySize.width() + 100, 0);
        deck.SideRImage->move(kBodySize.width() + 100, 0);
    }
    deck.Panel1->move(deluxe ? kSideWidth : 0, 0);
    window->setFixedSize(deluxe ? QSize(kBodySize.width() + 2 * kSideWidth, kBodySize.height()) : kBodySize);
}

void ShowVolumeControls(Deck& deck, bool shown) {
    deck.NameLabel->setVisible(!shown);
    for (QWidget* w : {static_cast<QWidget*>(deck.VolScrollBar), static_cast<QWidget*>(deck.VolLabel),
                       static_cast<QWidget*>(deck.UpLabel), static_cast<QWidget*>(deck.DownLabel)})
        w->setVisible(shown);
}

}  // namespace korva

#include "ui/DeckArt.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <functional>
#include "ui/ListFont.h"

namespace korva {

namespace {

QColor Rgb(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

// The glyph inside a key, drawn in a 16 x 16 box.
void DrawGlyph(QPainter& p, Glyph glyph, const QColor& ink) {
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink);
    const auto triangle = [&](qreal left, qreal right) {
        QPainterPath path;
        path.moveTo(left, 4.5);
        path.lineTo(right, 8);
        path.lineTo(left, 11.5);
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (glyph) {
        case Glyph::Power:
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3.5, 3.5, 9, 9), 125 * 16, 290 * 16);  // open at the top
            p.drawLine(QPointF(8, 2.5), QPointF(8, 7.5));
            break;
        case Glyph::Minimise:
            p.drawLine(QPointF(4, 11.5), QPointF(12, 11.5));
            break;
        case Glyph::TitleBar:
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(3.5, 4.5, 9, 7));
            p.setBrush(ink);
            p.drawRect(QRectF(3.5, 4.5, 9, 2));
            break;
        case Glyph::Back:
            p.drawLine(QPointF(4, 4.5), QPointF(4, 11.5));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(12.5, 4.5), QPointF(5.5, 8), QPointF(12.5, 11.5)}));
            break;
        case Glyph::Next:
            p.drawLine(QPointF(12, 4.5), QPointF(12, 11.5));
            p.setPen(Qt::NoPen);
            triangle(3.5, 10.5);
            break;
        case Glyph::Play:
            p.setPen(Qt::NoPen);
            triangle(5, 12);
            break;
        case Glyph::Pause:
            p.setPen(Qt::NoPen);
            p.drawRect(QRectF(4.5, 4.5, 2.5, 7));
            p.drawRect(QRectF(9, 4.5, 2.5, 7));
            break;
        case Glyph::Stop:
            p.setPen(Qt::NoPen);
            p.drawRect(QRectF(4.5, 4.5, 7, 7));
            break;
        case Glyph::SetUp:  // three sliders
            for (int i = 0; i < 3; ++i) {
                const qreal y = 4.5 + i * 3.5;
                p.drawLine(QPointF(3.5, y), QPointF(12.5, y));
                p.drawEllipse(QPointF(i == 1 ? 10 : 6, y), 1.2, 1.2);
            }
            break;
        case Glyph::Mode:  // a list
            for (int i = 0; i < 3; ++i) {
                const qreal y = 4.5 + i * 3.5;
                p.drawPoint(QPointF(4, y));
                p.drawLine(QPointF(6.5, y), QPointF(12.5, y));
            }
            break;
        case Glyph::BaseDown:  // a level pointing down onto its base line
        case Glyph::BaseUp: {
            const bool up = glyph == Glyph::BaseUp;
            p.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 12.5));
            p.setPen(Qt::NoPen);
            p.drawPolygon(up ? QPolygonF({QPointF(8, 3.5), QPointF(12.5, 10), QPointF(3.5, 10)})
                             : QPolygonF({QPointF(3.5, 3.5), QPointF(12.5, 3.5), QPointF(8, 10)}));
            break;
        }
        case Glyph::Order: {  // two crossing arrows
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(3.5, 11), QPointF(12, 5));
            p.drawLine(QPointF(3.5, 5), QPointF(6.5, 7));
            p.drawLine(QPointF(9, 9), QPointF(12, 11));
            p.drawLine(QPointF(12, 5), QPointF(9.5, 5));
            p.drawLine(QPointF(12, 5), QPointF(12, 7.5));
            p.drawLine(QPointF(12, 11), QPointF(9.5, 11));
            p.drawLine(QPointF(12, 11), QPointF(12, 8.5));
            break;
        }
    }
}

void PaintMetal(QPainter& p, const QRect& r) {
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(0x6a, 0x6f, 0x78));
    body.setColorAt(0.5, QColor(0x4a, 0x4e, 0x56));
    body.setColorAt(1, QColor(0x2e, 0x31, 0x37));
    p.fillRect(r, body);
    // Brushed lines, the same on every paint.
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int shade = (y * 37 + 11) % 7;
        p.setPen(QColor(255, 255, 255, shade * 3));
        p.drawLine(r.left(), y, r.right(), y);
    }
    p.setPen(QColor(255, 255, 255, 90));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(0, 0, 0, 140));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void PaintPlate(QPainter& p, const QRect& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, QColor(0xd6, 0xd9, 0xde));
    face.setColorAt(1, QColor(0xa9, 0xae, 0xb6));
    p.setPen(QPen(QColor(0x1c, 0x1e, 0x22), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    p.restore();
}

void PaintDisplay(QPainter& p, const QRect& r) {
    p.fillRect(r, Qt::black);
    p.setPen(QColor(0x1a, 0x1c, 0x20));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QColor(0, 0, 0, 200));
    p.drawLine(r.topLeft(), r.topRight());
    // A faint reflection on the glass.
    QLinearGradient glass(r.topLeft(), r.bottomLeft());
    glass.setColorAt(0, QColor(255, 255, 255, 26));
    glass.setColorAt(0.45, QColor(255, 255, 255, 6));
    glass.setColorAt(0.46, QColor(255, 255, 255, 0));
    p.fillRect(r.adjusted(1, 1, -1, -1), glass);
}

void PaintWood(QPainter& p, const QRect& r) {
    QLinearGradient base(r.topLeft(), r.topRight());
    base.setColorAt(0, QColor(0x5a, 0x2e, 0x16));
    base.setColorAt(0.5, QColor(0x7c, 0x42, 0x20));
    base.setColorAt(1, QColor(0x4e, 0x28, 0x12));
    p.fillRect(r, base);
    // Grain: gently waving dark lines along the height.
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 6; ++i) {
        const qreal x0 = r.left() + 1.5 + i * (r.width() - 3) / 5.0;
        QPainterPath grain;
        grain.moveTo(x0, r.top());
        for (int y = r.top(); y <= r.bottom(); y += 3) {
            grain.lineTo(x0 + 0.9 * std::sin((y + i * 17) / 9.0), y);
        }
        p.setPen(QPen(QColor(0x30, 0x16, 0x08, 90 + i * 12), 0.8));
        p.drawPath(grain);
    }
    p.setPen(QColor(255, 220, 180, 70));
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(0, 0, 0, 150));
    p.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

QIcon GlyphIcon(Glyph glyph, const QColor& ink, int size) {
    QIcon icon;
    for (const int ratio : {1, 2}) {
        QPixmap pixmap(size * ratio, size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        DrawGlyph(p, glyph, ink);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

DeckButton::DeckButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), glyph_(glyph) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void DeckButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool down = isDown() || held_;
    const QRectF key = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient face(key.topLeft(), key.bottomLeft());
    face.setColorAt(0, down ? QColor(0x8e, 0x93, 0x9b) : QColor(0xe4, 0xe7, 0xeb));
    face.setColorAt(1, down ? QColor(0xc4, 0xc8, 0xce) : QColor(0x98, 0x9e, 0xa7));
    p.setPen(QPen(QColor(0x15, 0x17, 0x1a), 1));
    p.setBrush(face);
    p.drawRoundedRect(key, 2.5, 2.5);
    p.setPen(QColor(255, 255, 255, down ? 30 : 140));
    p.drawLine(QPointF(key.left() + 2, key.top() + 1), QPointF(key.right() - 2, key.top() + 1));

    const QColor ink = glyph_ == Glyph::Power ? QColor(0xc0, 0x18, 0x18) : QColor(0x22, 0x25, 0x2a);
    const qreal scale = std::min(width(), height()) / 16.0;
    p.translate((width() - 16 * scale) / 2 + (down ? 0.6 : 0),
                (height() - 16 * scale) / 2 + (down ? 0.6 : 0));
    p.scale(scale, scale);
    DrawGlyph(p, glyph_, ink);
}

void DeckButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit mouseDown(event->button());
        QAbstractButton::mousePressEvent(event);
        return;
    }
    event->accept();
    emit mouseDown(event->button());
    // A press that opened a modal dialog never sees its release; the key is only drawn down while
    // the button is still held.
    held_ = QGuiApplication::mouseButtons().testFlag(event->button());
    update();
}

void DeckButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QAbstractButton::mouseReleaseEvent(event);
    } else {
        held_ = false;
        update();
        event->accept();
    }
    emit mouseUp(event->button());
}

DeckLabel::DeckLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void DeckLabel::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event->button());
    event->accept();
}

void DeckLabel::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp(event->button());
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    event->accept();
}

void SetLabelLook(QLabel* label, std::uint32_t rgb, bool italic) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Rgb(rgb));
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    font.setItalic(italic);
    label->setFont(font);
}

std::uint32_t LabelColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu;
}

DeckPanel::DeckPanel(Surface surface, QWidget* parent) : QWidget(parent), surface_(surface) {}

void DrawInStrips(QPainter& p, const QRect& r, const std::function<void()>& draw) {
    // Clipped, and narrower than 96 device pixels at any scale.
    const int strip = std::max(1, static_cast<int>(90 / p.device()->devicePixelRatioF()));
    for (int x = r.left(); x <= r.right(); x += strip) {
        p.save();
        p.setClipRect(QRect(x, r.top(), strip, r.height()), Qt::IntersectClip);
        draw();
        p.restore();
    }
}

void DeckPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DrawInStrips(p, rect(), [&] {
        switch (surface_) {
            case Surface::Metal:
                PaintMetal(p, rect());
                if (!plate_.isEmpty())
                    PaintPlate(p, plate_);
                break;
            case Surface::Display:
                PaintDisplay(p, rect());
                break;
            case Surface::Wood:
                PaintWood(p, rect());
                break;
        }
    });
}

void DeckPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit leftPressed(event->globalPosition().toPoint());
    event->accept();
}

void DeckPanel::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        emit dragMoved(event->globalPosition().toPoint());
}

QFont DeckFont(int pixelSize) {
    QFont font = FirstInstalledFont(
        {QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
         QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic")},
        QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace korva

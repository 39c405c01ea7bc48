// The deck's surfaces are painted through narrow strips so that Qt's raster engine never hands the
// work to its thread pool: painting through them starts no thread where painting in one go does,
// and gives the very pixels that painting in one go gives, at the usual screen scales.

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QTest>

#include "ui/DeckArt.h"

using namespace korva;

namespace {

int ThreadCount() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Translucent lines and fills across the whole width, and an antialiased plate across the edge of a
// strip: what the deck's metal and display are made of.
void PaintScene(QPainter& p, const QRect& r) {
    QLinearGradient glass(r.topLeft(), r.bottomLeft());
    glass.setColorAt(0, QColor(255, 255, 255, 26));
    glass.setColorAt(1, QColor(255, 255, 255, 6));
    p.fillRect(r, glass);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        p.setPen(QColor(255, 255, 255, 5 + y % 9 * 20));
        p.drawLine(r.left(), y, r.right(), y);
    }
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 20, 0, 50);
    face.setColorAt(0, QColor(0xd6, 0xd9, 0xde));
    face.setColorAt(1, QColor(0xa9, 0xae, 0xb6));
    p.setPen(QPen(QColor(0x1c, 0x1e, 0x22), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(70.5, 20.5, 61, 30), 2, 2);
}

QImage Painted(qreal ratio, bool inStrips) {
    const QRect r(0, 0, 309, 75);
    QImage image((QSizeF(r.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0x4a, 0x4e, 0x56));
    QPainter p(&image);
    if (inStrips)
        DrawInStrips(p, r, [&] { PaintScene(p, r); });
    else
        PaintScene(p, r);
    return image;
}

}  // namespace

class DeckArtTest : public QObject {
    Q_OBJECT

  private slots:
    // First, while the process has never painted a long translucent span: the pool's threads, once
    // started, would stay for half a minute and hide new ones.
    void StripsKeepThePaintOffThePool() {
        const int before = ThreadCount();
        Painted(1.0, true);
        const int afterStrips = ThreadCount();
        Painted(1.0, false);
        if (ThreadCount() == afterStrips)
            QSKIP("this Qt paints long translucent spans without its thread pool");
        QCOMPARE(afterStrips, before);
    }

    void StripsGiveThePixelsOfOnePaint() {
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0, 2.5}) {
            const QImage whole = Painted(ratio, false);
            const QImage strips = Painted(ratio, true);
            QCOMPARE(strips.size(), whole.size());
            int differing = 0;
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x)
                    differing += whole.pixel(x, y) != strips.pixel(x, y);
            QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 pixels differ at scale %2")
                                                    .arg(differing)
                                                    .arg(ratio)));
        }
    }
};

QTEST_MAIN(DeckArtTest)
#include "DeckArtTest.moc"

#pragma once
// The pictures of the deck, drawn with QPainter so they stay sharp at any scale: the metal body,
// the black display, the wooden side cheeks, and the keys with their glyphs.

#include <QAbstractButton>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QWidget>
#include <functional>

class QPainter;

namespace korva {

enum class Glyph {
    Power,
    Minimise,
    TitleBar,
    Back,
    Next,
    Play,
    Pause,
    Stop,
    SetUp,
    Mode,
    Order,
    BaseDown,
    BaseUp
};

// A glyph as an icon of size x size pixels, drawn sharp at the screen's pixel ratio as well.
QIcon GlyphIcon(Glyph glyph, const QColor& ink, int size);

// A key of the deck. A left click arrives as clicked(); every press and release is also reported
// with its button, because the deck's keys do something else on the right button.
class DeckButton : public QAbstractButton {
    Q_OBJECT
  public:
    DeckButton(Glyph glyph, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {18, 18}; }

  signals:
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    Glyph glyph_;
    bool held_ = false;
};

// A label of the display that reports presses and left clicks.
class DeckLabel : public QLabel {
    Q_OBJECT
  public:
    explicit DeckLabel(const QString& text, QWidget* parent = nullptr);

  signals:
    void clicked();
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Runs draw, which paints within r, once for each of a row of narrow vertical strips of r, clipped
// to it. Qt's raster engine hands an unclipped translucent fill of 96 device pixels or more in one
// span to its thread pool and waits for it, so every full-width translucent line would cost a
// thread hand-over, and the very first paint would start the threads before the deck is seen. A
// clipped or shorter fill it does itself: the same pixels, in a tenth of the time.
void DrawInStrips(QPainter& p, const QRect& r, const std::function<void()>& draw);

enum class Surface { Metal, Display, Wood };

// A painted surface that can be pressed to drag the window.
class DeckPanel : public QWidget {
    Q_OBJECT
  public:
    DeckPanel(Surface surface, QWidget* parent = nullptr);
    // A light brushed plate set into a metal surface, for the name and volume controls.
    void SetPlate(const QRect& plate) { plate_ = plate; }

  signals:
    void leftPressed(QPoint globalPos);
    void dragMoved(QPoint globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    Surface surface_;
    QRect plate_;
};

// A display label's text colour (RGB) and slant; display text is always bold.
void SetLabelLook(QLabel* label, std::uint32_t rgb, bool italic = false);
std::uint32_t LabelColour(const QLabel* label);

// The font of the display: a Gothic face that holds Japanese, bold, at a pixel size.
QFont DeckFont(int pixelSize);

}  // namespace korva

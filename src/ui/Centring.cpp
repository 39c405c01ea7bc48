#include "ui/Centring.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace korva {

namespace {

ScreenRect ToScreenRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

void CentreOnScreen(QWidget& window) {
    const QWidget* parent = window.parentWidget();
    const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    const ScreenPoint at = KeepInArea({frame.x(), frame.y()}, {frame.width(), frame.height()},
                                      ToScreenRect(screen->availableGeometry()));
    window.move(at.x, at.y);
}

std::optional<ScreenRect> AvailableAreaAt(ScreenPoint point) {
    const QScreen* screen = QGuiApplication::screenAt(QPoint(point.x, point.y));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return ToScreenRect(screen->availableGeometry());
}

}  // namespace korva

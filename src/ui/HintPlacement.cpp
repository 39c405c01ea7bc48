#include "ui/HintPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace korva {

bool HintPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const QString hint = widget->toolTip();
    if (hint.isEmpty())
        return false;  // the parent's hint, if any, is asked next
    const QPoint at = static_cast<QHelpEvent*>(event)->globalPos() + kHintOffset;
    QToolTip::showText(at, hint, widget);
    // Qt puts the tip below the cursor's own height; the program's rule is a fixed offset.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible())
            top->move(at);
    }
    return true;
}

void ShowButtonHints(QWidget& window, bool on) {
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        button->setToolTip(on ? button->accessibleDescription() : QString());
}

}  // namespace korva

#include "ui/QtViews.h"

#include <QMessageBox>

#include "ui/QtText.h"

namespace korva {

void QtMessageView::ShowMessage(const std::string& sjisText) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVA97"), FromSjis(sjisText), QMessageBox::Ok,
                    parent_);
    box.setObjectName(QStringLiteral("KorvaMessageBox"));
    box.exec();
}

}  // namespace korva

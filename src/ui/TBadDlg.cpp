#include "ui/TBadDlg.h"

namespace korva {

TBadDlg::TBadDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TBadDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
}

}  // namespace korva

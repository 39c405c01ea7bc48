#include "ui/TSelCnvDlg.h"

namespace korva {

TSelCnvDlg::TSelCnvDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TSelCnvDlg"));
    setWindowTitle(QStringLiteral("オートコンバート"));
}

}  // namespace korva

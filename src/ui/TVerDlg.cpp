#include "ui/TVerDlg.h"

namespace korva {

TVerDlg::TVerDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TVerDlg"));
    setWindowTitle(QStringLiteral("ＫＯＲＶＡ９７について"));
}

}  // namespace korva

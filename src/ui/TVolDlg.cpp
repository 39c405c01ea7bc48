#include "ui/TVolDlg.h"

namespace korva {

TVolDlg::TVolDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TVolDlg"));
    setWindowTitle(QStringLiteral("VOLUME CONTROL"));
}

}  // namespace korva

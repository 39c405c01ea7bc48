#include "ui/TViewDlg.h"

namespace korva {

TViewDlg::TViewDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TViewDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
}

}  // namespace korva

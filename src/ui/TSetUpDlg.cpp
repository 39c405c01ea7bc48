#include "ui/TSetUpDlg.h"

namespace korva {

TSetUpDlg::TSetUpDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TSetUpDlg"));
    setWindowTitle(QStringLiteral("KORVA97の設定"));
}

}  // namespace korva

#include "ui/TRemoteDlg.h"

namespace korva {

TRemoteDlg::TRemoteDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TRemoteDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
}

}  // namespace korva

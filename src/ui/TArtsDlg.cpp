#include "ui/TArtsDlg.h"

namespace korva {

TArtsDlg::TArtsDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TArtsDlg"));
    setWindowTitle(QStringLiteral("アーチストの選択"));
}

}  // namespace korva

#include "ui/TCtrlDlg.h"

namespace korva {

TCtrlDlg::TCtrlDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TCtrlDlg"));
    setWindowTitle(QStringLiteral("プレイリスト編集とＳＭＦナイフ変換"));
}

}  // namespace korva

#pragma once
// The song window: the play queue as a list. Created once at start-up and shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TViewDlg : public QDialog {
    Q_OBJECT
public:
    explicit TViewDlg(AppModel& model, QWidget* parent = nullptr);

private:
    AppModel& model_;
};

}  // namespace korva

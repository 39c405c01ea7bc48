#pragma once
// The volume window: the ten base levels. Created once at start-up and shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TVolDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVolDlg(AppModel& model, QWidget* parent = nullptr);

private:
    AppModel& model_;
};

}  // namespace korva

#pragma once
// The about window. Created once at start-up and shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TVerDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TVerDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

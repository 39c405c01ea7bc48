#pragma once
// The settings window. Created once at start-up and shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TSetUpDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSetUpDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

#pragma once
// The artists window: chooses the artists whose songs ARTS mode plays. Created once at start-up and shown
// when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TArtsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TArtsDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

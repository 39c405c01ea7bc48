#pragma once
// The remote window: the player folded into a strip of small buttons. Created once at start-up and shown when
// needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TRemoteDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TRemoteDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

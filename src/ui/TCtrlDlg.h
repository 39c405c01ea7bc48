#pragma once
// The song control window: edits the playing song's entry. Created once at start-up and shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TCtrlDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TCtrlDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

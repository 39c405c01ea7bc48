#pragma once
// The conversion window: turns foreign sequencer files into Standard MIDI Files. Created once at start-up and
// shown when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TSelCnvDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSelCnvDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

#pragma once
// The bad-file window: lists playlist entries whose MIDI file is missing. Created once at start-up and shown
// when needed.

#include <QDialog>

#include "app/AppModel.h"

namespace korva {

class TBadDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TBadDlg(AppModel& model, QWidget* parent = nullptr);

  private:
    AppModel& model_;
};

}  // namespace korva

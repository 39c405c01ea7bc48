#pragma once
// The song control window: edits the playing song's entry. Created once at start-up and shown when
// Play is pressed while a song plays.

#include <QDialog>

#include "app/AppModel.h"
#include "playback/PlayerViews.h"

namespace korva {

class TCtrlDlg : public QDialog, public SongControlView {
    Q_OBJECT
  public:
    explicit TCtrlDlg(AppModel& model, QWidget* parent = nullptr);

    void ShowSongControlWindow() override { show(); }
    void CloseSongControlWindow() override { close(); }

  private:
    AppModel& model_;
};

}  // namespace korva

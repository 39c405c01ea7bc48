#pragma once
// The artists window: the artists of both playlists, the ones picked for ARTS mode, and the titles
// of one artist. Created once at start-up, hidden; the search shows it modally when play starts in
// ARTS mode. The lists live in the core's artist selection; the window shows them and forwards
// the user's actions.

#include <QDialog>
#include <utility>
#include <vector>

#include "jukebox/Jukebox.h"
#include "playback/ArtistSelection.h"
#include "windows/SettingsWindow.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace korva {

class TArtsDlg final : public QDialog, public ArtistsWindowView, public WindowLook {
    Q_OBJECT
  public:
    // The list font and the hints follow the settings read already.
    explicit TArtsDlg(Jukebox& jukebox, QWidget* parent = nullptr);

    // ArtistsWindowView.
    void PaintPending() override;
    void SetWaitCursor(bool on) override;
    void ArtistListsChanged() override;
    void ShowArtistsWindow() override;

    // The buttons' hints (USEHNT2).
    void ApplyHints(bool on) override;
    // The font of the three lists (USEFONT, FONTSIZ).
    void ApplyListFont() override;

  public slots:
    void GetBitBtnClick();
    void PutBitBtnClick();
    void OkBitBtnClick();
    void CansBitBtnClick();
    void SpeedButton1Click();
    void ArtistListBoxDblClick(QListWidgetItem* item);
    void PickUpListBoxDblClick(QListWidgetItem* item);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildWindow();
    QListWidget* AddList(const char* name, const QString& caption);
    QPushButton* AddButton(const char* name, const QString& caption, const QString& hint);

    AppModel& model_;
    ArtistSelection& selection_;
    QListWidget* artistListBox_ = nullptr;
    QListWidget* pickUpListBox_ = nullptr;
    QListWidget* dataListBox_ = nullptr;
    QPushButton* getBitBtn_ = nullptr;
    QPushButton* putBitBtn_ = nullptr;
    QPushButton* okBitBtn_ = nullptr;
    QPushButton* cansBitBtn_ = nullptr;
    QPushButton* speedButton1_ = nullptr;
    std::vector<std::pair<QPushButton*, QString>> hints_;
};

}  // namespace korva

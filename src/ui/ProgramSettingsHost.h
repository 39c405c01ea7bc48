#pragma once
// What the settings window changes in the rest of the program: the deck, the other windows and the
// jukebox.

#include <QPointer>

#include "windows/SettingsWindow.h"
#include "jukebox/Jukebox.h"

namespace korva {

class DocumentViewer;
class TArtsDlg;
class TBadDlg;
class TMainForm;
class TRemoteDlg;
class TSelCnvDlg;
class TViewDlg;
class TVolDlg;

class ProgramSettingsHost final : public SettingsHost {
  public:
    ProgramSettingsHost(Jukebox& jukebox, TMainForm& deck, TViewDlg& songWindow, TVolDlg& volumeWindow,
                        DocumentViewer& documents)
        : jukebox_(jukebox),
          deck_(deck),
          songWindow_(songWindow),
          volumeWindow_(volumeWindow),
          documents_(documents) {}
    // The remote window's hints follow USEHNT2 too.
    void SetRemoteWindow(TRemoteDlg& remoteWindow) { remoteWindow_ = &remoteWindow; }
    // The artists window's hints follow USEHNT2 and its lists the list font.
    void SetArtistsWindow(TArtsDlg& artistsWindow) { artistsWindow_ = &artistsWindow; }
    // The conversion window's hints follow USEHNT2.
    void SetConversionWindow(TSelCnvDlg& conversionWindow) { conversionWindow_ = &conversionWindow; }
    // The bad-file window's list takes the list font.
    void SetBadFileWindow(TBadDlg& badFileWindow) { badFileWindow_ = &badFileWindow; }

    void PressStop() override;
    void PressPlay() override;
    void PlaySingleEntry() override;
    void OpenDocument(const std::string& sjisPath) override;
    void EnableIntroTimer() override;
    void ShowModeLabel() override;
    void ShowOrderLabel() override;
    void PlaceWindowsOnGrid() override;
    void ApplyStayOnTop() override;
    bool EnableVolumeControl() override;
    void DisableVolumeControl() override;
    void ApplyDeckHints() override;
    void ApplyWindowHints() override;
    void ApplyListFont() override;
    void SettingsWindowClosed() override;
    void ShowStatus(const std::string& sjisText, StatusKind kind) override;

  private:
    Jukebox& jukebox_;
    TMainForm& deck_;
    TViewDlg& songWindow_;
    TVolDlg& volumeWindow_;
    DocumentViewer& documents_;
    TRemoteDlg* remoteWindow_ = nullptr;
    TArtsDlg* artistsWindow_ = nullptr;
    TSelCnvDlg* conversionWindow_ = nullptr;
    TBadDlg* badFileWindow_ = nullptr;
};

}  // namespace korva

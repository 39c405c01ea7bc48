#include "ui/ProgramSettingsHost.h"

#include "ui/DocumentViewer.h"
#include "ui/TArtsDlg.h"
#include "ui/TBadDlg.h"
#include "ui/TMainForm.h"
#include "ui/TRemoteDlg.h"
#include "ui/TSelCnvDlg.h"
#include "ui/TViewDlg.h"
#include "ui/TVolDlg.h"

namespace korva {

void ProgramSettingsHost::PressStop() {
    deck_.PressStop();
}

void ProgramSettingsHost::PressPlay() {
    deck_.PressPlay();
}

void ProgramSettingsHost::PlaySingleEntry() {
    if (jukebox_.Connected())
        jukebox_.ThePlayer().PlaySingleEntry();
}

void ProgramSettingsHost::OpenDocument(const std::string& sjisPath) {
    documents_.Open(sjisPath);
}

void ProgramSettingsHost::EnableIntroTimer() {
    if (jukebox_.Connected())
        jukebox_.ThePlayer().EnableIntroTimer();
}

void ProgramSettingsHost::ShowModeLabel() {
    deck_.ShowModeLabel();
}

void ProgramSettingsHost::ShowOrderLabel() {
    deck_.ShowOrderLabel();
}

void ProgramSettingsHost::PlaceWindowsOnGrid() {
    deck_.ApplyFixedPosition();
    deck_.PlaceVolumeWindow(volumeWindow_);
}

void ProgramSettingsHost::ApplyStayOnTop() {
    deck_.ApplyStayOnTop();
}

bool ProgramSettingsHost::EnableVolumeControl() {
    return jukebox_.Connected() && jukebox_.Volume().FindVolumeDevice();
}

void ProgramSettingsHost::DisableVolumeControl() {
    deck_.HideVolumeControls();
    volumeWindow_.close();
}

void ProgramSettingsHost::ApplyDeckHints() {
    deck_.ApplyHints(jukebox_.Model().settings.USEHNT1);
}

void ProgramSettingsHost::ApplyWindowHints() {
    const bool on = jukebox_.Model().settings.USEHNT2;
    songWindow_.ApplyHints(on);
    volumeWindow_.ApplyHints(on);
    if (remoteWindow_)
        remoteWindow_->ApplyHints(on);
    if (artistsWindow_)
        artistsWindow_->ApplyHints(on);
    if (conversionWindow_)
        conversionWindow_->ApplyHints(on);
}

void ProgramSettingsHost::ApplyListFont() {
    songWindow_.ApplyListFont();
    if (artistsWindow_)
        artistsWindow_->ApplyListFont();
    if (badFileWindow_)
        badFileWindow_->ApplyListFont();
}

void ProgramSettingsHost::SettingsWindowClosed() {
    deck_.SettingsWindowClosed();
}

void ProgramSettingsHost::ShowStatus(const std::string& sjisText, StatusKind kind) {
    deck_.ShowStatus(sjisText, kind);
}

}  // namespace korva

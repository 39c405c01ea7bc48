#pragma once
// How the main window reaches the windows created after it. Each is optional: during the main
// window's creation none exists yet, and an update meant for an absent window is skipped.

#include <QString>

namespace korva {

class SettingsWindowLink {
  public:
    virtual ~SettingsWindowLink() = default;
    // Copies every current setting into the window's controls.
    virtual void LoadSettingsWindow() = 0;
    // Shows the window modelessly and brings it to the front.
    virtual void ShowSettingsWindow() = 0;
    // Makes a list page (0 or 1) active, clears its entry fields and loads that list.
    virtual void OpenListPage(int list) = 0;
    // Makes the search page active and clears its search fields and result lists.
    virtual void OpenSearchPage() = 0;
    // Puts the keyboard focus on the search box.
    virtual void FocusSearchEdit() = 0;
    // Checks the radio button of a list mode; the window's own handler confirms the mode.
    virtual void CheckListMode(int playmod) = 0;
    // Presses the button of a play order.
    virtual void PressOrderButton(int rndmode) = 0;
    // The drop indicator: dropping is shown as off while the main window stays on top.
    virtual void ShowDropIndicator(bool stayOnTop) = 0;
};

class RemoteWindowLink {
  public:
    virtual ~RemoteWindowLink() = default;
    // The status line, copied to the remote window's caption.
    virtual void SetStatusCaption(const QString& text) = 0;
    // Hides the main window and shows the remote window in its place.
    virtual void EnterRemote() = 0;
};

}  // namespace korva

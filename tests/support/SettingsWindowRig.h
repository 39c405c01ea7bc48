#pragma once
// The settings window as the program builds it, with the song and bad-file windows it reaches, over a
// settings file in a temporary folder and a jukebox rig that plays through a scripted device once
// connected.

#include <QStringList>
#include <string>

#include "app/SettingsFile.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "ui/DocumentViewer.h"
#include "ui/QtText.h"
#include "ui/TBadDlg.h"
#include "ui/TSetUpDlg.h"
#include "ui/TViewDlg.h"

namespace korva::testing {

// Stands in for the program: records what the window asks of it, and hands the list font on to a
// real song window and bad-file window, as the program does.
class FakeHost final : public SettingsHost {
  public:
    FakeHost(JukeboxRig& rig, TViewDlg& song, TBadDlg& bad)
        : rig_(rig), model_(rig.Model()), song_(song), bad_(bad) {}
    void PressStop() override {
        calls << QStringLiteral("Stop");
        if (rig_.jukebox.Connected())
            rig_.ThePlayer().Stop();
    }
    void PressPlay() override { calls << QStringLiteral("Play"); }
    // Plays through the rig's scripted device once the test has connected it.
    void PlaySingleEntry() override {
        calls << QStringLiteral("Single");
        if (rig_.jukebox.Connected())
            rig_.ThePlayer().PlaySingleEntry();
    }
    void OpenDocument(const std::string& path) override { calls << QStringLiteral("Open ") + FromSjis(path); }
    void EnableIntroTimer() override { calls << QStringLiteral("IntroTimer"); }
    void ShowModeLabel() override { calls << QStringLiteral("ModeLabel%1").arg(model_.settings.PLAYMOD); }
    void ShowOrderLabel() override { calls << QStringLiteral("OrderLabel%1").arg(model_.settings.RNDMODE); }
    void PlaceWindowsOnGrid() override {
        calls << QStringLiteral("Place%1/%2/%3")
                     .arg(model_.settings.FIXDPOS)
                     .arg(model_.settings.ADJUSTH)
                     .arg(model_.settings.ADJUSTV);
    }
    void ApplyStayOnTop() override { calls << (model_.settings.VIWFRNT ? "OnTop" : "NotOnTop"); }
    bool EnableVolumeControl() override {
        calls << QStringLiteral("EnableVolume");
        return volumeDevice;
    }
    void DisableVolumeControl() override { calls << QStringLiteral("DisableVolume"); }
    void ApplyDeckHints() override { calls << QStringLiteral("DeckHints"); }
    void ApplyWindowHints() override { calls << QStringLiteral("WindowHints"); }
    void ApplyListFont() override {
        calls << QStringLiteral("ListFont");
        song_.ApplyListFont();
        bad_.ApplyListFont();
    }
    void SettingsWindowClosed() override { calls << QStringLiteral("Closed"); }
    void ShowStatus(const std::string& text, StatusKind kind) override {
        calls << FromSjis(text) +
                     (kind == StatusKind::Notice ? QStringLiteral("/Notice") : QStringLiteral("/other"));
    }
    QStringList calls;
    bool volumeDevice = true;

  private:
    JukeboxRig& rig_;
    AppModel& model_;
    TViewDlg& song_;
    TBadDlg& bad_;
};

struct ShownMessages final : MessageView {
    QStringList shown;
    void ShowMessage(const std::string& text) override { shown << FromSjis(text); }
};

// The settings window with the windows it reaches, over a settings file in a temporary folder.
struct Program {
    explicit Program(TempDir& dir) : rig(dir.Folder()), model(LoadModel(rig)) {
        window.SetBadFileWindow(&bad);
    }
    static AppModel& LoadModel(JukeboxRig& rig) {
        ReadSettings(rig.Model().folders.SettingsPath(), rig.Model().settings);
        return rig.Model();
    }
    JukeboxRig rig;  // nothing plays until a test connects it
    AppModel& model;
    ShownMessages messages;
    DocumentViewer viewer{model.settings};
    TViewDlg song{rig.jukebox, messages, viewer};
    TBadDlg bad{model};
    FakeHost host{rig, song, bad};
    TSetUpDlg window{model, host, messages};
};

}  // namespace korva::testing

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

// Stands in for the program: records what the window asks of it, and gives the commands it plays with
// to the rig's jukebox once the test has connected it.
class FakeHost final : public Actions, public SettingsDeckView, public DocumentView {
  public:
    explicit FakeHost(JukeboxRig& rig) : rig_(rig), model_(rig.Model()) {}
    SettingsPorts Ports() { return {*this, *this, *this}; }

    // Actions
    void Play() override { calls << QStringLiteral("Play"); }
    void Pause() override { calls << QStringLiteral("Pause"); }
    void Stop() override {
        calls << QStringLiteral("Stop");
        rig_.jukebox.Stop();
    }
    void Next() override { calls << QStringLiteral("Next"); }
    void Back() override { calls << QStringLiteral("Back"); }
    void Quit() override { calls << QStringLiteral("Quit"); }
    void PlaySingle(std::string path) override {
        calls << QStringLiteral("Single");
        rig_.jukebox.PlaySingle(std::move(path));
    }
    void PlayIntro(int seconds) override { calls << QStringLiteral("Intro %1").arg(seconds); }
    void ShowSongWindow() override { calls << QStringLiteral("SongWindow"); }
    void ChooseVolumeLevel(int) override {}
    void VolumeUp() override {}
    void VolumeDown() override {}
    void StepBaseVolume(int) override {}
    bool FindVolumeDevice() override {
        calls << QStringLiteral("EnableVolume");
        return volumeDevice;
    }

    // SettingsDeckView
    void ShowModeLabel() override { calls << QStringLiteral("ModeLabel%1").arg(model_.settings.PLAYMOD); }
    void ShowOrderLabel() override { calls << QStringLiteral("OrderLabel%1").arg(model_.settings.RNDMODE); }
    void PlaceWindowsOnGrid() override {
        calls << QStringLiteral("Place%1/%2/%3")
                     .arg(model_.settings.FIXDPOS)
                     .arg(model_.settings.ADJUSTH)
                     .arg(model_.settings.ADJUSTV);
    }
    void ApplyStayOnTop() override { calls << (model_.settings.VIWFRNT ? "OnTop" : "NotOnTop"); }
    void HideVolumeControls() override { calls << QStringLiteral("DisableVolume"); }
    void ApplyDeckHints() override { calls << QStringLiteral("DeckHints"); }
    void SettingsWindowClosed() override { calls << QStringLiteral("Closed"); }
    void ShowStatus(const std::string& text, StatusKind kind) override {
        calls << FromSjis(text) +
                     (kind == StatusKind::Notice ? QStringLiteral("/Notice") : QStringLiteral("/other"));
    }

    // DocumentView
    void OpenDocument(const std::string& path) override { calls << QStringLiteral("Open ") + FromSjis(path); }

    QStringList calls;
    bool volumeDevice = true;

  private:
    JukeboxRig& rig_;
    AppModel& model_;
};

struct ShownMessages final : MessageView {
    QStringList shown;
    void ShowMessage(const std::string& text) override { shown << FromSjis(text); }
};

// The settings window with the windows it reaches, over a settings file in a temporary folder.
struct Program {
    explicit Program(TempDir& dir) : rig(dir.Folder()), model(LoadModel(rig)) {
        window.SetBadFileWindow(&bad);
        // The song and bad-file windows' lists follow the list font, as in the program.
        window.AddWindowLook(song);
        window.AddWindowLook(bad);
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
    FakeHost host{rig};
    TSetUpDlg window{model, host.Ports(), messages};
};

}  // namespace korva::testing

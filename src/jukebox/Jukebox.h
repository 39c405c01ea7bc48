#pragma once
// The program's core as one object: the model, the volume control and the player, wired to the views
// of the windows and to the devices. The program hands it real windows and devices, tests hand it
// fakes; it knows them only by their ports.
//
// It comes to life in two steps, as the program does: first the model (the main window reads the
// settings into it while it is made), then, once the devices have been made from those settings,
// the volume control and the player.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "convert/AutoConvert.h"
#include "convert/ProcessRunner.h"
#include "jukebox/Actions.h"
#include "playback/ArtistSelection.h"
#include "playback/DroppedFiles.h"
#include "playback/ModalDepth.h"
#include "playback/Player.h"
#include "playback/PlayerCommands.h"
#include "playback/PlayerViews.h"
#include "playback/VolumeControl.h"
#include "playback/VolumeOutput.h"

namespace korva {

struct JukeboxDevices {
    SequencerDevice& device;
    VolumeOutput& volumeOutput;
    Timer& introTimer;  // its ticks go to IntroTimerTimer()
};

class Jukebox final : public Actions {
  public:
    // random is the program's one generator, seeded already.
    Jukebox(Folders folders, RandomSource& random, const Clock& clock);
    ~Jukebox() override;
    Jukebox(const Jukebox&) = delete;
    Jukebox& operator=(const Jukebox&) = delete;

    AppModel& Model() { return model_; }
    const Clock& TheClock() const { return clock_; }

    // Makes the volume control and the player over the devices.
    void Connect(const JukeboxDevices& devices);

    // What the start leaves until the main window is on the screen (the devices, the other
    // windows). FinishStart runs it once; so does the first command that comes before that, so a
    // command is never given to a jukebox that is only half made.
    void DeferRestOfStart(std::function<void()> rest) { restOfStart_ = std::move(rest); }
    void FinishStart();
    bool StartFinished() const { return !restOfStart_; }
    // Lets the player and the volume control go before the devices they drive.
    void Disconnect();
    bool Connected() const { return player_ != nullptr; }

    // What the player's commands act on: the player once connected, before that one that plays
    // nothing. The windows give their commands through the jukebox's Actions.
    PlayerCommands& Commands();
    // Only once connected.
    Player& ThePlayer() {
        FinishStart();
        return *player_;
    }
    VolumeControl& Volume() {
        FinishStart();
        return *volume_;
    }
    // The volume level heard (0 to 9); nullopt while no volume device is in use.
    std::optional<int> HeardVolumeLevel() const;

    // Each window attaches the view that describes it; until then nothing is shown there.
    void AttachDeck(DeckView& deck, StatusView& status, DeckVolumeView& volume);
    void AttachSongList(SongListView& songList);
    void AttachSongControl(SongControlView& songControl);
    void AttachVolumeWindow(VolumeWindowView& volumeWindow);
    void AttachDialogs(MessageView& messages, FolderDialog& folderDialog);
    // The artists window, which ARTS mode shows when play starts.
    void AttachArtistsWindow(ArtistsWindowView& window) { artists_.AttachWindow(&window); }
    ArtistSelection& Artists() { return artists_; }
    // The conversion window and what starts converters; until both are attached foreign entries
    // cannot be converted.
    void AttachConversion(ConversionWindowView& window, ProcessRunner& runner);
    // The conversion of foreign sequencer files; it lives as long as the jukebox.
    AutoConvert& Conversion() { return conversion_; }
    // The views of the windows, as the rules of the windows share them: a message shown through them
    // counts as a wait in a dialog.
    const Views& TheViews() const { return views_; }

    // With AUTOVOL on, looks for an output whose volume can be set; when there is none the status
    // line says so.
    void CheckVolumeDevice();

    // Files dropped on the deck or chosen with its file dialog (Shift-JIS paths) play at once; false
    // with nothing done while Busy.
    bool PlayDropped(const std::vector<std::string>& names, DropSource source);
    // True while the core waits in a dialog or for a converter: files to play must wait until then.
    bool Busy() const { return model_.play.ModalDepth > 0; }

    // The commands of the windows.
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Next() override;
    void Back() override;
    void Quit() override;
    void PlaySingle(std::string sjisPath) override;
    void PlayIntro(int introSeconds) override;
    void ShowSongWindow() override;
    void ChooseVolumeLevel(int position) override;
    void VolumeUp() override;
    void VolumeDown() override;
    void StepBaseVolume(int step) override;
    bool FindVolumeDevice() override;
    // Readies the volume window to be opened; false while there is no volume control.
    bool PrepareVolumeWindow();

  private:
    AppModel model_;
    RandomSource& random_;
    const Clock& clock_;
    Views views_;
    CountedMessages messages_;
    CountedFolderDialog folderDialog_;
    IdlePlayer idle_;
    AutoConvert conversion_;
    ArtistSelection artists_;
    bool conversionAttached_ = false;
    std::function<void()> restOfStart_;
    std::unique_ptr<VolumeControl> volume_;
    std::unique_ptr<Player> player_;
};

}  // namespace korva

#pragma once
// Plays the play queue one entry after another through the sequencer device: the Play, Pause and
// Stop actions, the completion handling that moves on to the next entry, the per-mode entry
// players, the reset file before every song, the header check, the song window's caption and
// position, the companion documents, single play and the end of intro play.

#include <string>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "playback/PlayQueue.h"
#include "playback/PlayerCommands.h"
#include "playback/SequencerDevice.h"
#include "playback/VolumeControl.h"

namespace korva {

// What the player shows in the windows besides the status line.
class PlayerView {
  public:
    virtual ~PlayerView() = default;
    virtual void SetPlayLabelLit(bool lit) = 0;   // PlayLabel lime when lit, teal otherwise
    virtual void SetPauseLabelLit(bool lit) = 0;  // PauseLabel yellow when lit, teal otherwise
    virtual void ClearStatusLine() = 0;
    virtual void ShowModeLabel() = 0;
    virtual void EnableClock() = 0;               // BaseTimer on
    virtual void DisableIntroAndAutoStart() = 0;  // IntroTimer and OpenTimer off
    virtual void SetIntroInterval(int milliseconds) = 0;
    virtual void ShowIntroEnd() = 0;  // ".. Intro Play End" in bold italic
    // The song window.
    virtual void ShowSongWindow() = 0;
    virtual void HideSongWindow() = 0;  // and stop its auto-close timer
    virtual void SongLinesChanged() = 0;
    virtual void SetSongCaption(const std::string& sjisCaption) = 0;
    virtual void SetSongNumber(int number) = 0;  // SelMidiPanel
    virtual void SelectSongLine(int index) = 0;
    virtual void SetCompanionFiles(bool txtExists, bool docExists) = 0;
    // The song control window.
    virtual void ShowSongControlWindow() = 0;
    virtual void CloseSongControlWindow() = 0;
};

// Turns a queue entry in a foreign sequencer format into a Standard MIDI File at play time.
class PlayTimeConverter {
  public:
    enum class Outcome {
        Converted,  // the queue entry and its song line now name the converted file
        NextEntry,  // QueuePosition has moved on; play that entry instead
        Stopped,    // Stop has been pressed
    };
    virtual ~PlayTimeConverter() = default;
    virtual Outcome ConvertEntry(AppModel& model) = 0;
};

struct PlayerPorts {
    SequencerDevice& device;
    VolumeControl& volume;
    PlayerView& view;
    StatusView& status;
    MessageView& messages;
    RandomSource& random;
    const Clock& clock;
    FolderDialog& folderDialog;
};

// The song window's caption while an entry of the current queue plays.
std::string SongWindowCaption(const Settings& settings, int loadedList, std::size_t queueLength);
// True exactly when the file begins with "MThd".
bool HasSmfHeader(const std::string& sjisPath);
// The seven extensions of foreign sequencer formats, letter case ignored.
bool IsForeignExtension(const std::string& sjisPath);

class Player final : public PlayerCommands {
  public:
    Player(AppModel& model, PlayerPorts ports);

    // PlayerCommands: the deck's buttons.
    void Play() override;
    void Pause() override;
    void Stop() override;
    void PlayEasyEntry() override;
    bool DevicePlaying() const override;
    bool DeviceIdle() const override;
    void StopDevice() override;
    void ReplayIfPlaying() override;

    // The device's completion notice.
    void MediaPlayer1Notify();
    // Plays the queue entry at QueuePosition once (previews).
    void PlaySingleEntry();
    // The end of one song's intro.
    void IntroTimerTimer();
    // The deck's Next: moves on when a later entry exists.
    void Next();

    // The converter used for foreign EASY entries; without one such entries are refused.
    void SetPlayTimeConverter(PlayTimeConverter* converter) { converter_ = converter; }

  private:
    // An error raised by the device while opening a song ends the run; it is shown as a message.
    template <typename F>
    void Guarded(F&& action);

    bool PlayListEntry();
    bool PlayArtistEntry();
    bool PlayEasyEntryUnguarded();
    void PlaySingleEntryUnguarded();
    bool PlayNamedEntry(const std::string& caption);
    bool WrapOrEnd();
    bool StartSong(const std::string& path, const std::string& volText);
    bool SendReset();
    void HandleDeviceError();
    // Labels at rest, flags down, intro and auto start off, the song window hidden and emptied.
    void ShowPlayEnded();
    void ShowMissingFile(const std::string& statusText, const std::string& path);
    void ShowPositionInSongWindow(const std::string& caption);
    void StartNewQueue();
    void ApplyBaseIfAutomatic();

    AppModel& model_;
    PlayerPorts ports_;
    PlayTimeConverter* converter_ = nullptr;
};

}  // namespace korva

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
#include "playback/PlayerViews.h"
#include "playback/SequencerDevice.h"
#include "playback/VolumeControl.h"

namespace korva {

class ArtistSelection;

// Turns a queue entry in a foreign sequencer format into a Standard MIDI File at play time.
class PlayTimeConverter {
  public:
    enum class Outcome {
        Converted,  // the queue entry and its song line now name the converted file
        NextEntry,  // QueuePosition has moved on; play that entry instead
        Stopped,    // Stop has been pressed
        Abandoned,  // play was stopped or restarted while converting; nothing more to do here
    };
    virtual ~PlayTimeConverter() = default;
    // The entry is in a format that must be converted before it can play.
    virtual bool IsForeign(const std::string& sjisPath) const = 0;
    // Converts the queue entry at QueuePosition.
    virtual Outcome ConvertEntry(AppModel& model) = 0;
};

// What the player drives besides the views.
struct PlayerParts {
    SequencerDevice& device;
    VolumeControl& volume;
    RandomSource& random;
    const Clock& clock;
    Timer& introTimer;  // its ticks go to IntroTimerTimer()
};

// The song window's caption while an entry of the current queue plays.
std::string SongWindowCaption(const Settings& settings, int loadedList, std::size_t queueLength);
// True exactly when the file begins with "MThd".
bool HasSmfHeader(const std::string& sjisPath);

class Player final : public PlayerCommands {
  public:
    // The views are read at every use, so a window may attach its view after the player is made.
    Player(AppModel& model, PlayerParts parts, const Views& views);
    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // PlayerCommands: the deck's buttons.
    void Play() override;
    void Pause() override;
    void Stop() override;
    void PlayEasyEntry() override;
    bool DevicePlaying() const override;
    bool DeviceIdle() const override;
    void StopDevice() override;
    void ReplayIfPlaying() override;
    std::int64_t SongPositionMicroseconds() const override;

    // The device's completion notice.
    void MediaPlayer1Notify();
    // Plays the queue entry at QueuePosition once (previews).
    void PlaySingleEntry();
    // The end of one song's intro.
    void IntroTimerTimer();
    // Intro play: from now on every song plays for its first IntroSeconds only.
    void EnableIntroTimer();
    // The deck's Next: moves on when a later entry exists.
    void Next();

    // The converter used for foreign EASY entries; without one such entries meet the header check
    // like any other file and are refused there.
    void SetPlayTimeConverter(PlayTimeConverter* converter) { converter_ = converter; }
    // What ARTS mode asks for the artists to play; without it ARTS plays what the queue holds.
    void SetArtistSelection(ArtistSelection* artists) { artists_ = artists; }

  private:
    // An error raised while an action runs (a playlist that cannot be read, say) ends the action;
    // it is shown as a message.
    template <typename F>
    void Guarded(F&& action);

    bool PlayListEntry();
    bool PlayArtistEntry();
    bool PlayEasyEntryUnguarded();
    void PlaySingleEntryUnguarded();
    // How starting a file went: Abandoned when a Stop or another open came while it was read.
    enum class Outcome { Done, Failed, Abandoned };

    bool PlayNamedEntry(const std::string& caption);
    bool WrapOrEnd();
    Outcome StartSong(const std::string& path, const std::string& volText);
    Outcome SendReset();
    void HandleDeviceError();
    Outcome OpenAndPlay(const std::string& path);
    // IntroTimer runs only while intro play has enabled it; 0 holds it until the next song.
    void SetIntroInterval(int milliseconds);
    void DisableIntroAndAutoStart();
    // Labels at rest, flags down, intro and auto start off, the song window hidden and emptied.
    void ShowPlayEnded();
    // The status line once a song has started: its text, unless its reset file plays first; once a
    // run, the notice of a reset file that could not be played instead.
    void ShowSongStarted(const std::string& statusText);
    void ShowMissingFile(const std::string& statusText, const std::string& path);
    void ShowPositionInSongWindow(const std::string& caption);
    void StartNewQueue();
    void ApplyBaseIfAutomatic();

    AppModel& model_;
    PlayerParts parts_;
    const Views& views_;
    PlayTimeConverter* converter_ = nullptr;
    ArtistSelection* artists_ = nullptr;
    bool introEnabled_ = false;
    int introInterval_ = 0;
    int opening_ = 0;          // how deep the player is in the device's Open
    unsigned opens_ = 0;       // opens begun
    unsigned abandoned_ = 0;   // opens given up
    std::string unplayableReset_;  // the reset file that failed last, until one plays again
    bool resetTroubleTold_ = false;
};

}  // namespace korva

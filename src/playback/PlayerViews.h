#pragma once
// What playing shows, one small view per window that shows it. Each window implements the view that
// describes it; the jukebox hands them to the player and the volume control.

#include <string>

#include "app/Ports.h"

namespace korva {

// The deck: its transport labels, its display and its timers.
class DeckView {
  public:
    virtual ~DeckView() = default;
    virtual void SetPlayLabelLit(bool lit) = 0;   // PlayLabel lime when lit, teal otherwise
    virtual void SetPauseLabelLit(bool lit) = 0;  // PauseLabel yellow when lit, teal otherwise
    virtual void ClearStatusLine() = 0;
    virtual void ShowModeLabel() = 0;
    virtual void EnableClock() = 0;      // BaseTimer on
    virtual void CancelAutoStart() = 0;  // OpenTimer off
    // The power button's end: the deck keeps its place, closes, and the program ends.
    virtual void Quit() = 0;
};

// The song window: the play queue as a list.
class SongListView {
  public:
    virtual ~SongListView() = default;
    // Shown in front; the automatic close counts from now when it is on.
    virtual void ShowSongWindow() = 0;
    virtual void HideSongWindow() = 0;  // and stop its automatic close
    // The model's song lines were replaced.
    virtual void SongLinesChanged() = 0;
    virtual void SetSongCaption(const std::string& sjisCaption) = 0;
    virtual void SetSongNumber(int number) = 0;  // SelMidiPanel
    virtual void SelectSongLine(int index) = 0;  // an index outside the list selects nothing
    virtual void SetCompanionFiles(bool txtExists, bool docExists) = 0;
};

// The song control window, which edits the playing song's entry.
class SongControlView {
  public:
    virtual ~SongControlView() = default;
    virtual void ShowSongControlWindow() = 0;
    virtual void CloseSongControlWindow() = 0;
    // Its TXT and DOC buttons follow the song window's.
    virtual void SetCompanionFiles(bool txtExists, bool docExists) = 0;
};

// The volume controls on the deck.
class DeckVolumeView {
  public:
    virtual ~DeckVolumeView() = default;
    // The deck swaps its name label for the volume controls.
    virtual void ShowVolumeControls() = 0;
    // The deck's base-volume bar.
    virtual void SetVolumeBar(int level) = 0;
};

// The volume window's level buttons.
class VolumeWindowView {
  public:
    virtual ~VolumeWindowView() = default;
    // The level button of `level` gets the red caption, all others black.
    virtual void MarkEffectiveLevel(int level) = 0;
    // The level buttons' down state (the base level's button is down); -1 puts none down.
    virtual void SetBaseButtonDown(int level) = 0;
};

// Where the player and the volume control find the views. Every pointer is always valid: until a
// window attaches its view, one that shows nothing stands in for it.
struct Views {
    DeckView* deck;
    StatusView* status;
    DeckVolumeView* deckVolume;
    SongListView* songList;
    SongControlView* songControl;
    VolumeWindowView* volumeWindow;
    MessageView* messages;
    FolderDialog* folderDialog;
};

// Views that show nothing, and a folder dialog that is always cancelled.
Views QuietViews();

}  // namespace korva

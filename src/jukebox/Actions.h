#pragma once
// The program's commands, whichever window gives them: a button of the deck, a key of the remote
// strip, a media key of the desktop, the settings window's intro play, a list page's preview. Each
// runs the handler the deck's own button runs, so a shared action acts alike wherever it is pressed,
// and what keeps a button from acting (nothing playing, the first or the last entry, a volume device
// not found) keeps the command from acting wherever it comes from. The jukebox implements it; the
// tests of a window's rules may record it.

#include <string>

namespace korva {

class Actions {
  public:
    virtual ~Actions() = default;

    // The deck's Play, Pause and Stop buttons.
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // The deck's Next and Back buttons: only while playing, and not past the last or the first entry.
    virtual void Next() = 0;
    virtual void Back() = 0;
    // The power button: the deck keeps its place and the program ends.
    virtual void Quit() = 0;

    // A list page's preview: stops, and plays this one song (a Shift-JIS path) alone, once.
    virtual void PlaySingle(std::string sjisPath) = 0;
    // Intro play: stops, plays the queue from its start, and from now on every song plays only
    // introSeconds.
    virtual void PlayIntro(int introSeconds) = 0;

    // The song window in front (a click on the deck's status line).
    virtual void ShowSongWindow() = 0;
    // The volume controls of the deck, the volume window and the remote strip; nothing happens before
    // the volume control exists. A chosen level becomes the base level.
    virtual void ChooseVolumeLevel(int position) = 0;
    virtual void VolumeUp() = 0;
    virtual void VolumeDown() = 0;
    // The base level one step down (-1) or up (+1), within 0..9.
    virtual void StepBaseVolume(int step) = 0;
    // Looks for an output whose volume can be set; false when there is none (or no volume control).
    virtual bool FindVolumeDevice() = 0;
};

}  // namespace korva

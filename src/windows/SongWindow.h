#pragma once
// The song window's rules: choosing a queue entry to play, the companion document of the song at the
// queue position, the automatic close and the remembered bounds.

#include <optional>
#include <string>

#include "app/AppModel.h"
#include "playback/PlayerCommands.h"
#include "playlist/CompanionDocument.h"

namespace korva {

// SELECT: with a line selected (index >= 0) the queue position goes to one before it and the device
// stops; the completion handling then adds one and plays the selected entry. With nothing playing
// only the position changes. A paused song is resumed first, and a reset file that is playing is
// given up, so that in both cases the selected entry is the one that plays next. Returns whether it
// acted.
bool SelectQueueEntry(PlayState& play, int selected, PlayerCommands& player);

// QUICK: selects the line's entry unless it is the one at the queue position. Returns whether the
// window closes, which it does exactly when a line is selected.
bool QuickSelectQueueEntry(PlayState& play, int selected, PlayerCommands& player);

// The companion document of the queue entry at the queue position; nullopt when the position names
// no entry (the queue has ended or was emptied).
std::optional<std::string> CurrentCompanionDocument(const AppModel& model, DocumentKind kind);

// What showing the window does to the automatic close: nullopt leaves the countdown as it is
// (AUTOCLS off); 0 stops it (CLSTIME 0 never closes); otherwise the countdown restarts with that
// many milliseconds.
std::optional<int> AutoCloseIntervalOnShow(const Settings& settings);

// Outer bounds of a window, the frame included, in screen coordinates.
struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowBounds&) const = default;
};

inline constexpr int kSongWindowWidth = 297;
inline constexpr int kSongWindowHeight = 259;

// The bounds stored by the position memory; nullopt when none are stored (either VIWHPOS or VIWVPOS
// is -999), and the window is then centred at its design size.
std::optional<WindowBounds> RememberedSongWindowBounds(const Settings& settings);

// The position memory: the bounds go into VIWHPOS, VIWVPOS, VIWSIZE, VIWHIGH and section "POS01" of
// the settings file is written at once. Raises WriteError.
void StoreSongWindowBounds(const WindowBounds& bounds, Settings& settings, const std::string& iniPath);

}  // namespace korva

#pragma once
// Building the play queue when Play is pressed: from the playlists by list mode and order mode,
// or from the ".MID" files of a folder. Before any of these the caller empties the play queue and
// the scratch list and puts the queue position at 0.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "app/Settings.h"

namespace korva {

struct QueuePorts {
    StatusView& status;
    MessageView& messages;
    RandomSource& random;
};

// Fills the queue from list 0, list 1 or, for 2, both (list 1's lines, then list 0's) in the
// order mode RNDMODE: NOR by title with marks stripped, NEW marked songs first then the rest
// drawn at random, RND all drawn. L entries go in twice in NEW and RND, S entries half the time,
// R entries never. Then the song window's lines and LoadedList follow the queue. A missing file
// or a Feel that is no integer ends the build with a message; the queue keeps what it got, the
// song window's lines and LoadedList stay as they were.
void PrepareListQueue(AppModel& model, int list, QueuePorts ports);

// The list that PROG mode plays at the clock's hour, by the six start hours of TIMBAND; 0 when
// TIMBAND is not 12 characters or the hour lies in no band.
int CurrentBandList(const Settings& settings, const Clock& clock);

// Fills the queue with the ".MID" files of a folder the user picks: drawn at random in RND, sorted
// by path otherwise. Reports on the status line only, except for file names that Shift-JIS cannot
// hold, which are left out and named in a message.
void PrepareFolderQueue(AppModel& model, FolderDialog& dialog, QueuePorts ports);

// The song window's line for an entry: the preference letter (none outside 0 .. 3), a blank, Vol,
// a blank, Name.
std::string SongLineOf(int feel, std::string_view vol, std::string_view name);

}  // namespace korva

#pragma once
// A whole core for tests: a jukebox over a scripted device, a recording volume output and fake
// timers, with the recording views of every window attached. A test lets songs end with
// device.FinishAndDeliver() and reads what the views show.

#include <string>
#include <vector>

#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "support/Fakes.h"
#include "support/ScriptedDevice.h"
#include "windows/SongControl.h"

namespace korva::testing {

struct JukeboxRig {
    // The playlists and reset files are looked for in programFolder. Draws come from a generator
    // seeded with `seed`, or, with scriptedDraws, from `scripted`.
    explicit JukeboxRig(const std::string& programFolder, std::uint64_t seed = 7, bool scriptedDraws = false)
        : random(seed),
          jukebox(MakeFolders(programFolder, {}),
                  scriptedDraws ? static_cast<RandomSource&>(scripted) : random, clock) {
        jukebox.AttachDeck(deck, deck, deck);
        jukebox.AttachSongList(songList);
        jukebox.AttachSongControl(songControl);
        jukebox.AttachVolumeWindow(volumeWindow);
        jukebox.AttachDialogs(messages, folderDialog);
    }
    // Makes the player and the volume control, as the program does once the settings are read.
    void Connect() { jukebox.Connect(JukeboxDevices{device, output, introTimer}); }

    AppModel& Model() { return jukebox.Model(); }
    Player& ThePlayer() { return jukebox.ThePlayer(); }

    SeededRandom random;
    ScriptedRandom scripted;
    FakeClock clock;
    ScriptedDevice device;
    RecordingVolumeOutput output;
    FakeTimer introTimer;
    RecordingDeck deck;
    RecordingSongList songList;
    RecordingSongControl songControl;
    RecordingVolumeWindow volumeWindow;
    RecordingMessages messages;
    ScriptedFolderDialog folderDialog;
    Jukebox jukebox;
    // The song control window's rules, over the jukebox as the program makes them.
    SongControl songControlRules{jukebox.Model(), jukebox.TheViews(),
                                 [this]() -> PlayerCommands& { return jukebox.Commands(); }};
};

}  // namespace korva::testing

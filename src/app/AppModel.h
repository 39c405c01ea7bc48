#pragma once
// The process-wide state of the program, owned by one object and passed by reference: the settings
// record, the folders, the working lists and the play state. Windows show it; the core changes it.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "app/Folders.h"
#include "app/LineList.h"
#include "app/SongLineList.h"
#include "app/Settings.h"

namespace korva {

// A list the settings window shows for one playlist: the titles, index-aligned with the edit buffer
// while that list is loaded, and the count shown beside them.
struct TitleListModel {
    LineList titles;
    std::string countText;  // the text of Count0Panel / Count1Panel
};

struct PlayState {
    int QueuePosition = 0;
    bool ResetPending = false;
    bool PauseFlag = false;
    bool SinglePlay = false;
    int IntroSeconds = 30;   // seconds of each song in intro play
    int LoadedList = 0;      // the list the current queue was built from (PROG band changes)
    int SavedListMode = -1;  // the list mode before a drop switched to EASY; -1 for none
    int ScrollPos = 0;
    // Counts the presses of Stop: an action that waited for the user or a child process learns
    // from it that play was stopped or restarted meanwhile.
    unsigned StopCount = 0;
    // How many dialogs or converters the core is waiting in (see playback/ModalDepth.h).
    int ModalDepth = 0;
};

// The outcome of the latest conversion of a foreign sequencer file.
enum ConvertOutcome : int { Converted = 0, FolderCancelled = 1, NotConverted = 2 };

// The state of converting foreign sequencer files, kept between conversions.
struct ConversionState {
    std::string ActiveTemplate;    // the template of the file being converted
    std::string ConvertSource;     // the file being converted
    std::string LastOutputFolder;  // the output folder of the latest command line prepared
    std::string ConvertedPath;     // where the converted Standard MIDI File is expected
    bool ContinuousConvert = false;
    int ConvertState = NotConverted;
};

struct AppModel {
    Settings settings;
    Folders folders;

    // The working lists hold their lines as views into the text of the files they came from (see
    // LineList): a line taken from one list into another shares its text.
    LineList PlayQueue;    // the play queue (MainListBox)
    LineList ScratchList;  // the scratch list (SubListBox)
    LineList EditBuffer;   // the sorted edit buffer (EditListBox)
    SongLineList SongLines;  // the song window's lines, index-aligned with PlayQueue
    std::array<TitleListModel, 2> TitleLists;

    PlayState play;
    ConversionState conversion;
    std::string LastFolder;  // the last folder chosen in a folder dialog
};

}  // namespace korva

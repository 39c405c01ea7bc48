#pragma once
// The program's folders, each a Shift-JIS text ending in "/".

#include <string>
#include <vector>

namespace korva {

struct Folders {
    // The home of "KORVA.INI", the playlists (unless the command line names their folders) and the
    // reject files: the executable's folder in a portable layout, the user's configuration folder
    // for an installed program.
    std::string ProgramFolder;
    std::string List0DataFolder;
    std::string List1DataFolder;
    // Where the reset files and the converters are looked for, first match first; ProgramFolder alone
    // while empty.
    std::vector<std::string> SupportFolders;

    std::string SettingsPath() const { return ProgramFolder + "KORVA.INI"; }
    std::string PlaylistPath(int list) const {
        return (list == 0 ? List0DataFolder : List1DataFolder) + (list == 0 ? "KORVA.DT0" : "KORVA.DT1");
    }
    std::string RejectPath(int list) const { return ProgramFolder + (list == 0 ? "KORVA.NG0" : "KORVA.NG1"); }

    // The first support folder that holds the file (its last component matched ignoring a-z case);
    // ProgramFolder when none does, so that what is then reported missing is named there.
    std::string SupportFolderOf(const std::string& sjisName) const;
};

// Removes what writes of the program's own files (settings, both playlists, both reject files) left
// behind when a copy of the program was killed in the middle of one; see WriteFileAtomically.
void RemoveLeftoverWrites(const Folders& folders);

// Both data folders start as the program folder; a first / second command-line argument that is
// present and not empty names the folder of list 0 / list 1 (a trailing "/" is added).
Folders MakeFolders(const std::string& programFolder, const std::vector<std::string>& arguments);

// Where a program keeps its own files and finds the files it ships with.
struct ProgramPlaces {
    std::string home;                         // becomes ProgramFolder
    std::vector<std::string> supportFolders;  // home, the executable's folder, the shared data folder
    bool installed = false;
};

// The folder the program's own files go to when installed: $XDG_CONFIG_HOME/korva97/, or
// ~/.config/korva97/ when that variable is unset, empty or not an absolute path.
std::string ConfigFolderOf(const std::string& xdgConfigHome, const std::string& homeFolder);

// The shared data folder of an installed program: "<prefix>/share/korva97/" for an executable in
// "<prefix>/bin/".
std::string SharedDataFolderOf(const std::string& executableFolder);

// A portable program keeps everything in its own folder. An installed one (its folder not writable,
// or laid out as an installation: its shared data folder exists) keeps its files in configFolder and
// looks for the files it ships with there first, then beside the executable, then in the shared
// data folder.
ProgramPlaces ChooseProgramPlaces(const std::string& executableFolder, bool executableFolderWritable,
                                  bool sharedDataFolderExists, const std::string& configFolder);

}  // namespace korva

#pragma once
// The program's folders, each a Shift-JIS text ending in "/".

#include <string>
#include <vector>

namespace korva {

struct Folders {
    std::string ProgramFolder;
    std::string List0DataFolder;
    std::string List1DataFolder;

    std::string SettingsPath() const { return ProgramFolder + "KORVA.INI"; }
    std::string PlaylistPath(int list) const {
        return (list == 0 ? List0DataFolder : List1DataFolder) + (list == 0 ? "KORVA.DT0" : "KORVA.DT1");
    }
    std::string RejectPath(int list) const { return ProgramFolder + (list == 0 ? "KORVA.NG0" : "KORVA.NG1"); }
};

// Both data folders start as the program folder; a first / second command-line argument that is
// present and not empty names the folder of list 0 / list 1 (a trailing "/" is added).
Folders MakeFolders(const std::string& programFolder, const std::vector<std::string>& arguments);

}  // namespace korva

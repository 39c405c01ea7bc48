#include "app/Folders.h"

#include "app/FileSystem.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr const char* kProgramName = "korva97";

// The folder text with its last component removed: "/usr/bin/" gives "/usr/". "/" stays "/".
std::string ParentFolder(const std::string& folder) {
    std::string text = folder;
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? std::string("./") : text.substr(0, slash + 1);
}

}  // namespace

void RemoveLeftoverWrites(const Folders& folders) {
    for (const std::string& path : {folders.SettingsPath(), folders.PlaylistPath(0), folders.PlaylistPath(1),
                                    folders.RejectPath(0), folders.RejectPath(1)})
        RemoveLeftoverTemporaries(path);
}

std::string Folders::SupportFolderOf(const std::string& sjisName) const {
    for (const std::string& folder : SupportFolders) {
        if (FileExistsIgnoringCase(folder + sjisName))
            return folder;
    }
    return ProgramFolder;
}

Folders MakeFolders(const std::string& programFolder, const std::vector<std::string>& arguments) {
    Folders folders;
    folders.ProgramFolder = WithTrailingPathDelimiter(programFolder);
    folders.List0DataFolder = folders.ProgramFolder;
    folders.List1DataFolder = folders.ProgramFolder;
    if (arguments.size() > 0 && !arguments[0].empty())
        folders.List0DataFolder = WithTrailingPathDelimiter(arguments[0]);
    if (arguments.size() > 1 && !arguments[1].empty())
        folders.List1DataFolder = WithTrailingPathDelimiter(arguments[1]);
    return folders;
}

std::string ConfigFolderOf(const std::string& xdgConfigHome, const std::string& homeFolder) {
    const std::string base = !xdgConfigHome.empty() && xdgConfigHome.front() == '/'
                                 ? xdgConfigHome
                                 : WithTrailingPathDelimiter(homeFolder) + ".config";
    return WithTrailingPathDelimiter(base) + kProgramName + "/";
}

std::string SharedDataFolderOf(const std::string& executableFolder) {
    return ParentFolder(WithTrailingPathDelimiter(executableFolder)) + "share/" + kProgramName + "/";
}

ProgramPlaces ChooseProgramPlaces(const std::string& executableFolder, bool executableFolderWritable,
                                  bool sharedDataFolderExists, const std::string& configFolder) {
    ProgramPlaces places;
    const std::string programFolder = WithTrailingPathDelimiter(executableFolder);
    places.installed = !executableFolderWritable || sharedDataFolderExists;
    if (!places.installed) {
        places.home = programFolder;
        places.supportFolders = {programFolder};
        return places;
    }
    places.home = WithTrailingPathDelimiter(configFolder);
    places.supportFolders = {places.home, programFolder, SharedDataFolderOf(programFolder)};
    return places;
}

}  // namespace korva

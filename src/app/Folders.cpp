#include "app/Folders.h"

#include "text/ShiftJis.h"

namespace korva {

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

}  // namespace korva

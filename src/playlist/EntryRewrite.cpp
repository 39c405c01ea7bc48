#include "playlist/EntryRewrite.h"

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "playlist/LineFile.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

bool EntryNamesSong(std::string_view line, std::string_view songPath) {
    const EntryView view = ViewEntry(line);
    return view.tabs >= 2 && view.Path == songPath;
}

std::size_t ReplaceEntriesOfSong(std::vector<std::string>& lines, std::string_view songPath,
                                 const std::string& line) {
    std::size_t replaced = 0;
    for (std::string& current : lines) {
        if (EntryNamesSong(current, songPath)) {
            current = line;
            ++replaced;
        }
    }
    return replaced;
}

std::optional<std::size_t> RewriteEntriesInFile(const std::string& sjisPlaylistPath,
                                                std::string_view songPath, const std::string& line) {
    const auto found = FindIgnoringCase(sjisPlaylistPath);
    if (!found)
        return std::nullopt;
    ReadProblem problem;
    auto lines = ReadLines(sjisPlaylistPath, &problem);
    if (!lines) {
        throw UserError(IsRefused(problem) ? ReadProblemMessage(sjisPlaylistPath, problem)
                                           : sjisPlaylistPath + Sjis(" を読み込めません"));
    }
    const std::size_t replaced = ReplaceEntriesOfSong(*lines, songPath, line);
    // The file keeps the name it has: "korva.dt0" is written as "korva.dt0". Its name matched the
    // playlist's ASCII name, so it converts back unchanged.
    if (replaced > 0)
        WriteLines(FolderPart(sjisPlaylistPath) + found->filename().string(), *lines);
    return replaced;
}

}  // namespace korva

#pragma once
// Rewriting the entries of one song in a playlist file: every line whose Path field names the song
// is replaced by a new line, and the file is written once, atomically, after all replacements.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// True when the line has a Path field (two TABs or more) equal to songPath byte for byte: file names
// differ by case here, so "/M/a.mid" is another song than "/m/A.MID". A path that only contains the
// song's path, such as "/m/A.MID2" or "/old/m/A.MID", is another song too.
bool EntryNamesSong(std::string_view line, std::string_view songPath);

// Replaces every line that names the song by `line`; returns how many were replaced.
std::size_t ReplaceEntriesOfSong(std::vector<std::string>& lines, std::string_view songPath,
                                 const std::string& line);

// The same on a playlist file (found ignoring the case of its name). nullopt when there is no such
// file; otherwise the number of lines replaced, the file being written only when it is not 0.
// Raises WriteError when the file cannot be written, and UserError when it cannot be read.
std::optional<std::size_t> RewriteEntriesInFile(const std::string& sjisPlaylistPath,
                                                std::string_view songPath, const std::string& line);

}  // namespace korva

#pragma once
// Playlist and reject files as lines of bytes, carried unchanged (no conversion, no trimming).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/LineList.h"

namespace korva {

// Lines end at CR LF, at a lone CR and at a lone LF. A last line without an end is a line; an end
// at the very end makes no empty line after it; two ends in a row make an empty line. A NUL byte
// ends the text.
std::vector<std::string> SplitLines(std::string_view bytes);

// The lines of a whole file; nullopt when it does not exist or cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& sjisPath);

// The same lines as ReadLines gives, as views into one block that holds the whole file.
std::optional<LineList> ReadLineList(const std::string& sjisPath);

// Replaces the file atomically with every line followed by CR LF. Raises WriteError naming the path.
void WriteLines(const std::string& sjisPath, const std::vector<std::string>& lines);
// The same for a list of views.
void WriteLineList(const std::string& sjisPath, const LineList& lines);

// Appends the line and CR LF, creating the file when missing. Raises WriteError naming the path.
void AppendLine(const std::string& sjisPath, std::string_view line);

// What the user is told when a playlist file cannot be written: "ﾌｧｲﾙ %s を作成できません".
std::string PlaylistNotWrittenMessage(const std::string& sjisPath);

}  // namespace korva

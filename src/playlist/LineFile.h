#pragma once
// Playlist and reject files as lines of bytes, carried unchanged (no conversion, no trimming).
//
// A NUL byte is a byte like any other: it ends neither its line nor the text, so the line that
// holds it is kept whole (an abnormal line, as any line with a byte below 32 other than its TABs)
// and the lines after it are read as usual. Cutting the text there would lose every line after it
// the first time the list is written back.
//
// A UTF-8 byte order mark that an editor put at the start of a file belongs to no line: it is passed
// over when the file is read and written again at the start when the file is replaced.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/FileSystem.h"
#include "app/LineList.h"

namespace korva {

// Lines end at CR LF, at a lone CR and at a lone LF. A last line without an end is a line; an end
// at the very end makes no empty line after it; two ends in a row make an empty line. A byte order
// mark at the start is no part of the first line.
std::vector<std::string> SplitLines(std::string_view bytes);

// The lines of a whole file; nullopt when it does not exist or cannot be read, with problem (when
// given) saying why. Only a regular file of at most kTextFileLimit bytes is read: a FIFO, a device
// or a link to one is refused without waiting for it.
std::optional<std::vector<std::string>> ReadLines(const std::string& sjisPath,
                                                  ReadProblem* problem = nullptr);

// The same lines as ReadLines gives, as views into one block that holds the whole file.
std::optional<LineList> ReadLineList(const std::string& sjisPath, ReadProblem* problem = nullptr);
// The same without the lines that keep refuses. Each line is offered as it is split off, while its
// bytes are still at hand: a second pass over a large list would read them from memory again.
using LineKeeper = bool (*)(std::string_view line, void* context);
std::optional<LineList> ReadLineList(const std::string& sjisPath, ReadProblem* problem, LineKeeper keep,
                                     void* context = nullptr);

// Replaces the file atomically with every line followed by CR LF, after the byte order mark the file
// being replaced begins with, if any. Raises WriteError naming the path.
void WriteLines(const std::string& sjisPath, const std::vector<std::string>& lines);
// The same for a list of views.
void WriteLineList(const std::string& sjisPath, const LineList& lines);

// Appends the line and CR LF, creating the file when missing. Raises WriteError naming the path.
void AppendLine(const std::string& sjisPath, std::string_view line);

// What the user is told when a playlist file cannot be written: "ﾌｧｲﾙ %s を作成できません".
std::string PlaylistNotWrittenMessage(const std::string& sjisPath);

}  // namespace korva

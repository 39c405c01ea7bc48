#pragma once
// The title of a MIDI file as the list pages give it to a song they add: the text of the first Text
// (FF 01) or Sequence/Track Name (FF 03) meta event near the start of the file, else the file name.

#include <string>
#include <string_view>

#include "app/FileSystem.h"

namespace korva {

// How much of a file the title can come from: an event found in the first 255 bytes of the head,
// with its one length byte and up to 255 bytes of text.
inline constexpr std::size_t kTitleHeadLimit = 255 + 2 + 255;
// The head never needs more file bytes than this: a line of one byte takes three with its CR LF,
// and an empty line ends the head.
inline constexpr std::size_t kTitleReadBytes = 3 * kTitleHeadLimit + 3;

// The head of a file as the title reader gathers it from the file's first bytes: lines ending at CR
// (the CR and an LF right after it left out, any other LF kept), joined; a byte 26 or the end of
// the bytes ends it, and so does the end of the first empty line or of the first line that brings
// the head to 256 bytes. Bytes beyond kTitleHeadLimit are never needed and not kept.
std::string TitleHead(std::string_view fileBytes);

// The title chosen from a file's first bytes: the text of whichever of the first FF 01 and the
// first FF 03 of the head comes first (each only at positions 1-255 of the head), taken from the
// file by the event's single length byte, bytes below 32 removed; when that leaves nothing but
// blanks, the file name of sjisPath with its extension.
std::string TitleFromFileBytes(std::string_view fileBytes, std::string_view sjisPath);
// The same title appended to out.
void AppendTitleFromFileBytes(std::string_view fileBytes, std::string_view sjisPath, std::string& out);

// What ReadSmfTitle raises for a file it could not read: the input/output message, or for a file
// that is none the program reads (a FIFO, a device) the message naming it and what it is.
std::string TitleReadMessage(const ReadProblem& problem, const std::string& sjisPath);

// Reads the head of the file and returns its title. Raises UserError with the input/output message
// ("ﾌｧｲﾙが見つかりません", "ﾌｧｲﾙへのｱｸｾｽが拒否されました", "I/O ｴﾗｰ (n)") when it cannot be read.
// listed: the caller has just seen the path listed in its folder as a regular file (ReadListedFileHead).
std::string ReadSmfTitle(const std::string& sjisPath, bool listed = false);

}  // namespace korva

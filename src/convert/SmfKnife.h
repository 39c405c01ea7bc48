#pragma once
// The SMF knife, an outside tool that rewrites a Standard MIDI File by a configuration file: its
// command line, the copy it keeps of the song, and when it may run. All texts are Shift-JIS.

#include <optional>
#include <string>
#include <string_view>

#include "app/Settings.h"

namespace korva {

// Where the knife keeps the song as it was: the path with its extension replaced by ".MI_", or with
// ".MI_" appended when the name has none ("/m/A.MID" -> "/m/A.MI_").
std::string SmfKnifeBackupPath(std::string_view songPath);

// The tool, a blank, the song, a blank, the tool's folder directly followed by the parameters (the
// configuration file relative to that folder, then any options). The tool, the song and the folder
// are quoted as QuoteArgument quotes when they hold a blank, so each stays one argument; the
// parameters go in as the user wrote them, so a parameter that begins with a blank leaves the folder
// an argument of its own.
std::string SmfKnifeCommandLine(std::string_view toolPath, std::string_view songPath,
                                std::string_view parameters);

// Why the knife cannot run with these parameters (the message to show), or nullopt when it can: the
// tool named by SMFPATH must exist, and the parameters must not be empty.
std::optional<std::string> SmfKnifeRefusal(const Settings& settings, std::string_view parameters);

}  // namespace korva

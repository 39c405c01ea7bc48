#pragma once
// Files dropped on the deck, or chosen with its file dialog, are played at once in EASY mode:
// the acceptable names make a queue of their own, the song window lists it, and play starts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "playback/PlayerCommands.h"
#include "playback/PlayerViews.h"

namespace korva {

enum class DropSource { Drop, FileChoice };

// How often a name enters the list of files to play: once for every rule it meets. The rules look
// at the extension (from the last dot, upper-cased): ".MID"; ".SNG" with USESNG2; a part of
// ".RCP.MCP.R36" with USECVS2; a part of ".MM2.MMC.SEQ" with USEMM2S. A name without an extension
// meets none.
int AcceptanceCount(std::string_view name, const Settings& settings);

// The names as they enter the list, in the given order, each repeated by its AcceptanceCount.
std::vector<std::string> AcceptedNames(const std::vector<std::string>& names, const Settings& settings);

// The play queue made of the accepted names: for a drop in RND order a random draw, for a drop in
// another order sorted without regard to letter case; a chosen file as it is.
std::vector<std::string> EasyQueue(std::vector<std::string> accepted, DropSource source, std::uint8_t rndmode,
                                   RandomSource& random);

// The song window's lines for such a queue: "001 " and the first file's full name, and so on.
LineList NumberedSongLines(const LineList& queue);

// The message shown when nothing among the names can be played (Shift-JIS).
std::string RefusalMessage(DropSource source);

struct DropPorts {
    PlayerCommands& player;
    MessageView& messages;
    RandomSource& random;
    SongListView& songWindow;
};

// Plays the names (Shift-JIS paths): stops what plays, remembers the list mode and switches to
// EASY, builds the queue and the song lines, shows the song window and starts at the first entry.
// When nothing is acceptable the refusal is shown and nothing else changes; returns false then.
bool PlayDroppedFiles(AppModel& model, const std::vector<std::string>& names, DropSource source,
                      const DropPorts& ports);

}  // namespace korva

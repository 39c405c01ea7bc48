#pragma once
// The seven foreign sequencer formats and the converter template of each. A file's extension (from
// its last "." after the last "/", letter case ignored) is looked up as a substring of one string of
// 4-character items, so its position gives the row, and the label is the item at that position.

#include <string>
#include <string_view>

#include "app/Settings.h"

namespace korva {

inline constexpr std::string_view kForeignExtensions = ".RCP.MCP.R36.SNG.MM2.MMC.SEQ";
inline constexpr std::string_view kForeignLabels = "RCP MCP R36 SNG MM2 MMC SEQ";

// The row (0 to 6) of the file's extension; a file whose extension is not found gets row 0 (".RCP").
int ForeignRow(std::string_view sjisPath);
// "RCP" ... "SEQ": the label at the extension's position, "RCP" when it is not found.
std::string ForeignLabel(std::string_view sjisPath);
// The template of a row: CNVTRCP, CNVTMCP, CNVTR36, CNVTSNG, CNVTMM2, CNVTMMC or CNVTSEQ.
const std::string& TemplateOfRow(const Settings& settings, int row);

// Whether play in EASY mode converts the file first: its extension is found in
// ".MID.RCP.MCP.R36.SNG.MM2.MMC.SEQ" beyond the ".MID" item. Anything else plays as a MIDI file.
bool IsForeignAtPlayTime(std::string_view sjisPath);

}  // namespace korva

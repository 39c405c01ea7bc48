#pragma once
// One playlist line: Name TAB Path TAB Vol TAB Feel, Shift-JIS bytes carried as they are.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace korva {

struct PlaylistEntry {
    std::string Name;  // the title; may begin with a NewMark and carry "by " and the artist
    std::string Path;  // the MIDI file
    std::string Vol;   // volume offset "-5" .. "+5"
    std::string Feel;  // preference "0" (L) .. "3" (R)
};

// The fields a line gives, as views into the line, and the number of TABs met on the way (at
// most 3): 0 gives nothing; 1 Name; 2 Name, Path and Vol "+0" (the third field is not used);
// 3 all four, Feel "1" when the fourth field is empty, and any further fields ignored. The text
// after a TAB is taken whole: a long path split and joined again comes back unchanged.
struct EntryView {
    std::string_view Name;
    std::string_view Path;
    std::string_view Vol;
    std::string_view Feel;
    int tabs = 0;
};
EntryView ViewEntry(std::string_view line);

// Splits a line into the fields it gives (see EntryView). A field the line does not reach is left
// as the caller set it, so readers that go line by line carry a missing field over from the
// previous line.
void SplitEntry(std::string_view line, PlaylistEntry& fields);

std::string JoinEntry(const PlaylistEntry& fields);

// "-3" below zero, otherwise "+" and the number ("+0", "+4").
std::string FormatVol(int volume);

// Exactly three TABs and no other byte below 32 (bytes unsigned: double-byte characters and 127 pass).
bool IsValidEntryLine(std::string_view line);

// Strict decimal conversion of Vol and Feel: an optional "+" or "-", then digits only, within int.
std::optional<int> ToIntStrict(std::string_view text);

// The preference letters: Feel 0 L (played twice), 1 M (once), 2 S (half the time), 3 R (never).
inline constexpr std::string_view kFeelLetters = "LMSR";
// The letter of a preference; empty outside 0 .. 3.
std::string_view FeelLetter(int feel);

// New-song marks at the start of Name, newest first; each is three characters.
inline constexpr std::array<std::string_view, 3> kNewMarks = {"!1 ", "!2 ", "!3 "};
inline constexpr std::size_t kNewMarkLength = 3;
bool BeginsWithNewMark(std::string_view text);

}  // namespace korva

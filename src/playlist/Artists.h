#pragma once
// Artists read out of playlist lines. A title reads "song by artist": the artist is the one word
// after the first "by " of the title, which may also stand inside a word ("Lullaby Night" is by
// "Night"). Every search steps over double-byte characters whole, so the second byte of a
// Shift-JIS character never starts a match.

#include <optional>
#include <string_view>

namespace korva {

// The title of a playlist line: the text before its first TAB; empty when the line has none.
std::string_view TitleOfLine(std::string_view line);

// The artist of a title: after the first "by ", at most 255 bytes (never half a double-byte
// character), cut before the first blank. nullopt when the title holds no "by ".
std::optional<std::string_view> ArtistOfTitle(std::string_view title);

// Whether the title holds "by " followed by the artist's name; an artist whose name begins with
// that name matches too ("by Anne" belongs to "Ann").
bool TitleHasArtist(std::string_view title, std::string_view artist);

}  // namespace korva

#pragma once
// The scrolling of a song title too wide for the deck's display: one character further every tick of
// the three-second timer, then a banner, then the whole title again.

#include <optional>
#include <string>
#include <string_view>

namespace korva {

// Width of the display label in pixels; a title wider than this scrolls.
inline constexpr int kDisplayWidth = 209;
// Characters of a title shown at most at once.
inline constexpr std::size_t kMaxShownChars = 255;

// The banner shown between two passes of a title, as Shift-JIS.
const std::string& ScrollBanner();

// One tick of the scrolling while a song plays or is paused. statusText is the title as the status
// line holds it (trimmed) and statusTextWidth its width in pixels; scrollPos is 1 when the song
// starts and is advanced here on every tick. Returns the text the display shows from now on, or
// nullopt when the display keeps what it shows. Characters count double-byte aware.
std::optional<std::string> ScrollTitle(std::string_view statusText, int statusTextWidth, int& scrollPos);

}  // namespace korva

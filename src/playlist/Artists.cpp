#include "playlist/Artists.h"

#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr std::string_view kBy = "by ";
constexpr std::size_t kMaxArtistBytes = 255;

// Byte offset of the first occurrence of pattern that begins at a character; npos when none.
std::size_t FindAtCharStart(std::string_view text, std::string_view pattern) {
    std::size_t charStart = 0;
    for (std::size_t at = text.find(pattern); at != std::string_view::npos; at = text.find(pattern, at + 1)) {
        while (charStart < at) charStart += CharLengthAt(text, charStart);
        if (charStart == at)
            return at;
    }
    return std::string_view::npos;
}

}  // namespace

std::string_view TitleOfLine(std::string_view line) {
    const std::size_t tab = line.find('\t');
    return tab == std::string_view::npos ? std::string_view() : line.substr(0, tab);
}

std::optional<std::string_view> ArtistOfTitle(std::string_view title) {
    const std::size_t by = FindAtCharStart(title, kBy);
    if (by == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = title.substr(by + kBy.size());
    // Whole characters within the limit; a blank is single-byte, so the cut needs no more care.
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ' ') {
        const std::size_t length = CharLengthAt(rest, end);
        if (end + length > kMaxArtistBytes)
            break;
        end += length;
    }
    return rest.substr(0, end);
}

bool TitleHasArtist(std::string_view title, std::string_view artist) {
    std::size_t charStart = 0;
    for (std::size_t at = title.find(kBy); at != std::string_view::npos; at = title.find(kBy, at + 1)) {
        while (charStart < at) charStart += CharLengthAt(title, charStart);
        if (charStart == at && title.substr(at + kBy.size()).starts_with(artist))
            return true;
    }
    return false;
}

}  // namespace korva

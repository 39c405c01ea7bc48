// Playlist lines through the artists reader and the search's double-byte substring test.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playlist/Artists.h"
#include "windows/ListSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string_view line = fuzz::Input(data, size);
    const std::string_view title = TitleOfLine(line);
    if (const auto artist = ArtistOfTitle(title)) {
        if (artist->size() > 255 || !TitleHasArtist(title, *artist))
            std::abort();
    }
    const std::size_t half = line.size() / 2;
    (void)TitleHasArtist(line.substr(0, half), line.substr(half));
    const bool found = ContainsAtCharStart(line.substr(0, half), line.substr(half));
    if (found && line.substr(0, half).find(line.substr(half)) == std::string_view::npos)
        std::abort();
    return 0;
}

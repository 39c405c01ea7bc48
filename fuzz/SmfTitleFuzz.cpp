// The head of a MIDI file through the title reader: the head gathered from the file's first bytes,
// the title chosen from the bytes, and the whole reader over a real file, which reads only as many
// bytes as a title can come from.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playlist/SmfTitle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string_view bytes = fuzz::Input(data, size);
    const std::string head = TitleHead(bytes);
    if (head.size() > kTitleHeadLimit)
        std::abort();
    const std::string title = TitleFromFileBytes(bytes, "/songs/SONG.MID");
    if (title.empty())
        std::abort();
    const std::string path = fuzz::Scratch().Write("SONG.MID", bytes);
    if (ReadSmfTitle(path) != TitleFromFileBytes(bytes, path))
        std::abort();
    return 0;
}

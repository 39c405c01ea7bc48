// Loads FOLDER/KORVA.DT0 as the settings window does (reject file KORVA.NG0 in FOLDER) and writes
// the sorted edit buffer to standard output, one line each, for timing against "sort -f".
// Usage: LoadPlaylistTool FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "playlist/PlaylistLoader.h"
#include "text/ShiftJis.h"

namespace {

// Writes the lines to standard output, each followed by LF, through a small buffer.
void WriteLines(const std::vector<std::string>& lines) {
    std::string buffer;
    buffer.reserve(1 << 16);
    for (const auto& line : lines) {
        if (buffer.size() + line.size() + 1 > buffer.capacity()) {
            std::fwrite(buffer.data(), 1, buffer.size(), stdout);
            buffer.clear();
        }
        buffer.append(line).append(1, '\n');
    }
    std::fwrite(buffer.data(), 1, buffer.size(), stdout);
}

class StderrMessages final : public korva::MessageView {
public:
    void ShowMessage(const std::string& sjisText) override { std::fprintf(stderr, "%s\n", sjisText.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    korva::AppModel model;
    const std::string folder = korva::WithTrailingPathDelimiter(argv[1]);
    model.folders = {folder, folder, folder};
    StderrMessages messages;
    korva::LoadPlaylist(model, 0, messages);
    WriteLines(model.EditBuffer);
    std::fprintf(stderr, "%zu titles, count %s\n", model.TitleLists[0].titles.size(),
                 model.TitleLists[0].countText.c_str());
    std::fflush(stdout);
    // Like the standard tools it is timed against, the tool leaves freeing its memory to the
    // system: the program keeps these lists until the next build, never frees them on the clock.
    std::_Exit(0);
}

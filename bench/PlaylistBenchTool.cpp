// Runs one playlist operation on FOLDER/KORVA.DT0 for timing against standard tools, and writes
// the resulting lines to standard output, one each:
//   PlaylistBenchTool FOLDER load              loads the list as the settings window does (reject
//                                              file KORVA.NG0 in FOLDER); writes the edit buffer
//   PlaylistBenchTool FOLDER NOR|NEW|RND [SEED [songs]]
//                                              builds the play queue and its song-window lines;
//                                              writes the queue, or with "songs" the song lines

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "app/SeededRandom.h"
#include "playback/PlayQueue.h"
#include "playlist/PlaylistLoader.h"
#include "text/ShiftJis.h"
#include "windows/ListSearch.h"

namespace {

class StderrView final : public korva::StatusView, public korva::MessageView {
  public:
    void ShowStatus(const std::string&, korva::StatusKind) override {}
    void ShowMessage(const std::string& sjisText) override { std::fprintf(stderr, "%s\n", sjisText.c_str()); }
};

// Each line followed by LF, through a small buffer. A queue's lines lie all over the file's text:
// each is asked for a few lines before it is copied.
template <typename Lines>
void WriteLines(const Lines& lines) {
    constexpr std::size_t kAhead = 8;
    std::string buffer;
    buffer.reserve(1 << 16);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i + kAhead < lines.size())
            __builtin_prefetch(std::string_view(lines[i + kAhead]).data());
        const std::string_view line = lines[i];
        if (buffer.size() + line.size() + 1 > buffer.capacity()) {
            std::fwrite(buffer.data(), 1, buffer.size(), stdout);
            buffer.clear();
        }
        buffer.append(line).append(1, '\n');
    }
    std::fwrite(buffer.data(), 1, buffer.size(), stdout);
}

// The song window's lines, each put together as the window asks for it.
void WriteLines(const korva::SongLineList& lines) {
    std::string buffer;
    buffer.reserve(1 << 16);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (buffer.size() > (1 << 16) - 4096) {
            std::fwrite(buffer.data(), 1, buffer.size(), stdout);
            buffer.clear();
        }
        lines.AppendTo(i, buffer);
        buffer.append(1, '\n');
    }
    std::fwrite(buffer.data(), 1, buffer.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string operation = argc > 2 ? argv[2] : "";
    if (operation != "load" && operation != "NOR" && operation != "NEW" && operation != "RND" &&
        !(operation == "find" && argc > 3)) {
        std::fprintf(stderr, "usage: %s FOLDER load | %s FOLDER NOR|NEW|RND [SEED] | %s FOLDER find TEXT\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    korva::AppModel model;
    const std::string folder = korva::WithTrailingPathDelimiter(argv[1]);
    model.folders = {folder, folder, folder, {}};
    StderrView view;
    if (operation == "find") {
        // The search page over both lists: the found lines of list 0 and list 1, then the counts.
        const korva::SearchResult result = korva::SearchLists(model, argv[3]);
        for (const auto& list : result.lists) WriteLines(list.found);
        std::fprintf(stderr, "%zu + %zu found\n", result.lists[0].found.size(), result.lists[1].found.size());
    } else if (operation == "load") {
        korva::LoadPlaylist(model, 0, view);
        WriteLines(model.EditBuffer);
        std::fprintf(stderr, "%zu titles, count %s\n", model.TitleLists[0].titles.size(),
                     model.TitleLists[0].countText.c_str());
    } else {
        model.settings.RNDMODE = operation == "NOR"   ? korva::NOR
                                 : operation == "NEW" ? korva::NEW
                                                      : korva::RND;
        korva::SeededRandom random(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
        korva::PrepareListQueue(model, 0, {view, view, random});
        if (argc > 4 && std::string(argv[4]) == "songs")
            WriteLines(model.SongLines);
        else
            WriteLines(model.PlayQueue);
        std::fprintf(stderr, "%zu queued, %zu song lines\n", model.PlayQueue.size(), model.SongLines.size());
    }
    std::fflush(stdout);
    // Like the standard tools it is timed against, the tool leaves freeing its memory to the
    // system: the program keeps these lists until the next load or build, never frees them at once.
    std::_Exit(0);
}

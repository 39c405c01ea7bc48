// Builds the play queue from FOLDER/KORVA.DT0 in order mode NOR, NEW or RND, with its song-window
// lines, and writes the queue to standard output, one line each, for timing against "sort -f"
// and "shuf". Usage: BuildQueueTool FOLDER NOR|NEW|RND [SEED]

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "app/SystemClock.h"
#include "playback/PlayQueue.h"
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

class StderrView final : public korva::StatusView, public korva::MessageView {
public:
    void ShowStatus(const std::string&, korva::StatusKind) override {}
    void ShowMessage(const std::string& sjisText) override { std::fprintf(stderr, "%s\n", sjisText.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string order = argc > 2 ? argv[2] : "";
    if (argc < 3 || (order != "NOR" && order != "NEW" && order != "RND")) {
        std::fprintf(stderr, "usage: %s FOLDER NOR|NEW|RND [SEED]\n", argv[0]);
        return 2;
    }
    korva::AppModel model;
    const std::string folder = korva::WithTrailingPathDelimiter(argv[1]);
    model.folders = {folder, folder, folder};
    model.settings.RNDMODE = order == "NOR" ? korva::NOR : order == "NEW" ? korva::NEW : korva::RND;
    StderrView view;
    korva::SeededRandom random(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
    korva::PrepareListQueue(model, 0, {view, view, random});
    WriteLines(model.PlayQueue);
    std::fprintf(stderr, "%zu queued, %zu song lines\n", model.PlayQueue.size(), model.SongLines.size());
    std::fflush(stdout);
    // Like the standard tools it is timed against, the tool leaves freeing its memory to the
    // system: the program keeps these lists until the next build, never frees them on the clock.
    std::_Exit(0);
}

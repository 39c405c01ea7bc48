#include "playback/DroppedFiles.h"

#include <algorithm>
#include <cstdio>

#include "playback/QueueDrawPool.h"
#include "playlist/LineOrder.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

bool IsPartOf(std::string_view extension, std::string_view extensions) {
    return !extension.empty() && extensions.find(extension) != std::string_view::npos;
}

}  // namespace

int AcceptanceCount(std::string_view name, const Settings& settings) {
    const std::string extension = UpperCase(ExtensionOf(name));
    if (extension.empty())
        return 0;
    int count = 0;
    if (extension == ".MID")
        ++count;
    if (settings.USESNG2 && extension == ".SNG")
        ++count;
    if (settings.USECVS2 && IsPartOf(extension, ".RCP.MCP.R36"))
        ++count;
    if (settings.USEMM2S && IsPartOf(extension, ".MM2.MMC.SEQ"))
        ++count;
    return count;
}

std::vector<std::string> AcceptedNames(const std::vector<std::string>& names, const Settings& settings) {
    std::vector<std::string> accepted;
    for (const std::string& name : names) {
        for (int i = AcceptanceCount(name, settings); i > 0; --i) accepted.push_back(name);
    }
    return accepted;
}

std::vector<std::string> EasyQueue(std::vector<std::string> accepted, DropSource source, std::uint8_t rndmode,
                                   RandomSource& random) {
    if (source == DropSource::FileChoice)
        return accepted;
    if (rndmode != RND) {
        SortTitles(accepted);
        return accepted;
    }
    return InDrawnOrder(std::move(accepted), random);
}

LineList NumberedSongLines(const LineList& queue) {
    LineList lines;
    lines.reserve(queue.size());
    for (std::size_t i = 0; i < queue.size(); ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%3.3zu ", i + 1);
        lines.PushView(lines.StoreJoined({number, queue[i]}));
    }
    return lines;
}

std::string RefusalMessage(DropSource source) {
    return source == DropSource::Drop
               ? Sjis("ドラッグ＆ドロップされたファイルはＫＯＲＶＡ９７の再生対象外です")
               : Sjis("選択されたファイルはＫＯＲＶＡ９７の再生対象外です");
}

bool PlayDroppedFiles(AppModel& model, const std::vector<std::string>& names, DropSource source,
                      const DropPorts& ports) {
    std::vector<std::string> accepted = AcceptedNames(names, model.settings);
    model.ScratchList = LineList(accepted);
    if (model.ScratchList.empty()) {
        ports.messages.ShowMessage(RefusalMessage(source));
        return false;
    }
    model.PlayQueue.clear();
    ports.player.Stop();
    model.play.SavedListMode = model.settings.PLAYMOD;
    model.settings.PLAYMOD = EASY;

    // A random draw empties the scratch list as it goes; a sorted or chosen queue is a copy of it.
    if (source == DropSource::Drop && model.settings.RNDMODE == RND) {
        model.PlayQueue =
            LineList(EasyQueue(std::move(accepted), source, model.settings.RNDMODE, ports.random));
        model.ScratchList.clear();
    } else {
        model.PlayQueue =
            LineList(EasyQueue(std::move(accepted), source, model.settings.RNDMODE, ports.random));
    }
    model.SongLines = NumberedSongLines(model.PlayQueue);
    ports.songWindow.SongLinesChanged();
    ports.songWindow.ShowSongWindow();

    model.play.ResetPending = false;
    model.play.QueuePosition = 0;
    ports.player.PlayEasyEntry();
    return true;
}

}  // namespace korva

#include "playlist/PlaylistLoader.h"

#include <cstdio>

#include "app/Errors.h"
#include "playlist/EditBuffer.h"
#include "playlist/LineFile.h"
#include "playlist/LineOrder.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"

namespace korva {

namespace {

std::string RecordedMessage(int list) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", list);
    return Sjis("異常行を検出した（異常行は読込スキップし KORVA.NG") + text +
           Sjis(" ファイルに記録しました）");
}

std::string NotRecordedMessage(const std::string& rejectPath) {
    return Sjis("異常行を検出した（異常行は読込スキップしたが、記録ファイル ") + rejectPath +
           Sjis(" に書き込めませんでした）");
}

}  // namespace

void LoadPlaylist(AppModel& model, int list, MessageView& messages) {
    model.EditBuffer.clear();
    model.ScratchList.clear();

    auto lines = ReadLines(model.folders.PlaylistPath(list));
    if (!lines)
        return;
    auto& titles = model.TitleLists[list].titles;
    titles.clear();

    // Lines are examined and copied in file order and only then arranged in sorted order: the
    // texts of 100,000 lines taken in sorted order would be read from all over memory.
    std::vector<bool> valid(lines->size());
    std::vector<std::string> titleOf(lines->size());
    std::vector<std::string> copies(lines->size());
    for (std::size_t i = 0; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        valid[i] = IsValidEntryLine(line);
        if (!valid[i])
            continue;
        titleOf[i] = ViewEntry(line).Name;
        copies[i] = line;
    }
    std::vector<std::string> abnormal;
    model.EditBuffer.reserve(lines->size());
    model.ScratchList.reserve(lines->size());
    titles.reserve(lines->size());
    for (const std::uint32_t i : NoCaseOrder(*lines)) {
        if (valid[i]) {
            model.EditBuffer.push_back(std::move((*lines)[i]));
            model.ScratchList.push_back(std::move(copies[i]));
            titles.push_back(std::move(titleOf[i]));
        } else {
            abnormal.push_back(std::move((*lines)[i]));
        }
    }

    if (!abnormal.empty()) {
        const std::string rejectPath = model.folders.RejectPath(list);
        try {
            WriteLines(rejectPath, abnormal);
            messages.ShowMessage(RecordedMessage(list));
        } catch (const WriteError&) {
            messages.ShowMessage(NotRecordedMessage(rejectPath));
        }
    }
    ShowCount(model, list);
}

}  // namespace korva

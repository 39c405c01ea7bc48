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

    auto lines = ReadLineList(model.folders.PlaylistPath(list));
    if (!lines)
        return;
    auto& titles = model.TitleLists[list].titles;
    titles.clear();

    // Every list keeps views into the file's one block of text; the titles are the Name fields
    // of the same lines. Lines are examined in file order, their texts read from one place.
    std::vector<bool> valid(lines->size());
    for (std::size_t i = 0; i < lines->size(); ++i) valid[i] = IsValidEntryLine((*lines)[i]);
    std::vector<std::string> abnormal;
    auto& buffer = model.EditBuffer;
    buffer.HoldBlocksOf(*lines);
    titles.HoldBlocksOf(*lines);
    buffer.reserve(lines->size());
    titles.reserve(lines->size());
    for (const std::uint32_t i : NoCaseOrder(*lines)) {
        const std::string_view line = (*lines)[i];
        if (valid[i]) {
            buffer.PushView(line);
            titles.PushView(ViewEntry(line).Name);
        } else {
            abnormal.emplace_back(line);
        }
    }
    model.ScratchList = buffer;

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

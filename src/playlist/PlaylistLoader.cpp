#include "playlist/PlaylistLoader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>

#include "app/Errors.h"
#include "app/FileSystem.h"
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

namespace {

bool SameLines(const LineList& a, const LineList& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// The order in which the lines are taken: sorted, unless they are the lines known to be so.
std::vector<std::uint32_t> LoadOrder(const LineList& lines, const LineList* inOrder) {
    if (!inOrder || !SameLines(lines, *inOrder))
        return TitleOrder(lines);
    std::vector<std::uint32_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0u);
    return order;
}

}  // namespace

bool LoadPlaylist(AppModel& model, int list, MessageView& messages, const LineList* inOrder) {
    model.EditBuffer.clear();
    model.ScratchList.clear();

    const std::string listPath = model.folders.PlaylistPath(list);
    ReadProblem problem;
    auto lines = ReadLineList(listPath, &problem);
    if (!lines) {
        // A missing or unreadable list ends the load without a word; one that is no file the
        // program reads (a FIFO, a device) ends it too, but could puzzle for ever unless said.
        if (IsRefused(problem))
            messages.ShowMessage(ReadProblemMessage(listPath, problem));
        return false;
    }
    auto& titles = model.TitleLists[list].titles;
    titles.clear();

    // Every list keeps views into the file's one block of text; the titles are the Name fields
    // of the same lines. Lines are examined in file order and only then arranged in sorted order:
    // the texts of 100,000 lines taken in sorted order would be read from all over memory.
    constexpr std::uint32_t kAbnormal = UINT32_MAX;
    std::vector<std::uint32_t> titleLength(lines->size());
    for (std::size_t i = 0; i < lines->size(); ++i) {
        const std::string_view line = (*lines)[i];
        titleLength[i] = IsValidEntryLine(line) ? static_cast<std::uint32_t>(line.find('\t')) : kAbnormal;
    }
    std::vector<std::string> abnormal;
    auto& buffer = model.EditBuffer;
    buffer.HoldBlocksOf(*lines);
    titles.HoldBlocksOf(*lines);
    buffer.reserve(lines->size());
    titles.reserve(lines->size());
    for (const std::uint32_t i : LoadOrder(*lines, inOrder)) {
        const std::string_view line = (*lines)[i];
        if (titleLength[i] != kAbnormal) {
            buffer.PushView(line);
            titles.PushView(line.substr(0, titleLength[i]));
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
    return true;
}

}  // namespace korva

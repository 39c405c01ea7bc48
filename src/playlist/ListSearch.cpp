#include "playlist/ListSearch.h"

#include <algorithm>

#include "app/FileSystem.h"
#include "playlist/LineFile.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

// The lines of a file's bytes as views, ending where SplitLines ends them.
template <typename F>
void ForEachLine(std::string_view bytes, F&& visit) {
    const std::size_t end = std::min(bytes.find('\0'), bytes.size());
    std::size_t start = 0;
    while (start < end) {
        std::size_t stop = start;
        while (stop < end && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
        visit(bytes.substr(start, stop - start));
        if (stop < end && bytes[stop] == '\r' && stop + 1 < end && bytes[stop + 1] == '\n')
            ++stop;
        start = stop + 1;
    }
}

std::string ListNumber(int list) {
    return list == 0 ? Sjis("リスト０") : Sjis("リスト１");
}

}  // namespace

bool ContainsAtCharStart(std::string_view text, std::string_view pattern) {
    if (text.empty() || pattern.size() > text.size())
        return false;
    std::size_t charStart = 0;  // a character boundary at or before every candidate looked at
    for (std::size_t at = text.find(pattern); at != std::string_view::npos; at = text.find(pattern, at + 1)) {
        while (charStart < at) charStart += CharLengthAt(text, charStart);
        if (charStart == at)
            return true;
    }
    return false;
}

PathCheck CheckPaths(const AppModel& model, int list) {
    PathCheck check;
    const std::optional<std::vector<std::string>> lines = ReadLines(model.folders.PlaylistPath(list));
    if (!lines)
        return check;
    if (lines->empty()) {
        check.outcome = PathCheck::Outcome::Empty;
        return check;
    }
    for (const std::string& line : *lines) {
        const EntryView entry = ViewEntry(line);
        // A line without a path names no song: it is shown whole, its TAB as a blank.
        std::string name(entry.tabs < 2 ? std::string_view(line) : entry.Name);
        if (entry.tabs < 2)
            std::replace(name.begin(), name.end(), '\t', ' ');
        const std::string path(entry.tabs < 2 ? std::string_view() : entry.Path);
        bool exists = false;
        try {
            exists = !path.empty() && FileExistsIgnoringCase(path);
        } catch (const EncodingError&) {
        }
        if (!exists)
            check.missing.push_back(name + Sjis(" → ") + path);
    }
    check.outcome = check.missing.empty() ? PathCheck::Outcome::AllFound : PathCheck::Outcome::Missing;
    return check;
}

std::string PathCheckMessage(PathCheck::Outcome outcome) {
    switch (outcome) {
        case PathCheck::Outcome::AllFound:
            return Sjis("ＭＩＤＩファイルの存在チェックは良好です");
        case PathCheck::Outcome::Empty:
            return Sjis("このリストには登録データがありません");
        case PathCheck::Outcome::Unreadable:
            return Sjis("指定リストはパスチェックできません");
        case PathCheck::Outcome::Missing:
            break;
    }
    return {};
}

SearchResult SearchLists(const AppModel& model, std::string_view sjisText) {
    SearchResult result;
    std::string pattern;
    UpperCaseInto(sjisText, pattern);
    std::string upper;
    for (int list = 0; list < 2; ++list) {
        ListSearch& search = result.lists[static_cast<std::size_t>(list)];
        search.path = model.folders.PlaylistPath(list);
        if (!FileExistsIgnoringCase(search.path))
            continue;
        if (list == 1)
            result.message += '\r';
        result.message += ListNumber(list) + Sjis("の検索を開始します");
        const std::optional<std::string> bytes = ReadWholeFile(search.path);
        if (!bytes) {
            result.failed = true;
            return result;
        }
        search.searched = true;
        ForEachLine(*bytes, [&](std::string_view line) {
            UpperCaseInto(line, upper);
            if (ContainsAtCharStart(upper, pattern))
                search.found.emplace_back(line);
        });
        result.message += '\r';
        result.message +=
            search.found.empty()
                ? ListNumber(list) + Sjis("にはありません")
                : ListNumber(list) + Sjis("に ") + std::to_string(search.found.size()) + Sjis(" 件あります");
    }
    return result;
}

}  // namespace korva

#include "windows/ListSearch.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    const std::size_t end = bytes.size();
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

// Finds the lines of a file that hold the pattern. Lines are upper-cased and tested only where a
// quick scan over the whole text finds two of the pattern's bytes at their distance: bytes that
// every match must hold as they are (lead bytes, second bytes that upper-casing never changes) or
// in either letter case (single-byte letters). Most lines never need a closer look.
class LineFinder {
  public:
    explicit LineFinder(std::string_view upperPattern) : pattern_(upperPattern) {
        std::size_t lastSafe = 0;
        for (std::size_t i = 0; i < pattern_.size();) {
            const std::size_t length = CharLengthAt(pattern_, i);
            lastSafe = i;
            if (length == 2) {
                const auto lead = static_cast<unsigned char>(pattern_[i]);
                const auto second = static_cast<unsigned char>(pattern_[i + 1]);
                // A full-width capital may be a small letter in the line.
                if (!(lead == 0x82 && second >= 0x60 && second <= 0x79))
                    lastSafe = i + 1;
            }
            i += length;
        }
        first_ = AnchorAt(0);
        last_ = AnchorAt(lastSafe);
    }

    void Find(std::string_view text, std::vector<std::string>& found) {
        if (pattern_.empty() || pattern_.find_first_of("\r\n") != std::string::npos)
            return FindEachLine(text, found);
        std::size_t resume = 0;  // candidates before the end of the line looked at last are done
        const auto candidate = [&](std::size_t at) {
            if (at < resume)
                return;
            std::size_t start = at;
            while (start > resume && text[start - 1] != '\r' && text[start - 1] != '\n') --start;
            // The two bytes found may lie on two lines; the line is the one the first lies on.
            std::size_t end = at;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
            const std::string_view line = text.substr(start, end - start);
            UpperCaseInto(line, upper_);
            if (ContainsAtCharStart(upper_, pattern_))
                found.emplace_back(line);
            resume = end;
        };
        std::size_t at = 0;
        const char* bytes = text.data();
#if defined(__SSE2__)
        const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first_.value));
        const __m128i firstFold = _mm_set1_epi8(static_cast<char>(first_.fold));
        const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last_.value));
        const __m128i lastFold = _mm_set1_epi8(static_cast<char>(last_.fold));
        for (; at + last_.offset + 16 <= text.size(); at += 16) {
            const __m128i head =
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)), firstFold);
            const __m128i tail = _mm_or_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + last_.offset)), lastFold);
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(head, firstValue), _mm_cmpeq_epi8(tail, lastValue))));
            while (mask != 0) {
                candidate(at + static_cast<std::size_t>(__builtin_ctz(mask)));
                mask &= mask - 1;
            }
        }
#endif
        for (; at + last_.offset < text.size(); ++at) {
            if (Holds(bytes, at, first_) && Holds(bytes, at, last_))
                candidate(at);
        }
    }

  private:
    struct Anchor {
        std::size_t offset = 0;
        unsigned char value = 0;  // the byte, with 0x20 set for a letter
        unsigned char fold = 0;   // 0x20 for a letter: either case matches
    };

    Anchor AnchorAt(std::size_t offset) const {
        const auto byte = static_cast<unsigned char>(pattern_[offset]);
        const bool letter = byte >= 'A' && byte <= 'Z' && (offset == 0 || CharStartsAt(offset));
        return {offset, static_cast<unsigned char>(letter ? byte | 0x20 : byte),
                static_cast<unsigned char>(letter ? 0x20 : 0)};
    }

    bool CharStartsAt(std::size_t offset) const {
        std::size_t i = 0;
        while (i < offset) i += CharLengthAt(pattern_, i);
        return i == offset;
    }

    static bool Holds(const char* bytes, std::size_t at, const Anchor& anchor) {
        return (static_cast<unsigned char>(bytes[at + anchor.offset]) | anchor.fold) == anchor.value;
    }

    void FindEachLine(std::string_view text, std::vector<std::string>& found) {
        ForEachLine(text, [&](std::string_view line) {
            UpperCaseInto(line, upper_);
            if (ContainsAtCharStart(upper_, pattern_))
                found.emplace_back(line);
        });
    }

    std::string pattern_;
    Anchor first_;
    Anchor last_;
    std::string upper_;
};

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
    const std::string listPath = model.folders.PlaylistPath(list);
    ReadProblem problem;
    const std::optional<std::vector<std::string>> lines = ReadLines(listPath, &problem);
    if (!lines) {
        if (IsRefused(problem))
            check.refused = ReadProblemMessage(listPath, problem);
        return check;
    }
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
    LineFinder finder(pattern);
    for (int list = 0; list < 2; ++list) {
        ListSearch& search = result.lists[static_cast<std::size_t>(list)];
        search.path = model.folders.PlaylistPath(list);
        // Something that is there under the list's name but is no file the program reads (a FIFO,
        // a folder) fails the search, naming it, rather than passing as no list at all.
        if (!FindIgnoringCase(search.path))
            continue;
        if (list == 1)
            result.message += '\r';
        result.message += ListNumber(list) + Sjis("の検索を開始します");
        ReadProblem problem;
        const std::optional<std::string> bytes = ReadRegularFile(search.path, kTextFileLimit, &problem);
        if (!bytes) {
            result.failed = true;
            if (IsRefused(problem))
                result.refused = ReadProblemMessage(search.path, problem);
            return result;
        }
        search.searched = true;
        // The lines are those the playlist reader gives: a byte order mark is none of the first's.
        std::string_view text(*bytes);
        if (BeginsWithUtf8Bom(text))
            text.remove_prefix(kUtf8Bom.size());
        finder.Find(text, search.found);
        result.message += '\r';
        result.message +=
            search.found.empty()
                ? ListNumber(list) + Sjis("にはありません")
                : ListNumber(list) + Sjis("に ") + std::to_string(search.found.size()) + Sjis(" 件あります");
    }
    return result;
}

}  // namespace korva

#include "playlist/PlaylistEntry.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korva {

namespace {

constexpr char kTab = '\t';

// The positions of the first four TABs of line; returns how many there are, at most 4. Every line
// of a list passes through here, often more than once: sixteen bytes are compared at a time where
// the processor can.
int FindTabs(std::string_view line, std::size_t (&positions)[4]) {
    const char* const bytes = line.data();
    const std::size_t size = line.size();
    int found = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i tabs = _mm_set1_epi8(kTab);
    const auto tabsAt = [bytes, tabs](std::size_t at) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tabs)));
    };
    if (size >= 16) {
        for (;; i += 16) {
            // Bit k of mask stands for byte i + k; the last sixteen bytes are taken from the
            // line's end, without those already looked at.
            unsigned mask;
            if (i + 16 <= size) {
                mask = tabsAt(i);
            } else if (i < size) {
                mask = tabsAt(size - 16) >> (i + 16 - size);
            } else {
                break;
            }
            for (; mask != 0; mask &= mask - 1) {
                positions[found++] = i + static_cast<std::size_t>(std::countr_zero(mask));
                if (found == 4)
                    return found;
            }
        }
        return found;
    }
#endif
    for (; i < size; ++i) {
        if (bytes[i] == kTab) {
            positions[found++] = i;
            if (found == 4)
                break;
        }
    }
    return found;
}

}  // namespace

EntryView ViewEntry(std::string_view line) {
    std::size_t tab[4];
    const int found = FindTabs(line, tab);
    EntryView view;
    if (found == 0)
        return view;
    view.Name = line.substr(0, tab[0]);
    view.tabs = 1;
    if (found == 1)
        return view;
    view.Path = line.substr(tab[0] + 1, tab[1] - tab[0] - 1);
    view.tabs = 2;
    if (found == 2) {
        view.Vol = "+0";
        return view;
    }
    view.Vol = line.substr(tab[1] + 1, tab[2] - tab[1] - 1);
    view.tabs = 3;
    if (found == 4) {
        view.Feel = line.substr(tab[2] + 1, tab[3] - tab[2] - 1);
    } else {
        const std::string_view rest = line.substr(tab[2] + 1);
        view.Feel = rest.empty() ? std::string_view("1") : rest;
    }
    return view;
}

void SplitEntry(std::string_view line, PlaylistEntry& fields) {
    const EntryView view = ViewEntry(line);
    if (view.tabs >= 1)
        fields.Name.assign(view.Name);
    if (view.tabs >= 2) {
        fields.Path.assign(view.Path);
        fields.Vol.assign(view.Vol);
    }
    if (view.tabs == 3)
        fields.Feel.assign(view.Feel);
}

std::string JoinEntry(const PlaylistEntry& fields) {
    std::string line;
    line.reserve(fields.Name.size() + fields.Path.size() + fields.Vol.size() + fields.Feel.size() + 3);
    line.append(fields.Name).append(1, kTab);
    line.append(fields.Path).append(1, kTab);
    line.append(fields.Vol).append(1, kTab);
    line.append(fields.Feel);
    return line;
}

std::string FormatVol(int volume) {
    std::string text = std::to_string(volume);
    if (volume >= 0)
        text.insert(text.begin(), '+');
    return text;
}

bool IsValidEntryLine(std::string_view line) {
    // Every line of a playlist passes through here when it is loaded. Counting in byte-wide
    // counters over stretches of at most 255 bytes, without early exits, lets the compiler look at
    // many bytes at once.
    std::size_t tabs = 0;
    std::size_t controls = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t stop = std::min(line.size(), i + 255);
        unsigned char stretchTabs = 0;
        unsigned char stretchControls = 0;
        for (; i < stop; ++i) {
            stretchTabs += bytes[i] == kTab;
            stretchControls += bytes[i] < 32;
        }
        tabs += stretchTabs;
        controls += stretchControls;
    }
    return tabs == 3 && controls == 3;  // the TABs are the only bytes below 32
}

std::optional<int> ToIntStrict(std::string_view text) {
    if (text.size() == 1 && text.front() >= '0' && text.front() <= '9')
        return text.front() - '0';  // the usual Feel
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string_view FeelLetter(int feel) {
    if (feel < 0 || feel >= static_cast<int>(kFeelLetters.size()))
        return {};
    return kFeelLetters.substr(static_cast<std::size_t>(feel), 1);
}

bool BeginsWithNewMark(std::string_view text) {
    // Asked of every line of a list: most lines fail at the first byte.
    if (text.empty() || text.front() != kNewMarks[0].front())
        return false;
    for (const auto mark : kNewMarks) {
        if (text.substr(0, kNewMarkLength) == mark)
            return true;
    }
    return false;
}

}  // namespace korva

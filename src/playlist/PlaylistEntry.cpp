#include "playlist/PlaylistEntry.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace korva {

namespace {

constexpr char kTab = '\t';

// The first TAB of text, or npos. Fields are short, so eight bytes are tested at a time in a word
// rather than with a library call for each field.
std::size_t FindTab(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        word ^= kOnes * static_cast<unsigned char>(kTab);
        // A byte of word is zero where text holds a TAB; the lowest such byte sets the lowest flag.
        const std::uint64_t zeros = (word - kOnes) & ~word & kHighs;
        if (zeros != 0)
            return i + static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
    }
    for (; i < text.size(); ++i) {
        if (text[i] == kTab)
            return i;
    }
    return std::string_view::npos;
}

// Cuts the text before the first TAB off rest; false (rest unchanged) when rest holds no TAB.
bool TakeField(std::string_view& rest, std::string_view& field) {
    const std::size_t tab = FindTab(rest);
    if (tab == std::string_view::npos)
        return false;
    field = rest.substr(0, tab);
    rest.remove_prefix(tab + 1);
    return true;
}

}  // namespace

EntryView ViewEntry(std::string_view line) {
    EntryView view;
    std::string_view rest = line;
    if (!TakeField(rest, view.Name))
        return view;
    view.tabs = 1;
    if (!TakeField(rest, view.Path))
        return view;
    view.tabs = 2;
    if (!TakeField(rest, view.Vol)) {
        view.Vol = "+0";
        return view;
    }
    view.tabs = 3;
    if (!TakeField(rest, view.Feel))
        view.Feel = rest.empty() ? std::string_view("1") : rest;
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

#pragma once
// The song window's lines, index-aligned with the play queue. The line of a playlist entry is its
// preference letter, Vol and Name ("M +0 Title"): made as text, a queue of 100,000 songs would copy
// every title once more. Such a line is kept as its parts instead: Name stays a view into the
// queue's own text, whose blocks this list holds too, and the letter and Vol are small codes. The
// line is put together when it is asked for. Every other line (a numbered path, a conversion's
// pair, an entry of an unusual form) is kept as text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "app/LineList.h"

namespace korva {

// The Vol texts a line kept as parts may have, by their code.
inline constexpr std::array<std::string_view, 11> kSongLineVols = {"-5", "-4", "-3", "-2", "-1", "+0",
                                                                   "+1", "+2", "+3", "+4", "+5"};

class SongLineList {
  public:
    SongLineList() = default;
    SongLineList(std::initializer_list<std::string_view> lines);
    // Every line of lines as it is, sharing the list's text.
    SongLineList(const LineList& lines);  // NOLINT(google-explicit-constructor)

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    std::string operator[](std::size_t index) const;
    std::string front() const { return (*this)[0]; }
    // Appends line index to out, for a caller that reuses one string for many lines.
    void AppendTo(std::size_t index, std::string& out) const;

    void clear();
    void reserve(std::size_t lines) { lines_.reserve(lines); }
    // These copy the text.
    void push_back(std::string_view line);
    void Set(std::size_t index, std::string_view line);
    // The line "letter Vol Name" with Vol kSongLineVols[vol]; name must lie in text the list holds
    // (see HoldBlocksOf) and be shorter than 4 GiB.
    void PushParts(char letter, std::size_t vol, std::string_view name);
    // Holds every block of lines too, so that names in its text may be pushed.
    void HoldBlocksOf(const LineList& lines) { text_.HoldBlocksOf(lines); }

    std::vector<std::string> ToStrings() const;
    friend bool operator==(const SongLineList& a, const std::vector<std::string>& b);
    friend void PrintTo(const SongLineList& lines, std::ostream* out);

  private:
    struct Line {
        const char* text;  // Name, or the whole line
        std::uint32_t length;
        char letter;  // kWhole for a line kept as text
        std::uint8_t vol;
    };
    static constexpr char kWhole = '\0';
    static Line Whole(std::string_view text);

    std::vector<Line> lines_;
    LineList text_;  // holds the blocks the lines lie in; has no lines of its own
};

}  // namespace korva

#include "app/SongLineList.h"

#include <ostream>

namespace korva {

SongLineList::Line SongLineList::Whole(std::string_view text) {
    return {text.data(), static_cast<std::uint32_t>(text.size()), kWhole, 0};
}

SongLineList::SongLineList(std::initializer_list<std::string_view> lines) {
    lines_.reserve(lines.size());
    for (const std::string_view line : lines) push_back(line);
}

SongLineList::SongLineList(const LineList& lines) {
    text_.HoldBlocksOf(lines);
    lines_.reserve(lines.size());
    for (const std::string_view line : lines) lines_.push_back(Whole(line));
}

std::string SongLineList::operator[](std::size_t index) const {
    std::string line;
    AppendTo(index, line);
    return line;
}

void SongLineList::AppendTo(std::size_t index, std::string& out) const {
    const Line& line = lines_[index];
    const std::string_view text(line.text, line.length);
    if (line.letter == kWhole) {
        out.append(text);
        return;
    }
    const std::string_view vol = kSongLineVols[line.vol];
    out.reserve(out.size() + vol.size() + text.size() + 3);
    out.append(1, line.letter).append(1, ' ').append(vol).append(1, ' ').append(text);
}

void SongLineList::clear() {
    lines_.clear();
    text_.clear();
}

void SongLineList::push_back(std::string_view line) {
    lines_.push_back(Whole(text_.Store(line)));
}

void SongLineList::Set(std::size_t index, std::string_view line) {
    lines_.at(index) = Whole(text_.Store(line));
}

void SongLineList::PushParts(char letter, std::size_t vol, std::string_view name) {
    lines_.push_back({name.data(), static_cast<std::uint32_t>(name.size()), letter, static_cast<std::uint8_t>(vol)});
}

std::vector<std::string> SongLineList::ToStrings() const {
    std::vector<std::string> lines;
    lines.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) lines.push_back((*this)[i]);
    return lines;
}

bool operator==(const SongLineList& a, const std::vector<std::string>& b) {
    if (a.size() != b.size())
        return false;
    std::string line;
    for (std::size_t i = 0; i < a.size(); ++i) {
        line.clear();
        a.AppendTo(i, line);
        if (line != b[i])
            return false;
    }
    return true;
}

void PrintTo(const SongLineList& lines, std::ostream* out) {
    *out << "{";
    for (std::size_t i = 0; i < lines.size(); ++i) *out << (i == 0 ? " \"" : ", \"") << lines[i] << "\"";
    *out << " }";
}

}  // namespace korva

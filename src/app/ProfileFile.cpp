#include "app/ProfileFile.h"

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return EqualsNoCase(Trim(a), Trim(b));
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return line.substr(1, close - 1);
}

// The key of a "key=value" line (comments and lines without "=" have none).
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

}  // namespace

ProfileFile ProfileFile::Load(const std::string& sjisPath) {
    ReadProblem problem;
    if (auto text = ReadRegularFile(sjisPath, kTextFileLimit, &problem))
        return FromText(sjisPath, std::move(*text));
    ProfileFile file;
    file.path_ = sjisPath;
    file.unreadable_ = problem.kind != ReadProblem::Kind::Missing;
    if (IsRefused(problem))
        file.refused_ = ReadProblemMessage(sjisPath, problem);
    return file;
}

ProfileFile ProfileFile::FromText(std::string sjisPath, std::string text) {
    ProfileFile file;
    file.path_ = std::move(sjisPath);
    file.text_ = std::move(text);
    return file;
}

std::size_t ProfileFile::TextStart() const {
    return BeginsWithUtf8Bom(text_) ? kUtf8Bom.size() : 0;
}

std::vector<ProfileFile::Line> ProfileFile::Lines() const {
    std::vector<Line> lines;
    // A byte order mark an editor put first is no part of the first line (often "[KORVA]").
    std::size_t pos = TextStart();
    while (pos < text_.size()) {
        std::size_t end = text_.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back({pos, text_.size(), text_.size()});
            break;
        }
        std::size_t next = end + 1;
        if (text_[end] == '\r' && next < text_.size() && text_[next] == '\n')
            ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::string ProfileFile::LineEnd() const {
    const std::size_t end = text_.find_first_of("\r\n");
    if (end == std::string::npos)
        return "\r\n";
    if (text_[end] == '\n')
        return "\n";
    return (end + 1 < text_.size() && text_[end + 1] == '\n') ? "\r\n" : "\r";
}

std::optional<std::string> ProfileFile::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    const std::string_view text(text_);
    for (const Line& line : Lines()) {
        const std::string_view content = text.substr(line.begin, line.end - line.begin);
        if (const auto name = SectionOf(content)) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto lineKey = KeyOf(content);
        if (!lineKey || !SameName(*lineKey, key))
            continue;
        std::string_view value = Trim(content.substr(lineKey->size() + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        if (value.size() > kMaxValueLength) {
            std::size_t cut = 0;
            while (cut < value.size() && cut + CharLengthAt(value, cut) <= kMaxValueLength)
                cut += CharLengthAt(value, cut);
            value = value.substr(0, cut);
        }
        return std::string(value);
    }
    return std::nullopt;
}

void ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string newLine;
    newLine.reserve(key.size() + 1 + value.size());
    newLine.append(key).append(1, '=').append(value);
    const std::string_view text(text_);
    bool inSection = false;
    std::optional<std::size_t> insertAt;  // just past the last non-blank line of the section
    for (const Line& line : Lines()) {
        const std::string_view content = text.substr(line.begin, line.end - line.begin);
        if (const auto name = SectionOf(content)) {
            if (inSection)
                break;
            inSection = SameName(*name, section);
            if (inSection)
                insertAt = line.next;
            continue;
        }
        if (!inSection)
            continue;
        if (const auto lineKey = KeyOf(content); lineKey && SameName(*lineKey, key)) {
            text_.replace(line.begin, line.end - line.begin, newLine);
            return;
        }
        if (!Trim(content).empty())
            insertAt = line.next;
    }
    const std::string eol = LineEnd();
    if (insertAt) {
        std::size_t at = *insertAt;
        // The last line of the file may lack its line end.
        if (at == text_.size() && at > TextStart() && text_.back() != '\n' && text_.back() != '\r') {
            text_ += eol;
            at = text_.size();
        }
        text_.insert(at, eol);
        text_.insert(at, newLine);
        return;
    }
    if (text_.size() > TextStart() && text_.back() != '\n' && text_.back() != '\r')
        text_ += eol;
    text_.append(1, '[').append(section).append(1, ']').append(eol).append(newLine).append(eol);
}

void ProfileFile::Save() const {
    if (unreadable_)
        throw refused_.empty() ? WriteError(path_) : WriteError(path_, refused_);
    WriteFileAtomically(path_, text_);
}

std::optional<std::string> ProfileFile::ReadValue(const std::string& sjisPath, std::string_view section,
                                                  std::string_view key) {
    return Load(sjisPath).Get(section, key);
}

void ProfileFile::WriteValue(const std::string& sjisPath, std::string_view section, std::string_view key,
                             std::string_view value) {
    ProfileFile file = Load(sjisPath);
    file.Set(section, key, value);
    file.Save();
}

}  // namespace korva

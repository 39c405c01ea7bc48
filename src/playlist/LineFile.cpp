#include "playlist/LineFile.h"

#include <algorithm>

#include "app/FileSystem.h"

namespace korva {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    const char* const end = bytes.data() + bytes.size();
    const char* start = bytes.data();
    const char* at = start;
    while (at != end) {
        if (*at != '\r' && *at != '\n') {
            ++at;
            continue;
        }
        lines.emplace_back(start, at);
        if (*at == '\r' && at + 1 != end && at[1] == '\n') ++at;
        start = ++at;
    }
    if (start != end) lines.emplace_back(start, end);
    return lines;
}

std::optional<std::vector<std::string>> ReadLines(const std::string& sjisPath) {
    const auto bytes = ReadWholeFile(sjisPath);
    if (!bytes) return std::nullopt;
    return SplitLines(*bytes);
}

void WriteLines(const std::string& sjisPath, const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + kLineEnd.size();
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines) bytes.append(line).append(kLineEnd);
    WriteFileAtomically(sjisPath, bytes);
}

void AppendLine(const std::string& sjisPath, std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() + kLineEnd.size());
    bytes.append(line).append(kLineEnd);
    AppendToFile(sjisPath, bytes);
}

}  // namespace korva

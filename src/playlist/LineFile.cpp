#include "playlist/LineFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/FileDescriptor.h"
#include "app/FileSystem.h"
#include "text/Encoding.h"

namespace korva {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kPieceBytes = 1 << 16;
constexpr std::size_t kTypicalLineBytes = 64;

// Cuts bytes that come piece by piece into lines; a CR LF may fall between two pieces.
class LineSplitter {
  public:
    // False once a NUL has ended the text: nothing after it counts.
    bool Feed(std::string_view bytes) {
        if (ended_)
            return false;
        const std::size_t nul = bytes.find('\0');
        ended_ = nul != std::string_view::npos;
        bytes = bytes.substr(0, nul);
        const char* const end = bytes.data() + bytes.size();
        const char* start = bytes.data();
        if (afterCr_ && start != end) {
            afterCr_ = false;
            if (*start == '\n')
                ++start;
        }
        // memchr looks at many bytes at once; each kind of line end is searched for again only
        // once the one found before has been passed, so a file without CRs is scanned once for them.
        const auto find = [end](const char* from, char c) {
            const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
            return hit ? static_cast<const char*>(hit) : end;
        };
        const char* nextCr = find(start, '\r');
        const char* nextLf = find(start, '\n');
        for (;;) {
            const char* at = std::min(nextCr, nextLf);
            if (at == end)
                break;
            if (partial_.empty()) {
                lines_.emplace_back(start, at);
            } else {
                lines_.push_back(std::move(partial_.append(start, at)));
                partial_.clear();
            }
            if (*at == '\r') {
                if (at + 1 == end) {
                    afterCr_ = true;
                } else if (at[1] == '\n') {
                    ++at;
                }
            }
            start = at + 1;
            if (nextCr < start)
                nextCr = find(start, '\r');
            if (nextLf < start)
                nextLf = find(start, '\n');
        }
        partial_.append(start, end);
        return !ended_;
    }

    std::vector<std::string> Finish() {
        if (!partial_.empty())
            lines_.push_back(std::move(partial_));
        return std::move(lines_);
    }

    void Reserve(std::size_t lines) { lines_.reserve(lines); }

  private:
    std::vector<std::string> lines_;
    std::string partial_;  // the start of a line whose end is still to come
    bool afterCr_ = false;
    bool ended_ = false;
};

// Calls visit with each line of bytes as a view, ended as LineSplitter ends them.
template <typename F>
void ForEachLine(std::string_view bytes, F&& visit) {
    bytes = bytes.substr(0, bytes.find('\0'));
    const char* const end = bytes.data() + bytes.size();
    const auto find = [end](const char* from, char c) {
        const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return hit ? static_cast<const char*>(hit) : end;
    };
    const char* start = bytes.data();
    const char* nextCr = find(start, '\r');
    const char* nextLf = find(start, '\n');
    while (start != end) {
        const char* at = std::min(nextCr, nextLf);
        visit(std::string_view(start, static_cast<std::size_t>(at - start)));
        if (at == end)
            break;
        if (*at == '\r' && at + 1 != end && at[1] == '\n')
            ++at;
        start = at + 1;
        if (nextCr < start)
            nextCr = find(start, '\r');
        if (nextLf < start)
            nextLf = find(start, '\n');
    }
}

// The file found for the path (last component ignoring a-z case), opened for reading, with its
// status; -1 when it is missing, cannot be opened or is a folder.
int OpenForReading(const std::string& sjisPath, struct stat& status) {
    const auto found = FindIgnoringCase(sjisPath);
    if (!found)
        return -1;
    const int fd = ::open(found->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    LineSplitter splitter;
    splitter.Feed(bytes);
    return splitter.Finish();
}

std::optional<std::vector<std::string>> ReadLines(const std::string& sjisPath) {
    // Read piece by piece: a playlist of 100,000 lines need not be held twice, whole and in lines.
    struct stat status {};
    const FileDescriptor file(OpenForReading(sjisPath, status));
    if (file.Get() < 0)
        return std::nullopt;
    LineSplitter splitter;
    splitter.Reserve(static_cast<std::size_t>(status.st_size) / kTypicalLineBytes);
    std::string piece(kPieceBytes, '\0');
    for (;;) {
        const ssize_t got = ::read(file.Get(), piece.data(), piece.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0 || !splitter.Feed(std::string_view(piece.data(), static_cast<std::size_t>(got))))
            break;
    }
    return splitter.Finish();
}

std::optional<LineList> ReadLineList(const std::string& sjisPath) {
    struct stat status {};
    const FileDescriptor file(OpenForReading(sjisPath, status));
    if (file.Get() < 0)
        return std::nullopt;
    // Read whole into one block of the file's size; a file that grows meanwhile is read to its end.
    auto block =
        std::make_shared<TextBlock>(static_cast<std::size_t>(status.st_size) + 1, TextBlock::Filling::Whole);
    for (;;) {
        if (block->room() == 0) {
            auto larger = std::make_shared<TextBlock>(2 * block->capacity(), TextBlock::Filling::Whole);
            larger->Append(std::string_view(block->data(), block->size()));
            block = std::move(larger);
        }
        const ssize_t got = ::read(file.Get(), block->end(), block->room());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        block->Grow(static_cast<std::size_t>(got));
    }
    const std::string_view text(block->data(), block->size());
    LineList lines;
    lines.reserve(text.size() / kTypicalLineBytes);
    ForEachLine(text, [&lines](std::string_view line) { lines.PushView(line); });
    lines.Hold(std::move(block));
    return lines;
}

void WriteLineList(const std::string& sjisPath, const LineList& lines) {
    std::size_t size = 0;
    for (const auto line : lines) size += line.size() + kLineEnd.size();
    std::string bytes;
    bytes.reserve(size);
    for (const auto line : lines) bytes.append(line).append(kLineEnd);
    WriteFileAtomically(sjisPath, bytes);
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

std::string PlaylistNotWrittenMessage(const std::string& sjisPath) {
    return Sjis("ﾌｧｲﾙ ") + sjisPath + Sjis(" を作成できません");
}

}  // namespace korva

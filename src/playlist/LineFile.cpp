#include "playlist/LineFile.h"

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
    void Feed(std::string_view bytes) {
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
};

// Calls visit with each line of bytes as a view, ended as LineSplitter ends them.
template <typename F>
void ForEachLine(std::string_view bytes, F&& visit) {
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

ReadProblem& ProblemOut(ReadProblem* given, ReadProblem& local) {
    return given ? *given : local;
}

std::nullopt_t TooLarge(ReadProblem& problem) {
    problem.kind = ReadProblem::Kind::TooLarge;
    problem.limit = kTextFileLimit;
    return std::nullopt;
}

// The whole of a read, retried when a signal cuts in; -1 with problem set on failure.
ssize_t ReadSome(int fd, char* into, std::size_t room, ReadProblem& problem) {
    for (;;) {
        const ssize_t got = ::read(fd, into, room);
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            problem.kind = ReadProblem::Kind::Unreadable;
            problem.error = errno;
            return -1;
        }
    }
}

// The bytes a file being replaced begins with that its replacement must begin with too: a byte order
// mark put there by an editor.
std::string_view LeadToKeep(const std::string& sjisPath) {
    const auto head = ReadFileHead(sjisPath, kUtf8Bom.size());
    return head && BeginsWithUtf8Bom(*head) ? kUtf8Bom : std::string_view();
}

template <typename Lines>
void WriteWithLineEnds(const std::string& sjisPath, const Lines& lines) {
    const std::string_view lead = LeadToKeep(sjisPath);
    std::size_t size = lead.size();
    for (const std::string_view line : lines) size += line.size() + kLineEnd.size();
    std::string bytes;
    bytes.reserve(size);
    bytes.append(lead);
    for (const std::string_view line : lines) bytes.append(line).append(kLineEnd);
    WriteFileAtomically(sjisPath, bytes);
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    LineSplitter splitter;
    if (BeginsWithUtf8Bom(bytes))
        bytes.remove_prefix(kUtf8Bom.size());
    splitter.Feed(bytes);
    return splitter.Finish();
}

std::optional<std::vector<std::string>> ReadLines(const std::string& sjisPath, ReadProblem* problem) {
    ReadProblem local;
    ReadProblem& out = ProblemOut(problem, local);
    // Read piece by piece: a playlist of 100,000 lines need not be held twice, whole and in lines.
    struct stat status {};
    const FileDescriptor file(OpenRegularFile(sjisPath, out, &status));
    if (file.Get() < 0)
        return std::nullopt;
    if (static_cast<unsigned long long>(status.st_size) > kTextFileLimit)
        return TooLarge(out);
    LineSplitter splitter;
    splitter.Reserve(static_cast<std::size_t>(status.st_size) / kTypicalLineBytes);
    std::string piece(kPieceBytes, '\0');
    std::size_t total = 0;
    bool first = true;
    for (;;) {
        std::size_t got = 0;
        // The first piece is read until it can tell a byte order mark at its start.
        do {
            const ssize_t n = ReadSome(file.Get(), piece.data() + got, piece.size() - got, out);
            if (n < 0)
                return std::nullopt;
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        } while (first && got < kUtf8Bom.size());
        if (got == 0)
            break;
        total += got;
        if (total > kTextFileLimit)
            return TooLarge(out);
        std::string_view bytes(piece.data(), got);
        if (first && BeginsWithUtf8Bom(bytes))
            bytes.remove_prefix(kUtf8Bom.size());
        first = false;
        splitter.Feed(bytes);
    }
    return splitter.Finish();
}

std::optional<LineList> ReadLineList(const std::string& sjisPath, ReadProblem* problem) {
    return ReadLineList(sjisPath, problem, nullptr);
}

std::optional<LineList> ReadLineList(const std::string& sjisPath, ReadProblem* problem, LineKeeper keep,
                                     void* context) {
    ReadProblem local;
    ReadProblem& out = ProblemOut(problem, local);
    struct stat status {};
    const FileDescriptor file(OpenRegularFile(sjisPath, out, &status));
    if (file.Get() < 0)
        return std::nullopt;
    if (static_cast<unsigned long long>(status.st_size) > kTextFileLimit)
        return TooLarge(out);
    // Read whole into one block of the file's size; a file that grows meanwhile is read to its end,
    // as long as it stays within the bound.
    auto block =
        std::make_shared<TextBlock>(static_cast<std::size_t>(status.st_size) + 1, TextBlock::Filling::Whole);
    for (;;) {
        if (block->room() == 0) {
            if (block->size() > kTextFileLimit)
                return TooLarge(out);
            const std::size_t larger = std::min(2 * block->capacity(), kTextFileLimit + 1);
            auto grown = std::make_shared<TextBlock>(larger, TextBlock::Filling::Whole);
            grown->Append(std::string_view(block->data(), block->size()));
            block = std::move(grown);
        }
        const ssize_t got = ReadSome(file.Get(), block->end(), block->room(), out);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        block->Grow(static_cast<std::size_t>(got));
    }
    if (block->size() > kTextFileLimit)
        return TooLarge(out);
    std::string_view text(block->data(), block->size());
    if (BeginsWithUtf8Bom(text))
        text.remove_prefix(kUtf8Bom.size());
    LineList lines;
    lines.reserve(text.size() / kTypicalLineBytes);
    if (keep) {
        ForEachLine(text, [&lines, keep, context](std::string_view line) {
            if (keep(line, context))
                lines.PushView(line);
        });
    } else {
        ForEachLine(text, [&lines](std::string_view line) { lines.PushView(line); });
    }
    lines.Hold(std::move(block));
    return lines;
}

void WriteLineList(const std::string& sjisPath, const LineList& lines) {
    WriteWithLineEnds(sjisPath, lines);
}

void WriteLines(const std::string& sjisPath, const std::vector<std::string>& lines) {
    WriteWithLineEnds(sjisPath, lines);
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

#include "playlist/SmfTitle.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "app/Errors.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr char kCr = 13;
constexpr char kLf = 10;
constexpr char kEndOfFile = 26;
constexpr std::size_t kHeadLines = 256;  // a line that brings the head this far is the last
constexpr std::size_t kPairLimit = 255;  // the last position of a meta event's FF that counts

struct Found {
    std::size_t at = std::string_view::npos;  // 0-based offset of FF
    std::size_t length = 0;
};

Found FindMeta(std::string_view head, char type) {
    const char pair[2] = {static_cast<char>(0xFF), type};
    Found found;
    found.at = head.find(std::string_view(pair, 2));
    if (found.at != std::string_view::npos && found.at < kPairLimit && found.at + 2 < head.size())
        found.length = static_cast<unsigned char>(head[found.at + 2]);
    return found;
}

bool HasNonBlank(std::string_view text) {
    return text.find_first_not_of(' ') != std::string_view::npos;
}

}  // namespace

std::string TitleHead(std::string_view bytes) {
    std::string head;
    std::size_t lineStart = 0;  // where the current line began in head
    for (std::size_t i = 0; i < bytes.size() && head.size() < kTitleHeadLimit; ++i) {
        const char c = bytes[i];
        if (c == kEndOfFile)
            break;
        if (c != kCr) {
            head.push_back(c);
            continue;
        }
        const bool emptyLine = head.size() == lineStart;
        if (emptyLine || head.size() >= kHeadLines)
            break;
        if (i + 1 < bytes.size() && bytes[i + 1] == kLf)
            ++i;
        lineStart = head.size();
    }
    return head;
}

std::string TitleFromHead(std::string_view head, std::string_view sjisPath) {
    const Found text = FindMeta(head, 0x01);
    const Found name = FindMeta(head, 0x03);
    const Found* chosen = nullptr;
    if (text.length > 0 && name.length > 0)
        chosen = text.at < name.at ? &text : &name;
    else if (text.length > 0)
        chosen = &text;
    else if (name.length > 0)
        chosen = &name;
    if (chosen) {
        const std::string_view taken = head.substr(chosen->at + 3, chosen->length);
        std::string title;
        title.reserve(taken.size());
        for (const char c : taken) {
            if (static_cast<unsigned char>(c) >= 32)
                title.push_back(c);
        }
        if (HasNonBlank(title))
            return title;
    }
    return FileNamePart(sjisPath);
}

std::string ReadSmfTitle(const std::string& sjisPath) {
    const std::string fsPath = ToFsPath(sjisPath).string();
    const int fd = ::open(fsPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw UserError(InputOutputMessage(errno));
    // The head never needs more file bytes than this: a line of one byte takes three with its CR LF,
    // and an empty line ends the head.
    std::array<char, 3 * kTitleHeadLimit + 3> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw UserError(InputOutputMessage(error));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return TitleFromHead(TitleHead(std::string_view(bytes.data(), got)), sjisPath);
}

}  // namespace korva

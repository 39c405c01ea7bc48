#include "playlist/SmfTitle.h"

#include <algorithm>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
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
    std::size_t at = std::string_view::npos;  // offset of FF in the file's bytes
    std::size_t length = 0;
};

// The head as TitleHead gathers it, with the offset in the file of each of its bytes.
struct Head {
    std::string bytes;
    std::vector<std::size_t> origin;
};

Head GatherHead(std::string_view bytes) {
    Head head;
    // One allocation each for the longest head, instead of growing byte by byte.
    const std::size_t longest = std::min(bytes.size(), kTitleHeadLimit);
    head.bytes.reserve(longest);
    head.origin.reserve(longest);
    std::size_t lineStart = 0;  // where the current line began in the head
    for (std::size_t i = 0; i < bytes.size() && head.bytes.size() < kTitleHeadLimit; ++i) {
        const char c = bytes[i];
        if (c == kEndOfFile)
            break;
        if (c != kCr) {
            head.bytes.push_back(c);
            head.origin.push_back(i);
            continue;
        }
        const bool emptyLine = head.bytes.size() == lineStart;
        if (emptyLine || head.bytes.size() >= kHeadLines)
            break;
        if (i + 1 < bytes.size() && bytes[i + 1] == kLf)
            ++i;
        lineStart = head.bytes.size();
    }
    return head;
}

// The first FF type pair of the head within its first kPairLimit positions that is a pair in the
// file too (a CR taken out between FF and the type makes no event), with the length byte that
// follows it in the file. The length byte is read from the file, not from the head: a length of 13
// or 26 is a CR or an end-of-file mark to the head, but to the event it is a length.
Found FindMeta(const Head& head, std::string_view bytes, char type) {
    Found found;
    for (std::size_t i = 0; i + 1 < head.bytes.size() && i < kPairLimit; ++i) {
        if (head.bytes[i] != static_cast<char>(0xFF) || head.bytes[i + 1] != type)
            continue;
        const std::size_t at = head.origin[i];
        if (head.origin[i + 1] != at + 1)
            continue;
        if (at + 2 < bytes.size()) {
            found.at = at;
            found.length = static_cast<unsigned char>(bytes[at + 2]);
        }
        return found;
    }
    return found;
}

bool HasNonBlank(std::string_view text) {
    return text.find_first_not_of(' ') != std::string_view::npos;
}

}  // namespace

std::string TitleHead(std::string_view bytes) {
    return GatherHead(bytes).bytes;
}

std::string TitleFromFileBytes(std::string_view bytes, std::string_view sjisPath) {
    const Head head = GatherHead(bytes);
    const Found text = FindMeta(head, bytes, 0x01);
    const Found name = FindMeta(head, bytes, 0x03);
    const Found* chosen = nullptr;
    if (text.length > 0 && name.length > 0)
        chosen = text.at < name.at ? &text : &name;
    else if (text.length > 0)
        chosen = &text;
    else if (name.length > 0)
        chosen = &name;
    if (chosen) {
        // Only the event's own text, as far as the file holds it.
        const std::string_view taken = bytes.substr(chosen->at + 3, chosen->length);
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

std::string ReadSmfTitle(const std::string& sjisPath, bool listed) {
    // The head never needs more file bytes than this: a line of one byte takes three with its CR LF,
    // and an empty line ends the head. A FIFO named like a song is refused, never waited on.
    ReadProblem problem;
    const std::size_t count = 3 * kTitleHeadLimit + 3;
    const auto bytes =
        listed ? ReadListedFileHead(sjisPath, count, &problem) : ReadFileHead(sjisPath, count, &problem);
    if (!bytes) {
        throw UserError(IsRefused(problem) ? ReadProblemMessage(sjisPath, problem)
                                           : InputOutputMessage(problem.error));
    }
    return TitleFromFileBytes(*bytes, sjisPath);
}

}  // namespace korva

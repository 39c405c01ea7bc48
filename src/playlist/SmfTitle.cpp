#include "playlist/SmfTitle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

// The head as TitleHead gathers it, with the offset in the file of each of its bytes. It never
// holds more than kTitleHeadLimit bytes, so it lives on the stack: reading the titles of a folder of
// many songs allocates nothing for it.
struct Head {
    char bytes[kTitleHeadLimit];
    // Up to the first CR nothing is taken out and each byte's offset is its place; from there on
    // the offsets are kept (they stay below kTitleReadBytes).
    std::size_t straight = 0;
    std::uint16_t origin[kTitleHeadLimit];
    std::size_t size = 0;

    std::size_t Origin(std::size_t i) const { return i < straight ? i : origin[i]; }
};

void GatherHead(std::string_view bytes, Head& head) {
    // Most files hold no CR and no end-of-file mark before the head is full: their head is their
    // first bytes, taken at once.
    const std::string_view window = bytes.substr(0, kTitleHeadLimit);
    const std::size_t stop = std::min(window.find(kCr), window.find(kEndOfFile));
    head.straight = std::min(stop, window.size());
    std::memcpy(head.bytes, window.data(), head.straight);
    head.size = head.straight;
    std::size_t lineStart = 0;  // where the current line began in the head
    for (std::size_t i = head.straight; i < bytes.size() && head.size < kTitleHeadLimit; ++i) {
        const char c = bytes[i];
        if (c == kEndOfFile)
            break;
        if (c != kCr) {
            head.bytes[head.size] = c;
            head.origin[head.size] = static_cast<std::uint16_t>(std::min<std::size_t>(i, UINT16_MAX));
            ++head.size;
            continue;
        }
        const bool emptyLine = head.size == lineStart;
        if (emptyLine || head.size >= kHeadLines)
            break;
        if (i + 1 < bytes.size() && bytes[i + 1] == kLf)
            ++i;
        lineStart = head.size;
    }
}

// The first FF type pair of the head within its first kPairLimit positions that is a pair in the
// file too (a CR taken out between FF and the type makes no event), with the length byte that
// follows it in the file. The length byte is read from the file, not from the head: a length of 13
// or 26 is a CR or an end-of-file mark to the head, but to the event it is a length.
Found FindMeta(const Head& head, std::string_view bytes, char type) {
    Found found;
    for (std::size_t i = 0; i + 1 < head.size && i < kPairLimit; ++i) {
        if (head.bytes[i] != static_cast<char>(0xFF) || head.bytes[i + 1] != type)
            continue;
        const std::size_t at = head.Origin(i);
        if (head.Origin(i + 1) != at + 1)
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
    Head head;
    GatherHead(bytes, head);
    return std::string(head.bytes, head.size);
}

void AppendTitleFromFileBytes(std::string_view bytes, std::string_view sjisPath, std::string& out) {
    Head head;
    GatherHead(bytes, head);
    const Found text = FindMeta(head, bytes, 0x01);
    const Found name = FindMeta(head, bytes, 0x03);
    const Found* chosen = nullptr;
    if (text.length > 0 && name.length > 0)
        chosen = text.at < name.at ? &text : &name;
    else if (text.length > 0)
        chosen = &text;
    else if (name.length > 0)
        chosen = &name;
    const std::size_t start = out.size();
    if (chosen) {
        // Only the event's own text, as far as the file holds it.
        const std::string_view taken = bytes.substr(chosen->at + 3, chosen->length);
        for (const char c : taken) {
            if (static_cast<unsigned char>(c) >= 32)
                out.push_back(c);
        }
        if (HasNonBlank(std::string_view(out).substr(start)))
            return;
        out.resize(start);
    }
    out.append(FileNamePart(sjisPath));
}

std::string TitleFromFileBytes(std::string_view bytes, std::string_view sjisPath) {
    std::string title;
    AppendTitleFromFileBytes(bytes, sjisPath, title);
    return title;
}

std::string TitleReadMessage(const ReadProblem& problem, const std::string& sjisPath) {
    return IsRefused(problem) ? ReadProblemMessage(sjisPath, problem) : InputOutputMessage(problem.error);
}

std::string ReadSmfTitle(const std::string& sjisPath, bool listed) {
    // A FIFO named like a song is refused, never waited on.
    ReadProblem problem;
    const auto bytes = listed ? ReadListedFileHead(sjisPath, kTitleReadBytes, &problem)
                              : ReadFileHead(sjisPath, kTitleReadBytes, &problem);
    if (!bytes)
        throw UserError(TitleReadMessage(problem, sjisPath));
    return TitleFromFileBytes(*bytes, sjisPath);
}

}  // namespace korva

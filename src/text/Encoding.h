#pragma once
// Conversion between the core's Shift-JIS (code page 932) and UTF-8, used only at the edges:
// the windows, file names and command lines. A character that cannot be converted is reported,
// never dropped or replaced, so a name is never silently turned into a different one.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

struct Conversion {
    bool ok = true;
    std::string text;          // the converted text; up to the failure when !ok
    std::size_t failedAt = 0;  // byte offset in the input of the character that failed
    std::string failedChar;    // that character's bytes as given in the input
};

Conversion Utf8ToCp932(std::string_view utf8);
Conversion Cp932ToUtf8(std::string_view sjis);

// Raised where a conversion failure ends an operation; what() is UTF-8 and names the text.
class EncodingError : public std::runtime_error {
  public:
    EncodingError(const std::string& message, std::string offendingText)
        : std::runtime_error(message), offending_(std::move(offendingText)) {}
    const std::string& Offending() const { return offending_; }

  private:
    std::string offending_;
};

// File-system boundary: a Shift-JIS path text to a file-system path (UTF-8 names) and back.
// ToFsPath raises EncodingError for bytes that are not valid Shift-JIS; FromFsPath raises it for a
// name that Shift-JIS cannot hold.
std::filesystem::path ToFsPath(std::string_view sjisPath);
std::string FromFsPath(const std::filesystem::path& path);

// Literal texts of the program are written once in the source as UTF-8 and converted here.
// A literal that cannot be converted is a programming error and aborts loudly.
std::string Sjis(std::string_view utf8Literal);
// For messages only: UTF-8 text in Shift-JIS, every character it cannot hold carried in a form that
// ToDisplayUtf8 shows as that character again ("?" for bytes that are no UTF-8). Such text names
// no file: converted back to a path it fails.
std::string Cp932ForMessage(std::string_view utf8);
// The one message for names (of files or folders) that Shift-JIS cannot hold, each name given as
// Cp932ForMessage makes it, one per line.
std::string UnholdableNamesMessage(const std::vector<std::string>& sjisNamesForMessage);
// Lossless for valid text, and characters carried by Cp932ForMessage are shown as themselves;
// invalid bytes are shown as U+FFFD (for display only).
std::string ToDisplayUtf8(std::string_view sjis);

// The UTF-8 byte order mark some editors put at the start of a text file. It belongs to no line of
// the file: readers pass over it, and a file written back keeps it.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline bool BeginsWithUtf8Bom(std::string_view bytes) {
    return bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
}

}  // namespace korva

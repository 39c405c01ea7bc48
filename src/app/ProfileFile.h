#pragma once
// Private-profile ("INI") files: "[Section]" lines and "Key=Value" lines. Section and key names are
// compared ignoring case; a read value is at most 1023 characters; a write changes one value and
// keeps every other line and byte as it was (unknown keys, comments, blank lines, Shift-JIS bytes,
// the line ends, a UTF-8 byte order mark at the start). Writes replace the file atomically.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

class ProfileFile {
  public:
    static constexpr std::size_t kMaxValueLength = 1023;

    // Loads the file; a missing or unreadable file is an empty profile.
    static ProfileFile Load(const std::string& sjisPath);
    // A profile over text already read, to be saved to sjisPath.
    static ProfileFile FromText(std::string sjisPath, std::string text);

    // The value, trimmed of blanks and of one pair of enclosing quotes, cut to kMaxValueLength
    // bytes without splitting a double-byte character; nullopt when the key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Sets a value in memory: replaces the key's line, or adds it at the end of its section, or
    // adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Writes the whole text back atomically. Raises WriteError naming the path, also when the file
    // exists but could not be read (writing then would throw away its other lines).
    void Save() const;

    const std::string& Text() const { return text_; }
    // The file exists but could not be read.
    bool Unreadable() const { return unreadable_; }
    // For a file that is there but is none the program reads (a FIFO, a device, a file too large):
    // what the user is told of it. Empty otherwise.
    const std::string& Refused() const { return refused_; }

    // One value read or written through a fresh load, as a single private-profile call does.
    static std::optional<std::string> ReadValue(const std::string& sjisPath, std::string_view section,
                                                std::string_view key);
    static void WriteValue(const std::string& sjisPath, std::string_view section, std::string_view key,
                           std::string_view value);

  private:
    struct Line {
        std::size_t begin;  // offset of the line's first byte in text_
        std::size_t end;    // offset just past its content (before the line end)
        std::size_t next;   // offset of the next line
    };
    // Where the first line begins: after a UTF-8 byte order mark, which is kept as it is.
    std::size_t TextStart() const;
    std::vector<Line> Lines() const;
    std::string LineEnd() const;

    std::string path_;
    std::string text_;
    bool unreadable_ = false;  // the file exists but could not be read: never overwrite it
    std::string refused_;
};

}  // namespace korva

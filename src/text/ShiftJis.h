#pragma once
// Shift-JIS (code page 932) text held as bytes in std::string. The second byte of a double-byte
// character can be any of 0x40-0xFC, including '/', '\\', '.' and ASCII letters, so every scan
// that looks for one of those steps over double-byte characters whole.

#include <cstddef>
#include <string>
#include <string_view>

namespace korva {

// Lead bytes of code page 932.
constexpr bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Length in bytes of the character starting at pos: 2 for a lead byte followed by another byte,
// otherwise 1 (a lead byte at the very end stands alone).
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

// Number of characters, a double-byte character counting as one.
std::size_t CountChars(std::string_view text);

// Byte offset of character number charIndex (0-based); text.size() when past the end.
std::size_t ByteOffsetOfChar(std::string_view text, std::size_t charIndex);

// Byte offset of the first / last occurrence of a single-byte character that is not the second
// byte of a double-byte character; npos when absent.
std::size_t FindChar(std::string_view text, char c, std::size_t from = 0);
std::size_t FindLastChar(std::string_view text, char c);

// Removes blanks (0x00-0x20, 0x7F and the full-width space 0x8140) from both ends.
std::string TrimBlanks(std::string_view text);
// Whether the text is empty or holds those blanks alone.
bool IsBlankText(std::string_view text);

// The part after the last path delimiter "/" (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// The folder part including its trailing delimiter (empty when the path has no delimiter).
std::string FolderPart(std::string_view path);
// The text before the first "." (the whole text when there is none).
std::string BeforeFirstDot(std::string_view text);
// The extension with its dot: from the last "." that comes after the last delimiter; empty when none.
std::string ExtensionOf(std::string_view path);
// The path without ExtensionOf(path).
std::string WithoutExtension(std::string_view path);

// Appends "/" unless the text is empty or already ends with a delimiter that is not the second
// byte of a double-byte character.
std::string WithTrailingPathDelimiter(std::string_view folder);
// True when the last character is a single-byte "/".
bool EndsWithPathDelimiter(std::string_view folder);

// Upper-cases single-byte a-z and full-width ａ-ｚ (0x8281-0x829A -> 0x8260-0x8279); the second
// bytes of double-byte characters are never touched.
std::string UpperCase(std::string_view text);
// The same into out, reusing its room: for many texts one after another.
void UpperCaseInto(std::string_view text, std::string& out);

// Compares with single-byte a-z folded to upper case so that letter case does not matter, bytes
// otherwise compared unsigned; double-byte characters compare by their two bytes as they stand
// (their second byte may look like a letter and is never folded). For matching names, not for the
// order shown to users (CompareTitles in text/Collation.h).
int CompareNoCase(std::string_view a, std::string_view b);

// Case-insensitive equality in the same sense as CompareNoCase.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

}  // namespace korva

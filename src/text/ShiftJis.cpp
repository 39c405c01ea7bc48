#include "text/ShiftJis.h"

#include <algorithm>

namespace korva {

namespace {

constexpr unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

constexpr unsigned char FoldSingle(unsigned char b) {
    return (b >= 'a' && b <= 'z') ? b - ('a' - 'A') : b;
}

}  // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
    return (IsLeadByte(Byte(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

std::size_t CountChars(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) ++count;
    return count;
}

std::size_t ByteOffsetOfChar(std::string_view text, std::size_t charIndex) {
    std::size_t i = 0;
    for (; i < text.size() && charIndex > 0; --charIndex) i += CharLengthAt(text, i);
    return std::min(i, text.size());
}

std::size_t FindChar(std::string_view text, char c, std::size_t from) {
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (i >= from && text[i] == c)
            return i;
    }
    return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view text, char c) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (text[i] == c)
            found = i;
    }
    return found;
}

bool IsBlankText(std::string_view text) {
    // Asked of every line of a list: a first byte above the blanks that is neither DEL nor the lead
    // byte of the full-width blank answers at once.
    if (!text.empty()) {
        const unsigned char first = Byte(text[0]);
        if (first > 0x20 && first != 0x7F && first != 0x81)
            return false;
    }
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = CharLengthAt(text, i);
        const unsigned char b = Byte(text[i]);
        const bool blank = len == 2 ? b == 0x81 && Byte(text[i + 1]) == 0x40 : b <= 0x20 || b == 0x7F;
        if (!blank)
            return false;
        i += len;
    }
    return true;
}

std::string TrimBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool started = false;
    std::size_t blankRunStart = std::string::npos;  // in out
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = CharLengthAt(text, i);
        bool blank;
        if (len == 2) {
            blank = Byte(text[i]) == 0x81 && Byte(text[i + 1]) == 0x40;
        } else {
            const unsigned char b = Byte(text[i]);
            blank = b <= 0x20 || b == 0x7F;
        }
        if (blank) {
            if (started && blankRunStart == std::string::npos)
                blankRunStart = out.size();
        } else {
            started = true;
            blankRunStart = std::string::npos;
        }
        if (started)
            out.append(text.substr(i, len));
        i += len;
    }
    if (blankRunStart != std::string::npos)
        out.resize(blankRunStart);
    return out;
}

std::string FileNamePart(std::string_view path) {
    const std::size_t slash = FindLastChar(path, '/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderPart(std::string_view path) {
    const std::size_t slash = FindLastChar(path, '/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string BeforeFirstDot(std::string_view text) {
    return std::string(text.substr(0, std::min(FindChar(text, '.'), text.size())));
}

std::string ExtensionOf(std::string_view path) {
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); i += CharLengthAt(path, i)) {
        if (path[i] == '.')
            dot = i;
        if (path[i] == '/')
            dot = std::string_view::npos;
    }
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string WithoutExtension(std::string_view path) {
    return std::string(path.substr(0, path.size() - ExtensionOf(path).size()));
}

bool EndsWithPathDelimiter(std::string_view folder) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < folder.size(); i += CharLengthAt(folder, i)) last = i;
    return last != std::string_view::npos && CharLengthAt(folder, last) == 1 && folder[last] == '/';
}

std::string WithTrailingPathDelimiter(std::string_view folder) {
    std::string out(folder);
    if (!folder.empty() && !EndsWithPathDelimiter(folder))
        out += '/';
    return out;
}

std::string UpperCase(std::string_view text) {
    std::string out;
    UpperCaseInto(text, out);
    return out;
}

void UpperCaseInto(std::string_view text, std::string& out) {
    out.assign(text.data(), text.size());
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t len = CharLengthAt(out, i);
        if (len == 2) {
            if (Byte(out[i]) == 0x82 && Byte(out[i + 1]) >= 0x81 && Byte(out[i + 1]) <= 0x9A) {
                out[i + 1] = static_cast<char>(Byte(out[i + 1]) - 0x21);
            }
        } else {
            out[i] = static_cast<char>(FoldSingle(Byte(out[i])));
        }
        i += len;
    }
}

int CompareNoCase(std::string_view a, std::string_view b) {
    // Walk both texts in step; the trail byte of a double-byte character is compared unfolded.
    std::size_t i = 0;
    bool trailA = false;
    bool trailB = false;
    for (; i < a.size() && i < b.size(); ++i) {
        unsigned char x = Byte(a[i]);
        unsigned char y = Byte(b[i]);
        const bool foldA = !trailA;
        const bool foldB = !trailB;
        trailA = !trailA && IsLeadByte(x);
        trailB = !trailB && IsLeadByte(y);
        if (foldA)
            x = FoldSingle(x);
        if (foldB)
            y = FoldSingle(y);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace korva

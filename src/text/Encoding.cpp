#include "text/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

#include "text/ShiftJis.h"

namespace korva {

namespace {

class Iconv {
  public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            std::fprintf(stderr, "iconv cannot convert from %s to %s\n", from, to);
            std::abort();
        }
    }
    ~Iconv() { iconv_close(handle_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts the whole input; on failure reports the byte offset where conversion stopped.
    Conversion Run(std::string_view input) { return Convert(input, nullptr); }

    // Converts the whole input; for each character that cannot be converted, `replace` gives the
    // bytes to put in its place and how many input bytes it stood for, and conversion goes on after
    // it, in one pass.
    using Replacer = std::size_t (*)(std::string_view input, std::size_t pos, std::string& replacement);
    std::string RunReplacing(std::string_view input, Replacer replace) {
        return Convert(input, replace).text;
    }

  private:
    Conversion Convert(std::string_view input, Replacer replace) {
        Conversion result;
        // Both ways the converter goes (CP932 and UTF-8), ASCII is itself; most paths hold nothing
        // else, and a folder of songs converts every name.
        if (std::all_of(input.begin(), input.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            result.text.assign(input);
            return result;
        }
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::string out(input.size() * 2 + 16, '\0');
        std::size_t used = 0;
        std::string replacement;
        while (inLeft > 0) {
            char* outPtr = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t rc = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            const std::size_t failedAt = input.size() - inLeft;
            if (replace == nullptr) {
                result.ok = false;
                result.failedAt = failedAt;
                break;
            }
            replacement.clear();
            const std::size_t skipped =
                std::min(inLeft, std::max<std::size_t>(1, replace(input, failedAt, replacement)));
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2 + replacement.size());
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
            in += skipped;
            inLeft -= skipped;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(used);
        result.text = std::move(out);
        return result;
    }

    iconv_t handle_;
};

// Length in bytes of the UTF-8 sequence starting with lead (1 for a stray byte).
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

Iconv& ToCp932() {
    thread_local Iconv converter("CP932", "UTF-8");
    return converter;
}

Iconv& ToUtf8() {
    thread_local Iconv converter("UTF-8", "CP932");
    return converter;
}

// The code point of the well-formed UTF-8 sequence at pos, with its length; nullopt for a stray or
// cut-off byte, an overlong form or a surrogate.
std::optional<std::pair<char32_t, std::size_t>> CodePointAt(std::string_view utf8, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    const std::size_t length = Utf8Length(lead);
    if (length == 1 || lead >= 0xF8 || pos + length > utf8.size())
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[pos + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::make_pair(code, length);
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A character Shift-JIS cannot hold travels in a message as byte 0xFF (which is no Shift-JIS byte),
// its code point in hexadecimal and ";": all single bytes that no double-byte scan can misread, and
// that the display gives back as the character itself. A byte that is no UTF-8 at all becomes "?".
constexpr char kForeignMark = '\xFF';
constexpr std::size_t kMostHexDigits = 6;

std::size_t ForeignCharacter(std::string_view utf8, std::size_t pos, std::string& replacement) {
    const auto code = CodePointAt(utf8, pos);
    if (!code) {
        replacement.push_back('?');
        return 1;
    }
    char text[16];
    const int length =
        std::snprintf(text, sizeof text, "%c%X;", kForeignMark, static_cast<unsigned>(code->first));
    for (int i = 0; i < length; ++i) replacement.push_back(text[i]);
    return code->second;
}

std::size_t DisplayReplacement(std::string_view sjis, std::size_t pos, std::string& replacement) {
    if (sjis[pos] == kForeignMark) {
        char32_t code = 0;
        std::size_t digits = 0;
        while (digits < kMostHexDigits && pos + 1 + digits < sjis.size() &&
               std::isxdigit(static_cast<unsigned char>(sjis[pos + 1 + digits]))) {
            const char c = sjis[pos + 1 + digits];
            code = code * 16 + static_cast<char32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                         ? c - '0'
                                                         : (c | 0x20) - 'a' + 10);
            ++digits;
        }
        const std::size_t end = pos + 1 + digits;
        if (digits > 0 && end < sjis.size() && sjis[end] == ';' && code <= 0x10FFFF &&
            !(code >= 0xD800 && code <= 0xDFFF)) {
            AppendUtf8(replacement, code);
            return digits + 2;
        }
    }
    for (const char c : {'\xEF', '\xBF', '\xBD'}) replacement.push_back(c);
    return CharLengthAt(sjis, pos);
}

}  // namespace

Conversion Utf8ToCp932(std::string_view utf8) {
    Conversion result = ToCp932().Run(utf8);
    if (!result.ok) {
        const std::size_t len = Utf8Length(static_cast<unsigned char>(utf8[result.failedAt]));
        result.failedChar = std::string(utf8.substr(result.failedAt, len));
    }
    return result;
}

Conversion Cp932ToUtf8(std::string_view sjis) {
    Conversion result = ToUtf8().Run(sjis);
    if (!result.ok) {
        result.failedChar = std::string(sjis.substr(result.failedAt, CharLengthAt(sjis, result.failedAt)));
    }
    return result;
}

std::filesystem::path ToFsPath(std::string_view sjisPath) {
    Conversion c = Cp932ToUtf8(sjisPath);
    if (!c.ok) {
        throw EncodingError("not valid Shift-JIS text: " + ToDisplayUtf8(sjisPath), std::string(sjisPath));
    }
    return std::filesystem::path(c.text);
}

std::string FromFsPath(const std::filesystem::path& path) {
    const std::string& native = path.native();
    Conversion c = Utf8ToCp932(native);
    if (!c.ok) {
        throw EncodingError("\"" + native + "\" holds \"" + c.failedChar + "\", which Shift-JIS cannot hold",
                            native);
    }
    return c.text;
}

std::string Sjis(std::string_view utf8Literal) {
    // Literals are few and used again and again (status texts on every song), so cache them.
    static std::mutex mutex;
    static std::unordered_map<std::string, std::string> cache;
    std::lock_guard lock(mutex);
    auto [it, inserted] = cache.try_emplace(std::string(utf8Literal));
    if (inserted) {
        Conversion c = Utf8ToCp932(utf8Literal);
        if (!c.ok) {
            std::fprintf(stderr, "literal cannot be written in Shift-JIS: %s\n",
                         std::string(utf8Literal).c_str());
            std::abort();
        }
        it->second = std::move(c.text);
    }
    return it->second;
}

std::string Cp932ForMessage(std::string_view utf8) {
    return ToCp932().RunReplacing(utf8, ForeignCharacter);
}

std::string ToDisplayUtf8(std::string_view sjis) {
    return ToUtf8().RunReplacing(sjis, DisplayReplacement);
}

std::string UnholdableNamesMessage(const std::vector<std::string>& sjisNamesForMessage) {
    std::string text = Sjis("次の名前には Shift-JIS で表せない文字があるため使えません:");
    // A message box grows with its lines: beyond a screenful its button would be off the screen.
    constexpr std::size_t kMostNames = 20;
    for (std::size_t i = 0; i < sjisNamesForMessage.size() && i < kMostNames; ++i)
        text.append(1, '\n').append(sjisNamesForMessage[i]);
    if (sjisNamesForMessage.size() > kMostNames) {
        text.append(1, '\n').append(Sjis("…ほか "));
        text.append(std::to_string(sjisNamesForMessage.size() - kMostNames)).append(Sjis(" 件"));
    }
    return text;
}

}  // namespace korva

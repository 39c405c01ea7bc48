#include "text/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

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
    Conversion Run(std::string_view input) { return Convert(input, {}, nullptr); }

    // Converts the whole input, putting `replacement` in place of each character that cannot be
    // converted (`skip` gives its length in the input) and going on after it, in one pass.
    std::string RunReplacing(std::string_view input, std::string_view replacement,
                             std::size_t (*skip)(std::string_view input, std::size_t pos)) {
        return Convert(input, replacement, skip).text;
    }

  private:
    Conversion Convert(std::string_view input, std::string_view replacement,
                       std::size_t (*skip)(std::string_view, std::size_t)) {
        Conversion result;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::string out(input.size() * 2 + 16, '\0');
        std::size_t used = 0;
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
            if (skip == nullptr) {
                result.ok = false;
                result.failedAt = failedAt;
                break;
            }
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2 + replacement.size());
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
            const std::size_t skipped = std::min(inLeft, std::max<std::size_t>(1, skip(input, failedAt)));
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

std::size_t Utf8LengthAt(std::string_view utf8, std::size_t pos) {
    return Utf8Length(static_cast<unsigned char>(utf8[pos]));
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
    return ToCp932().RunReplacing(utf8, "?", Utf8LengthAt);
}

std::string ToDisplayUtf8(std::string_view sjis) {
    return ToUtf8().RunReplacing(sjis, "\xEF\xBF\xBD", CharLengthAt);
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

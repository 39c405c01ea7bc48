// Shift-JIS text through the double-byte helpers and the CP932 <-> UTF-8 conversions.

#include <cstdlib>

#include "FuzzSupport.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string_view text = fuzz::Input(data, size);

    const std::size_t chars = CountChars(text);
    if (ByteOffsetOfChar(text, chars) != text.size())
        std::abort();
    for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(text, pos)) {
    }
    (void)FindChar(text, '/');
    (void)FindChar(text, '.', text.size() / 2);
    (void)FindLastChar(text, '\\');
    (void)TrimBlanks(text);
    const std::string name = FileNamePart(text);
    const std::string folder = FolderPart(text);
    if (folder + name != text)
        std::abort();
    (void)BeforeFirstDot(text);
    if (WithoutExtension(text) + ExtensionOf(text) != text)
        std::abort();
    (void)WithTrailingPathDelimiter(text);
    (void)EndsWithPathDelimiter(text);
    const std::string upper = UpperCase(text);
    if (upper.size() != text.size() || !EqualsNoCase(UpperCase(upper), upper))
        std::abort();
    const std::size_t half = text.size() / 2;
    const int order = CompareNoCase(text.substr(0, half), text.substr(half));
    if ((order < 0) != (CompareNoCase(text.substr(half), text.substr(0, half)) > 0))
        std::abort();

    // Text that converts one way converts back to the same bytes.
    const Conversion utf8 = Cp932ToUtf8(text);
    if (utf8.ok) {
        const Conversion back = Utf8ToCp932(utf8.text);
        if (!back.ok)
            std::abort();
    } else if (utf8.failedAt > text.size()) {
        std::abort();
    }
    const Conversion sjis = Utf8ToCp932(text);
    if (!sjis.ok && sjis.failedAt > text.size())
        std::abort();
    (void)Cp932ForMessage(text);
    (void)ToDisplayUtf8(text);
    try {
        (void)FromFsPath(ToFsPath(text));
    } catch (const EncodingError&) {
    }
    return 0;
}

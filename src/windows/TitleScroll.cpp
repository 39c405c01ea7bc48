#include "windows/TitleScroll.h"

#include <cstddef>

#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

const std::string& ScrollBanner() {
    static const std::string banner = Sjis(" ･･ - Play the MIDI - ･･");
    return banner;
}

std::optional<std::string> ScrollTitle(std::string_view statusText, int statusTextWidth, int& scrollPos) {
    std::optional<std::string> shown;
    if (scrollPos > 1 && statusTextWidth > kDisplayWidth) {
        // scrollPos 2 shows the title from its first character, 3 from its second, and so on.
        const auto firstChar = static_cast<std::size_t>(scrollPos - 2);
        const std::size_t from = ByteOffsetOfChar(statusText, firstChar);
        const std::string_view tail = statusText.substr(from);
        shown = std::string(tail.substr(0, ByteOffsetOfChar(tail, kMaxShownChars)));
        const auto chars = static_cast<long long>(CountChars(statusText));
        if (chars + 1 < static_cast<long long>(scrollPos) + 10) {
            shown = ScrollBanner();
            scrollPos = 1;
        }
    }
    ++scrollPos;
    return shown;
}

}  // namespace korva

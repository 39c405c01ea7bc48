#pragma once
// The order of titles and playlist lines as a Japanese reader expects it, the same on every machine
// and in every locale: ICU's Japanese collation, in which letter case, full and half width and
// hiragana against katakana differ only after the reading itself. Texts are Shift-JIS.
//
// A playlist line is TAB-separated fields, compared field by field: a field that is a beginning of
// the other's sorts first ("Song" TAB ... before "Song 2" TAB ...), and the reading of all fields
// comes before the finer differences of any. Texts the collation finds equal are put in the order
// of their bytes, so the order is total: only identical texts compare equal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// Appends the collation key of a Shift-JIS text to out: comparing two keys byte by byte (unsigned,
// a key that is a beginning of the other first) gives the collation order before the tie by bytes.
void AppendCollationKey(std::string_view sjis, std::string& out);
std::string CollationKey(std::string_view sjis);

// Negative, zero or positive as a sorts before, equal to (byte for byte) or after b.
int CompareTitles(std::string_view a, std::string_view b);
struct TitleLess {
    bool operator()(std::string_view a, std::string_view b) const { return CompareTitles(a, b) < 0; }
};

// The order of the texts by CompareTitles: the index of the first, then of the second, and so on;
// identical texts keep their order. Each text's key is made once, so this is the way to sort many.
std::vector<std::uint32_t> TitleOrder(const std::vector<std::string>& texts);
std::vector<std::uint32_t> TitleOrder(const std::vector<std::string_view>& texts);

}  // namespace korva

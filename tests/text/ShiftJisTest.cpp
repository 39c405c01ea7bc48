#include "text/ShiftJis.h"

#include <gtest/gtest.h>

#include "text/Encoding.h"

namespace korva {
namespace {

// "ソ表能" in Shift-JIS: every second byte is 0x5C, the byte of a backslash.
const std::string kSoHyouNou = "\x83\x5C\x95\x5C\x94\x5C";
const std::string kFullWidthSpace = "\x81\x40";

TEST(ShiftJisTest, LeadBytesAreThoseOfCodePage932) {
    EXPECT_FALSE(IsLeadByte(0x80));
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0x9F));
    EXPECT_FALSE(IsLeadByte(0xA0));
    EXPECT_FALSE(IsLeadByte(0xDF));  // half-width katakana are single bytes
    EXPECT_TRUE(IsLeadByte(0xE0));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xFD));
}

TEST(ShiftJisTest, CountsDoubleByteCharactersAsOne) {
    EXPECT_EQ(CountChars(kSoHyouNou + "ab"), 5u);
    EXPECT_EQ(CountChars("a\x83"), 2u);  // a lone lead byte at the end stands alone
    EXPECT_EQ(ByteOffsetOfChar(kSoHyouNou + "ab", 3), 6u);
    EXPECT_EQ(ByteOffsetOfChar("abc", 9), 3u);
}

struct TrimCase {
    std::string input;
    std::string expected;
};

class TrimBlanksTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimBlanksTest, TrimsBothEndsKeepingInnerBlanks) {
    EXPECT_EQ(TrimBlanks(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimBlanksTest,
    ::testing::Values(TrimCase{"", ""}, TrimCase{"   ", ""}, TrimCase{"  a b  ", "a b"},
                      TrimCase{kFullWidthSpace + "CVS.EXE" + kFullWidthSpace, "CVS.EXE"},
                      TrimCase{"\t\x7F"
                               "x"
                               "\x01",
                               "x"},
                      TrimCase{kFullWidthSpace + kSoHyouNou + " " + kFullWidthSpace + "a" + kFullWidthSpace,
                               kSoHyouNou + " " + kFullWidthSpace + "a"},
                      // 0x81 0x40 split over a character boundary is no blank: "\x83\x81" is one
                      // character and the following "@" (0x40) an ordinary one.
                      TrimCase{"\x83\x81\x40", "\x83\x81\x40"},
                      // A lone lead byte at the very end is kept as a single byte.
                      TrimCase{" a\x81", "a\x81"}));

TEST(ShiftJisTest, PathPartsStepOverSecondBytesThatLookLikeDelimiters) {
    // 0x5C and 0x2F never occur as second bytes, but 0x2E does not either; 0x7C and letters do.
    const std::string folder = "/music/" + kSoHyouNou + ".d/";
    EXPECT_EQ(FileNamePart(folder + "song.mid"), "song.mid");
    EXPECT_EQ(FolderPart(folder + "song.mid"), folder);
    EXPECT_EQ(ExtensionOf(folder + "song.mid"), ".mid");
    EXPECT_EQ(ExtensionOf(folder + "song"), "");  // the dot of the folder does not count
    EXPECT_EQ(ExtensionOf("a.b.RCP"), ".RCP");
    EXPECT_EQ(WithoutExtension("/x/a.b.RCP"), "/x/a.b");
    EXPECT_EQ(BeforeFirstDot(folder + "song.mid"), "/music/" + kSoHyouNou);
    EXPECT_EQ(BeforeFirstDot("noext"), "noext");
}

TEST(ShiftJisTest, TrailingDelimiterIsAddedOnceAndNeverToEmptyText) {
    EXPECT_EQ(WithTrailingPathDelimiter("/music"), "/music/");
    EXPECT_EQ(WithTrailingPathDelimiter("/music/"), "/music/");
    EXPECT_EQ(WithTrailingPathDelimiter(""), "");
    EXPECT_EQ(WithTrailingPathDelimiter(kSoHyouNou), kSoHyouNou + "/");
}

TEST(ShiftJisTest, UpperCasesSingleByteAndFullWidthLettersOnly) {
    // Full-width "ａｚ" (82 81, 82 9A) become "ＡＺ" (82 60, 82 79); katakana "ッ" (83 62) stays.
    EXPECT_EQ(UpperCase("ab\x82\x81\x82\x9A\x83\x62z"), "AB\x82\x60\x82\x79\x83\x62Z");
}

TEST(ShiftJisTest, ComparisonFoldsSingleByteLettersButNeverSecondBytes) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    // "ッ" is 83 62 and "ャ" is 83 42: folding the trail byte 0x62 ("b") would make them equal.
    EXPECT_NE(CompareNoCase("\x83\x62", "\x83\x42"), 0);
    // Bytes compare unsigned: a double-byte character sorts after ASCII.
    EXPECT_LT(CompareNoCase("Z", "\x83\x41"), 0);
}

TEST(EncodingTest, RoundTripsJapaneseIncludingBackslashSecondBytes) {
    const Conversion utf8 = Cp932ToUtf8(kSoHyouNou + kFullWidthSpace + "\\");
    ASSERT_TRUE(utf8.ok);
    EXPECT_EQ(utf8.text, "ソ表能　\\");  // CP932 keeps 0x5C a backslash, not a yen sign
    const Conversion back = Utf8ToCp932(utf8.text);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.text, kSoHyouNou + kFullWidthSpace + "\\");
}

TEST(EncodingTest, AsciiIsItselfBothWaysAloneAsBesideJapanese) {
    // Text of ASCII alone takes a shorter way than text with a Japanese character: both must agree.
    std::string ascii;
    for (int byte = 0; byte < 0x80; ++byte) ascii += static_cast<char>(byte);
    EXPECT_EQ(Cp932ToUtf8(ascii).text, ascii);
    EXPECT_EQ(Utf8ToCp932(ascii).text, ascii);
    const Conversion beside = Cp932ToUtf8(kSoHyouNou + ascii);
    ASSERT_TRUE(beside.ok);
    EXPECT_EQ(beside.text, "ソ表能" + ascii);
    const Conversion back = Utf8ToCp932("ソ表能" + ascii);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.text, kSoHyouNou + ascii);
}

TEST(EncodingTest, ReportsTheFirstCharacterShiftJisCannotHold) {
    const Conversion c = Utf8ToCp932(
        "ab\xC3\xA9"
        "c\xF0\x9F\x8E\xB5");  // "abéc🎵"
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.failedAt, 2u);
    EXPECT_EQ(c.failedChar, "\xC3\xA9");
    EXPECT_EQ(c.text, "ab");
    EXPECT_THROW(FromFsPath("/tmp/caf\xC3\xA9.mid"), EncodingError);
}

TEST(EncodingTest, ReportsBrokenShiftJis) {
    const Conversion c = Cp932ToUtf8("ok\x81");  // a lead byte without its second byte
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.failedAt, 2u);
    EXPECT_EQ(ToDisplayUtf8("ok\x81"), "ok\xEF\xBF\xBD");
}

TEST(EncodingTest, ReplacesEveryUnconvertibleCharacterAndKeepsTheRest) {
    // "é" and "🎵" have no Shift-JIS code; "表" does (95 5C). The message shows each character as it
    // was; bytes that are no UTF-8 (a cut sequence at the end) become "?".
    std::string utf8;
    for (int i = 0; i < 3000; ++i)
        utf8 += i % 3 == 0 ? "\xC3\xA9" : i % 3 == 1 ? "\xF0\x9F\x8E\xB5" : "\xE8\xA1\xA8";
    const std::string message = Cp932ForMessage(utf8 + "\xE8");
    EXPECT_EQ(ToDisplayUtf8(message), utf8 + "?");
    // What stands for them holds no byte a double-byte scan could misread, and names no file.
    EXPECT_EQ(message.substr(0, 11),
              "\xFF"
              "E9;\xFF"
              "1F3B5;");
    EXPECT_THROW(ToFsPath(message), EncodingError);
    // A mark without a well-formed code point after it is shown as what it is: an invalid byte.
    EXPECT_EQ(ToDisplayUtf8("a\xFF"
                            "41b\xFF;\xFF"
                            "D800;"),
              "a\xEF\xBF\xBD"
              "41b\xEF\xBF\xBD;\xEF\xBF\xBD"
              "D800;");

    // A lone trail-range byte, a lead byte before a control byte, and text between them.
    EXPECT_EQ(ToDisplayUtf8("\xA0x\x81\x01y\x95\x5C"), "\xEF\xBF\xBDx\xEF\xBF\xBDy\xE8\xA1\xA8");
}

// Handed 150 such names at once, the message names the first twenty and counts the rest, so that
// its box stays on the screen.
TEST(EncodingTest, UnholdableNamesMessageNamesTwentyAndCountsTheRest) {
    std::vector<std::string> names;
    for (int i = 0; i < 25; ++i) names.push_back("song" + std::to_string(i) + ".mid");
    const std::string text = UnholdableNamesMessage(names);
    EXPECT_NE(text.find("\nsong19.mid"), std::string::npos);
    EXPECT_EQ(text.find("song20.mid"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), Sjis("…ほか 5 件"));
    EXPECT_EQ(UnholdableNamesMessage({"a.mid"}).substr(UnholdableNamesMessage({"a.mid"}).rfind('\n') + 1),
              "a.mid");
}

TEST(EncodingTest, ConvertsNecExtensionsThatShiftJisProperRejects) {
    const Conversion c = Utf8ToCp932("①");  // NEC special character, 87 40
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.text, "\x87\x40");
}

}  // namespace
}  // namespace korva

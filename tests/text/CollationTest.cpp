#include "text/Collation.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "text/Encoding.h"

namespace korva {
namespace {

using Texts = std::vector<std::string>;

// The texts, given in UTF-8, sorted as Shift-JIS and given back in UTF-8.
std::vector<std::string> Sorted(const std::vector<std::string>& utf8) {
    Texts sjis;
    for (const std::string& text : utf8) sjis.push_back(Sjis(text));
    Texts sorted;
    for (const std::uint32_t index : TitleOrder(sjis)) sorted.push_back(utf8[index]);
    return sorted;
}

int Compare(const std::string& a, const std::string& b) {
    return CompareTitles(Sjis(a), Sjis(b));
}

TEST(CollationTest, HiraganaAndKatakanaOfOneWordInterleaveByReading) {
    // In bytes every hiragana (0x82..) comes before every katakana (0x83..).
    EXPECT_EQ(Sorted({"アウ", "かき", "あう", "アイ", "カキ", "あい"}),
              (Texts{"あい", "アイ", "あう", "アウ", "かき", "カキ"}));
    // Equal in reading, told apart only after it, and then always the same way.
    EXPECT_LT(Compare("あい", "アイ"), 0);
    EXPECT_GT(Compare("アイ", "あい"), 0);
}

TEST(CollationTest, VoicedKanaFollowTheirReadingBeforeTheirMarks) {
    // "が" is "か" with a mark: the reading of the whole title decides first.
    EXPECT_EQ(Sorted({"かき", "がか", "かか"}), (Texts{"かか", "がか", "かき"}));
    // The long-vowel mark and small kana sort among the kana, not after them all.
    EXPECT_EQ(Sorted({"ツリー", "ッア", "ソ", "ツア"}), (Texts{"ソ", "ッア", "ツア", "ツリー"}));
}

TEST(CollationTest, HalfWidthKanaSortWithFullWidthKana) {
    // In bytes half-width kana (0xA1-0xDF) come after every full-width katakana.
    EXPECT_EQ(Sorted({"アウ", "ｱｲ", "アア", "ｱｳ"}), (Texts{"アア", "ｱｲ", "アウ", "ｱｳ"}));
    EXPECT_NE(Compare("ｱｲ", "アイ"), 0);
}

TEST(CollationTest, FullWidthLettersFoldWithHalfWidthAndCaseIsIgnoredFirst) {
    EXPECT_EQ(Sorted({"c", "B", "a"}), (Texts{"a", "B", "c"}));
    // In bytes full-width letters (0x82 0x60..) come after all of ASCII.
    EXPECT_EQ(Sorted({"ac", "Ａb", "aa", "ｂa"}), (Texts{"aa", "Ａb", "ac", "ｂa"}));
    EXPECT_EQ(Sorted({"Song 3", "ｓｏｎｇ ２", "SONG 1"}), (Texts{"SONG 1", "ｓｏｎｇ ２", "Song 3"}));
}

TEST(CollationTest, LatinBeforeKanaBeforeKanji) {
    EXPECT_EQ(Sorted({"東京", "とうきょう", "Tokyo", "ﾄｳｷｮｳ"}),
              (Texts{"Tokyo", "とうきょう", "ﾄｳｷｮｳ", "東京"}));
}

TEST(CollationTest, FieldsCompareOneByOneAShorterFieldFirst) {
    // A TAB is ignored by the collation itself: without the field rule "Song" TAB "/p" would be
    // read "Song/p" and follow "Song 2".
    EXPECT_LT(Compare("Song\t/p.mid\t+0\t1", "Song 2\t/p.mid\t+0\t1"), 0);
    EXPECT_LT(Compare("Song\t/z.mid\t+0\t1", "Song 2\t/a.mid\t+0\t1"), 0);
    EXPECT_LT(Compare("Song\t/z.mid", "Songa\t/a.mid"), 0);
    // The reading of every field comes before the case of any: the Path decides here, not the
    // Name's case.
    EXPECT_LT(Compare("song\t/a.mid", "Song\t/b.mid"), 0);
    EXPECT_LT(Compare("Song\t/a.mid", "song\t/b.mid"), 0);
    // An empty field sorts before any other, and fewer fields before more.
    EXPECT_LT(Compare("\t/b.mid", "a\t/a.mid"), 0);
    EXPECT_LT(Compare("a", "a\t"), 0);
    EXPECT_EQ(Sorted({"b\t/1\t+0\t1", "a b\t/1\t+0\t1", "a\t/9\t+0\t1", "ab\t/1\t+0\t1"}),
              (Texts{"a\t/9\t+0\t1", "a b\t/1\t+0\t1", "ab\t/1\t+0\t1", "b\t/1\t+0\t1"}));
}

TEST(CollationTest, TiesGoByBytesSoOnlyIdenticalTextsAreEqual) {
    // Texts the collation alone cannot tell apart: bytes that are no Shift-JIS, and NUL bytes, which
    // it ignores.
    const Texts texts{"a",    "A",       "Ａ",   "ａ", "a\x01",    std::string("a\0", 2),
                      "\x83", "\xFF",    "\x80", "",   "\xFF\xFF", "\x83\x41",
                      "\xB1", "\x82\xA0"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const int order = CompareTitles(a, b);
            EXPECT_EQ(order == 0, a == b) << testing::PrintToString(a) << " " << testing::PrintToString(b);
            EXPECT_EQ(order, -CompareTitles(b, a));
        }
    }
    // The same order from every arrangement of the input.
    Texts shuffled = texts;
    std::mt19937 engine(5);
    std::vector<std::string> first;
    for (int round = 0; round < 20; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), engine);
        Texts sorted;
        for (const std::uint32_t index : TitleOrder(shuffled)) sorted.push_back(shuffled[index]);
        if (round == 0)
            first = sorted;
        EXPECT_EQ(sorted, first);
        EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), TitleLess{}));
    }
}

TEST(CollationTest, KeysCompareAsTheTexts) {
    const Texts texts{"Song", "Song 2", "song\t/a", "あい", "アイ", "ｱｲ", "Ａ", "b"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const std::string keyA = CollationKey(Sjis(a));
            const std::string keyB = CollationKey(Sjis(b));
            if (keyA != keyB) {
                EXPECT_EQ(keyA < keyB, Compare(a, b) < 0) << a << " " << b;
            }
            EXPECT_EQ(keyA.find('\0'), std::string::npos);
        }
    }
}

TEST(CollationTest, ManyTextsSortAsTheirPairwiseOrder) {
    // Texts that share their first field's reading and differ later: in case, width, kana, marks,
    // in a later field or in bytes alone; fields that are a beginning of another, empty fields and
    // readings that are a beginning of another. A sort of many must agree with comparing each pair.
    Texts pieces;
    for (const char* piece : {"ka",  "KA", "Ka", "ｋａ", "か", "カ", "ｶ",    "が",   "ガ",   "ー",
                              "!1 ", " ",  "ki", "b",    "東", "\t", "\t/x", "\t/X", "\t\t", "1"})
        pieces.push_back(Sjis(piece));
    // Bytes that are no Shift-JIS, also right before a TAB: a lead byte without its second byte.
    for (const char* piece : {"\x83", "\xFF", "\xA0", "\x81\x05"}) pieces.push_back(piece);
    std::mt19937 engine(11);
    Texts texts;
    for (int i = 0; i < 1500; ++i) {
        std::string text;
        const int count = static_cast<int>(engine() % 5);
        for (int p = 0; p < count; ++p) text += pieces[engine() % pieces.size()];
        texts.push_back(text);
    }
    std::vector<std::uint32_t> pairwise(texts.size());
    for (std::uint32_t i = 0; i < pairwise.size(); ++i) pairwise[i] = i;
    std::stable_sort(pairwise.begin(), pairwise.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return CompareTitles(texts[a], texts[b]) < 0; });
    EXPECT_EQ(TitleOrder(texts), pairwise);
}

TEST(CollationTest, LongTitlesOfOneBeginningSortAsTheirPairwiseOrder) {
    // A sort looks first at the beginning of each reading only. Titles that share a long beginning
    // and part at its end, or around where that beginning stops, one title ending there and another
    // going on, must still sort as comparing each pair does.
    const std::string common = Sjis("Song number ソングナンバー");
    Texts ends;
    for (const char* end : {"", "1", "2", "12", "123", "ー", "あ", "ア", "ｱ", "A", "a", " ", "1\t/x", "1\t/a"})
        ends.push_back(Sjis(end));
    ends.push_back("\x83");  // a lead byte without its second byte
    Texts texts;
    for (std::size_t cut = 0; cut <= common.size(); ++cut) {
        // Cut only between characters: a Shift-JIS lead byte keeps its second byte.
        if (cut > 0 && cut < common.size() && static_cast<unsigned char>(common[cut - 1]) >= 0x81 &&
            static_cast<unsigned char>(common[cut - 1]) <= 0x9F && (cut < 2 || static_cast<unsigned char>(common[cut - 2]) < 0x81))
            continue;
        for (const std::string& end : ends) texts.push_back(common.substr(0, cut) + end);
    }
    std::mt19937 engine(3);
    std::shuffle(texts.begin(), texts.end(), engine);
    std::vector<std::uint32_t> pairwise(texts.size());
    for (std::uint32_t i = 0; i < pairwise.size(); ++i) pairwise[i] = i;
    std::stable_sort(pairwise.begin(), pairwise.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return CompareTitles(texts[a], texts[b]) < 0; });
    EXPECT_EQ(TitleOrder(texts), pairwise);
}

TEST(CollationTest, ManyLinesWhoseTitlesBeginAlikeSortAsTheirPairwiseOrder) {
    // A folder of numbered songs: every title shares a beginning longer than the first look at each
    // reading, the readings part only at the numbers, and a few lines share a reading and part only
    // in case, width or their later fields.
    Texts texts;
    for (int i = 0; i < 400; ++i) {
        const std::string number = std::to_string(i * 7 % 400);
        texts.push_back("!1 Song number " + number + "\t/s/song" + number + ".mid\t+0\t1");
    }
    for (const char* odd : {"!1 song number 5\t/s/a.mid\t+0\t1", "!1 Song number 5\t/s/A.mid\t+0\t1",
                            "!1 Song number 5", "!1 Song number ５\t/s/a.mid\t+0\t1", "!1 Song number"})
        texts.push_back(Sjis(odd));
    std::vector<std::uint32_t> pairwise(texts.size());
    for (std::uint32_t i = 0; i < pairwise.size(); ++i) pairwise[i] = i;
    std::stable_sort(pairwise.begin(), pairwise.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return CompareTitles(texts[a], texts[b]) < 0; });
    EXPECT_EQ(TitleOrder(texts), pairwise);
}

TEST(CollationTest, KeyOfAsciiTextIsIcusKeyOfItsShiftJisConversion) {
    // ASCII text may skip the converter; its key must be the one ICU gives the converted text.
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("ja", &status);
    UConverter* converter = ucnv_open("windows-31j", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    for (int byte = 1; byte < 0x80; ++byte) {
        const std::string text = "a" + std::string(1, static_cast<char>(byte)) + "Z\\~";
        if (text.find('\t') != std::string::npos)
            continue;  // a TAB splits fields, which the key of one field does not
        UChar utf16[16];
        status = U_ZERO_ERROR;
        const int32_t length =
            ucnv_toUChars(converter, utf16, 16, text.data(), static_cast<int32_t>(text.size()), &status);
        uint8_t key[256];
        const int32_t keyLength = ucol_getSortKey(collator, utf16, length, key, sizeof key);
        ASSERT_GT(keyLength, 0);
        // Without the 0 byte that ends ICU's key.
        EXPECT_EQ(CollationKey(text), std::string(reinterpret_cast<const char*>(key), keyLength - 1)) << byte;
    }
    ucnv_close(converter);
    ucol_close(collator);
}

TEST(CollationTest, EveryThreadSortsTheSame) {
    Texts texts;
    for (const char* text : {"カキ", "ｶｷ", "かき", "Ｂ", "a", "東", "ソ", "ッ"}) texts.push_back(Sjis(text));
    const std::vector<std::uint32_t> here = TitleOrder(texts);
    std::vector<std::uint32_t> there;
    std::thread worker([&] { there = TitleOrder(texts); });
    worker.join();
    EXPECT_EQ(there, here);
}

}  // namespace
}  // namespace korva

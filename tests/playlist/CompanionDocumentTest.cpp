#include "playlist/CompanionDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "text/Encoding.h"

namespace korva {
namespace {

struct EntryCase {
    const char* label;
    std::string entry;
    std::string txt;
    std::string doc;
};

class CompanionOfEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(CompanionOfEntryTest, CutsThePathAtItsFirstDot) {
    EXPECT_EQ(CompanionDocumentOfEntry(GetParam().entry, DocumentKind::Txt), GetParam().txt);
    EXPECT_EQ(CompanionDocumentOfEntry(GetParam().entry, DocumentKind::Doc), GetParam().doc);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, CompanionOfEntryTest,
    ::testing::Values(
        EntryCase{"ListEntry", "Song\t/m/midi/song.mid\t+0\t1", "/m/midi/song.TXT", "/m/midi/song.DOC"},
        // A dot in the title is not part of the path.
        EntryCase{"DotInTitle", "Ver.2 by A.B.\t/m/song.mid\t-1\t2", "/m/song.TXT", "/m/song.DOC"},
        EntryCase{"BarePath", "/m/midi/song.mid", "/m/midi/song.TXT", "/m/midi/song.DOC"},
        EntryCase{"FolderWithDot", "/m/v1.2/song.mid", "/m/v1.TXT", "/m/v1.DOC"},
        EntryCase{"ListEntryFolderWithDot", "Song\t/m/v1.2/song.mid\t+0\t1", "/m/v1.TXT", "/m/v1.DOC"},
        EntryCase{"NoDotAtAll", "/m/README", "/m/README.TXT", "/m/README.DOC"},
        // With one TAB no Path is split off, so the whole entry stands for the path.
        EntryCase{"NameOnly", "a.b\t", "a.TXT", "a.DOC"}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(CompanionDocumentTest, DoubleByteNamesKeepTheirBytes) {
    // "ソ" ends in 0x5C and "表" too; neither may disturb the cut.
    const std::string folder = Sjis("/曲/ソ表");
    EXPECT_EQ(CompanionDocument(folder + "/" + Sjis("能.mid"), DocumentKind::Txt),
              folder + "/" + Sjis("能.TXT"));
}

TEST(DocumentViewerCommandTest, BlankEditorPathMeansTheBuiltInWindow) {
    const std::string fullWidthSpace = Sjis("　");
    for (const std::string& blank : {std::string(), std::string("  "), fullWidthSpace}) {
        const ViewerCommand command = DocumentViewerCommand(blank, "/m/a.TXT");
        EXPECT_TRUE(command.builtIn) << "[" << blank << "]";
        EXPECT_EQ(command.document, "/m/a.TXT");
    }
    const ViewerCommand command = DocumentViewerCommand(" /usr/bin/my editor ", "/m/a b.TXT");
    EXPECT_FALSE(command.builtIn);
    EXPECT_EQ(command.program, "/usr/bin/my editor");
    EXPECT_EQ(command.document, "/m/a b.TXT");
}

struct TextCase {
    const char* label;
    std::string bytes;
    std::string utf8;
};

class DocumentTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DocumentTextTest, DecodesShiftJisWithLineFeeds) {
    EXPECT_EQ(DocumentDisplayText(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentTextTest,
                         ::testing::Values(
                             // "ソ表能" all end in 0x5C, the full-width space is 81 40.
                             TextCase{"FiveCBytesAndFullWidthSpace",
                                      "\x83\x5C\x95\x5C\x94\x5C\x81\x40"
                                      "A",
                                      "ソ表能　A"},
                             TextCase{"CrLfLines", "a\r\nb\r\n", "a\nb\n"},
                             TextCase{"LoneCrLines", "a\rb\r\r\n", "a\nb\n\n"},
                             TextCase{"EndOfFileMarkDropped", "a\r\n\x1A", "a\n"},
                             TextCase{"MarkInsideKept",
                                      "a\x1A"
                                      "b",
                                      "a\x1A"
                                      "b"},
                             TextCase{"HalfWidthKana", "\xB1\xB2", "ｱｲ"},
                             TextCase{"InvalidBytesShowAsReplacement",
                                      "a\x80"
                                      "b\x83",
                                      "a\xEF\xBF\xBD"
                                      "b\xEF\xBF\xBD"},
                             TextCase{"Empty", "", ""}),
                         [](const auto& testCase) { return std::string(testCase.param.label); });

}  // namespace
}  // namespace korva

#include "playlist/SmfTitle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/Errors.h"
#include "support/FifoGuard.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::SmfWriter;
using testing::TempDir;

std::string SongWith(void (*events)(testing::SmfTrack&)) {
    SmfWriter writer;
    testing::SmfTrack& track = writer.AddTrack();
    events(track);
    track.Note(0, 480, 0, 60);
    return writer.Bytes();
}

TEST(SmfTitleTest, FirstOfTrackNameAndTextWins) {
    TempDir dir;
    const std::string nameFirst = dir.Write(
        "a.mid", SongWith([](testing::SmfTrack& t) { t.TrackName(0, "Blue Night").Text(0, "(c) someone"); }));
    const std::string textFirst = dir.Write(
        "b.mid", SongWith([](testing::SmfTrack& t) { t.Text(0, "Morning by Ann").TrackName(0, "Piano"); }));
    EXPECT_EQ(ReadSmfTitle(nameFirst), "Blue Night");
    EXPECT_EQ(ReadSmfTitle(textFirst), "Morning by Ann");
}

TEST(SmfTitleTest, ControlBytesAreRemovedAndShiftJisKept) {
    TempDir dir;
    const std::string song =
        dir.Write("c.mid", SongWith([](testing::SmfTrack& t) {
                      t.TrackName(0, std::string("\t") + "\x89\xCC" + "\x01" + "!");  // TAB, 歌, 0x01
                  }));
    EXPECT_EQ(ReadSmfTitle(song), "\x89\xCC!");
}

TEST(SmfTitleTest, FileNameWhenNoUsableTitle) {
    TempDir dir;
    // A blank-only name, control bytes only, and a byte 26 before the event all give the file name.
    const std::string blank =
        dir.Write("BLANK.MID", SongWith([](testing::SmfTrack& t) { t.TrackName(0, "   "); }));
    const std::string control =
        dir.Write("Ctl.mid", SongWith([](testing::SmfTrack& t) { t.Text(0, std::string("\x02\x03", 2)); }));
    const std::string eof = dir.Write("EOF.MID", SongWith([](testing::SmfTrack& t) {
                                          t.ControlChange(0, 0, 7, 26).TrackName(0, "Hidden");
                                      }));
    EXPECT_EQ(ReadSmfTitle(blank), "BLANK.MID");
    EXPECT_EQ(ReadSmfTitle(control), "Ctl.mid");
    EXPECT_EQ(ReadSmfTitle(eof), "EOF.MID");

    // An event that begins at byte 256 or later is not looked at.
    SmfWriter late;
    testing::SmfTrack& track = late.AddTrack();
    for (int i = 0; i < 80; ++i) track.ControlChange(0, 0, 7, 100);
    track.TrackName(0, "Too Late");
    const std::string far = dir.Write("FAR.MID", late.Bytes());
    EXPECT_EQ(ReadSmfTitle(far), "FAR.MID");
}

TEST(SmfTitleTest, HeadEndsAtEmptyLineAndKeepsLoneLineFeeds) {
    // CR ends a line; CR LF is one end; a lone LF is data; an empty line ends the head.
    EXPECT_EQ(TitleHead(std::string("ab\r\ncd\nef\r\rgh", 13)), "abcd\nef");
    EXPECT_EQ(TitleHead(std::string("ab\x1A"
                                    "cd",
                                    5)),
              "ab");
    // A line that brings the head to 256 bytes is the last one.
    const std::string longLine(300, 'x');
    EXPECT_EQ(TitleHead(longLine + "\rmore").size(), 300u);
    EXPECT_EQ(TitleHead(std::string(200, 'x') + "\r" + std::string(100, 'y')).size(), 300u);
    // A CR inside the event's text is a control byte of the text: it is removed, and the title
    // ends with the event's length, not with the head's count of bytes.
    EXPECT_EQ(TitleFromFileBytes(std::string("MThd\xFF\x03\x05"
                                             "ab\r\ncdef",
                                             15),
                                 "/m/x.mid"),
              "abc");
}

// A literal's bytes, NULs and all.
template <std::size_t N>
std::string Raw(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

// Up to its first CR the head is the file's first bytes as they are; after it each byte is known
// by its place in the file, so an event on either side of a line end is found and read from there.
TEST(SmfTitleTest, EventsBeforeAndAfterTheFirstLineEndAreFound) {
    EXPECT_EQ(TitleFromFileBytes(Raw("MThd\xFF\x03\x02OK\r\nrest"), "/s/a.mid"), "OK");
    EXPECT_EQ(TitleFromFileBytes(Raw("MThd\r\n\xFF\x03\x02OK"), "/s/a.mid"), "OK");
    EXPECT_EQ(TitleFromFileBytes(Raw("MThd\r\n\xFF\x01\x01T\r\xFF\x03\x01N"), "/s/a.mid"), "T");
    // The text runs on past an end-of-file mark that ends the head; its control bytes are removed.
    EXPECT_EQ(TitleFromFileBytes(Raw("\xFF\x03\x03Z\x1A\r\xFF\x01\x01T"), "/s/a.mid"), "Z");
    EXPECT_EQ(TitleHead(std::string(600, 'x')), std::string(kTitleHeadLimit, 'x'));
    EXPECT_EQ(TitleHead(Raw("ab\x1A\rcd")), "ab");
}

TEST(SmfTitleTest, LengthsThatLookLikeLineEndsOrEndOfFileAreLengths) {
    // A length byte of 13 is a CR and one of 26 an end-of-file mark to the head; they are lengths
    // all the same, and nothing of the events after the name enters the title.
    TempDir dir;
    for (const std::string& name : {std::string("GM1 System On"), std::string(26, 'N'), std::string(10, 'T')}) {
        SCOPED_TRACE(name.size());
        SmfWriter writer;
        writer.AddTrack().TrackName(0, name).ControlChange(0, 0, 7, 100).Note(0, 480, 0, 60);
        EXPECT_EQ(ReadSmfTitle(dir.Write("L.MID", writer.Bytes())), name);
    }
    // A CR taken out of the head between FF and the type makes no event.
    EXPECT_EQ(TitleFromFileBytes(std::string("MThd\xFF\r\x03\x02OK", 10), "/m/y.mid"), "y.mid");
}

TEST(SmfTitleTest, LengthByteAndPositionsAsRead) {
    // The pair at position 255 (offset 254) with its length byte present counts; at 256 it does not.
    std::string head(254, 'x');
    head += std::string("\xFF\x01\x02OK", 5);
    EXPECT_EQ(TitleFromFileBytes(head, "/s/A.MID"), "OK");
    EXPECT_EQ(TitleFromFileBytes("y" + head, "/s/A.MID"), "A.MID");
    // A length beyond the head takes what there is; the name wins when it comes first.
    EXPECT_EQ(TitleFromFileBytes(std::string("\xFF\x03\x40Short", 8), "/s/B.MID"), "Short");
    EXPECT_EQ(TitleFromFileBytes(std::string("\xFF\x03\x01N\xFF\x01\x01T", 8), "/s/B.MID"), "N");
    // A zero-length name leaves the text.
    EXPECT_EQ(TitleFromFileBytes(std::string("\xFF\x03\x00\xFF\x01\x01T", 7), "/s/B.MID"), "T");
    // The file name after the last "/"; a "/" as a second byte of a double-byte character (none in
    // CP932, but "\" is) does not cut it.
    EXPECT_EQ(TitleFromFileBytes("", "/s/\x95\x5C.MID"), "\x95\x5C.MID");
}

TEST(SmfTitleTest, SongThatIsAFifoIsNamedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.Folder() + "SONG.MID";
    ASSERT_TRUE(korva::testing::MakeFifo(fifo));
    std::string message;
    EXPECT_TRUE(korva::testing::EndsWithoutWaitingOn({fifo}, [&] {
        try {
            ReadSmfTitle(fifo);
        } catch (const UserError& error) {
            message = error.Text();
        }
    }));
    EXPECT_EQ(message, Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）"));
}

TEST(SmfTitleTest, UnreadableFilesGiveTheInputOutputMessages) {
    TempDir dir;
    try {
        ReadSmfTitle(dir.Folder() + "missing.mid");
        FAIL() << "a missing file was read";
    } catch (const UserError& error) {
        EXPECT_EQ(error.Text(), Sjis("ﾌｧｲﾙが見つかりません"));
    }
    const std::string locked = dir.Write("locked.mid", "MThd");
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        try {
            ReadSmfTitle(locked);
            FAIL() << "a file without read permission was read";
        } catch (const UserError& error) {
            EXPECT_EQ(error.Text(), Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
        }
    }
    std::filesystem::create_directory(dir.Path() / "folder.mid");
    try {
        ReadSmfTitle(dir.Folder() + "folder.mid");  // a folder is never opened as a song
        FAIL() << "a folder was read as a file";
    } catch (const UserError& error) {
        EXPECT_EQ(error.Text(),
                  Sjis("ファイル ") + dir.Folder() + Sjis("folder.mid を読み込めません（フォルダです）"));
    }
}

}  // namespace
}  // namespace korva

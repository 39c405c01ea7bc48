#include "playlist/LineFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "support/FifoGuard.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    const char* label;
    std::string bytes;
    Lines expected;
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, EndsLinesAtCrLfCrAndLf) {
    EXPECT_EQ(SplitLines(GetParam().bytes), GetParam().expected);
}

TEST_P(SplitLinesTest, ReadLineListEndsLinesAlikeInOneBlock) {
    testing::TempDir dir;
    dir.Write("KORVA.DT0", GetParam().bytes);
    const std::optional<LineList> lines = ReadLineList(dir.Folder() + "KORVA.DT0");
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, GetParam().expected);
    for (const std::string_view line : *lines) EXPECT_TRUE(lines->HoldsText(line));
}

TEST_P(SplitLinesTest, ReadLineListOffersEveryLineInOrderAndKeepsThoseAccepted) {
    testing::TempDir dir;
    dir.Write("KORVA.DT0", GetParam().bytes);
    // Keeps every other line, and notes each line offered.
    struct Offers {
        Lines seen;
    } offers;
    const auto keepEveryOther = [](std::string_view line, void* context) {
        auto& seen = static_cast<Offers*>(context)->seen;
        seen.emplace_back(line);
        return seen.size() % 2 == 1;
    };
    const std::optional<LineList> lines =
        ReadLineList(dir.Folder() + "KORVA.DT0", nullptr, keepEveryOther, &offers);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(offers.seen, GetParam().expected);
    Lines kept;
    for (std::size_t i = 0; i < GetParam().expected.size(); i += 2) kept.push_back(GetParam().expected[i]);
    EXPECT_EQ(*lines, kept);
}

TEST_P(SplitLinesTest, ReadLinesEndsLinesAlike) {
    testing::TempDir dir;
    dir.Write("KORVA.DT0", GetParam().bytes);
    EXPECT_EQ(ReadLines(dir.Folder() + "KORVA.DT0"), std::optional<Lines>(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Files, SplitLinesTest,
    ::testing::Values(
        SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}}, SplitCase{"Lf", "a\nb\n", {"a", "b"}},
        SplitCase{"Cr", "a\rb\r", {"a", "b"}}, SplitCase{"Mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        SplitCase{"LastLineWithoutEnd", "a\r\nb", {"a", "b"}},
        SplitCase{"TwoEndsMakeAnEmptyLine", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        SplitCase{"EmptyLastLine", "a\r\n\r\n", {"a", ""}},
        SplitCase{"CrBeforeCrLf", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}}, SplitCase{"Empty", "", {}},
        SplitCase{"OnlyAnEnd", "\r\n", {""}},
        SplitCase{
            "NulIsAByteOfItsLine", std::string("a\r\nb\0c\r\nd\r\n", 11), {"a", std::string("b\0c", 3), "d"}},
        SplitCase{"LineOfANulAlone", std::string("a\n\0\nb", 5), {"a", std::string(1, '\0'), "b"}},
        SplitCase{"BomIsNoPartOfTheFirstLine",
                  "\xEF\xBB\xBF"
                  "a\tb\r\nc",
                  {"a\tb", "c"}},
        SplitCase{"BomAlone", "\xEF\xBB\xBF", {}},
        SplitCase{"BomBeforeAnEnd", "\xEF\xBB\xBF\r\na", {"", "a"}},
        SplitCase{"BomAfterTheStartIsText",
                  "a\r\n\xEF\xBB\xBF"
                  "b",
                  {"a",
                   "\xEF\xBB\xBF"
                   "b"}},
        SplitCase{"BytesCarriedUnchanged", "\x83\x5C\t\xFC\xFC \t\x7F\r\n", {"\x83\x5C\t\xFC\xFC \t\x7F"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(LineFileTest, MissingFileHasNoLines) {
    testing::TempDir dir;
    EXPECT_FALSE(ReadLines(dir.Folder() + "KORVA.DT0").has_value());
    EXPECT_FALSE(ReadLineList(dir.Folder() + "KORVA.DT0").has_value());
    std::filesystem::create_directory(dir.Path() / "KORVA.DT1");
    EXPECT_FALSE(ReadLineList(dir.Folder() + "KORVA.DT1").has_value());
}

// A FIFO named like a list (no writer at its other end) would hold a reader in open() for ever; a
// link to a device would be read for ever. Both are refused at once, named with what they are.
TEST(LineFileTest, FifosAndDevicesAreRefusedWithoutWaiting) {
    testing::TempDir dir;
    const std::string fifo = dir.Folder() + "KORVA.DT0";
    ASSERT_TRUE(testing::MakeFifo(fifo));
    std::filesystem::create_symlink("/dev/zero", dir.Path() / "KORVA.DT1");
    const std::string device = dir.Folder() + "KORVA.DT1";
    std::vector<ReadProblem> problems(4);
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] {
        EXPECT_FALSE(ReadLines(fifo, &problems[0]).has_value());
        EXPECT_FALSE(ReadLineList(fifo, &problems[1]).has_value());
        EXPECT_FALSE(ReadLines(device, &problems[2]).has_value());
        EXPECT_FALSE(ReadLineList(device, &problems[3]).has_value());
    }));
    for (const ReadProblem& problem : problems) EXPECT_EQ(problem.kind, ReadProblem::Kind::NotRegular);
    EXPECT_EQ(ReadProblemMessage(fifo, problems[0]),
              Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）"));
    EXPECT_EQ(ReadProblemMessage(device, problems[3]),
              Sjis("ファイル ") + device + Sjis(" を読み込めません（デバイスです）"));
    EXPECT_TRUE(IsRefused(problems[0]));
}

TEST(LineFileTest, ListsLargerThanTheBoundAreRefused) {
    testing::TempDir dir;
    const std::string path = dir.Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\n");
    std::filesystem::resize_file(path, kTextFileLimit + 1);  // sparse: no disk taken
    ReadProblem lines;
    ReadProblem list;
    EXPECT_FALSE(ReadLines(path, &lines).has_value());
    EXPECT_FALSE(ReadLineList(path, &list).has_value());
    EXPECT_EQ(lines.kind, ReadProblem::Kind::TooLarge);
    EXPECT_EQ(list.kind, ReadProblem::Kind::TooLarge);
    EXPECT_TRUE(IsRefused(list));
    // At the bound itself the file is read.
    std::filesystem::resize_file(path, kTextFileLimit);
    const auto read = ReadLineList(path, &list);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->front(), "A\t/a.mid\t+0\t1");
    EXPECT_FALSE(list);
}

TEST(LineFileTest, MissingAndUnopenableFilesAreNotRefusedButMissing) {
    testing::TempDir dir;
    ReadProblem problem;
    EXPECT_FALSE(ReadLineList(dir.Folder() + "KORVA.DT0", &problem).has_value());
    EXPECT_EQ(problem.kind, ReadProblem::Kind::Missing);
    EXPECT_FALSE(IsRefused(problem));
}

// An editor that saves with a byte order mark: the first line reads without it, and a list written
// back keeps it at the start, once. A file without one gets none.
TEST(LineFileTest, ByteOrderMarkIsPassedOverAndKeptOnWriteBack) {
    testing::TempDir dir;
    const std::string path = dir.Write("KORVA.DT0",
                                       "\xEF\xBB\xBF"
                                       "First\t/f.mid\t+0\t1\r\nSecond\t/s.mid\t+0\t1\r\n");
    const auto lines = ReadLines(path);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(lines->front(), "First\t/f.mid\t+0\t1");
    WriteLines(path, {"Second\t/s.mid\t+0\t1", "First\t/f.mid\t+0\t1"});
    EXPECT_EQ(dir.Read("KORVA.DT0"),
              "\xEF\xBB\xBF"
              "Second\t/s.mid\t+0\t1\r\nFirst\t/f.mid\t+0\t1\r\n");
    const auto list = ReadLineList(path);
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->front(), "Second\t/s.mid\t+0\t1");
    WriteLineList(path, *list);
    EXPECT_EQ(dir.Read("KORVA.DT0"),
              "\xEF\xBB\xBF"
              "Second\t/s.mid\t+0\t1\r\nFirst\t/f.mid\t+0\t1\r\n");

    const std::string plain = dir.Write("KORVA.DT1", "A\r\n");
    WriteLines(plain, {"B"});
    EXPECT_EQ(dir.Read("KORVA.DT1"), "B\r\n");
    WriteLines(dir.Folder() + "KORVA.NEW", {"C"});
    EXPECT_EQ(dir.Read("KORVA.NEW"), "C\r\n");
}

TEST(LineFileTest, ReadLineListEndsLinesAsSplitLinesAtEveryPlace) {
    // Every kind of line end, and a CR LF pair, at many places of texts of many lengths.
    testing::TempDir dir;
    const std::string path = dir.Folder() + "KORVA.DT0";
    for (const std::string end : {"\r\n", "\n", "\r", "\n\r", "\r\r\n", "\n\n"}) {
        for (std::size_t at = 0; at < 40; ++at) {
            std::string bytes = std::string(at, 'a') + end + "b\tc" + std::string(at % 17, 'd') + end;
            for (const std::size_t cut : {bytes.size(), bytes.size() - 1}) {
                const std::string text = bytes.substr(0, cut);
                dir.Write("KORVA.DT0", text);
                EXPECT_EQ(*ReadLineList(path), SplitLines(text)) << at << " " << cut;
            }
        }
    }
}

TEST(LineFileTest, LineListWritesAndReadsBackLikeStrings) {
    testing::TempDir dir;
    const std::string path = dir.Folder() + "KORVA.DT0";
    const Lines lines = {"A\t/a.mid\t+0\t1", "", "\x83\x5C\t/b.mid\t-5\t0"};
    WriteLineList(path, LineList(lines));
    EXPECT_EQ(dir.Read("KORVA.DT0"), "A\t/a.mid\t+0\t1\r\n\r\n\x83\x5C\t/b.mid\t-5\t0\r\n");
    EXPECT_EQ(*ReadLineList(path), lines);
    // The name is found whatever its letter case, as ReadLines finds it.
    EXPECT_EQ(*ReadLineList(dir.Folder() + "korva.dt0"), lines);
}

TEST(LineFileTest, LargeFileReadsAsItSplits) {
    // Files are read in pieces of 64 KiB: line ends, CR LF pairs and a NUL across piece borders.
    testing::TempDir dir;
    constexpr std::size_t kPiece = 1 << 16;
    for (const std::size_t at : {kPiece - 2, kPiece - 1, kPiece, kPiece + 1}) {
        std::string bytes(at, 'x');
        bytes += "\r\nsecond\rthird\n";
        bytes += std::string(kPiece, 'y');
        const std::string withNul = bytes + std::string("\r\nlast", 6) + '\0' + "ignored\r\n";
        const std::string path = dir.Write("KORVA.DT0", bytes + "\r\n");
        EXPECT_EQ(ReadLines(path), SplitLines(bytes)) << at;
        dir.Write("KORVA.DT0", withNul);
        EXPECT_EQ(ReadLines(path), SplitLines(withNul)) << at;
        EXPECT_EQ(ReadLines(path)->size(), 5u) << at;
    }
}

TEST(LineFileTest, WritesEveryLineWithCrLfAndReadsThemBack) {
    testing::TempDir dir;
    const std::string path = dir.Folder() + "KORVA.DT0";
    const Lines lines{"A\tB\t+0\t1", "", "\x83\x5C\t\t\t"};
    WriteLines(path, lines);
    EXPECT_EQ(dir.Read("KORVA.DT0"), "A\tB\t+0\t1\r\n\r\n\x83\x5C\t\t\t\r\n");
    EXPECT_EQ(ReadLines(path), lines);
    WriteLines(path, {});
    EXPECT_EQ(dir.Read("KORVA.DT0"), "");
}

TEST(LineFileTest, AppendCreatesTheFileAndAddsAtItsEnd) {
    testing::TempDir dir;
    const std::string path = dir.Folder() + "KORVA.DT1";
    AppendLine(path, "A\tB\t+0\t1");
    AppendLine(path, "C\tD\t-1\t2");
    EXPECT_EQ(dir.Read("KORVA.DT1"), "A\tB\t+0\t1\r\nC\tD\t-1\t2\r\n");
}

TEST(LineFileTest, WriteIntoMissingFolderRaisesWriteErrorNamingThePath) {
    testing::TempDir dir;
    const std::string path = dir.Folder() + "missing/KORVA.DT0";
    try {
        WriteLines(path, {"A\tB\t+0\t1"});
        FAIL() << "no error";
    } catch (const WriteError& error) {
        EXPECT_NE(error.Text().find(path), std::string::npos);
    }
}

// A playlist or settings file kept elsewhere and linked into the program folder stays linked: the
// file it points to is replaced (or made, when the link points to nothing yet), never the link.
TEST(LineFileTest, ReplacingALinkedFileChangesWhatItPointsTo) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    fs::create_directories(dir.Path() / "kept" / "lists");
    dir.Write("kept/lists/mine.dt0", "Old\t/old.mid\t+0\t1\r\n");
    fs::create_symlink("lists/mine.dt0", dir.Path() / "kept" / "current");  // relative, two links long
    fs::create_symlink(dir.Path() / "kept" / "current", dir.Path() / "KORVA.DT0");
    WriteLines(dir.Folder() + "KORVA.DT0", {"New\t/new.mid\t+0\t1"});
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "KORVA.DT0"));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "kept" / "current"));
    EXPECT_EQ(dir.Read("kept/lists/mine.dt0"), "New\t/new.mid\t+0\t1\r\n");

    fs::create_symlink("later.dt1", dir.Path() / "KORVA.DT1");
    WriteLines(dir.Folder() + "KORVA.DT1", {"A\tB\t+0\t1"});
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "KORVA.DT1"));
    EXPECT_EQ(dir.Read("later.dt1"), "A\tB\t+0\t1\r\n");

    // A link that leads back to itself cannot be written through; it is left as it was.
    fs::create_symlink("LOOP.DT0", dir.Path() / "LOOP.DT0");
    EXPECT_THROW(WriteLines(dir.Folder() + "LOOP.DT0", {"A\tB\t+0\t1"}), WriteError);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "LOOP.DT0"));
}

std::vector<std::string> TemporaryFiles(const testing::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KORVA.DT0.tmp", 0) == 0)
            names.push_back(name);
    }
    return names;
}

const std::string kOldContent = "Old\t/old.mid\t+0\t1\r\n";

Lines ManyLines(std::size_t count) {
    Lines lines;
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back("New song " + std::to_string(i) + "\t/music/new.mid\t+0\t1");
    return lines;
}

TEST(LineFileTest, ProcessDyingBetweenWriteAndRenameLeavesTheOldPlaylist) {
    testing::TempDir dir;
    const std::string path = dir.Write("KORVA.DT0", kOldContent);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetBeforeRenameHookForTesting([](const std::filesystem::path&) { _exit(3); });
        WriteLines(path, ManyLines(1000));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 3) << "the writer did not reach the point between write and rename";
    EXPECT_EQ(dir.Read("KORVA.DT0"), kOldContent);
    EXPECT_EQ(TemporaryFiles(dir).size(), 1u);  // the complete new content never replaced the old
}

TEST(LineFileTest, WriterKilledMidWriteLeavesTheOldOrTheNewPlaylistWhole) {
    testing::TempDir dir;
    const std::string path = dir.Write("KORVA.DT0", kOldContent);
    const Lines newLines = ManyLines(400000);
    std::string newContent;
    for (const auto& line : newLines) newContent += line + "\r\n";

    int killedBeforeRename = 0;
    for (int attempt = 0; attempt < 20 && killedBeforeRename < 3; ++attempt) {
        dir.Write("KORVA.DT0", kOldContent);
        for (const auto& name : TemporaryFiles(dir)) std::filesystem::remove(dir.Path() / name);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteLines(path, newLines);
            _exit(0);
        }
        // Kill the writer as soon as its temporary file appears.
        bool exited = false;
        while (!exited && TemporaryFiles(dir).empty()) exited = waitpid(child, nullptr, WNOHANG) == child;
        if (!exited) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        const std::string content = dir.Read("KORVA.DT0");
        if (!TemporaryFiles(dir).empty()) {
            EXPECT_EQ(content, kOldContent);
            ++killedBeforeRename;
        } else {
            EXPECT_TRUE(content == kOldContent || content == newContent) << "size " << content.size();
        }
    }
    EXPECT_GT(killedBeforeRename, 0) << "no kill landed while the writer was writing";
}

}  // namespace
}  // namespace korva

#include "app/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// A listening socket bound to a path, closed at the end of the test.
class BoundSocket {
  public:
    explicit BoundSocket(const fs::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Bound() const { return bound_; }

  private:
    int fd_;
    bool bound_ = false;
};

TEST(ReadRegularFile, WhatIsNotARegularFileIsRefusedWithoutBlockingAndNamed) {
    const TempDir dir;
    const fs::path fifo = dir.Path() / "KORVA.DT0";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.Path() / "zero.ini");
    fs::create_directory(dir.Path() / "folder.txt");
    const BoundSocket socket(dir.Path() / "socket.doc");
    ASSERT_TRUE(socket.Bound());

    struct Case {
        const char* name;
        const char* what;
    };
    for (const Case c : {Case{"KORVA.DT0", "名前付きパイプ"}, Case{"zero.ini", "デバイス"},
                         Case{"folder.txt", "フォルダ"}, Case{"socket.doc", "ソケット"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Folder() + c.name;
        ReadProblem problem;
        // A FIFO with no writer would block a plain open for ever; /dev/zero would fill memory.
        EXPECT_FALSE(ReadRegularFile(path, kTextFileLimit, &problem).has_value());
        EXPECT_EQ(problem.kind, ReadProblem::Kind::NotRegular);
        const std::string message = ReadProblemMessage(path, problem);
        EXPECT_NE(message.find(path), std::string::npos);
        EXPECT_NE(message.find(Sjis(c.what)), std::string::npos) << ToDisplayUtf8(message);
        EXPECT_FALSE(ReadWholeFile(path).has_value());
    }
}

TEST(ReadFileHead, ListedFilesReadAsAnyAndWhatIsNoFileIsStillRefusedUnread) {
    const TempDir dir;
    const std::string bytes(300, 'x');
    const std::string song = dir.Write("SONG.MID", bytes);
    for (const std::size_t count : {std::size_t{10}, std::size_t{300}, std::size_t{1000}}) {
        EXPECT_EQ(ReadListedFileHead(song, count), ReadFileHead(song, count)) << count;
        EXPECT_EQ(ReadListedFileHead(song, count).value_or("?"), bytes.substr(0, count)) << count;
    }
    // Gone since the listing: found ignoring case, or missing, as for any file.
    EXPECT_EQ(ReadListedFileHead(dir.Folder() + "song.mid", 5).value_or("?"), "xxxxx");
    ReadProblem problem;
    EXPECT_FALSE(ReadListedFileHead(dir.Folder() + "GONE.MID", 5, &problem).has_value());
    EXPECT_EQ(problem.kind, ReadProblem::Kind::Missing);
    // A FIFO or a device put where a listed song was is refused once opened, without blocking.
    const fs::path fifo = dir.Path() / "FIFO.MID";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.Path() / "ZERO.MID");
    for (const char* name : {"FIFO.MID", "ZERO.MID"}) {
        problem = {};
        EXPECT_FALSE(ReadListedFileHead(dir.Folder() + name, 5, &problem).has_value()) << name;
        EXPECT_EQ(problem.kind, ReadProblem::Kind::NotRegular) << name;
    }
}

TEST(ListFilesWithExtension, ListsRegularFilesAndLinksToThemByExtensionIgnoringCase) {
    const TempDir dir;
    for (const char* name : {"a.MID", "b.mid", "c.Mid", ".MID", "i.MIDI", "x.txt", "caf\xC3\xA9.MID"})
        dir.Write(name, "MThd");
    fs::create_directory(dir.Path() / "d.MID");
    fs::create_symlink(dir.Path() / "a.MID", dir.Path() / "e.MID");
    fs::create_symlink("/dev/zero", dir.Path() / "f.MID");
    fs::create_symlink(dir.Path() / "gone", dir.Path() / "g.MID");
    ASSERT_EQ(::mkfifo((dir.Path() / "h.MID").c_str(), 0600), 0);

    FolderListing listing = ListFilesWithExtension(dir.Folder(), ".MID");
    EXPECT_TRUE(listing.readable);
    std::sort(listing.paths.begin(), listing.paths.end());
    const std::vector<std::string> expected{dir.Folder() + "a.MID", dir.Folder() + "b.mid",
                                            dir.Folder() + "c.Mid", dir.Folder() + "e.MID"};
    EXPECT_EQ(listing.paths, expected);
    EXPECT_EQ(listing.unconvertible, std::vector<std::string>{"caf\xC3\xA9.MID"});

    EXPECT_FALSE(ListFilesWithExtension(dir.Folder() + "missing/", ".MID").readable);
}

// The listing kept open lists what ListFilesWithExtension lists, and each index reads its own file,
// also once some files have been left out of the listing.
TEST(ListedFolder, ListsAsTheFolderListingAndReadsEachFileByItsIndex) {
    const TempDir dir;
    for (const char* name : {"a.MID", "b.mid", "c.Mid", "skip.mid", "x.txt", "caf\xC3\xA9.MID"})
        dir.Write(name, std::string("head of ") + name);
    fs::create_symlink(dir.Path() / "a.MID", dir.Path() / "e.MID");
    ASSERT_EQ(::mkfifo((dir.Path() / "h.MID").c_str(), 0600), 0);
    ListedFolder folder(dir.Folder(), ".MID");
    FolderListing plain = ListFilesWithExtension(dir.Folder(), ".MID");
    EXPECT_EQ(folder.Listing().paths, plain.paths);  // the same entries in the same order
    EXPECT_EQ(folder.Listing().unconvertible, plain.unconvertible);
    EXPECT_EQ(folder.NameAt(), dir.Folder().size());

    folder.RemoveIf([](const std::string& path) { return path.find("skip") != std::string::npos; });
    std::vector<std::string> paths = folder.Listing().paths;
    ASSERT_EQ(paths.size(), 4u);
    std::string bytes = "left from before";
    ReadProblem problem;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string name = paths[i].substr(folder.NameAt());
        const std::string expected = "head of " + (name == "e.MID" ? std::string("a.MID") : name);
        EXPECT_TRUE(folder.ReadHead(i, 100, bytes, problem)) << name;
        EXPECT_EQ(bytes, expected);
        EXPECT_TRUE(folder.ReadHead(i, 6, bytes, problem)) << name;
        EXPECT_EQ(bytes, expected.substr(0, 6));
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{dir.Folder() + "a.MID", dir.Folder() + "b.mid",
                                               dir.Folder() + "c.Mid", dir.Folder() + "e.MID"}));
    EXPECT_FALSE(ListedFolder(dir.Folder() + "missing/", ".MID").Listing().readable);
}

// Files change between the listing and the reading: one renamed to other letter case is found as any
// file is, one gone is missing, and a FIFO or a device put in a song's place is refused unread.
TEST(ListedFolder, FilesChangedSinceTheListingAreFoundOrRefusedUnread) {
    const TempDir dir;
    for (const char* name : {"SONG.MID", "GONE.MID", "FIFO.MID", "ZERO.MID"}) dir.Write(name, "xxxxx");
    const ListedFolder folder(dir.Folder(), ".MID");
    fs::rename(dir.Path() / "SONG.MID", dir.Path() / "song.mid");
    fs::remove(dir.Path() / "GONE.MID");
    fs::remove(dir.Path() / "FIFO.MID");
    ASSERT_EQ(::mkfifo((dir.Path() / "FIFO.MID").c_str(), 0600), 0);
    fs::remove(dir.Path() / "ZERO.MID");
    fs::create_symlink("/dev/zero", dir.Path() / "ZERO.MID");
    ASSERT_EQ(folder.Listing().paths.size(), 4u);
    for (std::size_t i = 0; i < folder.Listing().paths.size(); ++i) {
        const std::string name = folder.Listing().paths[i].substr(folder.NameAt());
        std::string bytes;
        ReadProblem problem;
        const bool read = folder.ReadHead(i, 5, bytes, problem);
        if (name == "SONG.MID") {
            EXPECT_TRUE(read);
            EXPECT_EQ(bytes, "xxxxx");
        } else {
            EXPECT_FALSE(read) << name;
            EXPECT_EQ(problem.kind, name == "GONE.MID" ? ReadProblem::Kind::Missing : ReadProblem::Kind::NotRegular)
                << name;
        }
    }
}

TEST(ReadRegularFile, ReadsWithinItsBoundAndRefusesALargerFile) {
    const TempDir dir;
    const std::string text = "[KORVA]\r\nPLAYMOD=2\r\n";
    const std::string small = dir.Write("KORVA.INI", text);
    EXPECT_EQ(ReadRegularFile(small, text.size()).value_or("?"), text);
    ReadProblem problem;
    EXPECT_FALSE(ReadRegularFile(small, text.size() - 1, &problem).has_value());
    EXPECT_EQ(problem.kind, ReadProblem::Kind::TooLarge);

    // A sparse file one byte over the limit costs no disk and must not be read at all.
    const std::string large = dir.Write("KORVA.DT1", "");
    fs::resize_file(large, kTextFileLimit + 1);
    EXPECT_FALSE(ReadWholeFile(large).has_value());
    EXPECT_FALSE(ReadRegularFile(large, kTextFileLimit, &problem).has_value());
    EXPECT_EQ(problem.kind, ReadProblem::Kind::TooLarge);
    EXPECT_NE(ReadProblemMessage(large, problem).find("64 MB"), std::string::npos);

    EXPECT_FALSE(ReadRegularFile(dir.Folder() + "none", 10, &problem).has_value());
    EXPECT_EQ(problem.kind, ReadProblem::Kind::Missing);
}

TEST(ReadRegularFile, FollowsALinkToARegularFileAndMatchesTheNameIgnoringCase) {
    const TempDir dir;
    dir.Write("Real.TXT", "text");
    fs::create_symlink(dir.Path() / "Real.TXT", dir.Path() / "link.txt");
    EXPECT_EQ(ReadWholeFile(dir.Folder() + "LINK.TXT").value_or("?"), "text");
}

}  // namespace
}  // namespace korva

// Replacing and appending to the user's files: a file the user made read-only is left alone, a
// replaced file keeps its mode and its group, and the temporary files of writers killed before
// their rename are cleared away by the next write, never the one a live writer is filling.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/Folders.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testing::TempDir;

Names TemporaryFiles(const TempDir& dir) {
    Names names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct stat StatusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status;
}

// --- Read-only files ---------------------------------------------------------------------------

struct ReadOnlyCase {
    const char* name;
    mode_t mode;
    bool written;
};

void PrintTo(const ReadOnlyCase& readOnly, std::ostream* out) {
    *out << readOnly.name;
}

class ReadOnlyFileModes : public ::testing::TestWithParam<ReadOnlyCase> {};

// Judged by the mode bits: the test runs the same whoever runs it, root included.
TEST_P(ReadOnlyFileModes, AFileWithoutAnyWriteBitIsNeitherReplacedNorAppendedTo) {
    TempDir dir;
    const std::string path = dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=3\r\n");
    ASSERT_EQ(::chmod(path.c_str(), GetParam().mode), 0);

    const bool replaced = [&] {
        try {
            WriteFileAtomically(path, "replaced\r\n");
            return true;
        } catch (const WriteError& error) {
            EXPECT_EQ(error.Text(), path + Sjis(" に書き込めません"));
            return false;
        }
    }();
    EXPECT_EQ(replaced, GetParam().written);
    EXPECT_EQ(dir.Read("KORVA.INI"), GetParam().written ? "replaced\r\n" : "[KORVA]\r\nPLAYMOD=3\r\n");
    EXPECT_EQ(StatusOf(path).st_mode & 07777, GetParam().mode);
    EXPECT_EQ(TemporaryFiles(dir), Names{});

    const std::string before = dir.Read("KORVA.INI");
    const int appended = AppendWhole(path, "more\r\n");
    EXPECT_EQ(appended, GetParam().written ? 0 : EACCES);
    EXPECT_EQ(dir.Read("KORVA.INI"), GetParam().written ? before + "more\r\n" : before);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadOnlyFileModes,
                         ::testing::Values(ReadOnlyCase{"ReadOnlyForAll", 0444, false},
                                           ReadOnlyCase{"NoBitsAtAll", 0000, false},
                                           ReadOnlyCase{"OwnerOnlyReadOnly", 0400, false},
                                           ReadOnlyCase{"WritableByTheGroupOnly", 0464, true},
                                           ReadOnlyCase{"Usual", 0644, true}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(FileReplacement, AReadOnlyFileBehindALinkIsLeftAlone) {
    TempDir dir;
    const std::string real = dir.Write("real.dt0", "A\t/a.mid\t+0\t1\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
    fs::create_symlink(real, dir.Path() / "KORVA.DT0");
    EXPECT_THROW(WriteFileAtomically(dir.Folder() + "KORVA.DT0", "B\r\n"), WriteError);
    EXPECT_EQ(dir.Read("real.dt0"), "A\t/a.mid\t+0\t1\r\n");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "KORVA.DT0"));
}

TEST(FileReplacement, AReplacedFileKeepsItsModeAndGroupAndUnderRootItsOwner) {
    TempDir dir;
    const std::string path = dir.Write("KORVA.DT0", "old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    // Root can hand a file to anyone; anyone else, to a group of their own.
    const bool root = ::geteuid() == 0;
    const uid_t owner = root ? 4321 : ::geteuid();
    const gid_t group = root ? 4322 : ::getegid();
    ASSERT_EQ(::chown(path.c_str(), owner, group), 0);

    WriteFileAtomically(path, "new\r\n");
    const struct stat status = StatusOf(path);
    EXPECT_EQ(dir.Read("KORVA.DT0"), "new\r\n");
    EXPECT_EQ(status.st_mode & 07777, 0660u);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(status.st_uid, owner);

    // A new file gets the usual mode.
    WriteFileAtomically(dir.Folder() + "KORVA.DT1", "new\r\n");
    EXPECT_EQ(StatusOf(dir.Path() / "KORVA.DT1").st_mode & 07777, 0644u);
}

// --- Temporary files left behind ---------------------------------------------------------------

// A writer of the file in a child process, which stops between its write and its rename: killed
// there, or held there until released.
class ChildWriter {
  public:
    enum class AtRename { Die, Wait };

    ChildWriter(const std::string& path, const std::string& bytes, AtRename atRename) {
        int ready[2];
        int go[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            SetBeforeRenameHookForTesting([&](const fs::path&) {
                if (atRename == AtRename::Die)
                    ::raise(SIGKILL);
                char byte = 'r';
                if (::write(ready[1], &byte, 1) != 1 || ::read(go[0], &byte, 1) != 1)
                    ::_exit(4);
            });
            try {
                WriteFileAtomically(path, bytes);
            } catch (const WriteError&) {
                ::_exit(5);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        ready_ = ready[0];
        go_ = go[1];
    }
    ~ChildWriter() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (const int fd : {ready_, go_}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // Blocks until the child has written its temporary file and stands before its rename.
    bool ReachedRename() {
        char byte = 0;
        return ::read(ready_, &byte, 1) == 1;
    }
    // Lets a held child go on; returns how it ended: the exit code, or 128 + the signal.
    int Finish() {
        if (pid_ <= 0)
            return -1;
        char byte = 'g';
        static_cast<void>(::write(go_, &byte, 1));
        int status = 0;
        if (::waitpid(pid_, &status, 0) != pid_)
            return -1;
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    pid_t pid_ = -1;
    int ready_ = -1;
    int go_ = -1;
    bool waited_ = false;
};

TEST(FileReplacement, TheNextWriteRemovesWhatAKilledWriterLeftButNotWhatALiveWriterWrites) {
    TempDir dir;
    const std::string path = dir.Write("KORVA.INI", "old\r\n");

    ChildWriter live(path, "from the live writer\r\n", ChildWriter::AtRename::Wait);
    ASSERT_TRUE(live.ReachedRename());
    const Names liveFile = TemporaryFiles(dir);
    ASSERT_EQ(liveFile.size(), 1u);
    {
        // Its own clean-up passes over the live writer's file too.
        ChildWriter dying(path, "never renamed\r\n", ChildWriter::AtRename::Die);
        ASSERT_EQ(dying.Finish(), 128 + SIGKILL);
    }
    ASSERT_EQ(TemporaryFiles(dir).size(), 2u) << "the killed writer left its temporary file";
    EXPECT_EQ(dir.Read("KORVA.INI"), "old\r\n");
    // Names that only look alike stay: another file's, and not six characters after the mark.
    const Names lookAlikes = {"KORVA.DT0.tmp-abcdef", "KORVA.INI.tmp-abc", "KORVA.INI.tmp-abcdefg"};
    for (const std::string& name : lookAlikes) dir.Write(name, "x");

    WriteFileAtomically(path, "from this writer\r\n");
    EXPECT_EQ(dir.Read("KORVA.INI"), "from this writer\r\n");
    Names expected = lookAlikes;
    expected.push_back(liveFile[0]);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TemporaryFiles(dir), expected) << "the killed writer's file is gone, the live writer's kept";

    // The live writer finishes its own write as if nothing had happened.
    EXPECT_EQ(live.Finish(), 0);
    EXPECT_EQ(dir.Read("KORVA.INI"), "from the live writer\r\n");
    EXPECT_EQ(TemporaryFiles(dir), lookAlikes);
}

TEST(FileReplacement, TheStartRemovesWhatKilledWritersLeftOfEachOwnFile) {
    TempDir programDir;
    TempDir listDir;
    Folders folders{programDir.Folder(), listDir.Folder(), programDir.Folder(), {}};
    const std::vector<std::string> own = {folders.SettingsPath(), folders.PlaylistPath(0),
                                          folders.PlaylistPath(1), folders.RejectPath(0),
                                          folders.RejectPath(1)};
    for (const std::string& path : own) {
        ChildWriter dying(path, "never renamed\r\n", ChildWriter::AtRename::Die);
        ASSERT_EQ(dying.Finish(), 128 + SIGKILL) << path;
    }
    // A song's temporary file, from copying a song into the folder, is no file of the program's.
    programDir.Write("song.mid.tmp-abcdef", "x");
    ASSERT_EQ(TemporaryFiles(programDir).size(), 5u);
    ASSERT_EQ(TemporaryFiles(listDir).size(), 1u);

    RemoveLeftoverWrites(folders);
    EXPECT_EQ(TemporaryFiles(programDir), Names{"song.mid.tmp-abcdef"});
    EXPECT_EQ(TemporaryFiles(listDir), Names{});
}

}  // namespace
}  // namespace korva

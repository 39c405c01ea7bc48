#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/LocalSocket.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "text/Encoding.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr int kCannotChangeUser = 77;
const std::string kAlreadyRunning = "MESSAGE ＫＯＲＶＡ９７は既に起動しています";

// Where the probes of one test keep their locks: "run" stands for $XDG_RUNTIME_DIR, "base" for /tmp
// (open to all, sticky), the base of the folder used when there is no runtime folder. The test's
// folder itself may be entered by anyone, so that only the lock folders' own modes keep others out.
struct Places {
    Places() {
        fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::create_directory(run);
        fs::permissions(run, fs::perms::owner_all);
        fs::create_directory(base);
        fs::permissions(base, fs::perms::all | fs::perms::sticky_bit);
    }
    testing::TempDir dir;
    std::string run = (dir.Path() / "run").string();
    std::string base = (dir.Path() / "base").string();
};

struct ProbeStart {
    std::optional<std::string> runtimeDir;  // $XDG_RUNTIME_DIR for the probe; nullopt: unset
    std::string fallbackBase;
    std::optional<uid_t> asUser;  // the user the probe runs as (only root can choose)
};

// A child process running the lock probe, with its standard output readable line by line.
class Probe {
  public:
    Probe(const ProbeStart& start, const std::vector<std::string>& args) {
        std::vector<std::string> all{KORVA_LOCK_PROBE};
        if (!start.fallbackBase.empty())
            all.insert(all.end(), {"--fallback", start.fallbackBase});
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            if (start.runtimeDir)
                ::setenv("XDG_RUNTIME_DIR", start.runtimeDir->c_str(), 1);
            else
                ::unsetenv("XDG_RUNTIME_DIR");
            if (start.asUser && (::setgroups(0, nullptr) != 0 || ::setgid(*start.asUser) != 0 ||
                                 ::setuid(*start.asUser) != 0))
                ::_exit(kCannotChangeUser);
            ::execv(KORVA_LOCK_PROBE, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    // A probe of this user's with the runtime folder given.
    Probe(const std::string& runtimeDir, const std::vector<std::string>& args)
        : Probe(ProbeStart{runtimeDir, {}, {}}, args) {}
    ~Probe() {
        if (pid_ > 0)
            Kill();
        if (out_)
            std::fclose(out_);
    }

    // Blocks until the probe prints a line (or ends).
    std::string ReadLine() {
        char buffer[512];
        if (!std::fgets(buffer, sizeof buffer, out_))
            return {};
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    void Kill() {
        ::kill(pid_, SIGKILL);
        Wait();
    }

  private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

std::string UniqueName(const char* what) {
    return std::string("KORVA97-") + what + "-" + std::to_string(::getpid());
}

using testing::ConnectTo;

TEST(SingleInstanceTest, SecondCopyIsRefusedAndAKilledHoldersSocketIsTakenOverByTheNext) {
    Places places;
    const std::string name = UniqueName("test");
    Probe first(places.run, {name});
    ASSERT_EQ(first.ReadLine(), "HELD");

    Probe second(places.run, {name});
    EXPECT_EQ(second.ReadLine(), kAlreadyRunning);
    EXPECT_EQ(second.Wait(), 3);

    first.Kill();  // SIGKILL: no chance to clean up; the kernel releases the lock
    const fs::path socket = fs::path(places.run) / (name + ".socket");
    ASSERT_TRUE(fs::is_socket(fs::symlink_status(socket))) << "the killed holder left its socket";
    Probe third(places.run, {name});
    EXPECT_EQ(third.ReadLine(), "HELD");
    // The socket left behind was replaced: a later start's files reach the new holder.
    Probe fourth(places.run, {name, "/music/d.mid"});
    EXPECT_EQ(fourth.Wait(), 0);
    EXPECT_EQ(third.ReadLine(), "PLAY /music/d.mid");
}

TEST(SingleInstanceTest, OneProcessHoldsItsLockOnceAndOtherNamesAreIndependent) {
    Places places;
    const std::string name = UniqueName("inproc");
    SingleInstance a(name, {places.run, {}});
    SingleInstance b(name, {places.run, {}});
    SingleInstance other(name + "-other", {places.run, {}});
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_TRUE(a.Held());
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_FALSE(b.TryAcquire());
    EXPECT_FALSE(b.Held());
    EXPECT_TRUE(other.TryAcquire());
    EXPECT_TRUE(other.Held());
}

TEST(SingleInstanceTest, SecondStartHandsItsFilesToTheRunningCopyAndEndsQuietly) {
    Places places;
    const std::string name = UniqueName("handover");
    Probe first(places.run, {name});
    ASSERT_EQ(first.ReadLine(), "HELD");

    Probe second(places.run, {name, "/music/a.mid", "/music/with blank.mid"});
    EXPECT_EQ(second.ReadLine(), "");  // no message at all
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "PLAY /music/a.mid");
    EXPECT_EQ(first.ReadLine(), "PLAY /music/with blank.mid");

    // The holder goes on hearing later starts; one without files is still refused.
    Probe third(places.run, {name, "/music/c.mid"});
    EXPECT_EQ(third.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "PLAY /music/c.mid");
    Probe fourth(places.run, {name});
    EXPECT_EQ(fourth.ReadLine(), kAlreadyRunning);
    EXPECT_EQ(fourth.Wait(), 3);
}

TEST(SingleInstanceTest, CopyThatCannotTakeFilesLeavesTheSecondStartWithTheMessage) {
    // A holder of the lock that has no socket to hear on, as one caught between the two, hears nothing.
    Places places;
    const std::string name = UniqueName("deaf");
    const int holder =
        ::open((places.run + "/" + name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    Probe second(places.run, {name, "/music/a.mid"});
    EXPECT_EQ(second.ReadLine(), kAlreadyRunning);
    EXPECT_EQ(second.Wait(), 3);
    ::close(holder);
}

TEST(SingleInstanceTest, ASocketLeftWhereTheLockIsFreeIsNeverObeyed) {
    // Something listens at the socket's place while no one holds the lock: a start takes the lock,
    // puts its own socket there, and later starts hand their files to it alone.
    Places places;
    const std::string name = UniqueName("stale");
    const std::string path = places.run + "/" + name + ".socket";
    const int stale = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(stale, 8), 0);

    Probe first(places.run, {name, "/music/a.mid"});
    EXPECT_EQ(first.ReadLine(), "HELD");
    Probe second(places.run, {name, "/music/b.mid"});
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "PLAY /music/b.mid");
    const int heard = ::accept4(stale, nullptr, nullptr, 0);
    EXPECT_LT(heard, 0) << "a start talked to the stale socket";
    ::close(stale);
}

TEST(SingleInstanceTest, AnotherUserCannotMakeAStartSayItIsAlreadyRunning) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can stand in for another user here";
    // Without a runtime folder both users' locks sit under the same open base folder.
    Places places;
    const std::string name = UniqueName("users");
    // The other user holds the name an older copy of the program used, and runs a copy of its own.
    Probe squatter(ProbeStart{std::nullopt, {}, kNobody},
                   {"--squat-abstract", name + "." + std::to_string(::geteuid())});
    const std::string squatted = squatter.ReadLine();
    if (squatted.empty() && squatter.Wait() == kCannotChangeUser)
        GTEST_SKIP() << "cannot change users here";
    ASSERT_EQ(squatted, "BOUND");
    Probe othersCopy(ProbeStart{std::nullopt, places.base, kNobody}, {name});
    ASSERT_EQ(othersCopy.ReadLine(), "HELD");

    Probe mine(ProbeStart{std::nullopt, places.base, {}}, {name});
    EXPECT_EQ(mine.ReadLine(), "HELD");
    // Each copy hears only its own user's starts.
    Probe mySecond(ProbeStart{std::nullopt, places.base, {}}, {name, "/music/mine.mid"});
    EXPECT_EQ(mySecond.Wait(), 0);
    EXPECT_EQ(mine.ReadLine(), "PLAY /music/mine.mid");
}

TEST(SingleInstanceTest, AnotherUserCannotReachTheLockOrItsSocket) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can stand in for another user here";
    Places places;
    const std::string name = UniqueName("reach");
    SingleInstance lock(name, FindLockFolder(places.run.c_str(), places.base));
    ASSERT_TRUE(lock.TryAcquire());
    ASSERT_TRUE(lock.Held());
    const std::string lockPath = places.run + "/" + name + ".lock";
    const std::string socketPath = places.run + "/" + name + ".socket";
    const std::string testFolder = places.dir.Path().string();
    const auto result = testing::RunUnprivileged([&] {
        if (::getuid() != kNobody)
            return false;
        struct stat info {};
        EXPECT_EQ(::stat(testFolder.c_str(), &info), 0) << "the test's own folder is open to all";
        EXPECT_LT(::open(lockPath.c_str(), O_RDONLY), 0);
        EXPECT_EQ(errno, EACCES);
        EXPECT_LT(ConnectTo(socketPath), 0);
        EXPECT_EQ(errno, EACCES);
        return !::testing::Test::HasFailure();
    });
    if (!result)
        GTEST_SKIP() << "cannot change users here";
    EXPECT_TRUE(*result);
}

TEST(SingleInstanceTest, TheRuntimeFolderIsUsedOnlyWhenItIsPrivate) {
    Places places;
    const std::string own = places.base + "/korva97-" + std::to_string(::geteuid());
    EXPECT_EQ(FindLockFolder(places.run.c_str(), places.base).path, places.run);
    EXPECT_FALSE(fs::exists(own));

    fs::permissions(places.run, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    const LockFolder shared = FindLockFolder(places.run.c_str(), places.base);
    EXPECT_EQ(shared.path, own);
    EXPECT_TRUE(shared.problem.empty());

    EXPECT_EQ(FindLockFolder("relative/run", places.base).path, own);
    EXPECT_EQ(FindLockFolder(nullptr, places.base).path, own);
}

TEST(SingleInstanceTest, TheFolderOfItsOwnIsMadePrivateWhateverTheUmask) {
    Places places;
    const mode_t oldMask = ::umask(0777);
    const LockFolder folder = FindLockFolder(nullptr, places.base);
    ::umask(oldMask);
    EXPECT_TRUE(folder.problem.empty());
    struct stat info {};
    ASSERT_EQ(::lstat(folder.path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
}

// A folder of the lock's name that is not a private folder of the user's is refused with why, and
// the start goes on without a lock rather than trust it or refuse to run.
TEST(SingleInstanceTest, AFolderThatIsNotPrivateIsRefused) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path, const std::string& base)> make;
        const char* why;
    };
    const std::vector<Case> cases{
        {"open to others",
         [](const std::string& path, const std::string&) {
             ::mkdir(path.c_str(), 0755);
             ::chmod(path.c_str(), 0755);
         },
         "アクセス権が 0700 ではありません（0755）"},
        {"a link to a private folder",
         [](const std::string& path, const std::string& base) {
             ::mkdir((base + "/elsewhere").c_str(), 0700);
             ::symlink((base + "/elsewhere").c_str(), path.c_str());
         },
         "シンボリックリンクです"},
        {"a file", [](const std::string& path, const std::string&) { ::close(::creat(path.c_str(), 0600)); },
         "フォルダではありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Places places;
        const std::string path = places.base + "/korva97-" + std::to_string(::geteuid());
        c.make(path, places.base);
        const LockFolder folder = FindLockFolder(nullptr, places.base);
        EXPECT_TRUE(folder.path.empty());
        EXPECT_EQ(ToDisplayUtf8(folder.problem),
                  "フォルダ " + path + " を使えません（" + c.why + "）。二重起動を確かめずに起動します");
    }
}

TEST(SingleInstanceTest, AFolderOfAnotherUserIsRefusedAndTheStartGoesOn) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make a folder of another user's here";
    Places places;
    const std::string path = places.base + "/korva97-" + std::to_string(::geteuid());
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    const std::string name = UniqueName("squatted");

    Probe first(ProbeStart{std::nullopt, places.base, {}}, {name});
    EXPECT_EQ(first.ReadLine(),
              "MESSAGE フォルダ " + path +
                  " を使えません（ほかのユーザーのものです）。二重起動を確かめずに起動します");
    EXPECT_EQ(first.ReadLine(), "UNLOCKED");
    EXPECT_TRUE(fs::is_empty(path)) << "nothing was put into the other user's folder";
}

TEST(SingleInstanceTest, OversizeOrSilentSendersAreDroppedWhileOthersAreHeard) {
    Places places;
    const std::string name = UniqueName("senders");
    Probe holder(places.run, {name});
    ASSERT_EQ(holder.ReadLine(), "HELD");
    const std::string socketPath = places.run + "/" + name + ".socket";

    // Connected and never sending: the holder goes on hearing others meanwhile.
    const int silent = ConnectTo(socketPath);
    ASSERT_GE(silent, 0);
    const timeval patience{30, 0};  // only a holder that never drops it makes the wait below end so
    ::setsockopt(silent, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    Probe second(places.run, {name, "/music/a.mid"});
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(holder.ReadLine(), "PLAY /music/a.mid");

    // More than the bound: no answer, and none of it is played.
    const std::vector<std::string> many(kHandOverLimit / 1000 + 1, "/music/" + std::string(993, 'x'));
    EXPECT_FALSE(SingleInstance(name, {places.run, {}}).HandOver(many));

    // The silent sender is closed without an answer.
    char answer = 0;
    EXPECT_EQ(::recv(silent, &answer, 1, 0), 0);
    ::close(silent);

    Probe third(places.run, {name, "/music/c.mid"});
    EXPECT_EQ(third.Wait(), 0);
    EXPECT_EQ(holder.ReadLine(), "PLAY /music/c.mid");
}

}  // namespace
}  // namespace korva

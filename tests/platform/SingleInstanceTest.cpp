#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace korva {
namespace {

// A child process running the lock probe, with its standard output readable line by line.
class Probe {
  public:
    explicit Probe(const std::string& name, const std::vector<std::string>& files = {}) {
        std::vector<char*> argv{const_cast<char*>(KORVA_LOCK_PROBE), const_cast<char*>(name.c_str())};
        for (const std::string& file : files) argv.push_back(const_cast<char*>(file.c_str()));
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execv(KORVA_LOCK_PROBE, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
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

TEST(SingleInstanceTest, SecondCopyIsRefusedAndThirdStartsAfterFirstIsKilled) {
    const std::string name = "KORVA97-test-" + std::to_string(::getpid());
    Probe first(name);
    ASSERT_EQ(first.ReadLine(), "HELD");

    Probe second(name);
    EXPECT_EQ(second.ReadLine(), "MESSAGE ＫＯＲＶＡ９７は既に起動しています");
    EXPECT_EQ(second.Wait(), 3);

    first.Kill();  // SIGKILL: no chance to clean up; the kernel releases the lock
    Probe third(name);
    EXPECT_EQ(third.ReadLine(), "HELD");
}

TEST(SingleInstanceTest, OneProcessHoldsItsLockOnceAndOtherNamesAreIndependent) {
    const std::string name = "KORVA97-inproc-" + std::to_string(::getpid());
    SingleInstance a(name);
    SingleInstance b(name);
    SingleInstance other(name + "-other");
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_FALSE(b.TryAcquire());
    EXPECT_TRUE(other.TryAcquire());
}

TEST(SingleInstanceTest, SecondStartHandsItsFilesToTheRunningCopyAndEndsQuietly) {
    const std::string name = "KORVA97-handover-" + std::to_string(::getpid());
    Probe first(name);
    ASSERT_EQ(first.ReadLine(), "HELD");

    Probe second(name, {"/music/a.mid", "/music/with blank.mid"});
    EXPECT_EQ(second.ReadLine(), "");  // no message at all
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "PLAY /music/a.mid");
    EXPECT_EQ(first.ReadLine(), "PLAY /music/with blank.mid");

    // The holder goes on hearing later starts; one without files is still refused.
    Probe third(name, {"/music/c.mid"});
    EXPECT_EQ(third.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "PLAY /music/c.mid");
    Probe fourth(name);
    EXPECT_EQ(fourth.ReadLine(), "MESSAGE ＫＯＲＶＡ９７は既に起動しています");
    EXPECT_EQ(fourth.Wait(), 3);
}

// Binds the lock's socket name for this user without listening, as something other than the
// program may; the socket, or -1.
int HoldName(const std::string& name) {
    const std::string address = name + "." + std::to_string(::getuid());
    const int holder = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, address.data(), address.size());
    if (holder >= 0 &&
        ::bind(holder, reinterpret_cast<sockaddr*>(&addr),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + address.size())) != 0) {
        ::close(holder);
        return -1;
    }
    return holder;
}

TEST(SingleInstanceTest, CopyThatCannotTakeFilesLeavesTheSecondStartWithTheMessage) {
    // A holder that only holds the name, as an older copy of the program does, hears nothing.
    const std::string name = "KORVA97-deaf-" + std::to_string(::getpid());
    const int holder = HoldName(name);
    ASSERT_GE(holder, 0);

    Probe second(name, {"/music/a.mid"});
    EXPECT_EQ(second.ReadLine(), "MESSAGE ＫＯＲＶＡ９７は既に起動しています");
    EXPECT_EQ(second.Wait(), 3);
    ::close(holder);
}

// Another user can take the name of this user's lock (names of abstract sockets are open to all);
// a second start then never sends it this user's file names.
TEST(SingleInstanceTest, HolderOfAnotherUserNeverGetsTheFiles) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can stand in for another user here";
    const std::string name = "KORVA97-other-" + std::to_string(::getpid());
    const int holder = HoldName(name);
    ASSERT_GE(holder, 0);
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        // The holder listens as "nobody": connections to it then come from that user.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 || ::listen(holder, 1) != 0)
            ::_exit(1);
        (void)!::write(report[1], "L", 1);
        const int connection = ::accept(holder, nullptr, nullptr);
        char buffer[256];
        const ssize_t got = connection < 0 ? -1 : ::recv(connection, buffer, sizeof buffer, 0);
        const char heard = got > 0 ? 'Y' : 'N';
        (void)!::write(report[1], &heard, 1);
        ::_exit(0);
    }
    char ready = 0;
    ASSERT_EQ(::read(report[0], &ready, 1), 1);
    EXPECT_FALSE(SingleInstance(name).HandOver({"/music/a.mid"}));
    char heard = 0;
    EXPECT_EQ(::read(report[0], &heard, 1), 1);
    EXPECT_EQ(heard, 'N') << "the other user's copy got the file names";
    ::waitpid(other, nullptr, 0);
    ::close(holder);
    ::close(report[0]);
    ::close(report[1]);
}

}  // namespace
}  // namespace korva

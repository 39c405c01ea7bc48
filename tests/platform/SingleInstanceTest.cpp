#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace korva {
namespace {

// A child process running the lock probe, with its standard output readable line by line.
class Probe {
  public:
    explicit Probe(const std::string& name) {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(KORVA_LOCK_PROBE, KORVA_LOCK_PROBE, name.c_str(), static_cast<char*>(nullptr));
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

}  // namespace
}  // namespace korva

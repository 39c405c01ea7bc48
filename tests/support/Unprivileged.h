#pragma once
// Runs a piece of a test where file permissions hold. Root reads and writes whatever it likes, so
// a test of a file that cannot be read or written would prove nothing there; under root the piece
// runs in a child process that has become the unprivileged user "nobody" (files it must reach have
// to be open to others). Checks made in the child print their failures as usual; the piece reports
// whether it passed, for the test to check in the parent. Nothing when root may not change users
// here (a container that maps no other user), for the test to skip.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

namespace korva::testing {

inline std::optional<bool> RunUnprivileged(const std::function<bool()>& piece) {
    if (::geteuid() != 0)
        return piece();
    constexpr int kCannotChangeUser = 77;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        constexpr unsigned kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            std::_Exit(kCannotChangeUser);
        std::_Exit(piece() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == kCannotChangeUser)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

}  // namespace korva::testing

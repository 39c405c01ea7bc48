#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/FileSystem.h"
#include "convert/CommandLine.h"
#include "text/Encoding.h"

extern char** environ;

namespace korva {

namespace fs = std::filesystem;

namespace {

bool IsRunnableFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<fs::path> FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return std::nullopt;
    const std::string folders = path;
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        if (IsRunnableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

bool BeginsWithMz(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::array<char, 2> head{};
    ssize_t got = 0;
    do {
        got = ::read(fd, head.data(), head.size());
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    return got == 2 && head[0] == 'M' && head[1] == 'Z';
}

int PidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    return -1;
}

// Where pid descriptors are not offered: a thread waits for the child's end (leaving it to be
// collected) and then writes one byte to a socket. The thread owns its end of the socket, so it
// may outlive the ChildProcess.
int WatcherDescriptor(pid_t pid) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return -1;
    std::thread([pid, writeFd = pair[1]] {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
        }
        const char done = 1;
        ::send(writeFd, &done, 1, MSG_NOSIGNAL);
        ::close(writeFd);
    }).detach();
    return pair[0];
}

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    bool ready = false;
    SpawnAttributes() {
        if (::posix_spawnattr_init(&attributes) != 0)
            return;
        if (::posix_spawn_file_actions_init(&actions) != 0) {
            ::posix_spawnattr_destroy(&attributes);
            return;
        }
        ready = true;
    }
    ~SpawnAttributes() {
        if (ready) {
            ::posix_spawn_file_actions_destroy(&actions);
            ::posix_spawnattr_destroy(&attributes);
        }
    }
};

}  // namespace

std::optional<fs::path> FindProgram(const std::string& sjisName, const std::string& sjisProgramFolder) {
    if (sjisName.empty())
        return std::nullopt;
    if (sjisName.find('/') != std::string::npos) {
        const std::string full = sjisName.front() == '/' ? sjisName : sjisProgramFolder + sjisName;
        return FindIgnoringCase(full);
    }
    if (auto inFolder = FindIgnoringCase(sjisProgramFolder + sjisName))
        return inFolder;
    const Conversion name = Cp932ToUtf8(sjisName);
    return name.ok ? FindOnPath(name.text) : std::nullopt;
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& sjisCommandLine,
                                                  const std::string& sjisProgramFolder, ProcessStart& start) {
    start = ProcessStart{};
    const std::vector<std::string> sjisArguments = SplitCommandLine(sjisCommandLine);
    if (sjisArguments.empty()) {
        start.errorNumber = ENOENT;
        return nullptr;
    }
    std::vector<std::string> arguments;
    for (const std::string& argument : sjisArguments) {
        Conversion utf8 = Cp932ToUtf8(argument);
        if (!utf8.ok) {
            start.errorNumber = EILSEQ;
            return nullptr;
        }
        arguments.push_back(std::move(utf8.text));
    }
    fs::path folder;
    try {
        folder = ToFsPath(sjisProgramFolder);
    } catch (const EncodingError&) {
        start.errorNumber = EILSEQ;
        return nullptr;
    }
    const std::optional<fs::path> program = FindProgram(sjisArguments.front(), sjisProgramFolder);
    if (!program) {
        start.errorNumber = ENOENT;
        return nullptr;
    }
    fs::path executable = fs::absolute(*program);
    if (BeginsWithMz(executable)) {
        const std::optional<fs::path> wine = FindOnPath("wine");
        if (!wine) {
            start.kind = ProgramKind::WindowsWithoutWine;
            start.errorNumber = ENOEXEC;
            return nullptr;
        }
        start.kind = ProgramKind::ThroughWine;
        arguments.front() = executable.string();
        arguments.insert(arguments.begin(), wine->string());
        executable = *wine;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnAttributes spawn;
    if (!spawn.ready) {
        start.errorNumber = ENOMEM;
        return nullptr;
    }
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    int error = ::posix_spawnattr_setsigmask(&spawn.attributes, &none);
    if (error == 0)
        error = ::posix_spawnattr_setsigdefault(&spawn.attributes, &defaults);
    if (error == 0)
        error = ::posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (error == 0)
        error = ::posix_spawn_file_actions_addchdir_np(&spawn.actions, folder.c_str());
    if (error == 0)
        error = ::posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
    pid_t pid = -1;
    if (error == 0)
        error =
            ::posix_spawn(&pid, executable.c_str(), &spawn.actions, &spawn.attributes, argv.data(), environ);
    if (error != 0) {
        start.errorNumber = error;
        return nullptr;
    }
    auto child = std::unique_ptr<ChildProcess>(new ChildProcess(pid));
    if (child->endFd_ < 0) {
        // Nothing can tell when it ends: wait for it here rather than lose track of it.
        child->WaitBlocking();
    }
    return child;
}

ChildProcess::ChildProcess(pid_t pid) : pid_(pid) {
    endFd_ = PidDescriptor(pid);
    if (endFd_ < 0)
        endFd_ = WatcherDescriptor(pid);
}

ChildProcess::~ChildProcess() {
    if (endFd_ >= 0)
        ::close(endFd_);
}

bool ChildProcess::TryReap() {
    if (ended_)
        return true;
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid_, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0)
        return false;
    ended_ = true;
    if (got == pid_)
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

void ChildProcess::WaitBlocking() {
    if (endFd_ < 0) {
        int status = 0;
        pid_t got = 0;
        do {
            got = ::waitpid(pid_, &status, 0);
        } while (got < 0 && errno == EINTR);
        ended_ = true;
        if (got == pid_)
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return;
    }
    while (!TryReap()) {
        pollfd watch{endFd_, POLLIN, 0};
        ::poll(&watch, 1, -1);
    }
}

}  // namespace korva

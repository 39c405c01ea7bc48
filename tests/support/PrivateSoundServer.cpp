#include "support/PrivateSoundServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace korva::testing {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

std::optional<std::filesystem::path> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

bool PrivateSoundServer::Start(std::string& problem) {
    const std::string folder = folder_.string();
    std::vector<std::string> environment = {"HOME=" + folder,
                                            "XDG_RUNTIME_DIR=" + folder,
                                            "PULSE_RUNTIME_PATH=" + folder,
                                            "PULSE_STATE_PATH=" + folder,
                                            "XDG_CONFIG_HOME=" + folder,
                                            "PATH=/usr/bin:/bin"};
    std::vector<std::string> arguments = {
        program_.string(),
        "-n",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--use-pid-file=no",
        "--system=no",
        "--log-target=stderr",
        "-L",
        "module-null-sink sink_name=korva_null",
        "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + Socket().string()};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, Log().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int spawned = posix_spawn(&pid_, program_.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        problem = std::strerror(spawned);
        return false;
    }
    const auto giveUp = SteadyClock::now() + 15s;
    while (SteadyClock::now() < giveUp) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            problem = "it ended at once: " + LogText();
            return false;
        }
        if (TakesConnections())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    Kill();
    problem = "it took no connection: " + LogText();
    return false;
}

void PrivateSoundServer::Kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void PrivateSoundServer::Freeze() {
    if (pid_ > 0)
        ::kill(pid_, SIGSTOP);
}

void PrivateSoundServer::Thaw() {
    if (pid_ > 0)
        ::kill(pid_, SIGCONT);
}

std::string PrivateSoundServer::LogText() const {
    std::ifstream in(Log());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool PrivateSoundServer::TakesConnections() const {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Socket().c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

}  // namespace korva::testing

#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app/FileDescriptor.h"
#include "text/Encoding.h"

namespace korva {

namespace {

constexpr char kAnswer = '\x06';
// How long a start handing files over waits for the holder at each step.
constexpr int kHandOverSeconds = 5;
// Hand-overs accepted at one go; the rest wait in the listening queue for the next turn.
constexpr int kAcceptsAtOnce = 16;

std::optional<sockaddr_un> AddressOf(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return std::nullopt;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return addr;
}

void SetTimeouts(int fd) {
    timeval timeout{};
    timeout.tv_sec = kHandOverSeconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

bool SameUser(int connection) {
    ucred peer{};
    socklen_t peerLength = sizeof peer;
    return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) == 0 &&
           peer.uid == ::geteuid();
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why the folder open as `fd` may not hold the lock: empty when it is a folder of this user's that
// no one else may enter (and, with exactMode, whose mode is exactly 0700).
std::string PrivateFolderProblem(const struct stat& info, bool exactMode) {
    if (S_ISLNK(info.st_mode))
        return Sjis("シンボリックリンクです");
    if (!S_ISDIR(info.st_mode))
        return Sjis("フォルダではありません");
    if (info.st_uid != ::geteuid())
        return Sjis("ほかのユーザーのものです");
    if (exactMode ? (info.st_mode & 07777) != 0700 : (info.st_mode & 077) != 0)
        return Sjis("アクセス権が 0700 ではありません（") + OctalMode(info.st_mode) + Sjis("）");
    return {};
}

std::string RefusedFolderMessage(const std::string& path, const std::string& why) {
    return Sjis("フォルダ ") + Cp932ForMessage(path) + Sjis(" を使えません（") + why +
           Sjis("）。二重起動を確かめずに起動します");
}

}  // namespace

LockFolder FindLockFolder(const char* runtimeDir, const std::string& fallbackBase) {
    if (runtimeDir && runtimeDir[0] == '/') {
        struct stat info {};
        if (::lstat(runtimeDir, &info) == 0 && PrivateFolderProblem(info, false).empty())
            return LockFolder{runtimeDir, {}};
    }
    const std::string path = fallbackBase + "/korva97-" + std::to_string(::geteuid());
    if (::mkdir(path.c_str(), 0700) == 0) {
        // Made just now: the mode is set whatever the umask left of it.
        FileDescriptor made(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (made.Get() >= 0)
            ::fchmod(made.Get(), 0700);
    } else if (errno != EEXIST) {
        return LockFolder{{}, RefusedFolderMessage(path, Sjis("作成できません: ") + std::strerror(errno))};
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return LockFolder{{}, RefusedFolderMessage(path, Sjis("開けません: ") + std::strerror(errno))};
    if (std::string why = PrivateFolderProblem(info, true); !why.empty())
        return LockFolder{{}, RefusedFolderMessage(path, why)};
    return LockFolder{path, {}};
}

HandOverConnection::HandOverConnection(int socket, HandOverReader::TimePoint accepted)
    : socket_(socket), reader_(accepted) {}

HandOverConnection::~HandOverConnection() {
    if (socket_ >= 0)
        ::close(socket_);
}

HandOverReader::State HandOverConnection::Read(HandOverReader::TimePoint now) {
    char buffer[65536];
    while (reader_.Current() == HandOverReader::State::Reading) {
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), now);
        } else if (n == 0) {
            if (reader_.End(now) == HandOverReader::State::Complete)
                // One byte into an empty socket buffer: never waits.
                ::send(socket_, &kAnswer, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            reader_.Expire(now);
            break;
        } else if (errno != EINTR) {
            reader_.Drop();
        }
    }
    return reader_.Current();
}

SingleInstance::SingleInstance(std::string name)
    : SingleInstance(std::move(name), FindLockFolder(std::getenv("XDG_RUNTIME_DIR"))) {}

SingleInstance::SingleInstance(std::string name, LockFolder folder)
    : name_(std::move(name)), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) {
        // Removed while the lock is still held, so that it is never the next holder's socket.
        ::unlink(SocketPath().c_str());
        ::close(listenFd_);
    }
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

std::string SingleInstance::LockPath() const {
    return folder_.path + "/" + name_ + ".lock";
}

std::string SingleInstance::SocketPath() const {
    return folder_.path + "/" + name_ + ".socket";
}

bool SingleInstance::TryAcquire() {
    if (lockFd_ >= 0 || folder_.path.empty())
        return true;
    const int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;  // no lock to be had: better to run than to refuse every start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error != EWOULDBLOCK;
    }
    lockFd_ = fd;
    Listen();
    return true;
}

void SingleInstance::Listen() {
    const std::string path = SocketPath();
    const auto address = AddressOf(path);
    if (!address)
        return;  // the lock holds without a hand-over: later starts are refused as before
    // Whatever is there was left by a holder that ended without removing it: it is never obeyed.
    ::unlink(path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
        ::close(fd);
        return;
    }
    ::chmod(path.c_str(), 0600);
    if (::listen(fd, 8) != 0) {
        ::unlink(path.c_str());
        ::close(fd);
        return;
    }
    listenFd_ = fd;
}

std::vector<std::unique_ptr<HandOverConnection>> SingleInstance::AcceptHandOvers(
    HandOverReader::TimePoint now) {
    std::vector<std::unique_ptr<HandOverConnection>> accepted;
    if (listenFd_ < 0)
        return accepted;
    for (int i = 0; i < kAcceptsAtOnce; ++i) {
        const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break;
        }
        if (!SameUser(connection)) {
            ::close(connection);
            continue;
        }
        accepted.push_back(std::make_unique<HandOverConnection>(connection, now));
    }
    return accepted;
}

bool SingleInstance::HandOver(const std::vector<std::string>& names) const {
    if (folder_.path.empty())
        return false;
    const auto address = AddressOf(SocketPath());
    if (!address)
        return false;
    FileDescriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.Get() < 0)
        return false;
    SetTimeouts(connection.Get());
    if (::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0)
        return false;
    // The folder is the user's own; this holds even if it were not.
    if (!SameUser(connection.Get()))
        return false;
    std::string bytes;
    for (const std::string& name : names) {
        if (name.empty() || name.find('\0') != std::string::npos)
            continue;
        bytes += name;
        bytes += '\0';
    }
    if (bytes.empty() || !SendAll(connection.Get(), bytes) || ::shutdown(connection.Get(), SHUT_WR) != 0)
        return false;
    char answer = 0;
    ssize_t n;
    do {
        n = ::recv(connection.Get(), &answer, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n == 1 && answer == kAnswer;
}

bool ClaimSingleInstance(SingleInstance& lock, MessageView& messages,
                         const std::vector<std::string>& filesToHandOver) {
    if (lock.TryAcquire()) {
        if (!lock.Problem().empty())
            messages.ShowMessage(lock.Problem());
        return true;
    }
    if (!filesToHandOver.empty() && lock.HandOver(filesToHandOver))
        return false;
    messages.ShowMessage(Sjis("ＫＯＲＶＡ９７は既に起動しています"));
    return false;
}

}  // namespace korva

#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "app/FileDescriptor.h"
#include "text/Encoding.h"

namespace korva {

namespace {

constexpr char kAnswer = '\x06';
// More than any command line brings (Linux allows 2 MiB of arguments by default); a sender that goes
// on is cut off.
constexpr std::size_t kMaxHandOverBytes = 4 << 20;
constexpr int kHandOverSeconds = 5;

struct SocketAddress {
    sockaddr_un addr{};
    socklen_t length = 0;
};

// Abstract address: a leading NUL byte, then the name; it never touches the file system.
SocketAddress AddressOf(const std::string& name) {
    const std::string address = name + "." + std::to_string(::getuid());
    SocketAddress result;
    result.addr.sun_family = AF_UNIX;
    const std::size_t length = std::min(address.size(), sizeof(result.addr.sun_path) - 1);
    std::memcpy(result.addr.sun_path + 1, address.data(), length);
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return result;
}

void SetTimeouts(int fd) {
    timeval timeout{};
    timeout.tv_sec = kHandOverSeconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
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

}  // namespace

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstance::TryAcquire() {
    if (fd_ >= 0)
        return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;  // no lock to be had: better to run than to refuse every start

    const SocketAddress address = AddressOf(name_);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address.addr), address.length) == 0) {
        // A holder that cannot listen still holds the lock; later starts are then refused as before.
        ::listen(fd, 8);
        fd_ = fd;
        return true;
    }
    const int error = errno;
    ::close(fd);
    return error != EADDRINUSE;
}

std::vector<std::string> SingleInstance::TakeHandOver() {
    if (fd_ < 0)
        return {};
    FileDescriptor connection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.Get() < 0)
        return {};
    ucred peer{};
    socklen_t peerLength = sizeof peer;
    if (::getsockopt(connection.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) != 0 ||
        peer.uid != ::getuid())
        return {};
    SetTimeouts(connection.Get());

    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(connection.Get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {};  // the sender stalled: what came is not taken
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxHandOverBytes)
            return {};
    }
    if (bytes.empty() || bytes.back() != '\0')
        return {};
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
        if (end > start)
            names.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    SendAll(connection.Get(), std::string(1, kAnswer));
    return names;
}

bool SingleInstance::HandOver(const std::vector<std::string>& names) const {
    FileDescriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.Get() < 0)
        return false;
    SetTimeouts(connection.Get());
    const SocketAddress address = AddressOf(name_);
    if (::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address.addr), address.length) != 0)
        return false;
    // The name is known to every user: the user's file names go only to a copy of the user's own.
    ucred peer{};
    socklen_t peerLength = sizeof peer;
    if (::getsockopt(connection.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) != 0 ||
        peer.uid != ::getuid())
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
    if (lock.TryAcquire())
        return true;
    if (!filesToHandOver.empty() && lock.HandOver(filesToHandOver))
        return false;
    messages.ShowMessage(Sjis("ＫＯＲＶＡ９７は既に起動しています"));
    return false;
}

}  // namespace korva

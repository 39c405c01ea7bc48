#include "platform/SingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "text/Encoding.h"

namespace korva {

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstance::TryAcquire() {
    if (fd_ >= 0)
        return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;  // no lock to be had: better to run than to refuse every start

    // Abstract address: a leading NUL byte, then the name; it never touches the file system.
    const std::string address = name_ + "." + std::to_string(::getuid());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::size_t length = std::min(address.size(), sizeof(addr.sun_path) - 1);
    std::memcpy(addr.sun_path + 1, address.data(), length);
    const auto addrLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), addrLength) == 0) {
        fd_ = fd;
        return true;
    }
    const int error = errno;
    ::close(fd);
    return error != EADDRINUSE;
}

bool ClaimSingleInstance(SingleInstance& lock, MessageView& messages) {
    if (lock.TryAcquire())
        return true;
    messages.ShowMessage(Sjis("ＫＯＲＶＡ９７は既に起動しています"));
    return false;
}

}  // namespace korva

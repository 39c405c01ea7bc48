#pragma once
// An open POSIX file descriptor that is closed when it goes out of scope.

#include <unistd.h>

namespace korva {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    // The descriptor, or a negative number when the open failed.
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace korva

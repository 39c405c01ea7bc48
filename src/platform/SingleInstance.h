#pragma once
// The per-user single-instance lock. It is an abstract-namespace local socket named after the
// program and the user: the kernel releases it when the holding process ends in any way, even by
// SIGKILL, so a crashed copy never blocks the next start. Nothing is ever waited on.

#include <string>

#include "app/Ports.h"

namespace korva {

class SingleInstance {
  public:
    explicit SingleInstance(std::string name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock; false when another process holds it.
    bool TryAcquire();
    bool Held() const { return fd_ >= 0; }

  private:
    std::string name_;
    int fd_ = -1;
};

// The process-wide name of the lock.
inline constexpr const char* kSingleInstanceName = "KORVA97";

// Takes the lock for this process; when another copy holds it, shows "ＫＯＲＶＡ９７は既に起動しています"
// and returns false: the caller then ends without creating any window.
bool ClaimSingleInstance(SingleInstance& lock, MessageView& messages);

}  // namespace korva

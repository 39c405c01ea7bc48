#pragma once
// The per-user single-instance lock. It is an abstract-namespace local socket named after the
// program and the user: the kernel releases it when the holding process ends in any way, even by
// SIGKILL, so a crashed copy never blocks the next start. Nothing is ever waited on.
//
// The holder listens on the same socket, so that a later start can hand it files to play: the names
// travel each ended by a NUL byte, the sender closes its side, and the holder answers with one byte
// once it has them. Only connections from the same user are heard.

#include <string>
#include <vector>

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

    // The holder's listening socket, for an event loop to watch for hand-overs; -1 while not held.
    int HandOverSocket() const { return fd_; }
    // Takes one waiting hand-over and returns the names it brought (file-system paths, as given).
    // Empty when nothing waits, or when the sender is another user or broke off.
    std::vector<std::string> TakeHandOver();
    // From a start that could not take the lock: passes the names to the copy that holds it. True
    // once that copy has them; false when it does not answer (an older copy, or one that hangs).
    bool HandOver(const std::vector<std::string>& names) const;

  private:
    std::string name_;
    int fd_ = -1;
};

// The process-wide name of the lock.
inline constexpr const char* kSingleInstanceName = "KORVA97";

// Takes the lock for this process. When another copy holds it, files to play (file-system paths)
// are handed to that copy and false is returned quietly; without files, or when the hand-over
// fails, "ＫＯＲＶＡ９７は既に起動しています" is shown and false returned. On false the caller ends
// without creating any window.
bool ClaimSingleInstance(SingleInstance& lock, MessageView& messages,
                         const std::vector<std::string>& filesToHandOver = {});

}  // namespace korva

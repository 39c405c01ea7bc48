#pragma once
// The per-user single-instance lock. It lives in a folder only its user can enter: the runtime
// folder $XDG_RUNTIME_DIR when that is a private folder of the user's, otherwise /tmp/korva97-<uid>,
// made with mode 0700 and used only while it is a real folder (not a link) of the user's with mode
// 0700. Whoever holds flock() on the lock file there holds the lock: the kernel releases it when
// the holding process ends in any way, even by SIGKILL, so a crashed copy never blocks the next
// start, and no other user can reach the file to take it. Nothing is ever waited on.
//
// The holder listens on a socket beside the lock file, so that a later start can hand it files to
// play: the names travel each ended by a NUL byte, the sender closes its side, and the holder answers
// with one byte once it has them. A socket file left behind by a killed holder is removed by the
// next holder before it listens: only the holder of the lock ever binds or removes it.

#include <memory>
#include <string>
#include <vector>

#include "app/Ports.h"
#include "platform/HandOverReader.h"

namespace korva {

// The folder that holds the lock, or why there is none to be had.
struct LockFolder {
    std::string path;     // without a closing "/"; empty when there is none
    std::string problem;  // Shift-JIS, for the user, when a folder was refused
};

// $XDG_RUNTIME_DIR (runtimeDir; null when unset) when it is an absolute path to a real folder of
// this user's that no one else may enter; otherwise <fallbackBase>/korva97-<uid>, made when missing.
LockFolder FindLockFolder(const char* runtimeDir, const std::string& fallbackBase = "/tmp");

// One hand-over under way at the holder: an accepted connection of the same user, read without
// waiting as its bytes arrive. Closed when destroyed.
class HandOverConnection {
  public:
    HandOverConnection(int socket, HandOverReader::TimePoint accepted);
    ~HandOverConnection();
    HandOverConnection(const HandOverConnection&) = delete;
    HandOverConnection& operator=(const HandOverConnection&) = delete;

    // The socket, for an event loop to watch for reading.
    int Socket() const { return socket_; }
    HandOverReader::TimePoint Deadline() const { return reader_.Deadline(); }
    // Reads what has arrived, never waiting; once the message is complete the sender is answered.
    HandOverReader::State Read(HandOverReader::TimePoint now);
    HandOverReader::State Expire(HandOverReader::TimePoint now) { return reader_.Expire(now); }
    // The names brought (file-system paths, as given); only once Complete.
    const std::vector<std::string>& Names() const { return reader_.Names(); }

  private:
    int socket_;
    HandOverReader reader_;
};

class SingleInstance {
  public:
    // The lock named `name` in this user's lock folder (FindLockFolder of $XDG_RUNTIME_DIR).
    explicit SingleInstance(std::string name);
    SingleInstance(std::string name, LockFolder folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock. True when this process now holds it, and also when
    // there is no lock to be had (no usable folder): better to run than to refuse every start.
    bool TryAcquire();
    bool Held() const { return lockFd_ >= 0; }
    // Why there is no lock to be had (Shift-JIS); empty when there is one.
    const std::string& Problem() const { return folder_.problem; }

    // The holder's listening socket, for an event loop to watch for hand-overs; -1 while there is
    // none.
    int HandOverSocket() const { return listenFd_; }
    // Accepts the hand-overs waiting, never waiting itself; connections of other users are closed.
    std::vector<std::unique_ptr<HandOverConnection>> AcceptHandOvers(HandOverReader::TimePoint now);
    // From a start that could not take the lock: passes the names to the copy that holds it. True
    // once that copy has them; false when it does not answer (an older copy, or one that hangs).
    bool HandOver(const std::vector<std::string>& names) const;

  private:
    std::string LockPath() const;
    std::string SocketPath() const;
    void Listen();

    std::string name_;
    LockFolder folder_;
    int lockFd_ = -1;
    int listenFd_ = -1;
};

// The process-wide name of the lock.
inline constexpr const char* kSingleInstanceName = "KORVA97";

// Takes the lock for this process. When another copy holds it, files to play (file-system paths)
// are handed to that copy and false is returned quietly; without files, or when the hand-over
// fails, "ＫＯＲＶＡ９７は既に起動しています" is shown and false returned. On false the caller ends
// without creating any window. When no lock can be had, why is shown and true returned.
bool ClaimSingleInstance(SingleInstance& lock, MessageView& messages,
                         const std::vector<std::string>& filesToHandOver = {});

}  // namespace korva

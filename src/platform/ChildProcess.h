#pragma once
// Starting a converter as a child process, without a shell: the command line is split as Windows
// programs split theirs, the program is found as written or in the program folder (its name
// matched ignoring a-z case), it runs in the program folder with this program's environment and
// inherits no descriptors besides 0, 1 and 2. A Windows program (its file begins with "MZ") runs
// through wine when wine is on the PATH. The child's end is signalled on a descriptor, so that an
// event loop can wait for it without polling.

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "convert/ProcessRunner.h"

namespace korva {

class ChildProcess {
  public:
    // Starts the Shift-JIS command line in the program folder. On failure returns nullptr and
    // start.errorNumber says why (ENOENT for a program not found, EACCES for one that may not be
    // run, ENOEXEC for a Windows program without wine, EILSEQ for text that is not Shift-JIS).
    static std::unique_ptr<ChildProcess> Start(const std::string& sjisCommandLine,
                                               const std::string& sjisProgramFolder, ProcessStart& start);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Becomes readable once the child has ended.
    int EndDescriptor() const { return endFd_; }
    // Collects the child's end without waiting; true once it has ended.
    bool TryReap();
    bool Ended() const { return ended_; }
    // Waits, blocking, until the child has ended.
    void WaitBlocking();
    // The exit code, or 128 + the signal that ended it; -1 while it runs.
    int ExitCode() const { return exitCode_; }
    pid_t Pid() const { return pid_; }

  private:
    explicit ChildProcess(pid_t pid);

    pid_t pid_;
    int endFd_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
};

// Where the program named first on a command line is found: a name with a "/" as written
// (relative to the program folder), matched ignoring a-z case in its last component; a bare name in
// the program folder, ignoring case, then on the PATH.
std::optional<std::filesystem::path> FindProgram(const std::string& sjisName,
                                                 const std::string& sjisProgramFolder);

}  // namespace korva

#pragma once
// Starting an outside program (a converter) and waiting for it to end. The platform starts it; the
// user interface waits, handling its events meanwhile, so the windows stay responsive.

#include <string>

namespace korva {

enum class ProgramKind {
    Native,              // run as it is
    ThroughWine,         // a Windows program, run through wine
    WindowsWithoutWine,  // a Windows program, and wine is not installed
};

struct ProcessStart {
    int errorNumber = 0;  // 0 when the program started, else the system's error number
    ProgramKind kind = ProgramKind::Native;
};

class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    // Starts the command line (split as SplitCommandLine does) with the program folder as the
    // current folder; a program named without a folder is looked for there first.
    virtual ProcessStart Start(const std::string& sjisCommandLine, const std::string& sjisProgramFolder) = 0;
    // Returns once the started program has ended (its exit code does not matter); false when the
    // wait was given up because the program is closing.
    virtual bool WaitForEnd() = 0;
};

}  // namespace korva

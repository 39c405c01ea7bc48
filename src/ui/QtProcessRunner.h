#pragma once
// Runs converters for the core: the platform starts the child, and the wait for its end runs an
// event loop that wakes when the child's end descriptor becomes readable, so the windows keep
// handling events and nothing polls.

#include <memory>

#include "convert/ProcessRunner.h"
#include "platform/ChildProcess.h"

namespace korva {

class QtProcessRunner final : public ProcessRunner {
  public:
    ProcessStart Start(const std::string& sjisCommandLine, const std::string& sjisProgramFolder) override;
    bool WaitForEnd() override;

  private:
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace korva

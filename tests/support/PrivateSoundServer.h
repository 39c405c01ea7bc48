#pragma once
// A PulseAudio daemon of a test's own, as a real child process: its runtime, state and home folders
// in a temporary folder, no configuration of the system, one null sink and one socket. A test can
// kill it, freeze it and start it again at the same address.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace korva::testing {

// The program as the shell would find it on the PATH.
std::optional<std::filesystem::path> FindOnPath(const std::string& program);

class PrivateSoundServer {
  public:
    PrivateSoundServer(std::filesystem::path program, std::filesystem::path folder)
        : program_(std::move(program)), folder_(std::move(folder)) {}
    ~PrivateSoundServer() { Kill(); }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // "unix:" and the socket's path, as PULSE_SERVER and FluidSynth's audio.pulseaudio.server take it.
    std::string Address() const { return "unix:" + Socket().string(); }

    // Starts the daemon and waits until it takes connections; false with the reason otherwise.
    bool Start(std::string& problem);
    void Kill();
    void Freeze();
    void Thaw();

  private:
    std::filesystem::path Socket() const { return folder_ / "native"; }
    std::filesystem::path Log() const { return folder_ / "server.log"; }
    std::string LogText() const;
    bool TakesConnections() const;

    std::filesystem::path program_;
    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

}  // namespace korva::testing

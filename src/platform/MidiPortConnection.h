#pragma once
// One open MIDI output port, through RtMidi (ALSA sequencer or JACK), found by its name, and the
// watch that tells when the port has gone away: a look at the port list about once a second, and
// for JACK also a client of our own, told at once of the server's shutdown and of ports going away.
//
// Not thread-safe: its owner uses it from one thread at a time. Never starts a JACK server.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MidiPortDevice.h"

class RtMidiOut;
typedef struct _jack_client jack_client_t;

namespace korva {

// A port name without the "client:port" numbers that ALSA puts at its end ("... 128:0"), which
// change when a cable is plugged in again; a name without them stays as it is.
std::string WithoutAlsaNumbers(std::string_view name);

// The index in `names` of the port called `wanted`: the exact name first, else the same name
// without ALSA's numbers; -1 when there is none.
int FindPortName(const std::vector<std::string>& names, const std::string& wanted);

class MidiPortConnection {
  public:
    // Opens the port named so, or gives nullptr. `wake` is called, from any thread, when the
    // port may have gone away.
    static std::unique_ptr<MidiPortConnection> Open(const std::string& portName, MidiApi api,
                                                    std::function<void()> wake);
    ~MidiPortConnection();
    MidiPortConnection(const MidiPortConnection&) = delete;
    MidiPortConnection& operator=(const MidiPortConnection&) = delete;

    void SendChannel(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // A system-exclusive message; `body` without F0 and F7.
    void SendSysEx(std::string_view body);

    // True once the port has gone away. Cheap: the port list is read when `now` has come a second
    // past the last look, or when JACK has told of a port going away.
    bool Lost(std::chrono::steady_clock::time_point now);
    // The name the port has on the system now.
    const std::string& Name() const { return name_; }
    bool IsJack() const { return jack_; }

    // The port is looked for this often while it is in use.
    static constexpr std::chrono::seconds kListCheck{1};

  private:
    MidiPortConnection() = default;
    bool OpenJackWatch();
    static void OnJackShutdown(void* self);
    static void OnJackPortRegistration(std::uint32_t port, int registered, void* self);

    std::unique_ptr<RtMidiOut> out_;
    std::string name_;
    bool jack_ = false;
    std::function<void()> wake_;
    std::vector<unsigned char> message_;
    jack_client_t* watch_ = nullptr;
    std::atomic<bool> shutDown_{false};  // the port is gone
    std::atomic<bool> serverGone_{false};
    std::atomic<bool> portsChanged_{false};
    std::chrono::steady_clock::time_point nextListCheck_{};
};

}  // namespace korva

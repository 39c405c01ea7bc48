#pragma once
// A real JACK server of a test's own, and a JACK MIDI client that records what reaches its input.
//
// JackServer starts `jackd --no-realtime -n <unique name> -d dummy` (no sound card needed), points
// this process's JACK clients at it through JACK_DEFAULT_SERVER, waits until it takes clients, and
// is taken down when the rig goes, whatever the test did. JackRecorder is a client with one MIDI
// input port that keeps every event with its frame time.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace korva::testing {

class JackServer {
  public:
    // Why no server can be started here (jackd not installed), or empty.
    static std::string Unavailable();

    // Synchronous (the default for tests) waits for a late client, so that no event is lost on a
    // loaded machine, but the server's frame clock then falls behind the wall clock; a benchmark that
    // times events by frames runs it asynchronous.
    explicit JackServer(int periodFrames = 256, int sampleRate = 48000, bool synchronous = true);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // True once the server takes clients; else Problem() says why.
    bool Running() const { return running_; }
    const std::string& Problem() const { return problem_; }
    const std::string& Name() const { return name_; }
    // The server dies at once (SIGKILL), as when it crashes; waited for.
    void Kill();

  private:
    explicit JackServer(const std::string& name);
    void Start(const std::string& name, int periodFrames, int sampleRate, bool synchronous);
    void Reap(int signal);
    std::string name_;
    pid_t pid_ = -1;
    bool running_ = false;
    bool killed_ = false;
    std::string problem_;
};

class JackRecorder {
  public:
    struct Event {
        std::uint64_t frame;  // the frame at which it arrived
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point taken;  // when the client's period began to run
    };

    // A client of the current server with a MIDI input port "in".
    explicit JackRecorder(const std::string& clientName = "recorder");
    ~JackRecorder();
    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    bool Ready() const { return client_ != nullptr; }
    // The full name of the input port, as MidiOutputPortNames lists it.
    std::string PortName() const;
    double SampleRate() const { return sampleRate_; }
    std::vector<Event> Events() const;
    void Clear();
    // Waits until done(events) holds, at most `limit`; true when it does.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
    // The ports of the server whose names begin so ("KORVA97:" for the device's client).
    std::vector<std::string> PortsNamed(const std::string& prefix) const;
    // The client goes away, as a synthesizer that quits.
    void Close();

  private:
    static int Process(std::uint32_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    double sampleRate_ = 0;
    mutable std::mutex mutex_;
    std::vector<Event> events_;
};

}  // namespace korva::testing

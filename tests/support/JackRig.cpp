#include "support/JackRig.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace korva::testing {
namespace {

void Quiet(const char*) {}

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return {};
}

// Whether the server's socket takes a connection: asked before any client is tried, because a
// failed jack_client_open spoils the process's other JACK clients (closing one then crashes).
bool SocketAnswers(const std::string& server) {
    const std::string path = "/dev/shm/jack_" + server + "_" + std::to_string(::getuid()) + "_0";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool answers = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return answers;
}

}  // namespace

std::string JackServer::Unavailable() {
    return FindOnPath("jackd").empty() ? "jackd is not installed (Debian package jackd2)" : "";
}

JackServer::JackServer(int periodFrames, int sampleRate, bool synchronous) {
    static std::atomic<int> count{0};
    Start("korva-test-" + std::to_string(::getpid()) + "-" + std::to_string(count++), periodFrames, sampleRate,
          synchronous);
}

JackServer::JackServer(const std::string& name) {
    Start(name, 256, 48000, true);
}

void JackServer::Start(const std::string& name, int periodFrames, int sampleRate, bool synchronous) {
    name_ = name;
    const std::string jackd = FindOnPath("jackd");
    if (jackd.empty()) {
        problem_ = Unavailable();
        return;
    }
    // The libjack messages of clients that try a server before it is up are of no interest.
    jack_set_error_function(&Quiet);
    jack_set_info_function(&Quiet);
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);

    const std::string period = std::to_string(periodFrames);
    const std::string rate = std::to_string(sampleRate);
    // Synchronous mode with a long client timeout: on a loaded machine a client that is late for a
    // period is waited for, where the default would go on without it and lose its events.
    std::vector<std::string> args{jackd, "--no-realtime"};
    if (synchronous)
        args.insert(args.end(), {"--sync", "--timeout", "10000"});
    args.insert(args.end(), {"-n", name_, "-d", "dummy", "-r", rate, "-p", period});
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test process that dies (a crash, a sanitizer's abort) takes its server with it, and the
        // server ends as when stopped, giving its place in JACK's table of servers back.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid_ < 0) {
        problem_ = "jackd could not be started: error " + std::to_string(errno);
        return;
    }
    // Up when a client can open; a server that does not come up within 20 s counts as failed.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < giveUp) {
        jack_status_t status{};
        if (SocketAnswers(name_)) {
            if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &status)) {
                jack_client_close(probe);
                running_ = true;
                return;
            }
        }
        int exitStatus = 0;
        if (::waitpid(pid_, &exitStatus, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "jackd ended at once";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    problem_ = "jackd did not take clients within 20 s";
}

void JackServer::Reap(int signal) {
    if (pid_ <= 0)
        return;
    ::kill(pid_, signal);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    running_ = false;
}

void JackServer::Kill() {
    Reap(SIGKILL);
    killed_ = true;
}

JackServer::~JackServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        // A server that does not end within 5 s is killed.
        for (int i = 0; i < 100 && pid_ > 0; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                pid_ = -1;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Reap(SIGKILL);
    }
    if (killed_) {
        // A killed server keeps its place in JACK's table of servers (eight at most), until a
        // server of the same name starts; one is started and stopped, so the table does not fill up.
        killed_ = false;
        JackServer again(name_);
    }
    // What a killed server leaves behind under its own name.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
        const std::string file = entry.path().filename().string();
        if (file.find(name_) != std::string::npos)
            std::filesystem::remove(entry.path(), ignored);
    }
}

JackRecorder::JackRecorder(const std::string& clientName) {
    events_.reserve(1 << 16);
    jack_status_t status{};
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (!client_)
        return;
    port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    sampleRate_ = jack_get_sample_rate(client_);
    if (!port_ || jack_set_process_callback(client_, &Process, this) != 0 || jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackRecorder::~JackRecorder() {
    Close();
}

void JackRecorder::Close() {
    if (client_) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

std::string JackRecorder::PortName() const {
    return port_ && client_ ? jack_port_name(port_) : "";
}

std::vector<std::string> JackRecorder::PortsNamed(const std::string& prefix) const {
    std::vector<std::string> names;
    if (!client_)
        return names;
    if (const char** ports = jack_get_ports(client_, nullptr, nullptr, 0)) {
        for (const char** port = ports; *port; ++port)
            if (std::string(*port).rfind(prefix, 0) == 0)
                names.emplace_back(*port);
        jack_free(ports);
    }
    return names;
}

int JackRecorder::Process(std::uint32_t frames, void* self) {
    auto* recorder = static_cast<JackRecorder*>(self);
    void* buffer = jack_port_get_buffer(recorder->port_, frames);
    const std::uint64_t start = jack_last_frame_time(recorder->client_);
    const auto taken = std::chrono::steady_clock::now();
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0)
        return 0;
    // A test's recorder may take a lock here; a real-time client would not.
    std::lock_guard lock(recorder->mutex_);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            recorder->events_.push_back(
                {start + event.time, std::vector<std::uint8_t>(event.buffer, event.buffer + event.size), taken});
    }
    return 0;
}

std::vector<JackRecorder::Event> JackRecorder::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void JackRecorder::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

bool JackRecorder::WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                           std::chrono::milliseconds limit) const {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done(Events()))
            return true;
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace korva::testing

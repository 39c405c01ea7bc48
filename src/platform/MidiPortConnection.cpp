#include "platform/MidiPortConnection.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace korva {
namespace {

constexpr const char* kClientName = "KORVA97";
constexpr const char* kPortName = "out";

// RtMidi's errors and warnings are told by results here (an empty list, a port not open), not by
// exceptions or lines on standard error.
void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

// Whether a JACK client may be tried. libjack, failing to open a client, tears down what the
// process's other JACK clients share, and closing one of them afterwards crashes; a server that has
// died leaves its socket behind (JACK 2 keeps it in /dev/shm, named by the server and the user),
// which then refuses connections. So no client is tried while that socket refuses; where there is
// no such socket (no server started, or another JACK, such as PipeWire's) libjack is asked.
bool JackMayBeTried() {
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    const std::string path = std::string("/dev/shm/jack_") + (server && *server ? server : "default") + "_" +
                             std::to_string(::getuid()) + "_0";
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return true;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return true;
    const bool refused = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                         errno == ECONNREFUSED;
    ::close(socket);
    return !refused;
}

std::vector<RtMidi::Api> ApisFor(MidiApi api) {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    std::vector<RtMidi::Api> apis;
    for (const RtMidi::Api candidate : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
        bool wanted = api == MidiApi::Any || (api == MidiApi::Alsa && candidate == RtMidi::LINUX_ALSA) ||
                      (api == MidiApi::Jack && candidate == RtMidi::UNIX_JACK);
        if (wanted && candidate == RtMidi::UNIX_JACK)
            wanted = JackMayBeTried();
        for (const RtMidi::Api has : compiled)
            if (wanted && has == candidate)
                apis.push_back(candidate);
    }
    return apis;
}

// A client of the given back end, or nullptr where it cannot be reached (no ALSA sequencer, no
// JACK server: RtMidi's JACK client is opened without starting one).
std::unique_ptr<RtMidiOut> MakeOut(RtMidi::Api api) {
    try {
        auto out = std::make_unique<RtMidiOut>(api, kClientName);
        out->setErrorCallback(&IgnoreRtMidiError, nullptr);
        return out;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<std::string> PortNamesOf(RtMidiOut& out) {
    std::vector<std::string> names;
    try {
        const unsigned count = out.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name = out.getPortName(i);
            if (!name.empty())
                names.push_back(std::move(name));
        }
    } catch (const RtMidiError&) {
        names.clear();
    }
    return names;
}

}  // namespace

std::string WithoutAlsaNumbers(std::string_view name) {
    // " <digits>:<digits>" at the end.
    std::size_t at = name.size();
    const auto digitsBefore = [&name](std::size_t end) {
        std::size_t start = end;
        while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1]))) --start;
        return start;
    };
    const std::size_t portStart = digitsBefore(at);
    if (portStart == at || portStart == 0 || name[portStart - 1] != ':')
        return std::string(name);
    const std::size_t clientStart = digitsBefore(portStart - 1);
    if (clientStart == portStart - 1 || clientStart == 0 || name[clientStart - 1] != ' ')
        return std::string(name);
    return std::string(name.substr(0, clientStart - 1));
}

int FindPortName(const std::vector<std::string>& names, const std::string& wanted) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return static_cast<int>(i);
    const std::string bare = WithoutAlsaNumbers(wanted);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (WithoutAlsaNumbers(names[i]) == bare)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> MidiOutputPortNames(MidiApi api) {
    std::vector<std::string> names;
    for (const RtMidi::Api each : ApisFor(api)) {
        if (auto out = MakeOut(each)) {
            auto found = PortNamesOf(*out);
            names.insert(names.end(), found.begin(), found.end());
        }
    }
    return names;
}

std::unique_ptr<MidiPortConnection> MidiPortConnection::Open(const std::string& portName, MidiApi api,
                                                             std::function<void()> wake) {
    if (portName.empty())
        return nullptr;
    // An exact name on any back end goes before a name that matches only without ALSA's numbers.
    struct Candidate {
        std::unique_ptr<RtMidiOut> out;
        RtMidi::Api api;
        std::vector<std::string> names;
    };
    std::vector<Candidate> candidates;
    for (const RtMidi::Api each : ApisFor(api)) {
        if (auto out = MakeOut(each)) {
            auto names = PortNamesOf(*out);
            candidates.push_back({std::move(out), each, std::move(names)});
        }
    }
    Candidate* chosen = nullptr;
    int index = -1;
    for (auto& candidate : candidates) {
        for (std::size_t i = 0; i < candidate.names.size() && !chosen; ++i)
            if (candidate.names[i] == portName) {
                chosen = &candidate;
                index = static_cast<int>(i);
            }
    }
    for (auto& candidate : candidates) {
        if (chosen)
            break;
        index = FindPortName(candidate.names, portName);
        if (index >= 0)
            chosen = &candidate;
    }
    if (!chosen)
        return nullptr;

    std::unique_ptr<MidiPortConnection> port(new MidiPortConnection());
    port->name_ = chosen->names[static_cast<std::size_t>(index)];
    port->jack_ = chosen->api == RtMidi::UNIX_JACK;
    port->wake_ = std::move(wake);
    port->message_.reserve(256);
    try {
        chosen->out->openPort(static_cast<unsigned>(index), kPortName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (!chosen->out->isPortOpen())
        return nullptr;
    port->out_ = std::move(chosen->out);
    if (port->jack_ && !port->OpenJackWatch())
        return nullptr;
    port->nextListCheck_ = std::chrono::steady_clock::now() + kListCheck;
    return port;
}

bool MidiPortConnection::OpenJackWatch() {
    jack_status_t status{};
    watch_ = jack_client_open("KORVA97 watch", JackNoStartServer, &status);
    if (!watch_)
        return false;
    jack_on_shutdown(watch_, &OnJackShutdown, this);
    if (jack_set_port_registration_callback(watch_, &OnJackPortRegistration, this) != 0 ||
        jack_activate(watch_) != 0)
        return false;
    // The destination may have gone between the listing and the watch.
    return jack_port_by_name(watch_, name_.c_str()) != nullptr;
}

void MidiPortConnection::OnJackShutdown(void* self) {
    auto* port = static_cast<MidiPortConnection*>(self);
    port->serverGone_ = true;
    port->shutDown_ = true;
    if (port->wake_)
        port->wake_();
}

void MidiPortConnection::OnJackPortRegistration(std::uint32_t, int registered, void* self) {
    if (registered)
        return;
    auto* port = static_cast<MidiPortConnection*>(self);
    port->portsChanged_ = true;
    if (port->wake_)
        port->wake_();
}

MidiPortConnection::~MidiPortConnection() {
    if (jack_ && serverGone_) {
        // RtMidi unregisters its port as it closes, and libjack crashes doing that for a client whose
        // server has died. Such a client (a few hundred bytes; its threads ended with the server) is
        // kept for the life of the process instead.
        static auto* keptForever = new std::vector<std::unique_ptr<RtMidiOut>>();
        keptForever->push_back(std::move(out_));
    }
    out_.reset();
    if (watch_)
        jack_client_close(watch_);
}

void MidiPortConnection::SendChannel(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const unsigned char message[3] = {status, data1, data2};
    // Program change and channel pressure have one data byte.
    const std::size_t size = (status & 0xE0) == 0xC0 ? 2 : 3;
    try {
        out_->sendMessage(message, size);
    } catch (const RtMidiError&) {
        // A message that cannot be sent is lost as on a cable; the watch tells when the port is gone.
    }
}

void MidiPortConnection::SendSysEx(std::string_view body) {
    message_.clear();
    message_.push_back(0xF0);
    message_.insert(message_.end(), body.begin(), body.end());
    message_.push_back(0xF7);
    try {
        out_->sendMessage(message_.data(), message_.size());
    } catch (const RtMidiError&) {
    }
}

bool MidiPortConnection::Lost(std::chrono::steady_clock::time_point now) {
    if (shutDown_)
        return true;
    // A JACK port going away is told at once, though the server may still list the port then; the
    // list is looked at again each second, as for ALSA, which tells nothing.
    const bool told = jack_ && portsChanged_.exchange(false);
    if (!told && now < nextListCheck_)
        return false;
    nextListCheck_ = now + kListCheck;
    if (jack_) {
        shutDown_ = jack_port_by_name(watch_, name_.c_str()) == nullptr;
    } else {
        const auto names = PortNamesOf(*out_);
        shutDown_ = std::find(names.begin(), names.end(), name_) == names.end();
    }
    return shutDown_;
}

}  // namespace korva

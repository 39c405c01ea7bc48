// A stand-in for a starting copy of the program in single-instance tests: it claims the lock under
// the name given, in the lock folder of $XDG_RUNTIME_DIR, or of the base folder given by
// "--fallback BASE" in place of /tmp. Holding it, it prints "HELD", then "PLAY <name>" for every
// name later starts hand over, until it is killed; it reads hand-overs as the program does, without
// waiting for any one sender. Refused, it prints the message and exits with 3; when it handed its
// files (the arguments after the name) to the holder, it exits with 0 quietly. When no lock can be
// had it prints why and then "UNLOCKED", and waits to be killed.
//
// "--squat-abstract ADDRESS" instead binds and listens on the abstract socket ADDRESS (an older copy
// of the program held its lock as "KORVA97.<uid>"), prints "BOUND" and waits to be killed.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/SingleInstance.h"
#include "text/Encoding.h"

namespace {

struct PrintedMessages : korva::MessageView {
    void ShowMessage(const std::string& text) override {
        std::printf("MESSAGE %s\n", korva::ToDisplayUtf8(text).c_str());
        std::fflush(stdout);
        shown = true;
    }
    bool shown = false;
};

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

int SquatAbstract(const std::string& address) {
    const int holder = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, address.data(), std::min(address.size(), sizeof addr.sun_path - 1));
    if (::bind(holder, reinterpret_cast<sockaddr*>(&addr),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + address.size())) != 0 ||
        ::listen(holder, 8) != 0)
        return 4;
    Say("BOUND");
    for (;;) ::pause();
}

void Serve(korva::SingleInstance& lock) {
    using Clock = std::chrono::steady_clock;
    std::vector<std::unique_ptr<korva::HandOverConnection>> connections;
    for (;;) {
        std::vector<pollfd> watched{{lock.HandOverSocket(), POLLIN, 0}};
        // Until the nearest deadline, or for ever while no hand-over is under way.
        long long timeout = -1;
        for (const auto& connection : connections) {
            watched.push_back({connection->Socket(), POLLIN, 0});
            const long long left =
                std::chrono::ceil<std::chrono::milliseconds>(connection->Deadline() - Clock::now()).count() +
                1;
            timeout = std::max(0LL, timeout < 0 ? left : std::min(timeout, left));
        }
        ::poll(watched.data(), watched.size(), static_cast<int>(timeout));
        const auto now = Clock::now();
        for (std::size_t i = 0; i < connections.size();) {
            auto state =
                (watched[i + 1].revents != 0) ? connections[i]->Read(now) : connections[i]->Expire(now);
            if (state == korva::HandOverReader::State::Reading) {
                ++i;
                continue;
            }
            for (const std::string& name : connections[i]->Names()) std::printf("PLAY %s\n", name.c_str());
            std::fflush(stdout);
            connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
            watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
        if (watched[0].revents != 0)
            for (auto& connection : lock.AcceptHandOvers(now)) connections.push_back(std::move(connection));
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--squat-abstract")
        return SquatAbstract(args[1]);
    std::string fallbackBase = "/tmp";
    if (args.size() >= 2 && args[0] == "--fallback") {
        fallbackBase = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        return 2;
    korva::SingleInstance lock(args[0], korva::FindLockFolder(std::getenv("XDG_RUNTIME_DIR"), fallbackBase));
    PrintedMessages messages;
    const std::vector<std::string> files(args.begin() + 1, args.end());
    if (!korva::ClaimSingleInstance(lock, messages, files))
        return messages.shown ? 3 : 0;
    if (!lock.Held()) {
        Say("UNLOCKED");
        for (;;) ::pause();
    }
    Say("HELD");
    Serve(lock);
}

// A stand-in for a starting copy of the program in single-instance tests: it claims the lock under
// the name given. Holding it, it prints "HELD", then "PLAY <name>" for every name later starts hand
// over, until it is killed. Refused, it prints the message and exits with 3; when it handed its
// files (the arguments after the name) to the holder, it exits with 0 quietly.

#include <poll.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    korva::SingleInstance lock(argv[1]);
    PrintedMessages messages;
    const std::vector<std::string> files(argv + 2, argv + argc);
    if (!korva::ClaimSingleInstance(lock, messages, files))
        return messages.shown ? 3 : 0;
    std::printf("HELD\n");
    std::fflush(stdout);
    for (;;) {
        pollfd watched{lock.HandOverSocket(), POLLIN, 0};
        if (::poll(&watched, 1, -1) <= 0)
            continue;
        for (const std::string& name : lock.TakeHandOver()) std::printf("PLAY %s\n", name.c_str());
        std::fflush(stdout);
    }
}

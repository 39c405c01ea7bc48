// A stand-in for a starting copy of the program in single-instance tests: it claims the lock under
// the name given, prints "HELD" and waits to be killed, or prints the refusal and exits with 3.

#include <unistd.h>

#include <cstdio>

#include "platform/SingleInstance.h"
#include "text/Encoding.h"

namespace {

struct PrintedMessages : korva::MessageView {
    void ShowMessage(const std::string& text) override {
        std::printf("MESSAGE %s\n", korva::ToDisplayUtf8(text).c_str());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    korva::SingleInstance lock(argv[1]);
    PrintedMessages messages;
    if (!korva::ClaimSingleInstance(lock, messages))
        return 3;
    std::printf("HELD\n");
    std::fflush(stdout);
    for (;;) ::pause();
}

// Plays a song through the MIDI port device to a JACK MIDI client on a JACK server of the tool's own
// (dummy back end, no sound card), and prints how late each event came at the client and the CPU
// the tool took while playing.
//
// Lateness is measured from frame times at the client: each event's arrival less its time in the
// file, less the smallest such difference over the song (the delay every event shares: the start
// of play and the path to the client). JACK delivers what the device sent during a period at the
// start of the next, so lateness lies between 0 and about one period. The same is given by the
// steady clock at which the client's period ran, which a loaded machine's late periods show.
//
// CPU is this process's (getrusage) while the song plays, less what the recording client alone
// takes (measured first, for BASELINE seconds, with the device not playing): what remains is the
// device's timing thread and its JACK client. After the song the device is left idle for IDLE
// seconds (its port closes after a few), and the same is measured again.
//
// Usage: PortBenchTool [--period FRAMES] [--baseline SECONDS] [--idle SECONDS] SONG.MID

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/MidiPortDevice.h"
#include "playback/SmfReader.h"
#include "playback/SongScheduler.h"
#include "playback/SongSequence.h"
#include "support/JackRig.h"
#include "support/PostedQueue.h"

namespace {

using namespace korva;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU percent of one core over `seconds` of doing nothing but wait.
double IdlePercent(double seconds) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return (CpuSeconds() - cpu) / std::chrono::duration<double>(Clock::now() - start).count() * 100;
}

// The bytes of each event as the port gets them, with their times in the file.
struct Expected {
    std::vector<std::uint8_t> bytes;
    std::uint64_t time;
};

class Collect final : public MidiSink {
  public:
    explicit Collect(std::vector<Expected>& out) : out_(out) {}
    void ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override {
        if ((status & 0xE0) == 0xC0)
            out_.push_back({{status, data1}, time});
        else
            out_.push_back({{status, data1, data2}, time});
    }
    void SysEx(std::string_view body) override {
        std::vector<std::uint8_t> bytes{0xF0};
        bytes.insert(bytes.end(), body.begin(), body.end());
        bytes.push_back(0xF7);
        out_.push_back({std::move(bytes), time});
    }
    std::uint64_t time = 0;

  private:
    std::vector<Expected>& out_;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    int period = 256;
    double baselineSeconds = 10;
    double idleSeconds = 30;
    int arg = 1;
    for (; arg + 1 < argc && std::strncmp(argv[arg], "--", 2) == 0; arg += 2) {
        if (std::strcmp(argv[arg], "--period") == 0)
            period = std::atoi(argv[arg + 1]);
        else if (std::strcmp(argv[arg], "--baseline") == 0)
            baselineSeconds = std::atof(argv[arg + 1]);
        else if (std::strcmp(argv[arg], "--idle") == 0)
            idleSeconds = std::atof(argv[arg + 1]);
        else
            period = 0;
    }
    if (arg + 1 != argc || period <= 0) {
        std::fprintf(stderr, "usage: %s [--period FRAMES] [--baseline SECONDS] [--idle SECONDS] SONG.MID\n", argv[0]);
        return 2;
    }
    const std::string songPath = argv[arg];

    std::ifstream file(songPath, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string bytes = content.str();
    const auto read = ReadSmf(bytes);
    if (!read.Ok()) {
        std::fprintf(stderr, "not a song: %s\n", songPath.c_str());
        return 1;
    }
    SongSequence sequence;
    sequence.Build(read.song, ModuleResets::AsInFile);
    std::vector<Expected> expected;
    Collect collect(expected);
    for (auto at = sequence.Begin(); !at.AtEnd(); at.Next()) {
        collect.time = at.Event().time;
        SongScheduler::Send(at.Event(), collect);
    }

    // Synchronous, so that no event is lost to a late period; on a loaded machine its frame clock
    // then falls behind the wall clock, which the steady-clock figures show apart.
    testing::JackServer server(period);
    if (!server.Running()) {
        std::fprintf(stderr, "no JACK server: %s\n", server.Problem().c_str());
        return 1;
    }
    testing::JackRecorder recorder("bench");
    if (!recorder.Ready()) {
        std::fprintf(stderr, "no JACK client\n");
        return 1;
    }
    const double baseline = IdlePercent(baselineSeconds);

    testing::PostedQueue posted;
    MidiPortOutput output(MidiPortOptions{recorder.PortName(), MidiApi::Jack, posted.Poster(), {}});
    bool ended = false;
    output.Device().SetNotifyHandler([&ended] { ended = true; });
    output.Device().Open(songPath);
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    output.Device().Play();
    if (output.Device().Fault() != DeviceFault::None) {
        std::fprintf(stderr, "the device does not play\n");
        return 1;
    }
    while (!ended) posted.WaitAndDrain();
    const double playSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double playPercent = (CpuSeconds() - cpuBefore) / playSeconds * 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last period reaches the client
    const auto events = recorder.Events();
    const double idle = IdlePercent(idleSeconds);

    // The file's events, found in order among what arrived (Master Volume and the silencing at the
    // end come in between; an event a late period lost is passed over).
    std::vector<double> offsets;
    std::vector<double> wallOffsets;  // the same by the steady clock when the client ran
    std::size_t next = 0;
    constexpr std::size_t kLookAhead = 256;
    for (const auto& event : events) {
        std::size_t match = next;
        while (match < expected.size() && match < next + kLookAhead && event.bytes != expected[match].bytes) ++match;
        if (match < expected.size() && match < next + kLookAhead) {
            next = match;
            const double arrived = static_cast<double>(event.frame) / recorder.SampleRate() * 1000;
            offsets.push_back(arrived - static_cast<double>(expected[next].time) / 1e6);
            wallOffsets.push_back(std::chrono::duration<double, std::milli>(event.taken - start).count() -
                                  static_cast<double>(expected[next].time) / 1e6);
            ++next;
        }
    }
    if (offsets.empty()) {
        std::fprintf(stderr, "nothing arrived\n");
        return 1;
    }
    const double least = *std::min_element(offsets.begin(), offsets.end());
    for (auto& offset : offsets) offset -= least;
    const double wallLeast = *std::min_element(wallOffsets.begin(), wallOffsets.end());
    for (auto& offset : wallOffsets) offset -= wallLeast;
    std::printf("period %d frames (%.1f ms): %zu of %zu events arrived; lateness median %.2f ms, p99 %.2f ms, "
                "max %.2f ms\n",
                period, period * 1000.0 / recorder.SampleRate(), offsets.size(), expected.size(),
                Percentile(offsets, 0.5), Percentile(offsets, 0.99), Percentile(offsets, 1.0));
    std::printf("  by the steady clock when the client ran: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                Percentile(wallOffsets, 0.5), Percentile(wallOffsets, 0.99), Percentile(wallOffsets, 1.0));
    std::printf("  CPU while playing %.1f s: %.2f%% of a core; recording client alone %.2f%%; the device %.2f%%\n",
                playSeconds, playPercent, baseline, playPercent - baseline);
    std::printf("  CPU idle after the song (%.0f s): %.2f%% of a core; the device %.2f%%\n", idleSeconds, idle,
                idle - baseline);
    return 0;
}

// Opens one large song through the sequencer device as the program does and tells what it cost: the
// time from Open to the first audible block, the memory the read and the ordered song took at their
// peak (VmHWM above what the process held before, against the file's size), and the longest time the
// user-interface thread, which this thread stands in for, handled nothing while the song was read.
// A ticker thread posts to that thread every millisecond; the gaps between the ticks it runs are
// its stalls. The song is one track of two-byte events (a delta time and a data byte under running
// status), a note sounding from the start.
// Usage: SongLoadTool [--plain] MEGABYTES [SOUNDFONT]
//   --plain: the device waits for the read without serving the posted calls, as a program without
//            a UI waiter would.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "support/ProcessStatus.h"
#include "text/Encoding.h"

namespace {

using Clock = std::chrono::steady_clock;

// Lets VmHWM start again from the memory held now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A song of `bytes` bytes, written as it goes: a held note, then channel pressure on another channel
// one tick apart under running status.
void WriteSong(const std::string& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    const std::string head("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);
    const std::string start("\x00\xC0\x00\x00\x90\x3C\x64\x00\xD1\x40", 10);
    const std::size_t trackLength = bytes - head.size() - 8;
    const std::size_t pairs = (trackLength - start.size()) / 2;
    const std::size_t trackBytes = start.size() + pairs * 2;
    out << head << "MTrk";
    for (const int shift : {24, 16, 8, 0}) out.put(static_cast<char>(trackBytes >> shift));
    out << start;
    std::string chunk;
    for (int i = 0; i < 1 << 16; ++i) chunk += "\x01\x40";
    std::size_t left = pairs;
    while (left > 0) {
        const std::size_t now = std::min(left, chunk.size() / 2);
        out.write(chunk.data(), static_cast<std::streamsize>(now * 2));
        left -= now;
    }
}

// The user-interface thread's queue of posted calls.
class UiQueue {
  public:
    void Post(std::function<void()> function) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(function));
        posted_.notify_all();
    }
    void WaitAndRun() {
        std::deque<std::function<void()>> ready;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return !queue_.empty(); });
            ready.swap(queue_);
        }
        for (auto& function : ready) function();
    }
    void RunPosted() {
        std::deque<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex_);
            ready.swap(queue_);
        }
        for (auto& function : ready) function();
    }

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace korva;
    int arg = 1;
    const bool plain = arg < argc && std::strcmp(argv[arg], "--plain") == 0;
    if (plain)
        ++arg;
    if (argc - arg < 1 || argc - arg > 2 || std::atof(argv[arg]) <= 0) {
        std::fprintf(stderr, "usage: %s [--plain] MEGABYTES [SOUNDFONT]\n", argv[0]);
        return 2;
    }
    const auto bytes = static_cast<std::size_t>(std::atof(argv[arg]) * 1024 * 1024);
    const std::string soundFont = argc - arg == 2 ? argv[arg + 1] : "/usr/share/sounds/sf2/TimGM6mb.sf2";

    UiQueue ui;
    SynthOptions options;
    options.soundFontPath = soundFont;
    options.output = OutputKind::Virtual;
    options.postToUiThread = [&ui](std::function<void()> function) { ui.Post(std::move(function)); };
    if (!plain) {
        options.waitOnUiThread = [&ui](const std::function<bool()>& done) {
            while (!done()) ui.WaitAndRun();
        };
    }
    FluidSynthEngine engine(options);
    FluidSynthDevice device(engine, options.postToUiThread, options.waitOnUiThread);
    device.SetNotifyHandler([] {});
    if (!engine.WaitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(engine.Report().soundFontMessage).c_str());
        return 1;
    }

    const auto folder = std::filesystem::temp_directory_path() / ("song-load-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "LARGE.MID").string();
    WriteSong(path, bytes);
    const auto fileSize = std::filesystem::file_size(path);

    // Ticks run on this thread; the longest gap between two of them while the song is read is the
    // longest the windows would have stood still.
    std::atomic<bool> ticking{true};
    std::vector<Clock::time_point> ticks;
    std::thread ticker([&] {
        while (ticking) {
            ui.Post([&ticks] { ticks.push_back(Clock::now()); });
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ui.RunPosted();

    ResetPeak();
    const long before = korva::testing::StatusKilobytes("VmRSS:");
    const auto start = Clock::now();
    ticks.push_back(start);
    device.Open(path);
    const auto opened = Clock::now();
    ticks.push_back(opened);
    if (device.Fault() == DeviceFault::None)
        device.Play();
    if (device.Fault() != DeviceFault::None) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(device.ErrorText()).c_str());
        return 1;
    }
    std::vector<float> left(1024);
    std::vector<float> right(1024);
    double peak = 0;
    for (int block = 0; block < 1000 && peak < 1e-3; ++block) {
        engine.RenderBlock(left.data(), right.data(), 1024);
        for (int i = 0; i < 1024; ++i)
            peak = std::max({peak, double(std::abs(left[i])), double(std::abs(right[i]))});
    }
    const auto sounding = Clock::now();
    const long highest = korva::testing::StatusKilobytes("VmHWM:");
    ticking = false;
    ticker.join();
    ui.RunPosted();

    double stall = 0;
    for (std::size_t i = 1; i < ticks.size() && ticks[i - 1] < opened; ++i)
        stall = std::max(stall, std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    const double megabytes = double(fileSize) / (1024 * 1024);
    const double peakMegabytes = double(highest - before) / 1024;
    std::printf("%6.1f MB song: first sound after %8.1f ms, open %8.1f ms, peak memory +%7.1f MB (%4.1fx the file), "
                "longest stall of the UI thread %7.1f ms%s\n",
                megabytes, std::chrono::duration<double, std::milli>(sounding - start).count(),
                std::chrono::duration<double, std::milli>(opened - start).count(), peakMegabytes,
                peakMegabytes / megabytes, stall, peak < 1e-3 ? " (NO SOUND)" : "");
    std::filesystem::remove_all(folder);
    return peak < 1e-3 ? 1 : 0;
}

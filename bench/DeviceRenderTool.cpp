// Plays one MIDI file through the sequencer device in virtual time until the device's completion
// notice, FRAMES frames a block: as fast as the synthesizer can render it, or, with --real-time, one
// block each time a sound card playing the song would ask for one, sleeping in between. With
// --output, the engine plays the song as the program does, through its own silent output, which asks
// for a block at a sound card's pace on a thread of its own, rendering up to SECONDS ahead of it
// (--ahead, 0 for only what is asked for; the program's default otherwise). The benchmark script
// times it against the fluidsynth command-line renderer.
// Usage: DeviceRenderTool [--period FRAMES] [--real-time | --output [--ahead SECONDS]] SONG.MID [SOUNDFONT]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "text/Encoding.h"

int main(int argc, char** argv) {
    using namespace korva;
    int period = 1024;
    bool realTime = false;
    bool output = false;
    double ahead = -1;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--real-time") == 0) {
            realTime = true;
        } else if (std::strcmp(argv[arg], "--output") == 0) {
            output = true;
        } else if (std::strcmp(argv[arg], "--ahead") == 0 && arg + 1 < argc) {
            ahead = std::atof(argv[++arg]);
        } else if (std::strcmp(argv[arg], "--period") == 0 && arg + 1 < argc) {
            period = std::atoi(argv[++arg]);
        } else {
            period = 0;
            break;
        }
    }
    const int paths = argc - arg;
    if (period <= 0 || paths < 1 || paths > 2 || (output && realTime)) {
        std::fprintf(stderr,
                     "usage: %s [--period FRAMES] [--real-time | --output [--ahead SECONDS]] SONG.MID "
                     "[SOUNDFONT]\n",
                     argv[0]);
        return 2;
    }
    const char* song = argv[arg];
    std::mutex mutex;
    std::deque<std::function<void()>> posted;
    SynthOptions options;
    options.soundFontPath = paths == 2 ? argv[arg + 1] : "/usr/share/sounds/sf2/TimGM6mb.sf2";
    options.output = output ? OutputKind::Automatic : OutputKind::Virtual;
    if (output) {
        options.audioDriver = "none";  // no such driver: the silent output keeps the pace
        options.periodFrames = period;
        if (ahead >= 0)
            options.aheadSeconds = ahead;
    }
    options.postToUiThread = [&](std::function<void()> function) {
        std::lock_guard lock(mutex);
        posted.push_back(std::move(function));
    };
    FluidSynthEngine engine(options);
    FluidSynthDevice device(engine, options.postToUiThread);
    bool ended = false;
    device.SetNotifyHandler([&] { ended = true; });
    // Runs what was posted to the user-interface thread, which this thread stands in for.
    const auto runPosted = [&] {
        std::deque<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex);
            ready.swap(posted);
        }
        for (auto& function : ready) function();
    };
    if (!engine.WaitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(engine.Report().soundFontMessage).c_str());
        return 1;
    }
    device.Open(song);
    if (device.Fault() == DeviceFault::None)
        device.Play();
    if (device.Fault() != DeviceFault::None) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(device.ErrorText()).c_str());
        return 1;
    }

    if (output) {
        while (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            runPosted();
        }
        std::printf("played through the %s output\n", engine.Report().outputName.c_str());
        return 0;
    }

    std::vector<float> left(static_cast<std::size_t>(period));
    std::vector<float> right(static_cast<std::size_t>(period));
    const auto blockTime = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(period / engine.SampleRate()));
    auto nextBlock = std::chrono::steady_clock::now();
    long frames = 0;
    double peak = 0;
    // A digest of every sample rendered, so that two builds can be shown to sound the same.
    std::uint64_t digest = 14695981039346656037ull;
    const auto addToDigest = [&digest](const float* samples, int count) {
        const auto* byte = reinterpret_cast<const unsigned char*>(samples);
        for (std::size_t i = 0; i < sizeof(float) * static_cast<std::size_t>(count); ++i)
            digest = (digest ^ byte[i]) * 1099511628211ull;
    };
    while (!ended) {
        if (realTime) {
            std::this_thread::sleep_until(nextBlock);
            nextBlock += blockTime;
        }
        engine.RenderBlock(left.data(), right.data(), period);
        frames += period;
        addToDigest(left.data(), period);
        addToDigest(right.data(), period);
        for (int i = 0; i < period; ++i)
            peak = std::max({peak, double(std::abs(left[i])), double(std::abs(right[i]))});
        runPosted();
    }
    std::printf("%.2f s rendered, peak %.3f, samples digest %016llx\n", double(frames) / engine.SampleRate(),
                peak, static_cast<unsigned long long>(digest));
    return 0;
}

// Plays one MIDI file through the sequencer device in virtual time, as fast as the synthesizer can
// render it, until the device's completion notice; the benchmark script times it against the
// fluidsynth command-line renderer. Usage: DeviceRenderTool SONG.MID [SOUNDFONT]

#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "text/Encoding.h"

int main(int argc, char** argv) {
    using namespace korva;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s SONG.MID [SOUNDFONT]\n", argv[0]);
        return 2;
    }
    std::mutex mutex;
    std::deque<std::function<void()>> posted;
    SynthOptions options;
    options.soundFontPath = argc == 3 ? argv[2] : "/usr/share/sounds/sf2/TimGM6mb.sf2";
    options.output = OutputKind::Virtual;
    options.postToUiThread = [&](std::function<void()> function) {
        std::lock_guard lock(mutex);
        posted.push_back(std::move(function));
    };
    FluidSynthEngine engine(options);
    FluidSynthDevice device(engine, options.postToUiThread);
    bool ended = false;
    device.SetNotifyHandler([&] { ended = true; });
    if (!engine.WaitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(engine.Report().soundFontMessage).c_str());
        return 1;
    }
    device.Open(argv[1]);
    if (device.Fault() == DeviceFault::None)
        device.Play();
    if (device.Fault() != DeviceFault::None) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(device.ErrorText()).c_str());
        return 1;
    }

    constexpr int kPeriod = 1024;
    std::vector<float> left(kPeriod);
    std::vector<float> right(kPeriod);
    long frames = 0;
    double peak = 0;
    while (!ended) {
        engine.RenderBlock(left.data(), right.data(), kPeriod);
        frames += kPeriod;
        for (int i = 0; i < kPeriod; ++i)
            peak = std::max({peak, double(std::abs(left[i])), double(std::abs(right[i]))});
        std::deque<std::function<void()>> due;
        {
            std::lock_guard lock(mutex);
            due.swap(posted);
        }
        for (auto& function : due) function();
    }
    std::printf("%.2f s rendered, peak %.3f\n", double(frames) / engine.SampleRate(), peak);
    return 0;
}

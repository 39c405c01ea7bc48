// Plays one MIDI file through the sequencer device in virtual time until the device's completion
// notice, FRAMES frames a block: as fast as the synthesizer can render it, or, with --real-time, one
// block each time a sound card playing the song would ask for one, sleeping in between. With
// --output, the engine plays the song as the program does, through its own silent output, which asks
// for a block at a sound card's pace on a thread of its own, rendering up to SECONDS ahead of it
// (--ahead, 0 for only what is asked for; the program's default otherwise), a run of rendering
// starting when less than --refill SECONDS waits. The benchmark script times it against the
// fluidsynth command-line renderer.
// Either way it prints a digest of the sound from its first sample that is not silence on, for
// --digest SECONDS (default 55): the same song sounds the same, sample for sample, whether rendered in
// virtual time or ahead of an output, and before and after a change that must not change the sound.
// The reverb and the chorus are modulated, so their sound depends on how many frames the synthesizer
// rendered before the song too: an output that happened to take a block of silence between loading
// and Play gives another digest. The frames rendered before the first sound are printed beside the
// digest; only digests after as many frames can be compared (virtual time renders none).
// Usage: DeviceRenderTool [--period FRAMES] [--digest SECONDS]
//                         [--real-time | --output [--ahead SECONDS] [--refill SECONDS]] SONG.MID [SOUNDFONT]

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "text/Encoding.h"

namespace {

// An FNV-1a digest of stereo frames, left then right sample of each frame, from the first frame that
// is not silence on, for a given count of frames. Silence is quieter than kSilence: the reverb keeps a
// tiny offset in its output against denormal numbers, so a synthesizer playing nothing does not
// render zeros.
class SoundDigest {
  public:
    static constexpr float kSilence = 1e-6f;  // -120 dB; the reverb's offset is near 1e-8
    explicit SoundDigest(long frames) : left_(frames) {}
    void Add(const float* left, const float* right, int frames) {
        for (int i = 0; i < frames && left_ > 0; ++i) {
            if (!started_ && std::fabs(left[i]) < kSilence && std::fabs(right[i]) < kSilence) {
                ++before_;
                continue;
            }
            started_ = true;
            AddBytes(&left[i]);
            AddBytes(&right[i]);
            --left_;
        }
    }
    std::uint64_t Value() const { return value_; }
    long Before() const { return before_; }
    bool Complete() const { return left_ == 0; }

  private:
    void AddBytes(const float* sample) {
        unsigned char bytes[sizeof(float)];
        std::memcpy(bytes, sample, sizeof bytes);
        for (const unsigned char byte : bytes) value_ = (value_ ^ byte) * 1099511628211ull;
    }
    long left_;
    long before_ = 0;
    bool started_ = false;
    std::uint64_t value_ = 14695981039346656037ull;
};

std::string DigestText(const SoundDigest& digest, double seconds) {
    char text[128];
    if (digest.Complete()) {
        std::snprintf(text, sizeof text, "digest of %.0f s from the first sound %016llx (after %ld frames)",
                      seconds, static_cast<unsigned long long>(digest.Value()), digest.Before());
    } else {
        std::snprintf(text, sizeof text, "less than %.0f s of sound, no digest", seconds);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace korva;
    int period = 1024;
    bool realTime = false;
    bool output = false;
    double ahead = -1;
    double refill = -1;
    double digestSeconds = 55;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--real-time") == 0) {
            realTime = true;
        } else if (std::strcmp(argv[arg], "--output") == 0) {
            output = true;
        } else if (std::strcmp(argv[arg], "--ahead") == 0 && arg + 1 < argc) {
            ahead = std::atof(argv[++arg]);
        } else if (std::strcmp(argv[arg], "--refill") == 0 && arg + 1 < argc) {
            refill = std::atof(argv[++arg]);
        } else if (std::strcmp(argv[arg], "--digest") == 0 && arg + 1 < argc) {
            digestSeconds = std::atof(argv[++arg]);
        } else if (std::strcmp(argv[arg], "--period") == 0 && arg + 1 < argc) {
            period = std::atoi(argv[++arg]);
        } else {
            period = 0;
            break;
        }
    }
    const int paths = argc - arg;
    if (period <= 0 || paths < 1 || paths > 2 || (output && realTime) || digestSeconds <= 0) {
        std::fprintf(stderr,
                     "usage: %s [--period FRAMES] [--digest SECONDS] [--real-time | --output [--ahead SECONDS] "
                     "[--refill SECONDS]] SONG.MID [SOUNDFONT]\n",
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
        if (refill >= 0)
            options.aheadRefillSeconds = refill;
    }
    // The digest of the sound as the output takes it; the volume stays at unity, which leaves every
    // sample as rendered. Called on the output's thread, or on this one in virtual time.
    SoundDigest digest(static_cast<long>(digestSeconds * 44100));
    options.onRenderedForTesting = [&digest](const float* left, const float* right, int frames) {
        digest.Add(left, right, frames);
    };
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
        std::printf("played through the %s output; %s\n", engine.Report().outputName.c_str(),
                    DigestText(digest, digestSeconds).c_str());
        return 0;
    }

    std::vector<float> left(static_cast<std::size_t>(period));
    std::vector<float> right(static_cast<std::size_t>(period));
    const auto blockTime = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(period / engine.SampleRate()));
    auto nextBlock = std::chrono::steady_clock::now();
    long frames = 0;
    double peak = 0;
    // A digest of every sample rendered, block by block, so that two builds can be shown to sound
    // the same.
    std::uint64_t blocksDigest = 14695981039346656037ull;
    const auto addToDigest = [&blocksDigest](const float* samples, int count) {
        const auto* byte = reinterpret_cast<const unsigned char*>(samples);
        for (std::size_t i = 0; i < sizeof(float) * static_cast<std::size_t>(count); ++i)
            blocksDigest = (blocksDigest ^ byte[i]) * 1099511628211ull;
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
    std::printf("%.2f s rendered, peak %.3f, samples digest %016llx; %s\n", double(frames) / engine.SampleRate(),
                peak, static_cast<unsigned long long>(blocksDigest), DigestText(digest, digestSeconds).c_str());
    return 0;
}

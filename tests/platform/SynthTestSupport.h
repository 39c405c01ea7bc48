#pragma once
// The real synthesizer with TimGM6mb in virtual time, for tests: posted notices wait in a queue that
// the test drains, standing in for the user-interface thread, and audio is rendered block by block
// as fast as the test asks.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "support/PostedQueue.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"

namespace korva::testing {

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    static double Peak(const std::vector<float>& channel) {
        double peak = 0;
        for (const float sample : channel) peak = std::max(peak, static_cast<double>(std::fabs(sample)));
        return peak;
    }
    static double Rms(const std::vector<float>& channel) {
        double sum = 0;
        for (const float sample : channel) sum += static_cast<double>(sample) * sample;
        return channel.empty() ? 0 : std::sqrt(sum / static_cast<double>(channel.size()));
    }
    double Peak() const { return std::max(Peak(left), Peak(right)); }
};

// Anything quieter than this is silence (TimGM6mb notes at velocity 100 peak around 0.1 to 0.5).
inline constexpr double kAudible = 1e-3;
inline constexpr int kBlock = 1024;

inline SynthOptions VirtualOptions(UiPoster poster) {
    SynthOptions options;
    options.soundFontPath = KORVA_TEST_SOUNDFONT;
    options.output = OutputKind::Virtual;
    options.postToUiThread = std::move(poster);
    return options;
}

// One engine with its device, and a record of every completion notice: the frame it was handled
// after and the mode the handler found.
class VirtualSynth {
  public:
    explicit VirtualSynth(std::function<void(SynthOptions&)> adjust = {})
        : engine_(MakeOptions(ui_, adjust)), device_(engine_, ui_.Poster()) {
        device_.SetNotifyHandler([this] {
            noticeFrames.push_back(frame);
            noticeModes.push_back(device_.Mode());
        });
    }

    FluidSynthEngine& Engine() { return engine_; }
    FluidSynthDevice& Device() { return device_; }
    PostedQueue& Ui() { return ui_; }

    // Renders frames in blocks, handling posted notices after every block like an idle UI thread.
    Stereo Render(long frames) {
        Stereo out;
        std::vector<float> left(kBlock);
        std::vector<float> right(kBlock);
        for (long done = 0; done < frames; done += kBlock) {
            const int count = static_cast<int>(std::min<long>(kBlock, frames - done));
            engine_.RenderBlock(left.data(), right.data(), count);
            frame += count;
            out.left.insert(out.left.end(), left.begin(), left.begin() + count);
            out.right.insert(out.right.end(), right.begin(), right.begin() + count);
            ui_.Drain();
        }
        return out;
    }

    // Renders until the next notice or until limit frames have passed; true when a notice came.
    // What was rendered is appended to sound when one is given.
    bool RenderUntilNotice(long limit, Stereo* sound = nullptr) {
        const auto before = noticeFrames.size();
        for (long done = 0; done < limit && noticeFrames.size() == before; done += kBlock) {
            Stereo block = Render(kBlock);
            if (sound) {
                sound->left.insert(sound->left.end(), block.left.begin(), block.left.end());
                sound->right.insert(sound->right.end(), block.right.begin(), block.right.end());
            }
        }
        return noticeFrames.size() > before;
    }

    long Seconds(double seconds) const { return std::lround(seconds * engine_.SampleRate()); }

    void OpenSong(const TempDir& dir, const std::string& name, const std::string& bytes) {
        device_.Open(dir.Write(name, bytes));
    }

    long frame = 0;
    std::vector<long> noticeFrames;
    std::vector<DeviceMode> noticeModes;

  private:
    static SynthOptions MakeOptions(PostedQueue& ui, const std::function<void(SynthOptions&)>& adjust) {
        auto options = VirtualOptions(ui.Poster());
        if (adjust)
            adjust(options);
        return options;
    }

    PostedQueue ui_;
    FluidSynthEngine engine_;
    FluidSynthDevice device_;
};

// Every block an output takes, as its loudest sample and its length; filled from the output's thread.
struct RenderedBlocks {
    std::mutex mutex;
    std::vector<double> peaks;
    std::vector<long> starts;  // the frame each block starts at
    long frames = 0;

    void Add(const float* left, const float* right, int count) {
        double peak = 0;
        for (int i = 0; i < count; ++i)
            peak = std::max({peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
        std::lock_guard lock(mutex);
        peaks.push_back(peak);
        starts.push_back(frames);
        frames += count;
    }
    std::size_t Count() {
        std::lock_guard lock(mutex);
        return peaks.size();
    }
    double PeakOf(std::size_t block) {
        std::lock_guard lock(mutex);
        return block < peaks.size() ? peaks[block] : -1;
    }
    // The loudest of the blocks from the one given on.
    double PeakFrom(std::size_t first) {
        std::lock_guard lock(mutex);
        double peak = 0;
        for (std::size_t block = first; block < peaks.size(); ++block) peak = std::max(peak, peaks[block]);
        return peak;
    }
    long Frames() {
        std::lock_guard lock(mutex);
        return frames;
    }
    // The loudest of the blocks that lie wholly between the two frames; -1 when none does.
    double PeakBetween(long from, long to) {
        std::lock_guard lock(mutex);
        double peak = -1;
        for (std::size_t block = 0; block < peaks.size(); ++block) {
            const long end = block + 1 < starts.size() ? starts[block + 1] : frames;
            if (starts[block] >= from && end <= to)
                peak = std::max(peak, peaks[block]);
        }
        return peak;
    }
};

// Waits for a condition that a real output's thread brings about, handling posted notices meanwhile
// like the user-interface thread; false after the limit, which only a hang takes.
inline bool DrainUntil(PostedQueue& ui, const std::function<bool()>& condition,
                       std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < giveUp) {
        ui.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ui.Drain();
    return condition();
}

// A song of one organ note on channel 0 from tick 0, lasting seconds at 120 beats a minute and
// 480 ticks a quarter (960 ticks a second). The organ holds its sound as long as the key is down.
inline std::string HeldNoteSong(double seconds, int program = 16) {
    SmfWriter writer(0, 480);
    const auto ticks = static_cast<std::uint32_t>(std::lround(seconds * 960));
    writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, program).Note(0, ticks, 0, 60, 100);
    return writer.Bytes();
}

}  // namespace korva::testing

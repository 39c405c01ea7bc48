// What reading a MIDI file with our own reader adds to the time from opening a song to its first
// sound, with the SoundFont loaded already, as in the program. The song is a busy 1 MB file of 16
// tracks. The measures:
//   ReadOnly, ReadAndWrite    the reader alone, and reader and writer, in memory;
//   ReadAndSequence           the reader and the song put in time order, as the device does;
//   OpenToFirstSound/raw      the file read from disk and handed to FluidSynth's own MIDI player as
//                             it is, rendered until it sounds: what opening costs without our reader;
//   OpenToFirstSound/written  the same for the file the writer made of it;
//   OpenToFirstSound/device   the sequencer device's Open (file, reader, the song put in time order),
//                             Play, and rendering until it sounds: the program's path.
// The goal: device at most 10% above raw. run_smf_bench.sh prints the ratios.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/FluidHandles.h"
#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "playback/SmfReader.h"
#include "playback/SongSequence.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"

namespace korva {
namespace {

constexpr int kBlock = 1024;

// 16 tracks, one a channel, the first also holding the tempo: a program, notes every eighth, and a
// controller or pitch bend sweep every 10 ticks, for 310 beats, which makes about 1 MB.
std::string BusySong() {
    testing::SmfWriter writer(1, 480);
    for (int channel = 0; channel < 16; ++channel) {
        auto& track = writer.AddTrack();
        if (channel == 0)
            track.Tempo(0, 500000);
        track.TrackName(0, "Part").ProgramChange(0, channel, (channel * 7) % 128);
        for (std::uint32_t tick = 0; tick < 310 * 480; tick += 10) {
            if (tick % 240 == 0)
                track.Note(tick, 200, channel, 36 + (tick / 240 + channel * 3) % 60, 90);
            else if (channel % 2 == 0)
                track.ControlChange(tick, channel, 11, static_cast<int>(tick / 10 % 128));
            else
                track.Event(tick, testing::Bytes({0xE0 | channel, 0, static_cast<int>(tick / 10 % 128)}));
        }
    }
    return writer.Bytes();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The loudest sample of a block.
double Peak(const std::vector<float>& left, const std::vector<float>& right) {
    double peak = 0;
    for (int i = 0; i < kBlock; ++i)
        peak = std::max({peak, std::fabs(left[i]) * 1.0, std::fabs(right[i]) * 1.0});
    return peak;
}

// A loaded synthesizer in virtual time, its device, and the song on disk.
struct Rig {
    Rig() : engine(Options()), device(engine, [](std::function<void()>) {}) {
        if (!engine.WaitUntilLoaded())
            throw std::runtime_error("the SoundFont did not load");
        bytes = BusySong();
        path = dir.Write("BUSY.MID", bytes);
        const auto read = ReadSmf(bytes);
        if (!read.Ok())
            throw std::runtime_error("the busy song does not read");
        cleanPath = dir.Write("CLEAN.MID", WritePlayableSmf(read.song));
        std::fprintf(stderr, "busy song: %zu bytes, %zu tracks\n", bytes.size(), read.song.tracks.size());
    }

    static SynthOptions Options() {
        SynthOptions options;
        options.soundFontPath = "/usr/share/sounds/sf2/TimGM6mb.sf2";
        options.output = OutputKind::Virtual;
        options.postToUiThread = [](std::function<void()>) {};
        return options;
    }

    double RenderPeak() {
        engine.RenderBlock(left.data(), right.data(), kBlock);
        return Peak(left, right);
    }

    // Renders until the song is heard; returns the blocks it took.
    int RenderUntilSound() {
        for (int blocks = 1; blocks <= 1000; ++blocks) {
            if (RenderPeak() > 1e-3)
                return blocks;
        }
        throw std::runtime_error("the song never sounded");
    }

    // Ends the song and lets the reverberation die away, so the next one starts in silence.
    void Silence() {
        device.Close();
        for (int i = 0; i < 2000 && RenderPeak() > 1e-5; ++i) {
        }
    }

    testing::TempDir dir;
    FluidSynthEngine engine;
    FluidSynthDevice device;
    std::string bytes;
    std::string path;
    std::string cleanPath;  // the file as the reader writes it
    std::vector<float> left = std::vector<float>(kBlock);
    std::vector<float> right = std::vector<float>(kBlock);
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void ReadOnly(benchmark::State& state) {
    const auto& bytes = TheRig().bytes;
    for (auto _ : state) benchmark::DoNotOptimize(ReadSmf(bytes).song.tracks.data());
}
BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond);

void ReadAndWrite(benchmark::State& state) {
    const auto& bytes = TheRig().bytes;
    for (auto _ : state) {
        const auto read = ReadSmf(bytes);
        auto clean = WritePlayableSmf(read.song);
        benchmark::DoNotOptimize(clean.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(ReadAndWrite)->Unit(benchmark::kMillisecond);

// What the device does with the file's bytes: find its tracks in them and put the song in time
// order, reading the events again from the bytes, both into the room of the song before.
void ReadAndSequence(benchmark::State& state) {
    const auto& bytes = TheRig().bytes;
    SmfReadResult read;
    SongSequence sequence;
    for (auto _ : state) {
        ReadSmfInto(bytes, read, SmfDetail::Places);
        sequence.Build(read.song, bytes);
        benchmark::DoNotOptimize(sequence.EndTime());
    }
}
BENCHMARK(ReadAndSequence)->Unit(benchmark::kMillisecond);

// FluidSynth's own MIDI player, from the file on disk to the first sound, on a synthesizer of its
// own with the same SoundFont: given the file as it is, or the file the writer made of it. This is
// what the program would pay without its own reader, handing files to that player.
struct PlayerRig {
    PlayerRig() {
        settings.reset(new_fluid_settings());
        fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
        fluid_settings_setint(settings.get(), "player.reset-synth", 0);
        synth.reset(new_fluid_synth(settings.get()));
        if (!synth ||
            fluid_synth_sfload(synth.get(), Rig::Options().soundFontPath.c_str(), 1) == FLUID_FAILED)
            throw std::runtime_error("the player's synthesizer did not load the SoundFont");
    }

    double RenderPeak() {
        float* buffers[2] = {left.data(), right.data()};
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        fluid_synth_process(synth.get(), kBlock, 0, nullptr, 2, buffers);
        return Peak(left, right);
    }

    FluidSettingsPtr settings;
    FluidSynthPtr synth;
    std::vector<float> left = std::vector<float>(kBlock);
    std::vector<float> right = std::vector<float>(kBlock);
};

void OpenToFirstSoundPlayer(benchmark::State& state, const std::string& path) {
    static PlayerRig rig;
    for (auto _ : state) {
        const std::string bytes = ReadFile(path);
        std::unique_ptr<fluid_player_t, FluidDeleter<&delete_fluid_player>> player(
            new_fluid_player(rig.synth.get()));
        if (!player || fluid_player_add_mem(player.get(), bytes.data(), bytes.size()) != FLUID_OK ||
            fluid_player_play(player.get()) != FLUID_OK)
            state.SkipWithError("the player did not start");
        int blocks = 1;
        while (rig.RenderPeak() <= 1e-3 && blocks < 1000) ++blocks;
        benchmark::DoNotOptimize(blocks);
        state.PauseTiming();
        fluid_player_stop(player.get());
        player.reset();
        fluid_synth_all_sounds_off(rig.synth.get(), -1);
        for (int i = 0; i < 2000 && rig.RenderPeak() > 1e-5; ++i) {
        }
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(OpenToFirstSoundPlayer, raw, TheRig().path)
    ->Name("OpenToFirstSound/raw")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenToFirstSoundPlayer, written, TheRig().cleanPath)
    ->Name("OpenToFirstSound/written")
    ->Unit(benchmark::kMillisecond);

void OpenToFirstSoundDevice(benchmark::State& state) {
    auto& rig = TheRig();
    for (auto _ : state) {
        rig.device.Open(rig.path);
        rig.device.Play();
        if (rig.device.Fault() != DeviceFault::None)
            state.SkipWithError("the device did not play");
        benchmark::DoNotOptimize(rig.RenderUntilSound());
        state.PauseTiming();
        rig.Silence();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenToFirstSoundDevice)->Name("OpenToFirstSound/device")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva

BENCHMARK_MAIN();

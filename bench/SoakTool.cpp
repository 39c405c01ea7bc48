// Plays songs one after another for a long while through the whole core and the real synthesizer in
// virtual time, as the program plays a list unattended: list 0 in list order, cycling, the GM reset
// file before every song. Counts every completion notice the device gives and samples the
// process's resident memory every SAMPLE_EVERY songs; fails when a song's end went without a notice
// or when memory grew after the first sample.
//
//   SoakTool SOUNDFONT RESET_FILE [SONGS [SAMPLE_EVERY]]   (10,000 songs, a sample every 500)

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "platform/FluidSynthVolume.h"
#include "platform/SystemClock.h"
#include "support/Fakes.h"
#include "support/PostedQueue.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

using namespace korva;

namespace {

constexpr int kBlock = 1024;
// Growth of the resident memory after the first sample that still counts as flat: allocator
// arenas and the synthesizer's voice buffers settle in steps of a few pages.
constexpr long kFlatKiB = 2048;

// The deck keeps only what the loop looks at, so the tool itself grows nothing song by song.
struct SoakDeck final : DeckView, DeckVolumeView, StatusView {
    void SetPlayLabelLit(bool lit) override { playLit = lit; }
    void SetPauseLabelLit(bool) override {}
    void ClearStatusLine() override {}
    void ShowModeLabel() override {}
    void EnableClock() override {}
    void CancelAutoStart() override {}
    void Quit() override {}
    void ShowVolumeControls() override {}
    void SetVolumeBar(int) override {}
    void ShowStatus(const std::string&, StatusKind) override {}
    bool playLit = false;
};

struct TalliedMessages final : MessageView {
    void ShowMessage(const std::string& text) override {
        if (++count <= 5)
            std::fprintf(stderr, "message: %s\n", ToDisplayUtf8(text).c_str());
    }
    long count = 0;
};

// The real device, seen through a counter: every notice is counted as the end of a song or of a
// reset file, by the file last opened.
class CountingDevice final : public SequencerDevice {
  public:
    CountingDevice(SequencerDevice& device, std::string resetName)
        : device_(device), resetName_(std::move(resetName)) {}

    void SetNotifyHandler(std::function<void()> handler) override {
        device_.SetNotifyHandler([this, handler = std::move(handler)] {
            ++(openedReset_ ? resetNotices : songNotices);
            handler();
        });
    }
    void Open(const std::string& sjisPath) override {
        openedReset_ =
            sjisPath.size() >= resetName_.size() &&
            sjisPath.compare(sjisPath.size() - resetName_.size(), resetName_.size(), resetName_) == 0;
        device_.Open(sjisPath);
        if (device_.Fault() == DeviceFault::None)
            ++(openedReset_ ? resetsOpened : songsOpened);
    }
    void Play() override { device_.Play(); }
    void Pause() override { device_.Pause(); }
    void Stop() override { device_.Stop(); }
    void Close() override { device_.Close(); }
    DeviceMode Mode() const override { return device_.Mode(); }
    DeviceFault Fault() const override { return device_.Fault(); }
    std::string ErrorText() const override { return device_.ErrorText(); }
    std::int64_t PositionMicroseconds() const override { return device_.PositionMicroseconds(); }

    long songsOpened = 0;
    long resetsOpened = 0;
    long songNotices = 0;
    long resetNotices = 0;

  private:
    SequencerDevice& device_;
    std::string resetName_;
    bool openedReset_ = false;
};

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Five short songs of different kinds: a melody, chords on several channels, drums, one with a GS
// reset and controllers of its own, one in several tracks. Each lasts between 1.5 and 3 seconds.
std::vector<std::string> Songs() {
    using testing::SmfWriter;
    std::vector<std::string> songs;
    {
        SmfWriter writer(0, 480);
        auto& track =
            writer.AddTrack().Tempo(0, 500000).TrackName(0, "Melody by Soak").ProgramChange(0, 0, 0);
        for (int i = 0; i < 8; ++i) track.Note(static_cast<std::uint32_t>(i) * 240, 230, 0, 60 + 2 * i);
        songs.push_back(writer.Bytes());
    }
    {
        SmfWriter writer(0, 480);
        auto& track = writer.AddTrack().Tempo(0, 400000);
        for (int channel = 0; channel < 6; ++channel) {
            track.ProgramChange(0, channel, 16 + 8 * channel);
            track.Note(0, 1900, channel, 48 + 4 * channel, 80);
        }
        songs.push_back(writer.Bytes());
    }
    {
        SmfWriter writer(0, 96);
        auto& track = writer.AddTrack().Tempo(0, 600000);
        for (int i = 0; i < 24; ++i) track.Note(static_cast<std::uint32_t>(i) * 24, 12, 9, i % 2 ? 38 : 36);
        songs.push_back(writer.Bytes());
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .SysEx(0, testing::Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}))
            .ControlChange(10, 0, 7, 90)
            .ControlChange(10, 0, 91, 60)
            .ProgramChange(10, 0, 48)
            .Note(20, 2800, 0, 55)
            .Event(1400, testing::Bytes({0xE0, 0x00, 0x50}))
            .EndAt(2900);
        songs.push_back(writer.Bytes());
    }
    {
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000).Tempo(960, 300000);
        writer.AddTrack().ProgramChange(0, 1, 24).Note(0, 960, 1, 64).Note(960, 960, 1, 67);
        writer.AddTrack().ProgramChange(0, 2, 32).Note(0, 1920, 2, 40);
        songs.push_back(writer.Bytes());
    }
    return songs;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s SOUNDFONT RESET_FILE [SONGS [SAMPLE_EVERY]]\n", argv[0]);
        return 2;
    }
    const long songs = argc > 3 ? std::atol(argv[3]) : 10000;
    const long sampleEvery = argc > 4 ? std::atol(argv[4]) : 500;
    if (songs <= 0 || sampleEvery <= 0) {
        std::fprintf(stderr, "SONGS and SAMPLE_EVERY must be positive\n");
        return 2;
    }

    testing::TempDir dir;
    std::filesystem::copy_file(argv[2], dir.Path() / "KORVA_GM.MID");
    std::string playlist;
    const std::vector<std::string> songFiles = Songs();
    for (std::size_t i = 0; i < songFiles.size(); ++i) {
        const std::string name = "song" + std::to_string(i + 1) + ".mid";
        playlist += "Song " + std::to_string(i + 1) + "\t" + dir.Write(name, songFiles[i]) + "\t+0\t1\r\n";
    }
    dir.Write("KORVA.DT0", playlist);

    testing::PostedQueue posted;
    SynthOptions options;
    options.soundFontPath = argv[1];
    options.output = OutputKind::Virtual;
    options.postToUiThread = posted.Poster();
    FluidSynthEngine engine(options);
    if (!engine.WaitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", ToDisplayUtf8(engine.Report().soundFontMessage).c_str());
        return 1;
    }
    FluidSynthDevice realDevice(engine, options.postToUiThread);
    CountingDevice device(realDevice, "KORVA_GM.MID");
    FluidSynthVolume output(engine);
    SeededRandom random(1);
    SystemClock clock;
    Jukebox jukebox(MakeFolders(dir.Folder(), {}), random, clock);
    Settings& settings = jukebox.Model().settings;
    settings.PLAYMOD = LIST0;
    settings.CYCMODE = 1;
    settings.RNDMODE = NOR;
    settings.SENDRST = 1;
    SoakDeck deck;
    TalliedMessages messages;
    testing::ScriptedFolderDialog folders;
    testing::FakeTimer introTimer;
    jukebox.AttachDeck(deck, deck, deck);
    jukebox.AttachDialogs(messages, folders);
    jukebox.Connect(JukeboxDevices{device, output, introTimer});

    std::printf("%ld songs of %zu files, a GM reset before each, a sample every %ld songs\n", songs,
                songFiles.size(), sampleEvery);
    std::vector<long> samples;
    std::vector<float> left(kBlock), right(kBlock);
    long frames = 0;
    jukebox.Commands().Play();
    while (device.songNotices < songs && deck.playLit) {
        engine.RenderBlock(left.data(), right.data(), kBlock);
        frames += kBlock;
        const long before = device.songNotices;
        posted.Drain();
        if (device.songNotices != before && device.songNotices % sampleEvery == 0) {
            samples.push_back(ResidentKiB());
            std::printf("after %6ld songs: RSS %ld KiB\n", device.songNotices, samples.back());
            std::fflush(stdout);
        }
    }
    const bool stillPlaying = deck.playLit;
    jukebox.Commands().Stop();
    posted.Drain();
    jukebox.Disconnect();

    const double minutes = static_cast<double>(frames) / engine.SampleRate() / 60.0;
    std::printf(
        "played %.1f minutes in virtual time; songs opened %ld, song notices %ld; resets opened %ld, "
        "reset notices %ld; messages %ld\n",
        minutes, device.songsOpened, device.songNotices, device.resetsOpened, device.resetNotices,
        messages.count);
    bool ok = true;
    if (!stillPlaying || device.songNotices != songs) {
        std::printf("FAIL: play stopped after %ld songs\n", device.songNotices);
        ok = false;
    }
    // The last song was still open when the count was reached; every song before it ended with a
    // notice, and each was preceded by its reset.
    if (device.songsOpened != device.songNotices || device.resetsOpened < device.songNotices ||
        device.resetNotices < device.songNotices || messages.count != 0) {
        std::printf("FAIL: notices do not match the songs played\n");
        ok = false;
    }
    if (!samples.empty()) {
        const long first = samples.front();
        const long middle = samples[(samples.size() - 1) / 2];
        const long last = samples.back();
        long highest = first;
        for (const long sample : samples) highest = std::max(highest, sample);
        std::printf("RSS first %ld KiB, middle %ld KiB, last %ld KiB, highest after the first %+ld KiB\n",
                    first, middle, last, highest - first);
        if (highest - first > kFlatKiB) {
            std::printf("FAIL: memory grew by more than %ld KiB after the first sample\n", kFlatKiB);
            ok = false;
        }
    }
    std::printf(ok ? "PASS\n" : "FAIL\n");
    return ok ? 0 : 1;
}

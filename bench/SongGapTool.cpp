// Measures, in virtual time through the real synthesizer, the silence between one song's end and
// the next song's first note when the player plays a reset file between them, less the reset
// file's own length. Prints the gap in frames and in render blocks.
//
//   SongGapTool SOUNDFONT RESET_FILE

#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>

#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "platform/FluidSynthVolume.h"
#include "platform/SystemClock.h"
#include "playback/Player.h"
#include "support/Fakes.h"
#include "support/PostedQueue.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"

using namespace korva;

namespace {

constexpr int kBlock = 1024;

// The status line's latest text.
struct LatestStatus : StatusView {
    std::string text;
    void ShowStatus(const std::string& shown, StatusKind) override { text = shown; }
};

// One second of a note held to the very last tick, so the song is sounding when it ends.
std::string HeldToTheEnd(int key) {
    testing::SmfWriter writer(0, 480);
    writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 16).Note(0, 960, 0, key, 100);
    return writer.Bytes();
}

// Length of a file's play in seconds at 120 beats a minute and 480 ticks a quarter: the reset
// files use that tempo and division.
double ResetSeconds(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    unsigned char buffer[256];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    // Sum the delta times of the only track (events are few and short).
    std::size_t pos = 22;
    unsigned long ticks = 0;
    while (pos < n) {
        unsigned long delta = 0;
        while (pos < n && (buffer[pos] & 0x80)) delta = (delta << 7) | (buffer[pos++] & 0x7F);
        if (pos >= n)
            break;
        delta = (delta << 7) | buffer[pos++];
        ticks += delta;
        if (pos >= n)
            break;
        const unsigned char status = buffer[pos++];
        if (status == 0xFF) {
            const unsigned char type = buffer[pos++];
            const unsigned char length = buffer[pos++];
            pos += length;
            if (type == 0x2F)
                break;
        } else if (status == 0xF0) {
            const unsigned char length = buffer[pos++];
            pos += length;
        } else {
            pos += 2;
        }
    }
    return static_cast<double>(ticks) / 960.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOUNDFONT RESET_FILE\n", argv[0]);
        return 2;
    }
    testing::TempDir dir;
    std::filesystem::copy_file(argv[2], dir.Path() / "KORVA_GM.MID");
    const std::string first = dir.Write("first.mid", HeldToTheEnd(60));
    const std::string second = dir.Write("second.mid", HeldToTheEnd(67));
    dir.Write("KORVA.DT0", "A\t" + first + "\t+0\t1\r\nB\t" + second + "\t+0\t1\r\n");

    testing::PostedQueue posted;
    SynthOptions options;
    options.soundFontPath = argv[1];
    options.output = OutputKind::Virtual;
    options.postToUiThread = posted.Poster();
    FluidSynthEngine engine(options);
    if (!engine.WaitUntilLoaded()) {
        std::fprintf(stderr, "SoundFont not loaded\n");
        return 1;
    }
    FluidSynthDevice device(engine, options.postToUiThread);
    FluidSynthVolume output(engine);
    SeededRandom random(1);
    SystemClock clock;
    Jukebox jukebox(MakeFolders(dir.Folder(), {}), random, clock);
    jukebox.Model().settings.PLAYMOD = LIST0;
    jukebox.Model().settings.SENDRST = 1;
    testing::RecordingDeck deck;
    LatestStatus status;
    testing::RecordingMessages messages;
    testing::ScriptedFolderDialog folders;
    testing::FakeTimer introTimer;
    jukebox.AttachDeck(deck, status, deck);
    jukebox.AttachDialogs(messages, folders);
    jukebox.Connect(JukeboxDevices{device, output, introTimer});

    jukebox.Commands().Play();
    std::vector<float> left(kBlock), right(kBlock);
    long frame = 0;
    long firstEnded = -1;   // the frame at which the first song had reached its end
    long secondSound = -1;  // the first frame at which the second song sounds
    while (deck.playLit && frame < 48000L * 10) {
        engine.RenderBlock(left.data(), right.data(), kBlock);
        if (status.text == "B" && secondSound < 0) {
            for (int i = 0; i < kBlock; ++i) {
                if (std::fabs(left[i]) > 1e-3f || std::fabs(right[i]) > 1e-3f) {
                    secondSound = frame + i;
                    break;
                }
            }
        }
        frame += kBlock;
        const std::string before = status.text;
        posted.Drain();
        if (before == "A" && status.text == ".. No.2")
            firstEnded = frame;
        if (secondSound >= 0)
            break;
    }
    for (const std::string& message : messages.shown) std::fprintf(stderr, "message: %s\n", message.c_str());
    if (firstEnded < 0 || secondSound < 0) {
        std::fprintf(stderr, "the songs did not play as expected\n");
        return 1;
    }
    const double rate = engine.SampleRate();
    const long resetFrames = std::lround(ResetSeconds(argv[2]) * rate);
    const long gap = secondSound - firstEnded - resetFrames;
    std::printf("sample rate %.0f Hz, render block %d frames, reset file %ld frames\n", rate, kBlock,
                resetFrames);
    std::printf("gap beyond the reset: %ld frames = %.2f blocks = %.1f ms\n", gap,
                static_cast<double>(gap) / kBlock, 1000.0 * static_cast<double>(gap) / rate);
    return 0;
}

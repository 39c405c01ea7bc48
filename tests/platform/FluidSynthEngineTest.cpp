#include "platform/FluidSynthEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SynthTestSupport.h"
#include "platform/SynthSettings.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::HeldNoteSong;
using testing::kAudible;
using testing::kBlock;
using testing::SmfWriter;
using testing::TempDir;
using testing::VirtualSynth;

struct ResetCase {
    const char* name;
    std::string message;  // F0 .. F7
};
void PrintTo(const ResetCase& value, std::ostream* out) {
    *out << value.name;
}

class FluidSynthEngineReset : public ::testing::TestWithParam<ResetCase> {};

// Plays a song that leaves channel 0 on an organ and channel 1's sustain pedal down, then a song with
// the reset message followed by a long silence.
TEST_P(FluidSynthEngineReset, RestoresProgramsControllersAndSilencesNotes) {
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());

    SmfWriter before(0, 480);
    before.AddTrack()
        .ProgramChange(0, 0, 19)
        .ProgramChange(0, 2, 40)
        .ControlChange(0, 1, 64, 127)
        .Note(0, 240, 1, 67);
    synth.OpenSong(dir, "BEFORE.MID", before.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2)));
    ASSERT_EQ(synth.Engine().ProgramOf(0), 19);
    ASSERT_EQ(synth.Engine().ProgramOf(2), 40);
    ASSERT_GT(synth.Render(kBlock).Peak(), kAudible) << "the pedal holds the note";

    SmfWriter reset(0, 480);
    reset.AddTrack().SysEx(0, GetParam().message).EndAt(480);
    synth.OpenSong(dir, "RESET.MID", reset.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2)));

    EXPECT_EQ(synth.Engine().ProgramOf(0), 0);
    EXPECT_EQ(synth.Engine().ProgramOf(2), 0);
    EXPECT_LT(synth.Render(kBlock).Peak(), kAudible) << "the held note must be gone";
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FluidSynthEngineReset,
    ::testing::Values(
        ResetCase{"GmSystemOn", Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})},
        ResetCase{"GsReset", Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})},
        ResetCase{"Sc88ModeSet", Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7})}),
    [](const ::testing::TestParamInfo<ResetCase>& paramInfo) { return paramInfo.param.name; });

TEST(FluidSynthEngine, OtherSysExLeavesTheProgramsAlone) {
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    SmfWriter song(0, 480);
    song.AddTrack()
        .ProgramChange(0, 0, 19)
        .SysEx(10,
               Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04, 0x7F, 0x3D, 0xF7}))  // GS master volume
        .EndAt(480);
    synth.OpenSong(dir, "A.MID", song.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2)));
    EXPECT_EQ(synth.Engine().ProgramOf(0), 19);
}

TEST(FluidSynthEngine, SongsKeepWhatTheSongBeforeThemSetUp) {
    // Without a reset file in between, a module keeps its programs; so does the synth.
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    SmfWriter first(0, 480);
    first.AddTrack().ProgramChange(0, 0, 19).EndAt(96);
    synth.OpenSong(dir, "FIRST.MID", first.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(1)));

    synth.OpenSong(dir, "SECOND.MID", HeldNoteSong(0.2, 19));
    synth.Device().Play();
    synth.Render(kBlock);
    EXPECT_EQ(synth.Engine().ProgramOf(0), 19);
}

TEST(FluidSynthEngine, LoadingIsReportedOnceOnTheUiThread) {
    std::vector<SynthReport> reports;
    VirtualSynth synth([&reports](SynthOptions& options) {
        options.onLoaded = [&reports](const SynthReport& report) { reports.push_back(report); };
    });
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    EXPECT_TRUE(reports.empty()) << "told only when the UI thread runs what was posted";
    synth.Ui().Drain();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].soundFontLoaded);
    EXPECT_EQ(reports[0].outputName, "virtual");
    EXPECT_TRUE(reports[0].outputNotice.empty());
}

// Waits (without judging how long it takes) for the silent output to finish a song in real time.
bool WaitForNotice(testing::PostedQueue& ui, const std::vector<long>& notices, std::chrono::seconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (notices.empty() && std::chrono::steady_clock::now() < giveUp) {
        ui.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !notices.empty();
}

TEST(FluidSynthEngine, WithoutAnAudioDriverASilentOutputKeepsTheSongsGoing) {
    TempDir dir;
    std::vector<SynthReport> reports;
    VirtualSynth synth([&reports](SynthOptions& options) {
        options.output = OutputKind::Automatic;
        options.audioDriver = "no-such-driver";
        options.onLoaded = [&reports](const SynthReport& report) { reports.push_back(report); };
    });
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    synth.Ui().Drain();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outputName, "silent");
    EXPECT_FALSE(reports[0].outputNotice.empty());

    synth.OpenSong(dir, "SHORT.MID", HeldNoteSong(0.2));
    synth.Device().Play();
    ASSERT_TRUE(WaitForNotice(synth.Ui(), synth.noticeFrames, std::chrono::seconds(20)));
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::Stopped);
}

TEST(FluidSynthEngine, AudioDriverRendersThroughTheDevicesOwnCallback) {
    // ALSA's "null" device takes the sound and throws it away: the driver's thread still has to call
    // back for every period, and the song must end from there.
    TempDir dir;
    std::vector<SynthReport> reports;
    VirtualSynth synth([&reports](SynthOptions& options) {
        options.output = OutputKind::Automatic;
        options.audioDriver = "alsa";
        options.fluidSettings = {{"audio.alsa.device", "null"}};
        options.onLoaded = [&reports](const SynthReport& report) { reports.push_back(report); };
    });
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    synth.Ui().Drain();
    ASSERT_EQ(reports.size(), 1u);
    if (reports[0].outputName != "alsa")
        GTEST_SKIP() << "ALSA's null device cannot be opened here";
    EXPECT_TRUE(reports[0].outputNotice.empty());

    synth.OpenSong(dir, "SHORT.MID", HeldNoteSong(0.2));
    synth.Device().Play();
    ASSERT_TRUE(WaitForNotice(synth.Ui(), synth.noticeFrames, std::chrono::seconds(20)));
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::Stopped);
}

}  // namespace
}  // namespace korva

namespace korva {
namespace {

// A short piano note, then a long rest in which only what the effects add can be heard.
testing::Stereo RenderShortNote(const std::function<void(SynthOptions&)>& adjust) {
    TempDir dir;
    VirtualSynth synth(adjust);
    EXPECT_TRUE(synth.Engine().WaitUntilLoaded());
    SmfWriter song(0, 480);
    song.AddTrack()
        .Tempo(0, 500000)
        .ControlChange(0, 0, 91, 127)
        .ControlChange(0, 0, 93, 127)
        .Note(0, 240, 0, 60, 100)
        .EndAt(480 * 6);
    synth.OpenSong(dir, "NOTE.MID", song.Bytes());
    synth.Device().Play();
    return synth.Render(synth.Seconds(3));
}

double TailRms(const testing::Stereo& sound, double fromSeconds) {
    const auto from = static_cast<std::ptrdiff_t>(fromSeconds * 44100);
    return testing::Stereo::Rms(std::vector<float>(sound.left.begin() + from, sound.left.end()));
}

TEST(SynthSound, GainScalesTheSoundAndTheEffectsCanBeTurnedOff) {
    const auto plain = RenderShortNote({});
    const auto louder = RenderShortNote([](SynthOptions& options) { options.gain = 0.4; });
    ASSERT_GT(plain.Peak(), kAudible);
    EXPECT_NEAR(louder.Peak() / plain.Peak(), 2.0, 0.2);

    const auto dry = RenderShortNote([](SynthOptions& options) {
        options.reverb = false;
        options.chorus = false;
    });
    EXPECT_GT(dry.Peak(), 10 * kAudible) << "the note itself is there";
    // Half a second after the note is released the piano has died away; what is left is the reverb.
    EXPECT_GT(TailRms(plain, 1.5), 4 * TailRms(dry, 1.5));
}

TEST(SynthSound, GainSettingIsHeldToTheSynthsRange) {
    EXPECT_DOUBLE_EQ(SynthGain(20), 0.2);
    EXPECT_DOUBLE_EQ(SynthGain(-5), 0.0);
    EXPECT_DOUBLE_EQ(SynthGain(100000), 10.0);
}

}  // namespace
}  // namespace korva

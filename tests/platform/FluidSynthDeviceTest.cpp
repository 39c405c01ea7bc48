#include "platform/FluidSynthDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "SynthTestSupport.h"
#include "platform/SmfScan.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::HeldNoteSong;
using testing::kAudible;
using testing::kBlock;
using testing::SmfWriter;
using testing::Stereo;
using testing::TempDir;
using testing::VirtualSynth;

// The notice comes after the block in which the player's clock reaches the last tick; the clock
// advances in steps of 64 frames.
void ExpectEndWithinOneBlock(long noticeFrame, long expectedFrame) {
    EXPECT_GE(noticeFrame, expectedFrame - 64);
    EXPECT_LE(noticeFrame, expectedFrame + kBlock + 64);
}

// A loaded synth and a folder for its songs.
class FluidSynthDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(synth.Engine().WaitUntilLoaded()); }

    TempDir dir;
    VirtualSynth synth;
};

TEST_F(FluidSynthDeviceTest, OneSecondSongSoundsAndEndsWithOneNoticeAtItsLastTick) {
    synth.OpenSong(dir, "ONE.MID", HeldNoteSong(1.0));
    synth.Device().Play();
    EXPECT_EQ(synth.Device().Fault(), DeviceFault::None);

    const Stereo sound = synth.Render(synth.Seconds(2.0));

    EXPECT_GT(Stereo::Peak(sound.left), kAudible);
    EXPECT_GT(Stereo::Peak(sound.right), kAudible);
    ASSERT_EQ(synth.noticeFrames.size(), 1u);
    ExpectEndWithinOneBlock(synth.noticeFrames[0], synth.Seconds(1.0));
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::Stopped);
}

TEST_F(FluidSynthDeviceTest, NoticeIsNeverHandledInsideTheCallThatEndedThePlay) {
    synth.OpenSong(dir, "A.MID", HeldNoteSong(2.0));
    synth.Device().Play();
    synth.Render(synth.Seconds(0.5));

    synth.Device().Stop();

    EXPECT_TRUE(synth.noticeFrames.empty());
    EXPECT_EQ(synth.Ui().Pending(), 1u);
    synth.Ui().Drain();
    ASSERT_EQ(synth.noticeModes.size(), 1u);
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::Stopped);
    synth.Render(synth.Seconds(3.0));
    EXPECT_EQ(synth.noticeModes.size(), 1u) << "a stopped song must not end a second time";
}

TEST_F(FluidSynthDeviceTest, StopSilencesTheSongAndPlayGoesOnFromWhereItStopped) {
    synth.OpenSong(dir, "A.MID", HeldNoteSong(2.0));
    synth.Device().Play();
    synth.Render(synth.Seconds(0.5));
    synth.Device().Stop();
    const int stoppedAt = synth.Engine().CurrentTick();

    synth.Render(synth.Seconds(0.2));  // let the cut note's last samples go
    EXPECT_LT(synth.Render(synth.Seconds(0.5)).Peak(), kAudible);
    EXPECT_EQ(synth.Engine().CurrentTick(), stoppedAt);

    synth.Device().Play();
    synth.Render(kBlock);
    EXPECT_GE(synth.Engine().CurrentTick(), stoppedAt);
    EXPECT_LT(synth.Engine().CurrentTick(), stoppedAt + 48);
}

TEST_F(FluidSynthDeviceTest, PauseFreezesTheSongAndResumeSoundsTheHeldNoteAgain) {
    synth.OpenSong(dir, "HELD.MID", HeldNoteSong(1.0));
    synth.Device().Play();
    const Stereo beforePause = synth.Render(synth.Seconds(0.5));
    const double rmsBefore =
        Stereo::Rms(std::vector<float>(beforePause.left.end() - kBlock, beforePause.left.end()));

    synth.Device().Pause();
    const int pausedAt = synth.Engine().CurrentTick();
    const Stereo duringPause = synth.Render(synth.Seconds(1.5));

    EXPECT_EQ(synth.Device().Mode(), DeviceMode::Paused);
    EXPECT_LT(duringPause.Peak(), kAudible);
    EXPECT_EQ(synth.Engine().CurrentTick(), pausedAt);
    ASSERT_EQ(synth.noticeModes.size(), 1u) << "the pause ends the play";
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::Paused);

    synth.Device().Play();
    const Stereo afterResume = synth.Render(kBlock);
    EXPECT_GT(Stereo::Rms(afterResume.left), rmsBefore * 0.5) << "the held note must sound again";
    EXPECT_GE(synth.Engine().CurrentTick(), pausedAt);
    EXPECT_LT(synth.Engine().CurrentTick(), pausedAt + 48);

    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2.0)));
    ASSERT_EQ(synth.noticeModes.size(), 2u);
    EXPECT_EQ(synth.noticeModes[1], DeviceMode::Stopped);
    ExpectEndWithinOneBlock(synth.noticeFrames[1], synth.Seconds(1.0 + 1.5));
}

TEST_F(FluidSynthDeviceTest, PauseOnAPausedDeviceResumesIt) {
    synth.OpenSong(dir, "A.MID", HeldNoteSong(1.0));
    synth.Device().Play();
    synth.Render(kBlock);

    synth.Device().Pause();
    synth.Device().Pause();

    EXPECT_EQ(synth.Device().Mode(), DeviceMode::Playing);
    EXPECT_GT(synth.Render(kBlock).Peak(), kAudible);
}

TEST_F(FluidSynthDeviceTest, PlayAfterTheEndStartsOver) {
    synth.OpenSong(dir, "A.MID", HeldNoteSong(0.5));
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2.0)));
    synth.Render(synth.Seconds(1.0));
    const long restartFrame = synth.frame;

    synth.Device().Play();
    const Stereo again = synth.Render(kBlock);

    EXPECT_EQ(synth.Device().Mode(), DeviceMode::Playing);
    EXPECT_LT(synth.Engine().CurrentTick(), 48);
    EXPECT_GT(again.Peak(), kAudible);
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2.0)));
    ExpectEndWithinOneBlock(synth.noticeFrames.back() - restartFrame, synth.Seconds(0.5));
}

TEST_F(FluidSynthDeviceTest, ModeFollowsOpenPlayPauseStopAndClose) {
    auto& device = synth.Device();
    EXPECT_EQ(device.Mode(), DeviceMode::None);

    const std::vector<std::pair<std::function<void()>, DeviceMode>> steps{
        {[&] { synth.OpenSong(dir, "A.MID", HeldNoteSong(2.0)); }, DeviceMode::Stopped},
        {[&] { device.Play(); }, DeviceMode::Playing},
        {[&] { device.Pause(); }, DeviceMode::Paused},
        {[&] { device.Play(); }, DeviceMode::Playing},
        {[&] { device.Stop(); }, DeviceMode::Stopped},
        {[&] { device.Play(); }, DeviceMode::Playing},
        {[&] { device.Close(); }, DeviceMode::None},
        {[&] { device.Pause(); }, DeviceMode::None},
        {[&] { device.Stop(); }, DeviceMode::None},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        synth.Render(kBlock);
        EXPECT_EQ(device.Mode(), steps[i].second) << "after step " << i;
    }
}

TEST_F(FluidSynthDeviceTest, NoticeArrivingAfterCloseFindsNoMode) {
    synth.OpenSong(dir, "A.MID", HeldNoteSong(2.0));
    synth.Device().Play();
    synth.Render(kBlock);

    synth.Device().Stop();
    synth.Device().Close();
    synth.Ui().Drain();

    ASSERT_EQ(synth.noticeModes.size(), 1u);
    EXPECT_EQ(synth.noticeModes[0], DeviceMode::None);
}

TEST_F(FluidSynthDeviceTest, EveryPlayIsAnsweredByExactlyOneNotice) {
    auto& device = synth.Device();

    device.Play();  // not open: fails, and is still answered
    EXPECT_EQ(device.Fault(), DeviceFault::NotOpen);
    EXPECT_FALSE(device.ErrorText().empty());
    synth.Ui().Drain();
    EXPECT_EQ(synth.noticeModes.size(), 1u);

    synth.OpenSong(dir, "A.MID", HeldNoteSong(0.5));
    device.Play();
    device.Play();  // supersedes the first
    EXPECT_EQ(device.Fault(), DeviceFault::None);
    synth.Ui().Drain();
    EXPECT_EQ(synth.noticeModes.size(), 2u);

    synth.OpenSong(dir, "B.MID", HeldNoteSong(0.5));  // opening another file ends the play
    synth.Ui().Drain();
    EXPECT_EQ(synth.noticeModes.size(), 3u);

    device.Play();
    synth.Render(synth.Seconds(3.0));
    EXPECT_EQ(synth.noticeModes.size(), 4u);
}

TEST(FluidSynthDevice, PlayBeforeTheSoundFontIsLoadedWaitsForItWithoutBlocking) {
    std::promise<void> release;
    auto released = release.get_future().share();
    TempDir dir;
    VirtualSynth synth([released](SynthOptions& options) {
        options.beforeLoadForTesting = [released] { released.wait(); };
    });

    synth.OpenSong(dir, "A.MID", HeldNoteSong(0.5));
    synth.Device().Play();
    EXPECT_EQ(synth.Device().Fault(), DeviceFault::None);
    EXPECT_EQ(synth.Device().Mode(), DeviceMode::Playing);
    EXPECT_LT(synth.Render(kBlock).Peak(), kAudible);

    release.set_value();
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    const long loadedFrame = synth.frame;
    EXPECT_GT(synth.Render(kBlock).Peak(), kAudible);
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(2.0)));
    ExpectEndWithinOneBlock(synth.noticeFrames[0] - loadedFrame, synth.Seconds(0.5));
}

TEST(FluidSynthDevice, MissingSoundFontIsToldAtStartAndFailsEachPlay) {
    TempDir dir;
    const std::string missing = dir.Folder() + "NOWHERE.SF2";
    std::vector<SynthReport> reports;
    VirtualSynth synth([&](SynthOptions& options) {
        options.soundFontPath = missing;
        options.onLoaded = [&reports](const SynthReport& report) { reports.push_back(report); };
    });
    EXPECT_FALSE(synth.Engine().WaitUntilLoaded());
    synth.Ui().Drain();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].soundFontLoaded);
    EXPECT_NE(reports[0].soundFontMessage.find(missing), std::string::npos);
    EXPECT_NE(reports[0].soundFontMessage.find("SOUNDFONT"), std::string::npos);

    synth.OpenSong(dir, "A.MID", HeldNoteSong(0.5));
    synth.Device().Play();
    EXPECT_EQ(synth.Device().Fault(), DeviceFault::NoSoundFont);
    EXPECT_NE(synth.Device().ErrorText().find(missing), std::string::npos);
    synth.Ui().Drain();
    EXPECT_EQ(synth.noticeModes.size(), 1u);
}

TEST(FluidSynthDevice, SoundFontThatIsNoSoundFontIsToldAsUnreadable) {
    TempDir dir;
    const std::string junk = dir.Write("JUNK.SF2", "RIFF not really a SoundFont");
    VirtualSynth synth([&](SynthOptions& options) { options.soundFontPath = junk; });

    EXPECT_FALSE(synth.Engine().WaitUntilLoaded());
    const auto message = synth.Engine().Report().soundFontMessage;
    EXPECT_NE(message.find(junk), std::string::npos);
    EXPECT_NE(ToDisplayUtf8(message).find("読み込めません"), std::string::npos);
}

TEST_F(FluidSynthDeviceTest, FileIsFoundWhateverTheLetterCaseOfItsName) {
    dir.Write("Song.mid", HeldNoteSong(0.5));
    synth.Device().Open(dir.Folder() + "SONG.MID");
    EXPECT_EQ(synth.Device().Mode(), DeviceMode::Stopped);
}

struct BadFile {
    const char* name;
    std::function<std::string(const TempDir&)> make;  // returns the path to open
    DeviceFault fault;
    const char* textPart;  // UTF-8
};
void PrintTo(const BadFile& value, std::ostream* out) {
    *out << value.name;
}

class FluidSynthDeviceBadFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(FluidSynthDeviceBadFile, IsRefusedAtOpenWithATextNamingTheFile) {
    const auto& param = GetParam();
    TempDir dir;
    VirtualSynth synth;
    const std::string path = param.make(dir);

    synth.Device().Open(path);
    const std::string text = synth.Device().ErrorText();
    EXPECT_EQ(synth.Device().Fault(), param.fault);
    EXPECT_TRUE(IsFileFault(param.fault));
    EXPECT_NE(text.find(path), std::string::npos) << ToDisplayUtf8(text);
    EXPECT_NE(ToDisplayUtf8(text).find(param.textPart), std::string::npos) << ToDisplayUtf8(text);
    EXPECT_EQ(synth.Device().Mode(), DeviceMode::None);
}

std::string GoodSong() {
    SmfWriter writer(1, 480);
    writer.AddTrack().Tempo(0, 500000).TrackName(0, "Conductor");
    writer.AddTrack().ProgramChange(0, 0, 0).Note(0, 480, 0, 60).Note(480, 480, 0, 64);
    return writer.Bytes();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FluidSynthDeviceBadFile,
    ::testing::Values(
        BadFile{"Missing", [](const TempDir& d) { return d.Folder() + "NONE.MID"; },
                DeviceFault::FileNotFound, "見つかりません"},
        BadFile{"Folder",
                [](const TempDir& d) {
                    std::filesystem::create_directory(d.Path() / "DIR.MID");
                    return d.Folder() + "DIR.MID";
                },
                DeviceFault::FileUnreadable, "読み込めません"},
        BadFile{"Empty", [](const TempDir& d) { return d.Write("EMPTY.MID", ""); }, DeviceFault::NotMidiFile,
                "MThd"},
        BadFile{"Text", [](const TempDir& d) { return d.Write("TEXT.MID", "This is no song\r\n"); },
                DeviceFault::NotMidiFile, "MThd"},
        BadFile{"MacBinary",
                [](const TempDir& d) { return d.Write("MAC.MID", testing::WithMacBinaryHeader(GoodSong())); },
                DeviceFault::NotMidiFile, "MThd"},
        BadFile{"Truncated",
                [](const TempDir& d) {
                    const auto song = GoodSong();
                    return d.Write("CUT.MID", testing::Truncated(song, song.size() - 5));
                },
                DeviceFault::MidiFileTruncated, "途中で切れています"},
        BadFile{"Corrupt",
                [](const TempDir& d) {
                    // The first event of the second track loses its status byte.
                    SmfWriter writer(1, 480);
                    writer.AddTrack().Tempo(0, 500000);
                    writer.AddTrack().Event(0, Bytes({60, 100})).Note(0, 480, 0, 60);
                    return d.Write("BAD.MID", writer.Bytes());
                },
                DeviceFault::MidiFileCorrupt, "壊れています"},
        BadFile{"SmpteTime",
                [](const TempDir& d) {
                    return d.Write("SMPTE.MID", testing::Patched(GoodSong(), 12, Bytes({0xE7, 0x28})));
                },
                DeviceFault::MidiFileUnsupported, "演奏できません"}),
    [](const ::testing::TestParamInfo<BadFile>& paramInfo) { return paramInfo.param.name; });

// Files that the check lets through must really be read by the synthesizer's player: each ends at
// its last tick, not at the player's late "done" nor at once as a file the player gave up on.
struct OddButPlayable {
    const char* name;
    std::string bytes;
    double seconds;
};
void PrintTo(const OddButPlayable& value, std::ostream* out) {
    *out << value.name;
}

class FluidSynthDeviceOddFile : public ::testing::TestWithParam<OddButPlayable> {};

TEST_P(FluidSynthDeviceOddFile, PlaysToItsLastTick) {
    const auto& param = GetParam();
    ASSERT_TRUE(ScanSmf(param.bytes).Ok());
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    synth.OpenSong(dir, "ODD.MID", param.bytes);
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(param.seconds + 3)));
    ExpectEndWithinOneBlock(synth.noticeFrames[0], synth.Seconds(param.seconds));
}

std::vector<OddButPlayable> OddFiles() {
    std::vector<OddButPlayable> files;
    {
        SmfWriter writer(0, 480);
        writer.AddTrack().Note(0, 480, 0, 60).WithoutEndOfTrack();
        files.push_back({"NoEndOfTrack", writer.Bytes(), 0.5});
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .Event(0, Bytes({0x90, 60, 100}))
            .Event(240, Bytes({62, 100}))
            .Event(480, Bytes({60, 0}))
            .Event(480, Bytes({62, 0}));
        files.push_back({"RunningStatus", writer.Bytes(), 0.5});
    }
    {
        SmfWriter writer(1, 96);
        writer.AddTrack().Tempo(0, 250000).Tempo(96, 1000000);
        writer.AddTrack().SysEx(0, Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})).Note(0, 192, 9, 36);
        files.push_back({"TempoChangeAndSysEx", writer.Bytes(), 0.25 + 1.0});
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack().Note(0, 960, 0, 60);
        // The last track claims more bytes than the file has, but ends properly.
        files.push_back(
            {"LastTrackLengthTooLong", testing::Patched(writer.Bytes(), 18, Bytes({0, 0, 0x10, 0})), 1.0});
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack().Note(0, 480, 0, 60);
        files.push_back(
            {"ForeignChunkAfterTheTracks", writer.Bytes() + "XFIH" + Bytes({0, 0, 0, 2, 1, 2}), 0.5});
    }
    return files;
}

INSTANTIATE_TEST_SUITE_P(Files, FluidSynthDeviceOddFile, ::testing::ValuesIn(OddFiles()),
                         [](const ::testing::TestParamInfo<OddButPlayable>& paramInfo) {
                             return paramInfo.param.name;
                         });

}  // namespace
}  // namespace korva

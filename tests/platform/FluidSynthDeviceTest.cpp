#include "platform/FluidSynthDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <future>
#include <stdexcept>

#include <sys/stat.h>

#include "SynthTestSupport.h"
#include "support/QuirkySmf.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::HeldNoteSong;
using testing::kAudible;
using testing::kBlock;
using testing::SmfTrack;
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

// The song's last events (here the note off of an organ, which sounds for as long as it is held)
// are sent even when its last tick falls in the last half of a synthesizer step at the end of a
// block, where they would be due only in the block after the end.
TEST_F(FluidSynthDeviceTest, LastEventsAreSentWhereverTheEndFallsInABlock) {
    // At 120 beats a minute and 480 ticks a beat, tick 111 is frame 5,099: 1,003 frames into the
    // fifth block of 1,024.
    SmfWriter writer;
    writer.AddTrack().ProgramChange(0, 0, 19).Note(0, 111, 0, 60, 100);
    synth.OpenSong(dir, "ORGAN.MID", writer.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(1.0)));
    ASSERT_EQ(synth.noticeFrames[0], 5 * kBlock);
    synth.Render(synth.Seconds(1.5));
    const Stereo after = synth.Render(synth.Seconds(0.5));
    EXPECT_LT(after.Peak(), kAudible) << "the note went on sounding after its song had ended";
}

// A file of nothing but notes at its first tick would have the synthesizer take them all in its
// first block, holding the engine (and every window that asks it anything) for as long as that
// takes: tens of seconds for a few megabytes. They are taken a block's worth at a time instead, and
// the song ends once the last of them is sent.
TEST_F(FluidSynthDeviceTest, EventsAllAtOnceAreSentABlockAtATime) {
    SmfWriter writer;
    SmfTrack& track = writer.AddTrack();
    for (int i = 0; i < 10'000; ++i) track.Note(0, 0, i % 16, 36 + i % 60);  // 20,000 events at tick 0
    synth.OpenSong(dir, "BURST.MID", writer.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(5.0)));
    EXPECT_GE(synth.noticeFrames[0], 19 * kBlock) << "more events in one block than it should take";
    EXPECT_LE(synth.noticeFrames[0], 21 * kBlock);
    synth.Render(synth.Seconds(0.5));
    EXPECT_EQ(synth.noticeFrames.size(), 1u);
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
        // What is no regular file is refused before it is opened for reading, and named for what it is.
        BadFile{"Fifo",
                [](const TempDir& d) {
                    const auto path = d.Path() / "PIPE.MID";
                    if (::mkfifo(path.c_str(), 0600) != 0)
                        throw std::runtime_error("mkfifo");
                    return d.Folder() + "PIPE.MID";
                },
                DeviceFault::FileUnreadable, "名前付きパイプ"},
        BadFile{"LinkToDevZero",
                [](const TempDir& d) {
                    std::filesystem::create_symlink("/dev/zero", d.Path() / "ZERO.MID");
                    return d.Folder() + "ZERO.MID";
                },
                DeviceFault::FileUnreadable, "デバイス"},
        BadFile{"LargerThanTheBound",
                [](const TempDir& d) {
                    const auto path = d.Path() / "HUGE.MID";
                    std::filesystem::copy_file(std::filesystem::path(d.Write("SMALL.MID", GoodSong())), path);
                    std::filesystem::resize_file(path, FluidSynthDevice::kMaxFileSize + 1);
                    return d.Folder() + "HUGE.MID";
                },
                DeviceFault::MidiFileUnsupported, "64 MB"},
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
        BadFile{"CutInsideItsFirstEvent",
                [](const TempDir& d) {
                    const auto song = GoodSong();
                    return d.Write("CUT.MID", testing::Truncated(song, song.find("MTrk") + 8 + 2));
                },
                DeviceFault::MidiFileTruncated, "途中で切れています"},
        BadFile{"NoReadableEvent",
                [](const TempDir& d) {
                    // The only track starts with a data byte that no status byte comes before.
                    SmfWriter writer(0, 480);
                    writer.AddTrack().Event(0, Bytes({60, 100})).Note(0, 480, 0, 60);
                    return d.Write("BAD.MID", writer.Bytes());
                },
                DeviceFault::MidiFileCorrupt, "壊れています"},
        BadFile{"NoTracks",
                [](const TempDir& d) {
                    return d.Write("NONE.MID", testing::Patched(GoodSong(), 10, Bytes({0, 0})));
                },
                DeviceFault::MidiFileCorrupt, "壊れています"},
        BadFile{"DivisionZero",
                [](const TempDir& d) {
                    return d.Write("ZERO.MID", testing::Patched(GoodSong(), 12, Bytes({0, 0})));
                },
                DeviceFault::MidiFileCorrupt, "壊れています"},
        BadFile{"NoTrackHoldsAnEvent",
                [](const TempDir& d) {
                    return d.Write("HOLLOW.MID", "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}) + "MTrk" +
                                                     Bytes({0, 0, 0, 0}));
                },
                DeviceFault::MidiFileUnsupported, "演奏できません：イベントのあるトラックがありません"}),
    [](const ::testing::TestParamInfo<BadFile>& paramInfo) { return paramInfo.param.name; });

// Files that old sequencers wrote and strict readers refuse play whole: every note sounds, and each
// ends at its last tick, not at the player's late "done" nor at once as a file the player gave up on.
class FluidSynthDeviceQuirkyFile : public ::testing::TestWithParam<testing::QuirkySmf> {};

TEST_P(FluidSynthDeviceQuirkyFile, PlaysAudiblyToItsLastTick) {
    const auto& param = GetParam();
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    synth.OpenSong(dir, "ODD.MID", param.bytes);
    synth.Device().Play();
    ASSERT_EQ(synth.Device().Fault(), DeviceFault::None);
    Stereo sound;
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(param.seconds + 3), &sound));
    EXPECT_GT(sound.Peak(), kAudible);
    ExpectEndWithinOneBlock(synth.noticeFrames[0], synth.Seconds(param.seconds));
}

INSTANTIATE_TEST_SUITE_P(Files, FluidSynthDeviceQuirkyFile, ::testing::ValuesIn(testing::QuirkySmfFiles()),
                         [](const ::testing::TestParamInfo<testing::QuirkySmf>& paramInfo) {
                             return paramInfo.param.name;
                         });

// Where each note starts in rendered sound: the first clearly audible frame after a stretch of
// near silence. The threshold lies well above the reverberation's tail.
std::vector<long> Onsets(const Stereo& sound, long minimumSilence) {
    constexpr double kLoud = 10 * kAudible;
    std::vector<long> onsets;
    long silent = minimumSilence;
    for (std::size_t i = 0; i < sound.left.size(); ++i) {
        const bool audible = std::fabs(sound.left[i]) > kLoud || std::fabs(sound.right[i]) > kLoud;
        if (audible && silent >= minimumSilence)
            onsets.push_back(static_cast<long>(i));
        silent = audible ? 0 : silent + 1;
    }
    return onsets;
}

// The second at which a tick falls, worked out from the tempo changes of all tracks.
double SecondsAt(std::uint32_t tick, std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos,
                 int division) {
    std::sort(tempos.begin(), tempos.end());
    double seconds = 0;
    std::uint32_t at = 0;
    std::uint32_t tempo = 500000;
    for (const auto& [changeTick, changeTempo] : tempos) {
        if (changeTick >= tick)
            break;
        seconds += (changeTick - at) * tempo / 1e6 / division;
        at = changeTick;
        tempo = changeTempo;
    }
    return seconds + (tick - at) * tempo / 1e6 / division;
}

TEST_F(FluidSynthDeviceTest, NotesOfAllTracksStartWhenTheTempoChangesOfAllTracksSay) {
    // Short organ notes, which fall silent as soon as they are released, on three tracks; the tempo
    // changes in the conductor track and, once, in a track of notes.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos{
        {0, 600000}, {960, 250000}, {1920, 400000}, {2880, 900000}};
    const std::vector<std::uint32_t> noteTicks{0, 480, 960, 1440, 1920, 2400, 2880, 3360};
    SmfWriter writer(1, 480);
    auto& conductor = writer.AddTrack();
    for (const auto& [tick, tempo] : tempos) {
        if (tick != 1920)
            conductor.Tempo(tick, tempo);
    }
    std::vector<testing::SmfTrack*> tracks{&writer.AddTrack(), &writer.AddTrack(), &writer.AddTrack()};
    tracks[1]->Tempo(1920, 400000);
    for (std::size_t i = 0; i < noteTicks.size(); ++i) {
        const int channel = static_cast<int>(i % 3);
        tracks[i % 3]->ProgramChange(0, channel, 16).Note(noteTicks[i], 60, channel, 60 + channel * 5);
    }
    tracks[2]->EndAt(3840);

    synth.OpenSong(dir, "TEMPO.MID", writer.Bytes());
    synth.Device().Play();
    Stereo sound;
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(10), &sound));

    const auto onsets = Onsets(sound, synth.Seconds(0.05));
    ASSERT_EQ(onsets.size(), noteTicks.size());
    // The organ's attack takes a moment to be heard: as long as the first note, sent at frame 0,
    // took. Each event is sent before the synthesizer's 64-frame step that starts nearest to its
    // time, so a note is heard at most half a step early or late; finding the onset in the sound
    // adds up to a quarter of a step.
    const long attack = onsets[0];
    for (std::size_t i = 0; i < noteTicks.size(); ++i) {
        const long expected = synth.Seconds(SecondsAt(noteTicks[i], tempos, 480)) + attack;
        EXPECT_GE(onsets[i], expected - 48) << "note " << i;
        EXPECT_LE(onsets[i], expected + 48) << "note " << i;
    }
    ExpectEndWithinOneBlock(synth.noticeFrames[0], synth.Seconds(SecondsAt(3840, tempos, 480)));
}

// A song that takes long to read is waited for through the UI waiter, the slow-open handler told
// first; the reading thread is held here until the UI waits.
class SlowOpen : public ::testing::Test {
  protected:
    SlowOpen() {
        device.SetSlowOpenHandler([this] { ++slowTold; });
        device.SetBeforeReadForTesting([this] {
            if (reads++ == 0)
                readMayStart.wait();
        });
        ready = engine.WaitUntilLoaded();
    }

    // Waits as the user-interface thread does: running what is posted until the read is done.
    UiWaiter Waiter() {
        return [this](const std::function<bool()>& done) {
            ++waits;
            EXPECT_EQ(slowTold, 1);
            if (meanwhile)
                meanwhile();
            firstRead.set_value();
            while (!done()) ui.WaitAndDrain();
        };
    }

    TempDir dir;
    testing::PostedQueue ui;
    FluidSynthEngine engine{testing::VirtualOptions(ui.Poster())};
    std::function<void()> meanwhile;  // what the user does while the read goes on
    FluidSynthDevice device{engine, ui.Poster(), Waiter()};
    std::promise<void> firstRead;
    std::shared_future<void> readMayStart = firstRead.get_future().share();
    std::atomic<int> reads{0};
    int slowTold = 0;
    int waits = 0;
    bool ready = false;
};

TEST_F(SlowOpen, SongIsTakenOnceReadAndPlays) {
    ASSERT_TRUE(ready);
    device.Open(dir.Write("A.MID", HeldNoteSong(0.5)));
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(device.Fault(), DeviceFault::None);
    EXPECT_EQ(device.Mode(), DeviceMode::Stopped);
    device.Play();
    EXPECT_EQ(device.Mode(), DeviceMode::Playing);
}

TEST_F(SlowOpen, CloseWhileReadingDropsTheSong) {
    ASSERT_TRUE(ready);
    meanwhile = [this] { device.Close(); };
    device.Open(dir.Write("A.MID", HeldNoteSong(0.5)));
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(device.Mode(), DeviceMode::None);
    device.Play();
    EXPECT_EQ(device.Fault(), DeviceFault::NotOpen);
}

TEST_F(SlowOpen, AnotherOpenWhileReadingWinsOverIt) {
    ASSERT_TRUE(ready);
    const std::string good = dir.Write("GOOD.MID", HeldNoteSong(0.5));
    meanwhile = [this, good] { device.Open(good); };
    device.Open(dir.Write("BAD.MID", "no song"));
    // The later open's song stands; the earlier one's refusal is not told.
    EXPECT_EQ(device.Fault(), DeviceFault::None);
    EXPECT_EQ(device.Mode(), DeviceMode::Stopped);
}

}  // namespace
}  // namespace korva

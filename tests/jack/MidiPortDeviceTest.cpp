// The MIDI port device end to end: a real JACK server (dummy back end) started by the test, the
// device's port connected to a JACK MIDI client of the test's own that records every event with
// its frame time. Times are checked with a generous allowance only; the bench measures lateness.

#include "platform/MidiPortDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "support/JackRig.h"
#include "support/PostedQueue.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::JackRecorder;
using testing::JackServer;
using testing::SmfWriter;
using testing::TempDir;
using Event = JackRecorder::Event;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kResetAllControllers = 121;

struct Notice {
    DeviceMode mode;
    DeviceFault fault;
    std::string errorText;
};

bool IsNote(const Event& event) {
    return event.bytes.size() == 3 && ((event.bytes[0] & 0xF0) == 0x80 || (event.bytes[0] & 0xF0) == 0x90);
}
bool IsNoteOn(const Event& event) {
    return IsNote(event) && (event.bytes[0] & 0xF0) == 0x90 && event.bytes[2] != 0;
}
bool IsNoteOff(const Event& event) {
    return IsNote(event) && !IsNoteOn(event);
}
bool IsController(const Event& event, int channel, std::uint8_t controller) {
    return event.bytes.size() == 3 && event.bytes[0] == 0xB0 + channel && event.bytes[1] == controller;
}
std::size_t CountIf(const std::vector<Event>& events, const std::function<bool(const Event&)>& test) {
    return static_cast<std::size_t>(std::count_if(events.begin(), events.end(), test));
}
Bytes MasterVolume(std::uint16_t value) {
    return {0xF0, 0x7F, 0x7F, 0x04, 0x01, static_cast<std::uint8_t>(value & 0x7F),
            static_cast<std::uint8_t>(value >> 7), 0xF7};
}

// Every note-on is followed by its note-off, and after the last note-off come All Sound Off and
// Reset All Controllers on every channel.
void ExpectSilenced(const std::vector<Event>& events) {
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!IsNoteOn(events[i]))
            continue;
        const auto off = std::find_if(events.begin() + static_cast<std::ptrdiff_t>(i) + 1, events.end(),
                                      [&](const Event& e) {
                                          return IsNoteOff(e) && (e.bytes[0] & 0x0F) == (events[i].bytes[0] & 0x0F) &&
                                                 e.bytes[1] == events[i].bytes[1];
                                      });
        EXPECT_NE(off, events.end()) << "note " << int(events[i].bytes[1]) << " on channel "
                                     << int(events[i].bytes[0] & 0x0F) << " is left sounding";
    }
    const auto lastOff = std::find_if(events.rbegin(), events.rend(), IsNoteOff);
    const auto from = lastOff == events.rend() ? events.begin() : lastOff.base();
    for (int channel = 0; channel < 16; ++channel) {
        const auto soundOff = std::find_if(from, events.end(), [&](const Event& e) {
            return IsController(e, channel, kAllSoundOff);
        });
        ASSERT_NE(soundOff, events.end()) << "no All Sound Off on channel " << channel;
        EXPECT_NE(std::find_if(soundOff, events.end(),
                               [&](const Event& e) { return IsController(e, channel, kResetAllControllers); }),
                  events.end())
            << "no Reset All Controllers on channel " << channel;
    }
}

bool HasResetAllControllersOnEveryChannel(const std::vector<Event>& events) {
    return CountIf(events, [](const Event& e) {
               return e.bytes.size() == 3 && (e.bytes[0] & 0xF0) == 0xB0 && e.bytes[1] == kResetAllControllers;
           }) >= 16;
}

class MidiPortJackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto why = JackServer::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        server = std::make_unique<JackServer>();
        ASSERT_TRUE(server->Running()) << server->Problem();
        recorder = std::make_unique<JackRecorder>("synth");
        ASSERT_TRUE(recorder->Ready());
        MakeOutput(recorder->PortName());
    }
    void TearDown() override {
        output.reset();
        recorder.reset();
        server.reset();
    }

    void MakeOutput(const std::string& portName) {
        output.reset();
        output = std::make_unique<MidiPortOutput>(MidiPortOptions{portName, MidiApi::Jack, posted.Poster(), {}});
        Device().SetNotifyHandler([this] {
            notices.push_back({Device().Mode(), Device().Fault(), Device().ErrorText()});
        });
    }
    SequencerDevice& Device() { return output->Device(); }

    std::string Song(const std::string& name, const SmfWriter& writer) { return dir.Write(name, writer.Bytes()); }

    void OpenAndPlay(const std::string& path) {
        Device().Open(path);
        ASSERT_EQ(Device().Fault(), DeviceFault::None) << Device().ErrorText();
        Device().Play();
        ASSERT_EQ(Device().Fault(), DeviceFault::None) << ToDisplayUtf8(Device().ErrorText());
    }

    // Runs what was posted until `count` notices came, at most 20 s.
    bool WaitForNotices(std::size_t count) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (notices.size() < count && std::chrono::steady_clock::now() < giveUp) {
            posted.Drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        posted.Drain();
        return notices.size() >= count;
    }
    // Waits for what the recorder should get; when it does not come, says what came.
    bool WaitForEvents(const std::function<bool(const std::vector<Event>&)>& done) {
        if (recorder->WaitFor(done))
            return true;
        std::string arrived;
        for (const auto& event : recorder->Events()) {
            arrived += std::to_string(event.frame) + ":";
            for (const auto byte : event.bytes) arrived += " " + std::to_string(byte);
            arrived += "\n";
        }
        ADD_FAILURE() << "arrived:\n" << arrived;
        return false;
    }

    TempDir dir;
    testing::PostedQueue posted;
    std::unique_ptr<JackServer> server;
    std::unique_ptr<JackRecorder> recorder;
    std::unique_ptr<MidiPortOutput> output;
    std::vector<Notice> notices;
};

// Notes on two channels, interleaved, 125 ms apart (tick 120 at 480 per quarter and 120 bpm).
SmfWriter TwoChannelSong() {
    SmfWriter writer;
    auto& first = writer.AddTrack();
    auto& second = writer.AddTrack();
    for (int i = 0; i < 8; ++i) {
        first.Note(static_cast<std::uint32_t>(240 * i), 100, 0, 60 + i, 90);
        second.Note(static_cast<std::uint32_t>(240 * i + 120), 100, 9, 36 + i, 80);
    }
    return writer;
}

TEST_F(MidiPortJackTest, TwoChannelSongArrivesInOrderEachNoteAtItsTime) {
    OpenAndPlay(Song("TWO.MID", TwoChannelSong()));
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices[0].mode, DeviceMode::Stopped);
    EXPECT_EQ(notices[0].fault, DeviceFault::None);

    // The file's notes in time order: (status, key, milliseconds).
    struct Expected {
        std::uint8_t status;
        std::uint8_t key;
        double ms;
    };
    std::vector<Expected> expected;
    for (int i = 0; i < 8; ++i) {
        const double on = 250.0 * i;
        const double length = 100 * 500.0 / 480;
        expected.push_back({0x90, static_cast<std::uint8_t>(60 + i), on});
        expected.push_back({0x80, static_cast<std::uint8_t>(60 + i), on + length});
        expected.push_back({0x99, static_cast<std::uint8_t>(36 + i), on + 125});
        expected.push_back({0x89, static_cast<std::uint8_t>(36 + i), on + 125 + length});
    }
    std::stable_sort(expected.begin(), expected.end(), [](const Expected& a, const Expected& b) { return a.ms < b.ms; });

    // What was sent before the notice arrives within a period or two.
    ASSERT_TRUE(WaitForEvents(HasResetAllControllersOnEveryChannel));
    std::vector<Event> notes;
    const auto events = recorder->Events();
    std::copy_if(events.begin(), events.end(), std::back_inserter(notes), IsNote);
    ASSERT_EQ(notes.size(), expected.size());
    // Each note's arrival less its time in the file; the least of these is the delay all share
    // (the first notes may wait for the port's connection), and no note comes much later than that.
    // Arrivals are timed by the steady clock at which the recorder's period ran: the server waits
    // for late clients, so on a loaded machine its frame clock falls behind the wall clock.
    std::vector<double> offsets;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        // A note-off in the file is a note-off (80) on the port.
        EXPECT_EQ(notes[i].bytes[0], expected[i].status) << "event " << i;
        EXPECT_EQ(notes[i].bytes[1], expected[i].key) << "event " << i;
        offsets.push_back(std::chrono::duration<double, std::milli>(notes[i].taken - notes[0].taken).count() -
                          expected[i].ms);
    }
    const double shared = *std::min_element(offsets.begin(), offsets.end());
    for (std::size_t i = 0; i < offsets.size(); ++i) EXPECT_LE(offsets[i] - shared, 50.0) << "event " << i;
    ExpectSilenced(events);
}

// The reset file goes out as the module's own reset, byte for byte, with Master Volume after it,
// before the song that follows it sounds.
TEST_F(MidiPortJackTest, GsResetArrivesByteExactBeforeTheFirstNote) {
    OpenAndPlay(std::string(KORVA_DATA_DIR) + "/KORVA_GS.MID");
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices[0].fault, DeviceFault::None);
    OpenAndPlay(Song("TWO.MID", TwoChannelSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 1; }));
    Device().Stop();

    const auto events = recorder->Events();
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    const auto reset = std::find_if(events.begin(), events.end(), [&](const Event& e) { return e.bytes == gsReset; });
    ASSERT_NE(reset, events.end());
    const auto firstNote = std::find_if(events.begin(), events.end(), IsNoteOn);
    EXPECT_LT(reset, firstNote);
    const auto volumeAfter = std::find_if(reset, events.end(), [](const Event& e) { return e.bytes == MasterVolume(0x3FFF); });
    EXPECT_LT(volumeAfter, firstNote);
}

// Notes held for a long time on two channels, and more to come.
SmfWriter HeldNotesSong() {
    SmfWriter writer;
    auto& track = writer.AddTrack();
    track.ControlChange(0, 0, 1, 50).ControlChange(0, 0, 64, 127).Event(0, testing::Bytes({0xE0, 0x00, 0x50}));
    track.Event(0, testing::Bytes({0xD0, 0x33}));
    track.Note(10, 20000, 0, 60, 100).Note(10, 20000, 0, 64, 90).Note(20, 20000, 3, 48, 70);
    track.Note(5000, 100, 0, 72, 100);
    return writer;
}

TEST_F(MidiPortJackTest, StopLeavesNoNoteHeldAndTheSongEndsWithOneNotice) {
    OpenAndPlay(Song("HELD.MID", HeldNotesSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 3; }));
    Device().Stop();
    ASSERT_TRUE(WaitForEvents(HasResetAllControllersOnEveryChannel));
    ExpectSilenced(recorder->Events());
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices[0].mode, DeviceMode::Stopped);
    Device().Close();
    posted.Drain();
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MidiPortJackTest, PauseSilencesAndResumeSendsControllersThenHeldNotesAgain) {
    OpenAndPlay(Song("HELD.MID", HeldNotesSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 3; }));
    Device().Pause();
    EXPECT_EQ(Device().Mode(), DeviceMode::Paused);
    ASSERT_TRUE(WaitForEvents(HasResetAllControllersOnEveryChannel));
    ExpectSilenced(recorder->Events());
    ASSERT_TRUE(WaitForNotices(1));
    const auto pausedAt = Device().PositionMicroseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Device().PositionMicroseconds(), pausedAt);  // the pause does not count as played

    recorder->Clear();
    Device().Pause();  // resumes
    EXPECT_EQ(Device().Mode(), DeviceMode::Playing);
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 3; }));
    const auto events = recorder->Events();
    const std::vector<Bytes> restored{{0xB0, 1, 50}, {0xB0, 64, 127}, {0xE0, 0x00, 0x50}, {0xD0, 0x33},
                                      {0x90, 60, 100}, {0x90, 64, 90}, {0x93, 48, 70}};
    ASSERT_GE(events.size(), restored.size());
    for (std::size_t i = 0; i < restored.size(); ++i) EXPECT_EQ(events[i].bytes, restored[i]) << "event " << i;
    EXPECT_GE(Device().PositionMicroseconds(), pausedAt);
    Device().Stop();
    ASSERT_TRUE(WaitForNotices(2));
}

TEST_F(MidiPortJackTest, VolumeIsSentAsMasterVolumeAtOnceAndWhenThePortOpens) {
    auto& volume = output->Volume();
    EXPECT_EQ(volume.DeviceCount(), 1);
    std::uint32_t value = 0;
    ASSERT_TRUE(volume.GetVolume(0, value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_FALSE(volume.SetVolume(1, 0));

    ASSERT_TRUE(volume.SetVolume(0, 0x7FFF7FFFu));  // the port is not open yet: sent when it opens
    OpenAndPlay(Song("HELD.MID", HeldNotesSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 1; }));
    EXPECT_EQ(recorder->Events().front().bytes, MasterVolume(0x1FFF));

    // The louder side counts; each step goes out at once.
    for (const auto& [set, sent] : {std::pair{0x3FFFFFFFu, 0x3FFF}, std::pair{0x00001000u, 0x0400}}) {
        const auto before = recorder->Events().size();
        ASSERT_TRUE(volume.SetVolume(0, set));
        EXPECT_TRUE(WaitForEvents([&, sent = sent](const auto& events) {
            return std::any_of(events.begin() + static_cast<std::ptrdiff_t>(before), events.end(),
                               [&](const Event& e) { return e.bytes == MasterVolume(static_cast<std::uint16_t>(sent)); });
        })) << "no Master Volume " << sent;
    }
    ASSERT_TRUE(volume.GetVolume(0, value));
    EXPECT_EQ(value, 0x00001000u);
    Device().Stop();
}

TEST_F(MidiPortJackTest, ServerKilledMidSongGivesOneNoticeWithOutputLostNamingThePort) {
    OpenAndPlay(Song("HELD.MID", HeldNotesSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 1; }));
    const std::string portName = recorder->PortName();
    server->Kill();
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices[0].fault, DeviceFault::OutputLost);
    EXPECT_EQ(notices[0].mode, DeviceMode::Stopped);
    EXPECT_NE(notices[0].errorText.find(portName), std::string::npos) << ToDisplayUtf8(notices[0].errorText);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    posted.Drain();
    EXPECT_EQ(notices.size(), 1u);

    // The next Play looks for the port again, and says it is not there.
    Device().Play();
    EXPECT_EQ(Device().Fault(), DeviceFault::CannotPlay);
    EXPECT_EQ(Device().ErrorText(), Sjis("ＭＩＤＩ出力ポート「") + portName + Sjis("」が見つかりません"));
    ASSERT_TRUE(WaitForNotices(2));
}

TEST_F(MidiPortJackTest, DestinationClientGoneMidSongGivesOneNoticeWithOutputLost) {
    OpenAndPlay(Song("HELD.MID", HeldNotesSong()));
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 1; }));
    const std::string portName = recorder->PortName();
    recorder->Close();
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices[0].fault, DeviceFault::OutputLost);
    EXPECT_EQ(notices[0].errorText, Sjis("ＭＩＤＩ出力ポート「") + portName + Sjis("」が使えなくなりました"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    posted.Drain();
    EXPECT_EQ(notices.size(), 1u);

    // The synthesizer back: the next Play finds it again.
    recorder = std::make_unique<JackRecorder>("synth");
    ASSERT_TRUE(recorder->Ready());
    ASSERT_EQ(recorder->PortName(), portName);
    Device().Play();
    EXPECT_EQ(Device().Fault(), DeviceFault::None);
    ASSERT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) >= 1; }));
    Device().Stop();
}

TEST_F(MidiPortJackTest, PortNotThereRefusesPlayNamingItAndAnswersWithOneNotice) {
    MakeOutput("nobody:in");
    Device().Open(Song("TWO.MID", TwoChannelSong()));
    ASSERT_EQ(Device().Fault(), DeviceFault::None);
    Device().Play();
    EXPECT_EQ(Device().Fault(), DeviceFault::CannotPlay);
    EXPECT_EQ(Device().ErrorText(), Sjis("ＭＩＤＩ出力ポート「nobody:in」が見つかりません"));
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MidiPortJackTest, PortsAreListedAndAnIdlePortClosesUntilTheNextPlay) {
    const auto names = MidiOutputPortNames(MidiApi::Jack);
    EXPECT_NE(std::find(names.begin(), names.end(), recorder->PortName()), names.end());

    OpenAndPlay(Song("TWO.MID", TwoChannelSong()));
    EXPECT_FALSE(recorder->PortsNamed("KORVA97").empty());
    ASSERT_TRUE(WaitForNotices(1));
    // Closed a few seconds after the song's end: no client of ours is left woken every period.
    EXPECT_TRUE(recorder->WaitFor([&](const auto&) { return recorder->PortsNamed("KORVA97").empty(); }));
    recorder->Clear();
    Device().Play();  // from the start again, on the port opened anew
    EXPECT_EQ(Device().Fault(), DeviceFault::None);
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_TRUE(WaitForEvents([](const auto& events) { return CountIf(events, IsNoteOn) == 16; }));
}

TEST(MidiPortAlsaTest, SongPlaysToTheFirstAlsaPort) {
    struct stat info {};
    if (::stat("/dev/snd/seq", &info) != 0)
        GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq is missing)";
    const auto names = MidiOutputPortNames(MidiApi::Alsa);
    if (names.empty())
        GTEST_SKIP() << "the ALSA sequencer offers no output port";
    testing::PostedQueue posted;
    MidiPortOutput output(MidiPortOptions{names.front(), MidiApi::Alsa, posted.Poster(), {}});
    int notices = 0;
    output.Device().SetNotifyHandler([&] { ++notices; });
    TempDir dir;
    output.Device().Open(dir.Write("TWO.MID", TwoChannelSong().Bytes()));
    output.Device().Play();
    ASSERT_EQ(output.Device().Fault(), DeviceFault::None) << ToDisplayUtf8(output.Device().ErrorText());
    posted.WaitAndDrain();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(output.Device().Mode(), DeviceMode::Stopped);
    EXPECT_EQ(output.Device().Fault(), DeviceFault::None);
}

}  // namespace
}  // namespace korva

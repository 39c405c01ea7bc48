#include "playback/SongScheduler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/SmfWriter.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::SmfWriter;

constexpr std::uint64_t kMs = 1'000'000;  // nanoseconds

// Every message a sink is given, with the time the player had reached when it was sent.
struct Message {
    std::uint64_t sentBefore;
    std::uint8_t status;  // 0xF0 for a system-exclusive message
    std::uint8_t data1;
    std::uint8_t data2;
    std::string sysex;
    bool operator==(const Message&) const = default;
};

class RecordingSink final : public MidiSink {
  public:
    void ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override {
        messages.push_back({now, status, data1, data2, {}});
    }
    void SysEx(std::string_view body) override { messages.push_back({now, 0xF0, 0, 0, std::string(body)}); }

    std::uint64_t now = 0;
    std::vector<Message> messages;
};

// Division 480, 120 beats a minute (a quarter in 500 ms) until tick 960, then 240 (250 ms): notes
// start at 0, 500, 1000 and 1250 ms, and the song ends at tick 1920, 1500 ms.
SongSequence TwoTempoSong() {
    SmfWriter smf(0, 480);
    smf.AddTrack()
        .Tempo(0, 500000)
        .ProgramChange(0, 2, 40)
        .NoteOn(0, 2, 60, 100)
        .NoteOff(480, 2, 60)
        .NoteOn(480, 2, 62, 90)
        .Tempo(960, 250000)
        .NoteOff(960, 2, 62)
        .SysEx(960, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7}))
        .NoteOn(960, 9, 36, 127)
        .ControlChange(1440, 9, 7, 80)
        .NoteOff(1920, 9, 36)
        .EndAt(1920);
    auto read = ReadSmf(smf.Bytes());
    EXPECT_TRUE(read.Ok()) << read.detail;
    SongSequence sequence;
    sequence.Build(read.song);
    return sequence;
}

// Plays the song from `from` to `to` in steps of `step`, as a player keeping time would.
void PlayThrough(SongScheduler& scheduler, RecordingSink& sink, std::uint64_t from, std::uint64_t to,
                 std::uint64_t step) {
    for (std::uint64_t time = from + step; time <= to; time += step) {
        sink.now = time;
        long budget = 1000;
        EXPECT_TRUE(scheduler.SendDue(time, budget, sink));
    }
}

// A GS reverb macro, which goes out as it is (module resets go out as GM System On).
const std::string kReverbMacro = Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B});

TEST(SongScheduler, SendsEveryEventInOrderInTheStepItsTimeFallsInWithTheTempoChangesApplied) {
    const SongSequence song = TwoTempoSong();
    SongScheduler scheduler;
    scheduler.SetSong(&song);
    RecordingSink sink;
    PlayThrough(scheduler, sink, 0, 1600 * kMs, 10 * kMs);

    // An event at t goes out in the step that ends after t: a time on a step's edge belongs to the
    // step after it.
    const std::vector<Message> expected{
        {10 * kMs, 0xC2, 40, 0, {}},     {10 * kMs, 0x92, 60, 100, {}},
        {510 * kMs, 0x82, 60, 0, {}},    {510 * kMs, 0x92, 62, 90, {}},
        {1010 * kMs, 0x82, 62, 0, {}},   {1010 * kMs, 0xF0, 0, 0, kReverbMacro},
        {1010 * kMs, 0x99, 36, 127, {}}, {1260 * kMs, 0xB9, 7, 80, {}},
        {1510 * kMs, 0x89, 36, 0, {}},
    };
    EXPECT_EQ(sink.messages, expected);
    EXPECT_TRUE(scheduler.AllSent());
    EXPECT_EQ(scheduler.EndTime(), 1500 * kMs);
    EXPECT_EQ(scheduler.NextTime(), SongScheduler::kNever);
}

TEST(SongScheduler, ABudgetSpentLeavesTheRestForTheNextTurnInTheSameOrder) {
    const SongSequence song = TwoTempoSong();
    SongScheduler scheduler;
    scheduler.SetSong(&song);
    RecordingSink sink;
    long budget = 3;
    EXPECT_FALSE(scheduler.SendDue(1100 * kMs, budget, sink));
    EXPECT_EQ(budget, 0);
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(scheduler.NextTime(), 500 * kMs);
    budget = 100;
    EXPECT_TRUE(scheduler.SendDue(1100 * kMs, budget, sink));
    EXPECT_EQ(budget, 100 - 4);  // the rest up to 1.1 s: a note on, a note off, the macro, a note on
    ASSERT_EQ(sink.messages.size(), 7u);
    EXPECT_EQ(sink.messages[3].status, 0x92);
    EXPECT_EQ(sink.messages[6].status, 0x99);
    EXPECT_EQ(scheduler.NextTime(), 1250 * kMs);
}

TEST(SongScheduler, SeekingFindsTheFirstEventAtOrAfterTheTimeAndTheTickFollowsTheTempo) {
    const SongSequence song = TwoTempoSong();
    SongScheduler scheduler;
    scheduler.SetSong(&song);

    scheduler.Seek(750 * kMs);
    EXPECT_EQ(scheduler.NextTime(), 1000 * kMs);
    RecordingSink sink;
    long budget = 1;
    scheduler.SendDue(SongScheduler::kNever, budget, sink);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].status, 0x82);  // the first event at 1 s, the note off

    scheduler.Seek(1250 * kMs);  // exactly an event's time: that event is next
    EXPECT_EQ(scheduler.NextTime(), 1250 * kMs);
    scheduler.Seek(1501 * kMs);
    EXPECT_TRUE(scheduler.AllSent());
    budget = 10;
    EXPECT_TRUE(scheduler.SendDue(SongScheduler::kNever, budget, sink));
    EXPECT_EQ(budget, 10);

    EXPECT_EQ(scheduler.TickAt(500 * kMs), 480u);
    EXPECT_EQ(scheduler.TickAt(1000 * kMs), 960u);
    EXPECT_EQ(scheduler.TickAt(1250 * kMs), 1440u);  // a quarter in 250 ms after the change
    EXPECT_EQ(scheduler.TickAt(1500 * kMs), 1920u);
}

TEST(SongScheduler, APauseLosesAndRepeatsNothingAndAStopGoesOnFromWhereTheSoundHeardReached) {
    const SongSequence song = TwoTempoSong();
    SongScheduler whole;
    whole.SetSong(&song);
    RecordingSink uninterrupted;
    PlayThrough(whole, uninterrupted, 0, 1600 * kMs, 10 * kMs);

    // Paused at 600 ms: no turns while paused; the song's time stands, and it goes on from there.
    SongScheduler scheduler;
    scheduler.SetSong(&song);
    RecordingSink paused;
    PlayThrough(scheduler, paused, 0, 600 * kMs, 10 * kMs);
    PlayThrough(scheduler, paused, 600 * kMs, 1600 * kMs, 10 * kMs);
    EXPECT_EQ(paused.messages, uninterrupted.messages);

    // Stopped while the song had been sent (rendered) up to 1.3 s and heard up to 0.6 s: the events
    // after the sound heard are sent again when it plays on.
    scheduler.SetSong(&song);
    RecordingSink stopped;
    PlayThrough(scheduler, stopped, 0, 1300 * kMs, 10 * kMs);
    ASSERT_EQ(stopped.messages.size(), 8u);
    scheduler.Seek(600 * kMs);
    stopped.messages.clear();
    PlayThrough(scheduler, stopped, 600 * kMs, 1600 * kMs, 10 * kMs);
    const std::vector<Message> fromHeard(uninterrupted.messages.begin() + 4, uninterrupted.messages.end());
    EXPECT_EQ(stopped.messages, fromHeard);

    // A song played again from its start sends everything again.
    scheduler.Rewind();
    RecordingSink again;
    PlayThrough(scheduler, again, 0, 1600 * kMs, 10 * kMs);
    EXPECT_EQ(again.messages, uninterrupted.messages);
}

TEST(SongScheduler, WithoutASongNothingIsSentAndNothingIsDue) {
    SongScheduler scheduler;
    RecordingSink sink;
    long budget = 5;
    EXPECT_TRUE(scheduler.SendDue(SongScheduler::kNever, budget, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(scheduler.EndTime(), 0u);
    EXPECT_EQ(scheduler.TickAt(5000 * kMs), 0u);

    const SongSequence song = TwoTempoSong();
    scheduler.SetSong(&song);
    scheduler.SetSong(nullptr);
    EXPECT_TRUE(scheduler.AllSent());
    EXPECT_FALSE(scheduler.HasSong());
}

}  // namespace
}  // namespace korva

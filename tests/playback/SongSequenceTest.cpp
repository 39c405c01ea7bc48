#include "playback/SongSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "support/QuirkySmf.h"
#include "support/SmfWriter.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::SmfWriter;

SmfSong ReadOk(std::string_view bytes) {
    auto read = ReadSmf(bytes);
    EXPECT_TRUE(read.Ok()) << read.detail << " at " << read.offset;
    return std::move(read.song);
}

// Every event of the sequence, walked from its start.
std::vector<TimedEvent> EventsOf(const SongSequence& sequence) {
    std::vector<TimedEvent> events;
    for (auto at = sequence.Begin(); !at.AtEnd(); at.Next()) events.push_back(at.Event());
    EXPECT_EQ(events.size(), sequence.EventCount());
    return events;
}

struct Sent {
    std::uint32_t tick;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::string sysex;
    long double seconds;
};

// What a player of the written file sends, worked out apart from the sequence: the events of its
// one track with their ticks, and their times in seconds from its tempo events, in long double.
std::vector<Sent> SentByWrittenFile(const SmfSong& song, long double& endSeconds) {
    const SmfSong written = ReadOk(WritePlayableSmf(song));
    std::vector<Sent> sent;
    long double seconds = 0;
    std::uint32_t at = 0;
    long double tempo = kDefaultTempo;
    const auto advance = [&](std::uint32_t tick) {
        seconds += (tick - at) * tempo / 1e6L / written.division;
        at = tick;
    };
    for (const SmfEvent& event : written.tracks.at(0).events) {
        advance(event.tick);
        if (event.IsMeta(kMetaTempo)) {
            const auto data = written.Payload(event);
            tempo = static_cast<long double>((static_cast<unsigned char>(data[0]) << 16) |
                                             (static_cast<unsigned char>(data[1]) << 8) |
                                             static_cast<unsigned char>(data[2]));
        } else if (event.IsChannel() || event.IsSysEx()) {
            sent.push_back({event.tick, event.status, event.data1, event.data2,
                            event.IsSysEx() ? std::string(written.Payload(event)) : std::string(), seconds});
        }
    }
    advance(written.LastTick());
    endSeconds = seconds;
    return sent;
}

void ExpectSequenceSendsWhatTheWrittenFileSends(const SmfSong& song, const std::string& name) {
    SongSequence sequence;
    sequence.Build(song);
    long double endSeconds = 0;
    const auto expected = SentByWrittenFile(song, endSeconds);
    const auto events = EventsOf(sequence);
    ASSERT_EQ(events.size(), expected.size()) << name;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const TimedEvent& event = events[i];
        EXPECT_EQ(event.status, expected[i].status) << name << " event " << i;
        EXPECT_EQ(event.data1, expected[i].data1) << name << " event " << i;
        EXPECT_EQ(event.data2, expected[i].data2) << name << " event " << i;
        EXPECT_EQ(event.sysex, expected[i].sysex) << name << " event " << i;
        EXPECT_NEAR(static_cast<long double>(event.time), expected[i].seconds * 1e9L, 1.0L)
            << name << " event " << i;
        EXPECT_EQ(sequence.TickAt(event.time + 1), expected[i].tick) << name << " event " << i;
    }
    EXPECT_EQ(sequence.LastTick(), song.LastTick()) << name;
    EXPECT_NEAR(static_cast<long double>(sequence.EndTime()), endSeconds * 1e9L, 1.0L) << name;
}

TEST(SongSequence, SendsEveryEventOfEveryOddFileAtTheTimeItsTemposGive) {
    for (const auto& file : testing::QuirkySmfFiles())
        ExpectSequenceSendsWhatTheWrittenFileSends(ReadOk(file.bytes), file.name);
}

TEST(SongSequence, TemposOfAllTracksFormatTwoAndSmpteTimeGiveTheirTimes) {
    SmfWriter tempos(1, 480);
    tempos.AddTrack().Tempo(0, 600000).Tempo(960, 300001);
    tempos.AddTrack().Note(0, 480, 0, 60).Tempo(480, 400007).Note(960, 480, 0, 62).Note(2000, 7, 0, 63);
    tempos.AddTrack()
        .Tempo(1440, 250000)
        .SysEx(1440, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}))
        .Note(1441, 480, 1, 64)
        .EndAt(3000);
    ExpectSequenceSendsWhatTheWrittenFileSends(ReadOk(tempos.Bytes()), "tempos in three tracks");

    SmfWriter formatTwo(2, 96);
    formatTwo.AddTrack().Tempo(0, 250000).Note(0, 240, 0, 60);
    formatTwo.AddTrack().Note(0, 480, 0, 64);
    formatTwo.AddTrack().Tempo(0, 1000000).Note(0, 240, 0, 67).EndAt(960);
    ExpectSequenceSendsWhatTheWrittenFileSends(ReadOk(formatTwo.Bytes()), "format 2");

    SmfWriter smpte(1, testing::SmpteDivision(29, 80));
    smpte.AddTrack().Tempo(0, 300000).Note(7, 100, 0, 60).Note(70001, 100, 0, 61);
    const SmfSong smpteSong = ReadOk(smpte.Bytes());
    ExpectSequenceSendsWhatTheWrittenFileSends(smpteSong, "SMPTE");
    // 29.97 frames a second of 80 ticks: tick 70001 lies 70001 / (80 * 29.97) s in, to the
    // microsecond a tempo can give.
    SongSequence sequence;
    sequence.Build(smpteSong);
    EXPECT_NEAR(static_cast<double>(EventsOf(sequence).at(2).time), 70001 / (80 * 29.97) * 1e9, 1000.0);
}

// The synthesizer knows GM System On only; a module on a port gets each reset as the file has it.
TEST(SongSequence, ModuleResetsBecomeGmSystemOnUnlessKeptAsInTheFile) {
    const std::string gs = Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41});
    const std::string sc88 = Bytes({0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01});
    const std::string gmOn = Bytes({0x7E, 0x7F, 0x09, 0x01});
    const std::string other = Bytes({0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00});
    SmfWriter writer;
    writer.AddTrack()
        .SysEx(0, "\xF0" + gs + "\xF7")
        .SysEx(10, "\xF0" + sc88 + "\xF7")
        .SysEx(20, "\xF0" + other + "\xF7")
        .Note(30, 10, 0, 60);
    const SmfSong song = ReadOk(writer.Bytes());
    const auto sysexOf = [](const SongSequence& sequence) {
        std::vector<std::string> sysex;
        for (const auto& event : EventsOf(sequence))
            if (event.status == SmfEvent::kSysEx)
                sysex.emplace_back(event.sysex);
        return sysex;
    };
    SongSequence converted;
    converted.Build(song);
    EXPECT_EQ(sysexOf(converted), (std::vector<std::string>{gmOn, gmOn, other}));
    SongSequence kept;
    kept.Build(song, writer.Bytes(), ModuleResets::AsInFile);
    EXPECT_EQ(sysexOf(kept), (std::vector<std::string>{gs, sc88, other}));
}

TEST(SongSequence, BuildingIntoAnEarlierSequenceLeavesNothingOfIt) {
    SmfWriter big(1, 480);
    big.AddTrack().Tempo(0, 123456).Tempo(5000, 654321);
    auto& notes = big.AddTrack();
    for (std::uint32_t tick = 0; tick < 20000; tick += 120)
        notes.Note(tick, 60, 0, 40 + tick / 120 % 40)
            .SysEx(tick, Bytes({0xF0, 0x43, 0x10, 0x4C, 0, 0, 0x7E, 0, 0xF7}));
    SmfWriter small(0, 96);
    small.AddTrack().Note(10, 20, 3, 70).SysEx(15, Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));

    SongSequence reused;
    reused.Build(ReadOk(big.Bytes()));
    reused.Build(ReadOk(small.Bytes()));
    SongSequence fresh;
    fresh.Build(ReadOk(small.Bytes()));

    const auto reusedEvents = EventsOf(reused);
    const auto freshEvents = EventsOf(fresh);
    ASSERT_EQ(reusedEvents.size(), freshEvents.size());
    for (std::size_t i = 0; i < freshEvents.size(); ++i) {
        EXPECT_EQ(reusedEvents[i].time, freshEvents[i].time);
        EXPECT_EQ(reusedEvents[i].sysex, freshEvents[i].sysex);
    }
    EXPECT_EQ(reused.Find(freshEvents.back().time).Event().time, freshEvents.back().time);
    EXPECT_EQ(reused.EndTime(), fresh.EndTime());
    EXPECT_EQ(reused.TickAt(reused.EndTime()), fresh.TickAt(fresh.EndTime()));
    EXPECT_EQ(fresh.TickAt(fresh.EndTime()), fresh.LastTick());
}

TEST(SongSequence, TheLongestSongAFileCanHoldKeepsItsTimesInOrder) {
    // Division 1 at the slowest tempo: one tick lasts 16.7 s, and 2^31 ticks some 1,100 years.
    SmfWriter writer(1, 1);
    writer.AddTrack().Tempo(0, 0xFFFFFF).Note(0, 10, 0, 60).Note(0x0FFFFFF0, 10, 0, 61).EndAt(0x0FFFFFFF);
    writer.AddTrack().Note(0x0FFFFFF0, 10, 0, 62);
    const SmfSong song = ReadOk(writer.Bytes());
    SongSequence sequence;
    sequence.Build(song);
    const auto events = EventsOf(sequence);
    ASSERT_EQ(events.size(), 6u);
    for (std::size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].time, events[i].time) << i;
    EXPECT_LE(events.back().time, sequence.EndTime());
    EXPECT_NEAR(static_cast<double>(sequence.EndTime()), 0x0FFFFFFF * 16.777215e9, 16.777215e9);
    EXPECT_EQ(sequence.TickAt(sequence.EndTime() + 1), 0x0FFFFFFFu);
}

// The song as the device builds it, from the file's bytes with no events kept, holds the very events
// at the very times of the one built from the events the reader kept.
TEST(SongSequence, BuiltFromTheFileItHoldsWhatTheKeptEventsGive) {
    auto files = testing::QuirkySmfFiles();
    SmfWriter many(1, 96);  // more tracks than are merged by sweeping
    for (int t = 0; t < 40; ++t)
        many.AddTrack()
            .Tempo(t * 7, 400000 + t)
            .Note(t * 5, 30, t % 16, 40 + t)
            .SysEx(t * 3, Bytes({0xF0, 0x43, t, 0xF7}));
    files.push_back({"forty tracks", many.Bytes(), {}, 0, 0});
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const SmfSong kept = ReadOk(file.bytes);
        SmfReadResult places;
        ReadSmfInto(file.bytes, places, SmfDetail::Places);
        ASSERT_TRUE(places.Ok());
        SongSequence reference;
        reference.Build(kept);
        SongSequence fromFile;
        fromFile.Build(places.song, file.bytes);
        const auto expected = EventsOf(reference);
        const auto events = EventsOf(fromFile);
        ASSERT_EQ(events.size(), expected.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(
                std::tie(events[i].time, events[i].status, events[i].data1, events[i].data2, events[i].sysex),
                std::tie(expected[i].time, expected[i].status, expected[i].data1, expected[i].data2,
                         expected[i].sysex))
                << "event " << i;
        }
        EXPECT_EQ(fromFile.EndTime(), reference.EndTime());
        EXPECT_EQ(fromFile.LastTick(), reference.LastTick());
        EXPECT_EQ(fromFile.PackedSize(), reference.PackedSize());
    }
}

// After a stop the player finds its place again by time: the first event at that time or later,
// wherever it lies between the checkpoints, across tempo changes.
TEST(SongSequence, FindingATimeGivesTheFirstEventAtItOrLater) {
    SmfWriter writer(1, 480);
    writer.AddTrack().Tempo(0, 300000).Tempo(3000, 700001).Tempo(9000, 250000);
    auto& notes = writer.AddTrack();
    // Runs of events at one tick, so that equal times straddle checkpoints.
    for (std::uint32_t tick = 0; tick < 12000; tick += 37) {
        for (int key = 0; key < 1 + static_cast<int>(tick % 5); ++key) notes.Note(tick, 20, key, 40 + key);
        if (tick % 3 == 0)
            notes.SysEx(tick, Bytes({0xF0, 0x43, 0x10, 0x4C, 0, 0, 0x7E, 0, 0xF7}));
    }
    SongSequence sequence;
    sequence.Build(ReadOk(writer.Bytes()));
    const auto events = EventsOf(sequence);
    ASSERT_GT(events.size(), 1000u);
    const auto expectFirstAtOrAfter = [&](std::uint64_t time) {
        const auto expected =
            std::lower_bound(events.begin(), events.end(), time,
                             [](const TimedEvent& event, std::uint64_t t) { return event.time < t; });
        const auto found = sequence.Find(time);
        ASSERT_EQ(found.AtEnd(), expected == events.end()) << time;
        if (found.AtEnd())
            return;
        // The same event, and after it the same events as from the start.
        auto walked = found;
        std::size_t index = static_cast<std::size_t>(expected - events.begin());
        for (; !walked.AtEnd(); walked.Next(), ++index) {
            ASSERT_LT(index, events.size());
            EXPECT_EQ(walked.Event().time, events[index].time);
            EXPECT_EQ(walked.Event().sysex, events[index].sysex);
        }
        EXPECT_EQ(index, events.size()) << time;
    };
    for (std::size_t i = 0; i < events.size(); i += 7) {
        expectFirstAtOrAfter(events[i].time);
        expectFirstAtOrAfter(events[i].time + 1);
        expectFirstAtOrAfter(events[i].time - 1);
    }
    expectFirstAtOrAfter(0);
    expectFirstAtOrAfter(events.back().time + 1);
}

}  // namespace
}  // namespace korva

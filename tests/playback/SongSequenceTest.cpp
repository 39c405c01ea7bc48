#include "playback/SongSequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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
    const auto& events = sequence.Events();
    ASSERT_EQ(events.size(), expected.size()) << name;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const TimedEvent& event = events[i];
        EXPECT_EQ(event.status, expected[i].status) << name << " event " << i;
        EXPECT_EQ(event.data1, expected[i].data1) << name << " event " << i;
        EXPECT_EQ(event.data2, expected[i].data2) << name << " event " << i;
        EXPECT_EQ(sequence.SysExData(event), expected[i].sysex) << name << " event " << i;
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
    EXPECT_NEAR(static_cast<double>(sequence.Events().at(2).time), 70001 / (80 * 29.97) * 1e9, 1000.0);
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

    ASSERT_EQ(reused.Events().size(), fresh.Events().size());
    for (std::size_t i = 0; i < fresh.Events().size(); ++i) {
        EXPECT_EQ(reused.Events()[i].time, fresh.Events()[i].time);
        EXPECT_EQ(reused.SysExData(reused.Events()[i]), fresh.SysExData(fresh.Events()[i]));
    }
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
    const auto& events = sequence.Events();
    ASSERT_EQ(events.size(), 6u);
    for (std::size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].time, events[i].time) << i;
    EXPECT_LE(events.back().time, sequence.EndTime());
    EXPECT_NEAR(static_cast<double>(sequence.EndTime()), 0x0FFFFFFF * 16.777215e9, 16.777215e9);
    EXPECT_EQ(sequence.TickAt(sequence.EndTime() + 1), 0x0FFFFFFFu);
}

}  // namespace
}  // namespace korva

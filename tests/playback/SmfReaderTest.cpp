#include "playback/SmfReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <tuple>
#include <utility>

#include "support/QuirkySmf.h"
#include "support/SmfWriter.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::Patched;
using testing::QuirkySmf;
using testing::SmfWriter;

// The events of all tracks in the order they sound: by tick, and at equal ticks by track.
std::vector<SmfEvent> Merged(const SmfSong& song) {
    std::vector<std::tuple<std::uint32_t, std::size_t, std::size_t>> order;
    for (std::size_t t = 0; t < song.tracks.size(); ++t) {
        for (std::size_t i = 0; i < song.tracks[t].events.size(); ++i)
            order.emplace_back(song.tracks[t].events[i].tick, t, i);
    }
    std::sort(order.begin(), order.end());
    std::vector<SmfEvent> events;
    for (const auto& [tick, t, i] : order) events.push_back(song.tracks[t].events[i]);
    return events;
}

std::vector<std::pair<std::uint32_t, int>> NotesOf(const SmfSong& song) {
    std::vector<std::pair<std::uint32_t, int>> notes;
    for (const auto& event : Merged(song)) {
        if ((event.status & 0xF0) == 0x90 && event.data2 > 0)
            notes.emplace_back(event.tick, event.data1);
    }
    return notes;
}

using Channel = std::tuple<std::uint32_t, int, int, int>;
std::vector<Channel> ChannelMessagesOf(const SmfSong& song) {
    std::vector<Channel> messages;
    for (const auto& event : Merged(song)) {
        if (event.IsChannel())
            messages.emplace_back(event.tick, event.status, event.data1, event.data2);
    }
    return messages;
}

std::vector<std::pair<std::uint32_t, std::string>> SysExOf(const SmfSong& song) {
    std::vector<std::pair<std::uint32_t, std::string>> messages;
    for (const auto& event : Merged(song)) {
        if (event.IsSysEx())
            messages.emplace_back(event.tick, std::string(song.Payload(event)));
    }
    return messages;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> TemposOf(const SmfSong& song) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos;
    for (const auto& event : Merged(song)) {
        const auto data = song.Payload(event);
        if (event.IsMeta(kMetaTempo) && data.size() == 3) {
            tempos.emplace_back(event.tick,
                                static_cast<std::uint32_t>((static_cast<unsigned char>(data[0]) << 16) |
                                                           (static_cast<unsigned char>(data[1]) << 8) |
                                                           static_cast<unsigned char>(data[2])));
        }
    }
    return tempos;
}

SmfSong ReadOk(std::string_view bytes) {
    auto read = ReadSmf(bytes);
    EXPECT_TRUE(read.Ok()) << read.detail << " at " << read.offset;
    return std::move(read.song);
}

// What the written file must give back: every channel message at its tick in the order it sounds,
// every system-exclusive message (module resets as GM System On), the end.
void ExpectWrittenFileReadsBackTheSame(const SmfSong& song) {
    const auto written = WritePlayableSmf(song);
    const auto again = ReadSmf(written);
    ASSERT_TRUE(again.Ok()) << again.detail << " at " << again.offset;
    EXPECT_EQ(written.substr(0, 14),
              "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, song.division >> 8, song.division & 0xFF}));
    ASSERT_EQ(again.song.tracks.size(), 1u);
    EXPECT_EQ(ChannelMessagesOf(again.song), ChannelMessagesOf(song));
    auto sysex = SysExOf(song);
    for (auto& [tick, data] : sysex) {
        if (IsModuleReset(data))
            data = Bytes({0x7E, 0x7F, 0x09, 0x01});
    }
    EXPECT_EQ(SysExOf(again.song), sysex);
    EXPECT_EQ(again.song.LastTick(), song.LastTick());
}

// A read that keeps only where the tracks lie comes to the same end as one that keeps the events,
// and reading each track again from the bytes gives the very events the full read kept.
void ExpectReadingAgainGivesTheKeptEvents(std::string_view bytes) {
    const auto full = ReadSmf(bytes);
    SmfReadResult places;
    ReadSmfInto(bytes, places, SmfDetail::Places);
    ASSERT_EQ(places.problem, full.problem);
    EXPECT_EQ(places.offset, full.offset);
    EXPECT_EQ(places.detail, full.detail);
    ASSERT_EQ(places.song.tracks.size(), full.song.tracks.size());
    for (std::size_t t = 0; t < full.song.tracks.size(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const auto& track = full.song.tracks[t];
        const auto& placed = places.song.tracks[t];
        EXPECT_TRUE(placed.events.empty());
        EXPECT_EQ(placed.eventCount, track.events.size());
        EXPECT_EQ(track.eventCount, track.events.size());
        EXPECT_EQ(placed.startTick, track.startTick);
        EXPECT_EQ(placed.endTick, track.endTick);
        std::size_t payloadBytes = 0;
        for (const auto& event : track.events) {
            if (event.IsSysEx() || event.status == SmfEvent::kMeta)
                payloadBytes += full.song.Payload(event).size();
        }
        EXPECT_EQ(placed.payloadBytes, payloadBytes);

        for (const SmfSong* song : {&full.song, &std::as_const(places).song}) {
            std::size_t i = 0;
            for (SmfTrackEvents again(bytes, *song, t); !again.AtEnd(); again.Next(), ++i) {
                ASSERT_LT(i, track.events.size());
                const SmfEvent& kept = track.events[i];
                const SmfEvent& event = again.Event();
                EXPECT_EQ(std::tie(event.tick, event.status, event.data1, event.data2),
                          std::tie(kept.tick, kept.status, kept.data1, kept.data2))
                    << "event " << i;
                if (kept.IsSysEx() || kept.status == SmfEvent::kMeta) {
                    EXPECT_EQ(again.Payload(), full.song.Payload(kept)) << "event " << i;
                }
            }
            EXPECT_EQ(i, track.events.size());
        }
    }
}

class QuirkyFile : public ::testing::TestWithParam<QuirkySmf> {};

TEST_P(QuirkyFile, IsReadAgainFromItsBytesAsTheReaderKeptIt) {
    ExpectReadingAgainGivesTheKeptEvents(GetParam().bytes);
}

TEST_P(QuirkyFile, IsReadWithEveryNoteAtItsTick) {
    const auto song = ReadOk(GetParam().bytes);
    EXPECT_EQ(NotesOf(song), GetParam().notes);
    EXPECT_EQ(song.LastTick(), GetParam().lastTick);
}

TEST_P(QuirkyFile, IsWrittenAsOneTrackThatReadsBackTheSame) {
    ExpectWrittenFileReadsBackTheSame(ReadOk(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Files, QuirkyFile, ::testing::ValuesIn(testing::QuirkySmfFiles()),
                         [](const ::testing::TestParamInfo<QuirkySmf>& paramInfo) {
                             return paramInfo.param.name;
                         });

std::string TwoTrackSong() {
    SmfWriter writer(1, 480);
    writer.AddTrack().Tempo(0, 500000).TrackName(0, "Conductor").EndAt(100);
    writer.AddTrack().ProgramChange(0, 0, 5).Note(0, 480, 0, 60).Note(480, 960, 0, 64);
    return writer.Bytes();
}

// One track holding the given events, with a header of format 0 and 480 ticks a quarter.
std::string OneTrack(const std::string& events) {
    return "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}) + "MTrk" +
           Bytes({0, 0, 0, static_cast<int>(events.size())}) + events;
}

// A reader that reads song after song into the same result, as the device does, gives each song
// exactly what a fresh read gives, whatever came before it: more tracks, fewer, a refused file.
TEST(SmfReader, ReadingIntoAnEarlierResultLeavesNothingOfIt) {
    std::vector<std::string> songs;
    for (const QuirkySmf& quirky : testing::QuirkySmfFiles()) songs.push_back(quirky.bytes);
    songs.push_back("MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 0, 0}));  // refused: time division 0
    songs.push_back(TwoTrackSong());
    SmfReadResult reused;
    std::string written;
    for (std::size_t round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < songs.size(); ++i) {
            const std::string& song = songs[(i * 7 + round) % songs.size()];
            const SmfReadResult fresh = ReadSmf(song);
            ReadSmfInto(song, reused);
            ASSERT_EQ(reused.problem, fresh.problem) << i;
            EXPECT_EQ(reused.detail, fresh.detail);
            if (!fresh.Ok())
                continue;
            EXPECT_EQ(reused.song.tracks.size(), fresh.song.tracks.size());
            EXPECT_EQ(reused.song.fixedTempo, fresh.song.fixedTempo);
            EXPECT_EQ(reused.song.payload, fresh.song.payload);
            WritePlayableSmfInto(reused.song, written);
            EXPECT_EQ(written, WritePlayableSmf(fresh.song)) << i;
        }
    }
}

struct RefusedCase {
    const char* name;
    std::string bytes;
    SmfProblem problem;
};
void PrintTo(const RefusedCase& value, std::ostream* out) {
    *out << value.name;
}

class RefusedFile : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFile, IsRefusedWithItsProblemSaidInJapanese) {
    const auto read = ReadSmf(GetParam().bytes);
    EXPECT_EQ(read.problem, GetParam().problem) << read.detail << " at " << read.offset;
    EXPECT_LE(read.offset, GetParam().bytes.size());
    // The reason goes inside a Japanese message: Japanese text, and no English word in it (the names
    // of the chunks are the file's own).
    std::string reason = read.detail;
    for (const char* chunk : {"MThd", "MTrk"}) {
        if (const auto at = reason.find(chunk); at != std::string::npos)
            reason.erase(at, 4);
    }
    EXPECT_TRUE(std::any_of(reason.begin(), reason.end(), [](char c) { return (c & 0x80) != 0; }));
    for (std::size_t i = 1; i < reason.size(); ++i) {
        const bool ascii = (reason[i - 1] & 0x80) == 0;
        EXPECT_FALSE(ascii && std::isalpha(static_cast<unsigned char>(reason[i - 1])) &&
                     std::isalpha(static_cast<unsigned char>(reason[i])))
            << "an English word in the reason: " << reason;
        if (!ascii)
            ++i;  // the second byte of a Shift-JIS character
    }
}

std::vector<RefusedCase> RefusedCases() {
    const auto song = TwoTrackSong();
    const auto endOfTrack = Bytes({0x00, 0xFF, 0x2F, 0x00});
    SmfWriter onlyOtherChunks(1, 480);
    onlyOtherChunks.AddChunk("XFIH", Bytes({1, 2})).AddChunk("XFKM", "MTr").DeclaredTracks(1);
    return {
        {"Empty", "", SmfProblem::NoHeader},
        {"RiffFile", "RIFF" + song, SmfProblem::NoHeader},
        {"MacBinaryHeader", testing::WithMacBinaryHeader(song), SmfProblem::NoHeader},
        {"HeaderCutShort", song.substr(0, 11), SmfProblem::Truncated},
        {"HeaderShorterThanSix", Patched(song, 7, Bytes({4})), SmfProblem::Corrupt},
        {"NoTracks", Patched(song, 10, Bytes({0, 0})), SmfProblem::Corrupt},
        {"DivisionZero", Patched(song, 12, Bytes({0, 0})), SmfProblem::Corrupt},
        {"SmpteWithoutTicksPerFrame", Patched(song, 12, Bytes({0xE7, 0x00})), SmfProblem::Corrupt},
        {"FileEndsAfterTheHeader", song.substr(0, 14), SmfProblem::Truncated},
        {"OnlyChunksOfOtherTypes", onlyOtherChunks.Bytes(), SmfProblem::Corrupt},
        {"ChunkNamesNotText", Patched(Patched(song, 14, Bytes({0x8D})), song.find("MTrk", 15), Bytes({0x8D})),
         SmfProblem::Corrupt},
        {"DataByteWithoutStatus", OneTrack(Bytes({0x00, 0x3C, 0x40}) + endOfTrack), SmfProblem::Corrupt},
        {"StatusByteInsideAMessage", OneTrack(Bytes({0x00, 0x90, 0x3C, 0x90}) + endOfTrack),
         SmfProblem::Corrupt},
        {"FiveByteDeltaTime", OneTrack(Bytes({0x81, 0x81, 0x81, 0x81, 0x01, 0xC0, 0x00}) + endOfTrack),
         SmfProblem::Corrupt},
        {"EmptyTrackChunk", OneTrack(""), SmfProblem::Unsupported},
        {"FileEndsInsideTheFirstEvent", OneTrack(Bytes({0x00, 0xFF, 0x01, 0x05, 'a'})),
         SmfProblem::Truncated},
    };
}

// A well-formed song need not hold a note: it is read, and plays as silence until its End of Track.
TEST(SmfReader, SongsWithoutANoteAreSongsOfTheirLength) {
    const auto endOfTrack = Bytes({0x00, 0xFF, 0x2F, 0x00});
    SmfWriter metaOnly(1, 480);
    metaOnly.AddTrack().Tempo(0, 500000).TrackName(0, "Conductor").EndAt(960);
    metaOnly.AddTrack().Text(0, "no notes").EndAt(1440);
    // Eight empty Text events, the longest delta time apart: 2^31 - 8 ticks, the last time a song can
    // have; the note after them is not read.
    std::string longSilence;
    for (int i = 0; i < 8; ++i) longSilence += Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
    const std::vector<std::tuple<const char*, std::string, std::uint32_t>> songs = {
        {"meta events only", metaOnly.Bytes(), 1440},
        {"an empty system-exclusive message",
         OneTrack(Bytes({0x00, 0xF0, 0x00, 0x00, 0xF0, 0x01, 0xF7}) + endOfTrack), 0},
        {"escaped bytes only", OneTrack(Bytes({0x00, 0xF7, 0x02, 0x90, 0x3C}) + endOfTrack), 0},
        {"nothing but its end, at once", OneTrack(endOfTrack), 0},
        {"nothing but its end, later", OneTrack(Bytes({0x8F, 0x00, 0xFF, 0x2F, 0x00})), 1920},
        {"text events up to the last time there is",
         OneTrack(longSilence + Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x00})), 0x7FFFFFF8u},
        {"its tempo and name, then cut", TwoTrackSong().substr(0, 14 + 8 + 11), 0},
    };
    for (const auto& [name, bytes, length] : songs) {
        const auto read = ReadSmf(bytes);
        ASSERT_TRUE(read.Ok()) << name << ": " << read.detail;
        EXPECT_TRUE(ChannelMessagesOf(read.song).empty()) << name;
        EXPECT_EQ(read.song.LastTick(), length) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFile, ::testing::ValuesIn(RefusedCases()),
                         [](const ::testing::TestParamInfo<RefusedCase>& paramInfo) {
                             return paramInfo.param.name;
                         });

TEST(SmfReader, EveryCutShortCopyPlaysWhatItHoldsOrIsRefusedAsCutShort) {
    const auto song = TwoTrackSong();
    const auto whole = ReadOk(song);
    const auto allNotes = NotesOf(whole);
    int played = 0;
    for (std::size_t length = 0; length < song.size(); ++length) {
        const auto read = ReadSmf(testing::Truncated(song, length));
        if (!read.Ok()) {
            EXPECT_EQ(read.problem, length < 4 ? SmfProblem::NoHeader : SmfProblem::Truncated)
                << "cut at " << length << ": " << read.detail;
            continue;
        }
        ++played;
        ExpectReadingAgainGivesTheKeptEvents(testing::Truncated(song, length));
        const auto notes = NotesOf(read.song);
        ASSERT_LE(notes.size(), allNotes.size()) << "cut at " << length;
        EXPECT_TRUE(std::equal(notes.begin(), notes.end(), allNotes.begin())) << "cut at " << length;
        EXPECT_LE(read.song.LastTick(), whole.LastTick()) << "cut at " << length;
    }
    EXPECT_GT(played, 0);
}

// Damaged copies of a song with every kind of event: the reader never reads out of bounds (the
// sanitizers watch), whatever it reads it reads again from the bytes alike, and the written file
// gives it back.
TEST(SmfReader, DamagedFilesNeverBreakTheReaderAndWriteBackAsTheyRead) {
    SmfWriter writer(1, 96);
    writer.AddTrack().Tempo(0, 400000).TrackName(0, "T").Tempo(200, 600000).EndAt(500);
    writer.AddTrack()
        .ProgramChange(0, 1, 20)
        .ControlChange(0, 1, 7, 100)
        .SysEx(5, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}))
        .Note(10, 50, 1, 60)
        .Event(70, Bytes({0xE1, 0x00, 0x40}))
        .Event(80, Bytes({0xD1, 0x30}))
        .Event(90, Bytes({0xA1, 0x3C, 0x20}))
        .Note(100, 200, 1, 62);
    writer.AddChunk("XFKM", "MTrk");
    writer.AddTrack()
        .DividedSysEx(0, Bytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}), 3, 30)
        .Note(40, 10, 9, 36);
    const auto song = writer.Bytes();

    std::mt19937 random(97);
    int played = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = song;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes && !damaged.empty(); ++c) {
            const std::size_t at = random() % damaged.size();
            switch (random() % 4) {
                case 0:
                    damaged[at] = static_cast<char>(random());
                    break;
                case 1:
                    damaged.insert(at, 1, static_cast<char>(random()));
                    break;
                case 2:
                    damaged.erase(at, 1 + random() % 3);
                    break;
                default:
                    damaged.resize(std::max<std::size_t>(at, 4));
                    break;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectReadingAgainGivesTheKeptEvents(damaged);
        const auto read = ReadSmf(damaged);
        if (!read.Ok())
            continue;
        ++played;
        ExpectWrittenFileReadsBackTheSame(read.song);
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_GT(played, 1000);
}

TEST(SmfReader, MetaTextIsKeptWithItsTrackForTitles) {
    const std::string title = "\x83\x65\x83\x58\x83\x67";  // Shift-JIS
    SmfWriter writer(1, 480);
    writer.AddTrack().TrackName(0, title).Text(0, "(C) 1997").Tempo(0, 500000);
    writer.AddTrack().TrackName(0, "Piano").Note(0, 480, 0, 60);
    const auto song = ReadOk(writer.Bytes());

    ASSERT_EQ(song.tracks.size(), 2u);
    const auto& first = song.tracks[0].events;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_TRUE(first[0].IsMeta(kMetaTrackName));
    EXPECT_EQ(song.Payload(first[0]), title);
    EXPECT_TRUE(first[1].IsMeta(kMetaText));
    EXPECT_EQ(song.Payload(first[1]), "(C) 1997");
    EXPECT_EQ(song.Payload(song.tracks[1].events[0]), "Piano");
}

TEST(SmfReader, TempoChangesOfEveryTrackAreWrittenAtTheirTicks) {
    SmfWriter writer(1, 480);
    writer.AddTrack().Tempo(0, 600000).Tempo(960, 300000);
    writer.AddTrack().Note(0, 480, 0, 60).Tempo(480, 400000).Note(960, 480, 0, 62);
    writer.AddTrack().Tempo(1440, 250000).Meta(1500, 0x51, Bytes({0, 0, 0})).Note(1440, 480, 1, 64);

    const auto written = ReadOk(WritePlayableSmf(ReadOk(writer.Bytes())));

    const std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos{
        {0, 600000}, {480, 400000}, {960, 300000}, {1440, 250000}};
    EXPECT_EQ(TemposOf(written), tempos) << "a tempo of 0 is dropped";
}

TEST(SmfReader, TracksOfAFormatTwoFileEachStartAtTheStartingTempo) {
    SmfWriter writer(2, 480);
    writer.AddTrack().Tempo(0, 250000).Note(0, 240, 0, 60);
    writer.AddTrack().Note(0, 480, 0, 64);
    writer.AddTrack().Tempo(0, 1000000).Note(0, 240, 0, 67).EndAt(960);

    const auto written = ReadOk(WritePlayableSmf(ReadOk(writer.Bytes())));

    const std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos{
        {0, 250000}, {240, kDefaultTempo}, {720, kDefaultTempo}, {720, 1000000}};
    EXPECT_EQ(TemposOf(written), tempos);
    EXPECT_EQ(written.LastTick(), 240u + 480u + 960u);
}

TEST(SmfReader, PauseLongerThanOneDeltaTimeKeepsItsLength) {
    // Format 2 puts the second track's note almost 2^29 ticks after the first track's last event.
    SmfWriter writer(2, 480);
    writer.AddTrack().Note(0, 10, 0, 60).EndAt(0x0FFFFFFF);
    writer.AddTrack().Note(0x0FFFFFF0, 10, 0, 62);
    const auto song = ReadOk(writer.Bytes());
    const std::vector<std::pair<std::uint32_t, int>> notes{{0, 60}, {0x0FFFFFFFu + 0x0FFFFFF0u, 62}};
    ASSERT_EQ(NotesOf(song), notes);

    ExpectWrittenFileReadsBackTheSame(song);
}

struct SmpteCase {
    int framesPerSecond;
    int ticksPerFrame;
    int division;
    std::uint32_t tempo;
};

TEST(SmfReader, SmpteTimeBecomesTicksPerQuarterNoteWithATempoThatKeepsTheFrames) {
    for (const auto& [fps, ticksPerFrame, division, tempo] :
         {SmpteCase{24, 4, 96, 1000000}, SmpteCase{25, 40, 1000, 1000000}, SmpteCase{29, 80, 2400, 1001001},
          SmpteCase{30, 255, 7650, 1000000}}) {
        SmfWriter writer(1, testing::SmpteDivision(fps, ticksPerFrame));
        writer.AddTrack().Tempo(0, 300000).Tempo(100, 700000);
        writer.AddTrack().Note(0, 100, 0, 60);
        const auto song = ReadOk(writer.Bytes());
        EXPECT_EQ(song.division, division) << fps;
        EXPECT_EQ(song.fixedTempo, tempo) << fps;

        const auto written = ReadOk(WritePlayableSmf(song));
        const std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos{{0, tempo}};
        EXPECT_EQ(TemposOf(written), tempos) << "the file's own tempo events mean nothing in SMPTE time";
        EXPECT_EQ(written.division, division);
    }
}

TEST(SmfReader, ModuleResetsAreWrittenAsGmSystemOn) {
    SmfWriter writer(0, 480);
    writer.AddTrack()
        .SysEx(0, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}))
        .SysEx(10, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}))
        .SysEx(20, Bytes({0xF0, 0x7E, 0x10, 0x09, 0x01, 0xF7}))
        .SysEx(30, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04, 0x7F, 0x3D, 0xF7}));
    const auto written = ReadOk(WritePlayableSmf(ReadOk(writer.Bytes())));

    const auto gmSystemOn = Bytes({0x7E, 0x7F, 0x09, 0x01});
    const std::vector<std::pair<std::uint32_t, std::string>> expected{
        {0, gmSystemOn},
        {10, gmSystemOn},
        {20, gmSystemOn},
        {30, Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04, 0x7F, 0x3D})}};
    EXPECT_EQ(SysExOf(written), expected);
}

struct ResetCase {
    const char* name;
    std::string data;  // after F0
    bool reset;
};
void PrintTo(const ResetCase& value, std::ostream* out) {
    *out << value.name;
}

class ModuleReset : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ModuleReset, IsRecognisedByItsBytes) {
    EXPECT_EQ(IsModuleReset(GetParam().data), GetParam().reset);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ModuleReset,
    ::testing::Values(ResetCase{"GmSystemOn", Bytes({0x7E, 0x7F, 0x09, 0x01, 0xF7}), true},
                      ResetCase{"GmSystemOnWithoutF7", Bytes({0x7E, 0x7F, 0x09, 0x01}), true},
                      ResetCase{"GmSystemOnForDevice16", Bytes({0x7E, 0x10, 0x09, 0x01, 0xF7}), true},
                      ResetCase{"GsReset",
                                Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), true},
                      ResetCase{"GsResetForDevice17",
                                Bytes({0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), true},
                      ResetCase{"Sc88SingleModule",
                                Bytes({0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}), true},
                      ResetCase{"Sc88DoubleModule",
                                Bytes({0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7}), true},
                      ResetCase{"GmSystemOff", Bytes({0x7E, 0x7F, 0x09, 0x02, 0xF7}), false},
                      ResetCase{"XgSystemOn", Bytes({0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}), false},
                      ResetCase{"GsMasterVolume",
                                Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04, 0x7F, 0x3D, 0xF7}), false},
                      ResetCase{"GsResetCutShort", Bytes({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F}), false},
                      ResetCase{"Empty", "", false}),
    [](const ::testing::TestParamInfo<ResetCase>& paramInfo) { return paramInfo.param.name; });

}  // namespace
}  // namespace korva

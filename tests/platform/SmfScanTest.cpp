#include "platform/SmfScan.h"

#include <gtest/gtest.h>

#include "support/SmfWriter.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::Patched;
using testing::SmfWriter;

std::string TwoTrackSong() {
    SmfWriter writer(1, 480);
    writer.AddTrack().Tempo(0, 500000).TrackName(0, "Conductor").EndAt(100);
    writer.AddTrack().ProgramChange(0, 0, 5).Note(0, 480, 0, 60).Note(480, 960, 0, 64);
    return writer.Bytes();
}

TEST(SmfScan, SongEndsAtTheLatestEndOfItsTracks) {
    const auto scan = ScanSmf(TwoTrackSong());
    ASSERT_TRUE(scan.Ok()) << scan.detail;
    EXPECT_EQ(scan.format, 1);
    EXPECT_EQ(scan.tracks, 2);
    EXPECT_EQ(scan.division, 480);
    EXPECT_EQ(scan.lastTick, 1440u);
}

TEST(SmfScan, EveryCutShortCopyOfASongIsRefused) {
    const auto song = TwoTrackSong();
    for (std::size_t length = 0; length < song.size(); ++length) {
        const auto scan = ScanSmf(testing::Truncated(song, length));
        EXPECT_FALSE(scan.Ok()) << "cut at " << length;
        EXPECT_EQ(scan.problem, length < 4 ? SmfProblem::NoHeader : SmfProblem::Truncated)
            << "cut at " << length;
    }
}

struct Case {
    const char* name;
    std::string bytes;
    SmfProblem problem;
    std::uint32_t lastTick = 0;
};
void PrintTo(const Case& value, std::ostream* out) {
    *out << value.name;
}

class SmfScanCase : public ::testing::TestWithParam<Case> {};

TEST_P(SmfScanCase, FindsTheProblemOrTheEnd) {
    const auto scan = ScanSmf(GetParam().bytes);
    EXPECT_EQ(scan.problem, GetParam().problem) << scan.detail << " at " << scan.offset;
    if (scan.Ok()) {
        EXPECT_EQ(scan.lastTick, GetParam().lastTick);
    }
}

std::string OneTrack(const std::string& events) {
    return "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}) + "MTrk" +
           Bytes({0, 0, 0, static_cast<int>(events.size())}) + events;
}

std::vector<Case> Cases() {
    const auto song = TwoTrackSong();
    const auto endOfTrack = Bytes({0x00, 0xFF, 0x2F, 0x00});
    return {
        {"RiffFile", "RIFF" + song, SmfProblem::NoHeader},
        {"MacBinaryHeader", testing::WithMacBinaryHeader(song), SmfProblem::NoHeader},
        {"HeaderLengthNotSix", Patched(song, 7, Bytes({8})), SmfProblem::Corrupt},
        {"FormatThree", Patched(song, 9, Bytes({3})), SmfProblem::Unsupported},
        {"NoTracks", Patched(song, 10, Bytes({0, 0})), SmfProblem::Corrupt},
        {"TooManyTracks", Patched(song, 10, Bytes({0, 129})), SmfProblem::Unsupported},
        {"HeaderPromisesATrackThatIsMissing", Patched(song, 10, Bytes({0, 3})), SmfProblem::Truncated},
        {"SmpteTime", Patched(song, 12, Bytes({0xE7, 0x28})), SmfProblem::Unsupported},
        {"DivisionZero", Patched(song, 12, Bytes({0, 0})), SmfProblem::Corrupt},
        {"FirstTrackLongerThanTheFile", Patched(song, 18, Bytes({0, 1, 0, 0})), SmfProblem::Truncated},
        {"EventRunsIntoTheNextTrack", Patched(song, 21, Bytes({song[21] - 2})), SmfProblem::Corrupt},
        {"ForeignChunkBeforeTheTracks",
         "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}) + "XFIH" + Bytes({0, 0, 0, 0}) +
             OneTrack(endOfTrack).substr(14),
         SmfProblem::Unsupported},
        {"ChunkNameNotText", Patched(song, 14, Bytes({0x8D, 0x54, 0x72, 0x6B})), SmfProblem::Corrupt},
        {"DataByteWithoutStatus", OneTrack(Bytes({0x00, 0x3C, 0x40}) + endOfTrack), SmfProblem::Corrupt},
        {"StatusByteInsideAMessage", OneTrack(Bytes({0x00, 0x90, 0x3C, 0x90}) + endOfTrack),
         SmfProblem::Corrupt},
        {"RunningStatusDoesNotSurviveAMetaEvent",
         OneTrack(Bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x00}) + endOfTrack),
         SmfProblem::Corrupt},
        {"FiveByteDeltaTime", OneTrack(Bytes({0x81, 0x81, 0x81, 0x81, 0x01, 0xC0, 0x00}) + endOfTrack),
         SmfProblem::Corrupt},
        {"TempoOfTwoBytes", OneTrack(Bytes({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}) + endOfTrack),
         SmfProblem::Corrupt},
        {"EndOfTrackWithData", OneTrack(Bytes({0x00, 0xFF, 0x2F, 0x01, 0x00})), SmfProblem::Corrupt},
        {"EscapedSysExPacket", OneTrack(Bytes({0x00, 0xF7, 0x02, 0x41, 0xF7}) + endOfTrack),
         SmfProblem::Unsupported},
        {"SystemRealTimeByte", OneTrack(Bytes({0x00, 0xF8}) + endOfTrack), SmfProblem::Unsupported},
        {"SysExLongerThanTheTrack", OneTrack(Bytes({0x00, 0xF0, 0x7F, 0x7E})), SmfProblem::Truncated},

        {"PlainSong", song, SmfProblem::None, 1440},
        {"NoEndOfTrack", OneTrack(Bytes({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00})), SmfProblem::None,
         0x60},
        {"RunningStatus", OneTrack(Bytes({0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00}) + endOfTrack),
         SmfProblem::None, 0x10},
        {"EmptySysEx", OneTrack(Bytes({0x00, 0xF0, 0x00}) + endOfTrack), SmfProblem::None, 0},
        {"BytesAfterEndOfTrackAreIgnored", OneTrack(endOfTrack + Bytes({0x13, 0x37})), SmfProblem::None, 0},
        {"LastTrackLongerThanTheFileButEnded",
         Patched(OneTrack(Bytes({0x60}) + endOfTrack.substr(1)), 18, Bytes({0, 0, 1, 0})), SmfProblem::None,
         0x60},
        {"ForeignChunkAfterTheTracks", song + "XFKM" + Bytes({0, 0, 0, 1, 0}), SmfProblem::None, 1440},
    };
}

INSTANTIATE_TEST_SUITE_P(Files, SmfScanCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& paramInfo) {
                             return paramInfo.param.name;
                         });

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

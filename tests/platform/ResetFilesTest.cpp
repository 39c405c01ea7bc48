// The reset files shipped beside the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "SynthTestSupport.h"
#include "playback/SmfReader.h"

namespace korva {
namespace {

using testing::Bytes;
using testing::kBlock;
using testing::SmfWriter;
using testing::TempDir;
using testing::VirtualSynth;

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct ResetFile {
    const char* name;
    std::string message;
};
void PrintTo(const ResetFile& value, std::ostream* out) {
    *out << value.name;
}

class ShippedResetFile : public ::testing::TestWithParam<ResetFile> {};

TEST_P(ShippedResetFile, HoldsItsMessageAndEndsAboutATenthOfASecondLater) {
    const auto bytes = ReadBytes(std::filesystem::path(KORVA_DATA_DIR) / GetParam().name);
    const auto read = ReadSmf(bytes);
    ASSERT_TRUE(read.Ok()) << read.detail;

    // The message is stored as F0, its length, and the rest of it.
    const auto& message = GetParam().message;
    const auto stored = std::string(1, '\xF0') + static_cast<char>(message.size() - 1) + message.substr(1);
    EXPECT_NE(bytes.find(stored), std::string::npos);

    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    synth.Device().Open((std::filesystem::path(KORVA_DATA_DIR) / GetParam().name).string());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(1)));
    EXPECT_GE(synth.noticeFrames[0], synth.Seconds(0.08));
    EXPECT_LE(synth.noticeFrames[0], synth.Seconds(0.15));
}

TEST_P(ShippedResetFile, UndoesAProgramChangeMadeBeforeIt) {
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    SmfWriter song(0, 480);
    song.AddTrack().ProgramChange(0, 0, 40).ProgramChange(0, 5, 19).Note(0, 96, 0, 60);
    synth.OpenSong(dir, "SONG.MID", song.Bytes());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(1)));
    ASSERT_EQ(synth.Engine().ProgramOf(0), 40);

    synth.Device().Open((std::filesystem::path(KORVA_DATA_DIR) / GetParam().name).string());
    synth.Device().Play();
    ASSERT_TRUE(synth.RenderUntilNotice(synth.Seconds(1)));

    EXPECT_EQ(synth.Engine().ProgramOf(0), 0);
    EXPECT_EQ(synth.Engine().ProgramOf(5), 0);
}

TEST_P(ShippedResetFile, IsPlacedBesideTheBuiltProgram) {
    const auto besideProgram = std::filesystem::path(KORVA_PROGRAM_DIR) / GetParam().name;
    ASSERT_TRUE(std::filesystem::exists(besideProgram));
    EXPECT_EQ(ReadBytes(besideProgram), ReadBytes(std::filesystem::path(KORVA_DATA_DIR) / GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedResetFile,
    ::testing::Values(
        ResetFile{"KORVA_GM.MID", Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})},
        ResetFile{"KORVA_GS.MID", Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})},
        ResetFile{"KORVA_88.MID", Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7})}),
    [](const ::testing::TestParamInfo<ResetFile>& paramInfo) {
        std::string name = paramInfo.param.name;
        return name.substr(6, 2);
    });

}  // namespace
}  // namespace korva

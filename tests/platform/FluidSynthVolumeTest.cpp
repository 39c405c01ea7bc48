#include "platform/FluidSynthVolume.h"

#include <gtest/gtest.h>

#include "SynthTestSupport.h"

namespace korva {
namespace {

using testing::HeldNoteSong;
using testing::kAudible;
using testing::Stereo;
using testing::TempDir;
using testing::VirtualSynth;

TEST(FluidSynthVolume, OneDeviceWhoseVolumeIsReadAsItWasSet) {
    VirtualSynth synth;
    FluidSynthVolume volume(synth.Engine());
    EXPECT_EQ(volume.DeviceCount(), 1);

    std::uint32_t value = 0;
    ASSERT_TRUE(volume.GetVolume(0, value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    ASSERT_TRUE(volume.SetVolume(0, 0xBFFF7FFFu));
    ASSERT_TRUE(volume.GetVolume(0, value));
    EXPECT_EQ(value, 0xBFFF7FFFu);

    EXPECT_FALSE(volume.GetVolume(1, value));
    EXPECT_FALSE(volume.SetVolume(1, 0));
    ASSERT_TRUE(volume.GetVolume(0, value));
    EXPECT_EQ(value, 0xBFFF7FFFu) << "a refused setting changes nothing";
}

struct VolumeCase {
    const char* name;
    std::uint32_t value;
    bool leftHeard;
    bool rightHeard;
};
void PrintTo(const VolumeCase& value, std::ostream* out) {
    *out << value.name;
}

class FluidSynthVolumeChannels : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(FluidSynthVolumeChannels, LowWordScalesLeftAndHighWordRight) {
    TempDir dir;
    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    FluidSynthVolume volume(synth.Engine());
    ASSERT_TRUE(volume.SetVolume(0, GetParam().value));

    synth.OpenSong(dir, "A.MID", HeldNoteSong(0.5));
    synth.Device().Play();
    const Stereo sound = synth.Render(synth.Seconds(0.5));

    EXPECT_EQ(Stereo::Peak(sound.left) > kAudible, GetParam().leftHeard) << Stereo::Peak(sound.left);
    EXPECT_EQ(Stereo::Peak(sound.right) > kAudible, GetParam().rightHeard) << Stereo::Peak(sound.right);
}

INSTANTIATE_TEST_SUITE_P(Values, FluidSynthVolumeChannels,
                         ::testing::Values(VolumeCase{"Silent", 0x00000000u, false, false},
                                           VolumeCase{"LeftOnly", 0x0000FFFFu, true, false},
                                           VolumeCase{"RightOnly", 0xFFFF0000u, false, true},
                                           VolumeCase{"Full", 0xFFFFFFFFu, true, true}),
                         [](const ::testing::TestParamInfo<VolumeCase>& paramInfo) {
                             return paramInfo.param.name;
                         });

TEST(FluidSynthVolume, HalfValueHalvesTheChannel) {
    // Two synths render the same song from the same start, one at half volume on the left.
    TempDir dir;
    VirtualSynth full;
    VirtualSynth half;
    ASSERT_TRUE(full.Engine().WaitUntilLoaded());
    ASSERT_TRUE(half.Engine().WaitUntilLoaded());
    FluidSynthVolume(half.Engine()).SetVolume(0, 0xFFFF7FFFu);
    for (auto* synth : {&full, &half}) {
        synth->OpenSong(dir, "A.MID", HeldNoteSong(0.5));
        synth->Device().Play();
    }
    const Stereo loud = full.Render(full.Seconds(0.3));
    const Stereo soft = half.Render(half.Seconds(0.3));

    EXPECT_NEAR(Stereo::Rms(soft.left) / Stereo::Rms(loud.left), 0x7FFF / 65535.0, 0.01);
    EXPECT_NEAR(Stereo::Rms(soft.right) / Stereo::Rms(loud.right), 1.0, 0.01);
}

}  // namespace
}  // namespace korva

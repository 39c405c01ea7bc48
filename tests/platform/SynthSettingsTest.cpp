#include "platform/SynthSettings.h"

#include <fluidsynth.h>

#include <gtest/gtest.h>

#include <regex>

#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::TempDir;

TEST(SynthSettings, SoundFontSettingIsUsedWhetherOrNotItsFileExists) {
    TempDir dir;
    const auto existing = dir.Write("MY.SF2", "x");
    EXPECT_EQ(ResolveSoundFontPath(existing, {dir.Folder() + "OTHER.SF2"}), existing);
    EXPECT_EQ(ResolveSoundFontPath(dir.Folder() + "GONE.SF2", {existing}), dir.Folder() + "GONE.SF2");
}

TEST(SynthSettings, SoundFontSettingFindsItsFileWhateverTheLetterCase) {
    TempDir dir;
    const auto existing = dir.Write("Piano.sf2", "x");
    EXPECT_EQ(ResolveSoundFontPath(dir.Folder() + "PIANO.SF2"), existing);
}

TEST(SynthSettings, EmptySettingTakesTheFirstSystemSoundFontThatExists) {
    TempDir dir;
    const auto first = dir.Folder() + "default-GM.sf2";
    const auto second = dir.Folder() + "TimGM6mb.sf2";
    EXPECT_EQ(ResolveSoundFontPath("", {first, second}), second) << "nothing exists: name the last";
    dir.Write("TimGM6mb.sf2", "x");
    EXPECT_EQ(ResolveSoundFontPath("", {first, second}), second);
    dir.Write("default-GM.sf2", "x");
    EXPECT_EQ(ResolveSoundFontPath("", {first, second}), first);
}

TEST(SynthSettings, AudioDriverSettingIsTheOnlyOneTried) {
    EXPECT_EQ(AudioDriverCandidates(""), (std::vector<std::string>{"pulseaudio", "alsa", "jack", "sdl2"}));
    EXPECT_EQ(AudioDriverCandidates("alsa"), std::vector<std::string>{"alsa"});
}

TEST(SynthSettings, SoundFontMessagesNameThePathAndTheSetting) {
    const std::string path = Sjis("/home/user/音色/GM.sf2");
    for (const auto& text : {SoundFontMissingText(path), SoundFontUnreadableText(path)}) {
        EXPECT_NE(text.find(path), std::string::npos);
        EXPECT_NE(text.find("[SYNTH] SOUNDFONT"), std::string::npos);
        EXPECT_TRUE(Cp932ToUtf8(text).ok);
    }
    EXPECT_NE(ToDisplayUtf8(SoundFontMissingText(path)).find("見つかりません"), std::string::npos);
    EXPECT_NE(ToDisplayUtf8(SoundFontUnreadableText(path)).find("読み込めません"), std::string::npos);
}

// The about window names it; the library the program runs with must match the headers it was built for.
TEST(SynthSettings, FluidSynthVersionIsTheLibrarysOwn) {
    const std::string version = FluidSynthVersion();
    EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
    EXPECT_EQ(version.substr(0, version.find('.')), std::to_string(FLUIDSYNTH_VERSION_MAJOR));
}

}  // namespace
}  // namespace korva

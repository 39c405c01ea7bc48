#include "platform/SynthSettings.h"

#include <algorithm>

#include <fluidsynth.h>
#include <cstdlib>

#include "app/FileSystem.h"
#include "text/Encoding.h"

namespace korva {

std::string ResolveSoundFontPath(const std::string& soundFontSetting,
                                 const std::vector<std::string>& candidates) {
    if (!soundFontSetting.empty()) {
        // A path written in the settings file finds its file whatever the letter case, as it did
        // on the file system the settings come from.
        try {
            if (const auto found = FindIgnoringCase(soundFontSetting))
                return FromFsPath(*found);
        } catch (const EncodingError&) {
        }
        return soundFontSetting;
    }
    for (const auto& candidate : candidates) {
        if (FileExistsIgnoringCase(candidate))
            return candidate;
    }
    return candidates.empty() ? std::string() : candidates.back();
}

double SynthGain(std::int32_t gainSetting) {
    return static_cast<double>(std::clamp<std::int32_t>(gainSetting, 0, 1000)) / 100.0;
}

std::vector<std::string> AudioDriverCandidates(const std::string& audioDriverSetting) {
    if (!audioDriverSetting.empty())
        return {audioDriverSetting};
    return {"pulseaudio", "alsa", "jack", "sdl2"};
}

std::string SoundFontMissingText(const std::string& sjisPath) {
    return Sjis("SoundFont が見つかりません：") + sjisPath +
           Sjis("\nKORVA.INI の [SYNTH] SOUNDFONT= に SoundFont ファイル（.sf2）を指定してください。");
}

std::string SoundFontUnreadableText(const std::string& sjisPath) {
    return Sjis("SoundFont を読み込めません：") + sjisPath +
           Sjis(
               "\nKORVA.INI の [SYNTH] SOUNDFONT= に読み込める SoundFont "
               "ファイル（.sf2）を指定してください。");
}

void KeepJackFromStartingServers() {
    ::setenv("JACK_NO_START_SERVER", "1", 0);
}

std::string FluidSynthVersion() {
    return fluid_version_str();
}

}  // namespace korva

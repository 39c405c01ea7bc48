#pragma once
// The settings of section "SYNTH" of KORVA.INI as the synthesizer needs them: which SoundFont to
// load and which audio drivers to try, and the texts that tell the user when the SoundFont fails.

#include <cstdint>
#include <string>
#include <vector>

#include "app/Settings.h"

namespace korva {

// The system's choice of GM SoundFont, then the small one the program is tested with.
inline const std::vector<std::string> kSystemSoundFonts{"/usr/share/sounds/sf2/default-GM.sf2",
                                                        "/usr/share/sounds/sf2/TimGM6mb.sf2"};

// SOUNDFONT when set; otherwise the first of the candidates that exists, or the last candidate when
// none does (so that the message about it names a file the user can install). Shift-JIS path text.
std::string ResolveSoundFontPath(const std::string& soundFontSetting,
                                 const std::vector<std::string>& candidates = kSystemSoundFonts);

// The synth's gain for GAIN, given in hundredths; values outside FluidSynth's range 0-10 are held
// at its ends.
double SynthGain(std::int32_t gainSetting);

// The audio drivers to try in order: AUDIODRV alone when set, else pulseaudio, alsa, jack, sdl2.
std::vector<std::string> AudioDriverCandidates(const std::string& audioDriverSetting);

// Trying JACK among the automatic choices must not start a JACK server as a side effect. Changes the
// process environment, so it is called at the very start of main, before any thread exists; a value
// the user has set stays.
void KeepJackFromStartingServers();

// Shift-JIS messages naming the SoundFont's path and the setting that chooses it.
std::string SoundFontMissingText(const std::string& sjisPath);
std::string SoundFontUnreadableText(const std::string& sjisPath);

// The version of the FluidSynth library the program runs with, as "2.3.1".
std::string FluidSynthVersion();

}  // namespace korva

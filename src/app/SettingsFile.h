#pragma once
// Reading and writing the settings record from and to "KORVA.INI".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Ports.h"
#include "app/Settings.h"

namespace korva {

// Reads every key of sections "KORVA" (all but CONVHIS), "POS00", "POS01" and "SYNTH" into the
// record, in the fixed order; keys that are missing or not numbers keep their defaults. Right after
// RNDMODE, afterRndmode is called with its value (the main window's order indicator). Any failure
// ends the reading silently; the keys not read by then keep their defaults. A settings file that is
// there but is none the program reads (a FIFO, a device, a file too large) is read as no keys too;
// what the user is to be told of it is returned, empty otherwise.
std::string ReadSettings(const std::string& iniPath, Settings& settings,
                         const std::function<void(std::uint8_t rndmode)>& afterRndmode = {});

// Writes the keys of section "KORVA" except CONVHIS, one after the other, then shows
// "各種の設定を保存しました". A failed write raises WriteError; the keys before it are written.
void SaveSettings(const std::string& iniPath, const Settings& settings, MessageView& messages);

// Section "POS00": MANHPOS, MANVPOS.
void SaveMainPosition(const std::string& iniPath, const Settings& settings);
// Writes every key of section "SYNTH": the SoundFont, the audio driver, the MIDI output and the
// built-in synthesizer's sound.
void SaveSynthSettings(const std::string& iniPath, const Settings& settings);
// Section "POS01": VIWHPOS, VIWVPOS, VIWSIZE, VIWHIGH.
void SaveSongWindowPosition(const std::string& iniPath, const Settings& settings);

// CONVHIS, read and written on its own by the conversion window. Reading gives the empty text when
// the file or the key is missing, and nullopt when the file exists but cannot be read.
std::optional<std::string> ReadConvHis(const std::string& iniPath);
// Raises WriteError when the file cannot be written.
void SaveConvHis(const std::string& iniPath, const std::string& folder);

// Integer values as the file holds them: optional sign and decimal digits, or "0x"/"0X" followed by
// hexadecimal digits; nullopt for anything else (the caller then uses the default).
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

// The names of the keys SaveSettings writes, in the order it writes them.
const std::vector<std::string_view>& SavedSettingKeys();

}  // namespace korva

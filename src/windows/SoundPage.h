#pragma once
// The settings window's sound page: where the songs are played (the built-in synthesizer or a MIDI
// output port the system lists) and the built-in synthesizer's SoundFont, reverb, chorus and gain.
// Unlike the other pages it does not act at once: it is filled from the settings each time it is
// shown, and its own save button puts what it shows into the settings and writes section "SYNTH".
// Edits not saved are dropped when the page is shown again.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"

namespace korva {

// Where Debian's packages install SoundFonts.
inline const std::vector<std::filesystem::path> kInstalledSoundFontFolders{
    "/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts"};

// The files *.sf2 and *.sf3 (extension in any letter case) of the folders, folder by folder and by
// name within each, every link resolved to the file it names. A file reached twice (a link beside
// its target, the system's default-GM link) is listed once, where it is first reached; what is no
// regular file (a folder, a dangling link) is left out, and so is a folder that cannot be read.
std::vector<std::filesystem::path> InstalledSoundFonts(const std::vector<std::filesystem::path>& folders);

// The gain in hundredths that the page offers (0.01 to 2.00, in steps of 0.05).
inline constexpr int kLeastGain = 1;
inline constexpr int kMostGain = 200;
inline constexpr int kGainStep = 5;
// GAIN as the page shows it: whatever the file holds, within the page's range.
int ShownGain(std::int32_t gain);
// A gain as the spin box holds it (1.0 is unity) in hundredths, rounded and within the range.
int GainHundredths(double value);

// One line of the output list or the SoundFont list.
struct SoundPageItem {
    std::string caption;  // UTF-8, as shown
    std::string name;     // the port's name or the file's path in UTF-8; empty for the first line
    // The setting's Shift-JIS text; nullopt when Shift-JIS cannot hold the name.
    std::optional<std::string> value;
};

struct SoundPageList {
    std::vector<SoundPageItem> items;
    std::size_t chosen = 0;
};

// "内蔵シンセサイザー" (MIDIOUT empty), then the ports by the names the system gives them. A MIDIOUT
// that names none of them stays listed last, marked "（見つかりません）", and is chosen: showing the
// page never changes the choice by itself.
SoundPageList OutputList(const std::vector<std::string>& utf8Ports, const std::string& sjisMidiOut);

// "標準（システムの SoundFont）" (SOUNDFONT empty), then the installed SoundFonts, then SOUNDFONT when
// it is none of them, marked "（見つかりません）" when no file is there.
SoundPageList SoundFontList(const std::vector<std::filesystem::path>& installed,
                            const std::string& sjisSoundFont);

// The SoundFont file dialog: the chosen file's Shift-JIS path, or nullopt when cancelled (a file
// whose path Shift-JIS cannot hold is refused by the dialog, which says so).
class SoundFontDialog {
  public:
    virtual ~SoundFontDialog() = default;
    virtual std::optional<std::string> ChooseSoundFont(const std::string& sjisStartFolder) = 0;
};

class SoundPage {
  public:
    SoundPage(AppModel& model, MessageView& messages) : model_(model), messages_(messages) {}

    // Fills the page from the settings, with the ports the system lists now and the SoundFonts installed.
    void Fill(const std::vector<std::string>& utf8Ports, const std::vector<std::filesystem::path>& installed);

    const SoundPageList& Outputs() const { return outputs_; }
    const SoundPageList& SoundFonts() const { return soundFonts_; }
    bool Reverb() const { return reverb_; }
    bool Chorus() const { return chorus_; }
    int Gain() const { return gain_; }
    // The SoundFont, reverb, chorus and gain are the built-in synthesizer's: no use with a port.
    bool SynthControlsEnabled() const { return outputs_.chosen == 0; }

    void ChooseOutput(std::size_t index);
    void ChooseSoundFont(std::size_t index);
    void SetReverb(bool on) { reverb_ = on; }
    void SetChorus(bool on) { chorus_ = on; }
    void SetGain(int hundredths) { gain_ = ShownGain(hundredths); }
    // The browse button: the chosen file becomes the SoundFont, listed once. False when cancelled.
    bool BrowseSoundFont(SoundFontDialog& dialog);

    // The save button: puts the page into the settings and writes section "SYNTH", then says that the
    // next song uses it. A name Shift-JIS cannot hold, or a failed write, is told and leaves the
    // settings as they were. True when saved.
    bool SaveButtonClick();

  private:
    AppModel& model_;
    MessageView& messages_;
    SoundPageList outputs_;
    SoundPageList soundFonts_;
    bool reverb_ = true;
    bool chorus_ = true;
    int gain_ = 20;
};

}  // namespace korva

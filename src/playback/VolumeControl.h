#pragma once
// The ten-step MIDI output volume: a base level the user chooses (kept in INITVOL) and an effective
// level that differs from it by a temporary offset (Hi/Lo presses or a song's own offset).

#include <cstdint>
#include <optional>
#include <string>

#include "app/Settings.h"
#include "playback/PlayerViews.h"

namespace korva {

class VolumeOutput;

// "0123579BDF": level k is written as its character number k.
inline constexpr const char* kLevelDigits = "0123579BDF";

// The 32-bit volume value for a level: the level's digit, INITVOL's characters 2-4, the digit again,
// characters 6-8, read as hexadecimal; nullopt when that is no hexadecimal number or level > 9.
std::optional<std::uint32_t> VolumeValueForLevel(const std::string& initvol, int level);

class VolumeControl {
  public:
    // Shows the volume through views.deckVolume and views.volumeWindow.
    VolumeControl(Settings& settings, VolumeOutput& output, const Views& views);

    int BaseLevel() const;
    int EffectiveLevel() const { return effectiveLevel_; }

    // Finds the first device whose volume can be read; on success shows the volume controls.
    bool FindVolumeDevice();

    // Sets the device to `level` and, when newBase is 0..9, stores it as the base level. On a refusal
    // nothing changes and false is returned.
    bool ApplyLevel(int level, int newBase);
    void StoreBaseLevel(int level);
    void MarkLevel(int level);

    // A level button: the new base keeps a temporary offset in force. Returns whether the button
    // stays down; the bar follows the button.
    bool LevelButtonClick(int level);
    // The level button of `level` (limited to 0..9), then the bar.
    void StepBaseLevel(int level);
    // The remote window's base down (-1) / up (+1): the base level stepped, never past 0 or 9.
    void StepBaseLevelBy(int step);
    void TemporaryUp();
    void TemporaryDown();

    // Back to the base level (song start, song end, stop).
    void ApplyBaseLevel();
    // A song's own offset, applied when it lies strictly between -6 and 6; other texts count as 0.
    void ApplySongOffset(const std::string& volText);

    // The level button that INITVOL's first character presses, or -1 for none.
    int BaseButtonOfInitvol() const;
    // Before the volume window opens: its base button down and the effective level marked.
    void PrepareVolumeWindow();

  private:
    Settings& settings_;
    VolumeOutput& output_;
    const Views& views_;
    int effectiveLevel_;
    std::uint16_t device_ = 0;
};

}  // namespace korva

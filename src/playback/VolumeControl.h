#pragma once
// The ten-step MIDI output volume: a base level the user chooses (kept in INITVOL) and an effective
// level that differs from it by a temporary offset (Hi/Lo presses or a song's own offset).

#include <cstdint>
#include <optional>
#include <string>

#include "app/Settings.h"

namespace korva {

class VolumeOutput;

// What the windows show of the volume: the volume window's level buttons and red mark, and the
// main window's volume controls.
class VolumeView {
  public:
    virtual ~VolumeView() = default;
    // The main window swaps its name label for the volume controls.
    virtual void ShowVolumeControls() = 0;
    // The level button of `level` gets the red caption, all others black.
    virtual void MarkEffectiveLevel(int level) = 0;
    // The level buttons' down state (the base level's button is down); -1 puts none down.
    virtual void SetBaseButtonDown(int level) = 0;
    // The main window's base-volume bar.
    virtual void SetVolumeBar(int level) = 0;
};

// "0123579BDF": level k is written as its character number k.
inline constexpr const char* kLevelDigits = "0123579BDF";

// The 32-bit volume value for a level: the level's digit, INITVOL's characters 2-4, the digit again,
// characters 6-8, read as hexadecimal; nullopt when that is no hexadecimal number or level > 9.
std::optional<std::uint32_t> VolumeValueForLevel(const std::string& initvol, int level);

class VolumeControl {
  public:
    VolumeControl(Settings& settings, VolumeOutput& output, VolumeView& view);

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
    // The remote window's base up/down: the level button of `level`, then the bar.
    void StepBaseLevel(int level);
    void TemporaryUp();
    void TemporaryDown();

    // Back to the base level (song start, song end, stop).
    void ApplyBaseLevel();
    // A song's own offset, applied when it lies strictly between -6 and 6; other texts count as 0.
    void ApplySongOffset(const std::string& volText);

    // The level button that INITVOL's first character presses, or -1 for none.
    int BaseButtonOfInitvol() const;

  private:
    Settings& settings_;
    VolumeOutput& output_;
    VolumeView& view_;
    int effectiveLevel_;
    std::uint16_t device_ = 0;
};

}  // namespace korva

#include "playback/VolumeControl.h"

#include <algorithm>
#include <charconv>

#include "playback/VolumeLevels.h"
#include "playback/VolumeOutput.h"
#include "playlist/PlaylistEntry.h"

namespace korva {

namespace {

std::string Sub(const std::string& text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string();
}

}  // namespace

std::optional<std::uint32_t> VolumeValueForLevel(const std::string& initvol, int level) {
    if (level < 0 || level > 9)
        return std::nullopt;
    const char digit = kLevelDigits[level];
    const std::string text = digit + Sub(initvol, 1, 3) + digit + Sub(initvol, 5, 3);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

VolumeControl::VolumeControl(Settings& settings, VolumeOutput& output, const Views& views)
    : settings_(settings), output_(output), views_(views), effectiveLevel_(BaseLevel()) {}

int VolumeControl::BaseLevel() const {
    return LevelOfDigit(settings_.INITVOL.empty() ? '\0' : settings_.INITVOL[0]);
}

bool VolumeControl::FindVolumeDevice() {
    const int count = output_.DeviceCount();
    if (count <= 0)
        return false;
    for (int d = 0; d < count; ++d) {
        std::uint32_t ignored = 0;
        if (output_.GetVolume(static_cast<std::uint16_t>(d), ignored)) {
            device_ = static_cast<std::uint16_t>(d);
            views_.deckVolume->ShowVolumeControls();
            return true;
        }
    }
    device_ = static_cast<std::uint16_t>(count);
    return false;
}

bool VolumeControl::ApplyLevel(int level, int newBase) {
    if (level > 9)
        return false;
    const auto value = VolumeValueForLevel(settings_.INITVOL, level);
    if (!value || !output_.SetVolume(device_, *value))
        return false;
    if (newBase >= 0)
        StoreBaseLevel(newBase);
    MarkLevel(level);
    return true;
}

void VolumeControl::StoreBaseLevel(int level) {
    if (level < 0 || level > 9)
        return;
    const char digit = kLevelDigits[level];
    settings_.INITVOL = digit + Sub(settings_.INITVOL, 1, 3) + digit + Sub(settings_.INITVOL, 5, 3);
}

void VolumeControl::MarkLevel(int level) {
    effectiveLevel_ = level;
    views_.volumeWindow->MarkEffectiveLevel(level);
}

bool VolumeControl::LevelButtonClick(int level) {
    const int target = std::clamp(level + effectiveLevel_ - BaseLevel(), 0, 9);
    const bool ok = ApplyLevel(target, level);
    views_.volumeWindow->SetBaseButtonDown(ok ? level : -1);
    views_.deckVolume->SetVolumeBar(level);
    return ok;
}

void VolumeControl::StepBaseLevel(int level) {
    LevelButtonClick(std::clamp(level, 0, 9));
}

void VolumeControl::StepBaseLevelBy(int step) {
    StepBaseLevel(std::clamp(BaseLevel() + step, 0, 9));
}

void VolumeControl::TemporaryUp() {
    if (effectiveLevel_ < 9)
        ApplyLevel(effectiveLevel_ + 1, -1);
}

void VolumeControl::TemporaryDown() {
    if (effectiveLevel_ > 0)
        ApplyLevel(effectiveLevel_ - 1, -1);
}

void VolumeControl::ApplyBaseLevel() {
    ApplyLevel(BaseLevel(), -1);
}

void VolumeControl::ApplySongOffset(const std::string& volText) {
    const int offset = ToIntStrict(volText).value_or(0);
    if (offset > -6 && offset < 6)
        ApplyLevel(std::clamp(BaseLevel() + offset, 0, 9), -1);
}

void VolumeControl::PrepareVolumeWindow() {
    views_.volumeWindow->SetBaseButtonDown(BaseButtonOfInitvol());
    MarkLevel(effectiveLevel_);
}

int VolumeControl::BaseButtonOfInitvol() const {
    const char first = settings_.INITVOL.empty() ? '\0' : settings_.INITVOL[0];
    return IsUpperHexDigit(first) ? LevelOfDigit(first) : -1;
}

}  // namespace korva

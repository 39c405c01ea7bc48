#pragma once
// The synthesizer's output volume as the platform's one MIDI output device, number 0.

#include "platform/FluidSynthEngine.h"
#include "playback/VolumeOutput.h"

namespace korva {

class FluidSynthVolume final : public VolumeOutput {
  public:
    explicit FluidSynthVolume(FluidSynthEngine& engine) : engine_(engine) {}

    int DeviceCount() const override { return 1; }
    bool GetVolume(std::uint16_t device, std::uint32_t& volume) const override;
    bool SetVolume(std::uint16_t device, std::uint32_t volume) override;

  private:
    FluidSynthEngine& engine_;
};

}  // namespace korva

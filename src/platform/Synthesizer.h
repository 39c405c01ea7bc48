#pragma once
// The synthesizer as the program uses it: the engine, the sequencer device over it and the volume
// output, made together and taken apart in the right order.

#include <memory>

#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "platform/FluidSynthVolume.h"
#include "playback/OutputSwitch.h"

namespace korva {

class Synthesizer final : public SoundOutput {
  public:
    explicit Synthesizer(SynthOptions options)
        : engine_(std::move(options)), device_(engine_, engine_.Options().postToUiThread, engine_.Options().waitOnUiThread), volume_(engine_) {}

    FluidSynthEngine& Engine() { return engine_; }
    SequencerDevice& Device() override { return device_; }
    VolumeOutput& Volume() override { return volume_; }

  private:
    // Declared in the order they are made; the device goes before the engine it plays on.
    FluidSynthEngine engine_;
    FluidSynthDevice device_;
    FluidSynthVolume volume_;
};

}  // namespace korva

#pragma once
// Owning handles for FluidSynth's objects.

#include <fluidsynth.h>

#include <memory>

namespace korva {

template <auto Delete>
struct FluidDeleter {
    template <typename T>
    void operator()(T* handle) const {
        if (handle != nullptr)
            Delete(handle);
    }
};

using FluidSettingsPtr = std::unique_ptr<fluid_settings_t, FluidDeleter<&delete_fluid_settings>>;
using FluidSynthPtr = std::unique_ptr<fluid_synth_t, FluidDeleter<&delete_fluid_synth>>;
using FluidDriverPtr = std::unique_ptr<fluid_audio_driver_t, FluidDeleter<&delete_fluid_audio_driver>>;

}  // namespace korva

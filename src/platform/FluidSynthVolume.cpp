#include "platform/FluidSynthVolume.h"

namespace korva {

bool FluidSynthVolume::GetVolume(std::uint16_t device, std::uint32_t& volume) const {
    if (device != 0)
        return false;
    volume = engine_.Volume();
    return true;
}

bool FluidSynthVolume::SetVolume(std::uint16_t device, std::uint32_t volume) {
    if (device != 0)
        return false;
    engine_.SetVolume(volume);
    return true;
}

}  // namespace korva

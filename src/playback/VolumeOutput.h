#pragma once
// The MIDI output volume: devices numbered from 0, each with a 32-bit volume whose low word scales
// the left channel and high word the right channel (0xFFFF is unity).

#include <cstdint>

namespace korva {

class VolumeOutput {
  public:
    virtual ~VolumeOutput() = default;
    virtual int DeviceCount() const = 0;
    // True when the device's volume can be read.
    virtual bool GetVolume(std::uint16_t device, std::uint32_t& value) const = 0;
    // True when the device took the value.
    virtual bool SetVolume(std::uint16_t device, std::uint32_t value) = 0;
};

}  // namespace korva

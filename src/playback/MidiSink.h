#pragma once
// Where a song's events go as their time comes: a synthesizer, or a MIDI output port. A sink takes
// each message whole; it neither waits nor tells whether the receiver took it, as a sounding
// device does not.

#include <cstdint>
#include <string_view>

namespace korva {

class MidiSink {
  public:
    virtual ~MidiSink() = default;
    // A channel message: status 0x80-0xEF with its data bytes (data2 is 0 where the message has one).
    virtual void ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // A system-exclusive message's bytes, without F0 and F7.
    virtual void SysEx(std::string_view body) = 0;
};

}  // namespace korva

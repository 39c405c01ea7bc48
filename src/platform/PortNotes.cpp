#include "platform/PortNotes.h"

#include <algorithm>

namespace korva {

void PortNotes::Channel::ResetControllers() {
    controller.fill(kUnset);
    pitchBend = kUnset;
    pressure = kUnset;
}

void PortNotes::Track(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    Channel& channel = channels_[status & 0x0F];
    const std::uint8_t key = data1 & 0x7F;
    switch (status & 0xF0) {
        case 0x80:
            channel.velocity[key] = 0;
            break;
        case 0x90:
            channel.velocity[key] = data2 & 0x7F;  // velocity 0 is a note-off
            break;
        case 0xB0:
            if (data1 == kResetAllControllers) {
                channel.ResetControllers();
            } else {
                const auto* kept = std::find(kKeptControllers.begin(), kKeptControllers.end(), data1);
                if (kept != kKeptControllers.end())
                    channel.controller[static_cast<std::size_t>(kept - kKeptControllers.begin())] = data2 & 0x7F;
            }
            break;
        case 0xD0:
            channel.pressure = data1 & 0x7F;
            break;
        case 0xE0:
            channel.pitchBend = (data1 & 0x7F) | ((data2 & 0x7F) << 7);
            break;
        default:
            break;
    }
}

void PortNotes::Silence(const Send& send) const {
    for (int c = 0; c < kChannels; ++c) {
        const auto& channel = channels_[static_cast<std::size_t>(c)];
        for (int key = 0; key < 128; ++key)
            if (channel.velocity[static_cast<std::size_t>(key)] != 0)
                send(static_cast<std::uint8_t>(0x80 | c), static_cast<std::uint8_t>(key), 0);
    }
    for (int c = 0; c < kChannels; ++c) {
        send(static_cast<std::uint8_t>(0xB0 | c), kAllSoundOff, 0);
        send(static_cast<std::uint8_t>(0xB0 | c), kResetAllControllers, 0);
    }
}

void PortNotes::Restore(const Send& send) const {
    for (int c = 0; c < kChannels; ++c) {
        const auto& channel = channels_[static_cast<std::size_t>(c)];
        for (std::size_t i = 0; i < kKeptControllers.size(); ++i)
            if (channel.controller[i] != kUnset)
                send(static_cast<std::uint8_t>(0xB0 | c), kKeptControllers[i],
                     static_cast<std::uint8_t>(channel.controller[i]));
        if (channel.pitchBend != kUnset)
            send(static_cast<std::uint8_t>(0xE0 | c), static_cast<std::uint8_t>(channel.pitchBend & 0x7F),
                 static_cast<std::uint8_t>(channel.pitchBend >> 7));
        if (channel.pressure != kUnset)
            send(static_cast<std::uint8_t>(0xD0 | c), static_cast<std::uint8_t>(channel.pressure), 0);
    }
    for (int c = 0; c < kChannels; ++c) {
        const auto& channel = channels_[static_cast<std::size_t>(c)];
        for (int key = 0; key < 128; ++key)
            if (const auto velocity = channel.velocity[static_cast<std::size_t>(key)]; velocity != 0)
                send(static_cast<std::uint8_t>(0x90 | c), static_cast<std::uint8_t>(key), velocity);
    }
}

void PortNotes::Clear() {
    for (auto& channel : channels_) {
        channel.velocity.fill(0);
        channel.ResetControllers();
    }
}

bool PortNotes::AnyHeld() const {
    return std::any_of(channels_.begin(), channels_.end(), [](const Channel& channel) {
        return std::any_of(channel.velocity.begin(), channel.velocity.end(), [](auto v) { return v != 0; });
    });
}

}  // namespace korva

#pragma once
// What a song has left sounding on a MIDI port: the notes held (by channel and key) and the
// controllers that Reset All Controllers takes back (modulation, expression, the pedals 64-67,
// pitch bend, channel pressure), as the song's own messages set them. A port device silences a
// module with it on stop, pause or skip, and on resume puts back what the song had set before it
// sends the held notes again.
//
// Pure: it only watches the messages sent, and tells what to send through a callback.

#include <array>
#include <cstdint>
#include <functional>

namespace korva {

class PortNotes {
  public:
    using Send = std::function<void(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)>;

    static constexpr int kChannels = 16;
    static constexpr std::uint8_t kAllSoundOff = 120;
    static constexpr std::uint8_t kResetAllControllers = 121;

    // Takes note of a channel message as it goes to the port.
    void Track(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // A note-off for every note held, then All Sound Off and Reset All Controllers on every channel.
    // What was held and set is kept, for Restore.
    void Silence(const Send& send) const;
    // The controllers as the song had set them, then the held notes with their velocities.
    void Restore(const Send& send) const;
    // Forgets everything: a new song, or the same from its start.
    void Clear();

    bool AnyHeld() const;

  private:
    // The controllers kept, by their index in kKeptControllers.
    static constexpr std::array<std::uint8_t, 6> kKeptControllers{1, 11, 64, 65, 66, 67};
    static constexpr int kUnset = -1;

    struct Channel {
        std::array<std::uint8_t, 128> velocity{};  // 0: not held
        std::array<int, kKeptControllers.size()> controller{kUnset, kUnset, kUnset, kUnset, kUnset, kUnset};
        int pitchBend = kUnset;  // 14 bits
        int pressure = kUnset;
        void ResetControllers();
    };
    std::array<Channel, kChannels> channels_;
};

}  // namespace korva

#pragma once
// A song's events played on a FluidSynth synth. Like a player, the synthesizer's answers are not
// looked at: a note for a channel without an instrument, say, is simply not heard.

#include <fluidsynth.h>

#include "playback/MidiSink.h"

namespace korva {

class FluidSynthSink final : public MidiSink {
  public:
    explicit FluidSynthSink(fluid_synth_t* synth = nullptr) : synth_(synth) {}
    void SetSynth(fluid_synth_t* synth) { synth_ = synth; }

    void ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override {
        const int channel = status & 0x0F;
        switch (status & 0xF0) {
            case 0x80:
                (void)fluid_synth_noteoff(synth_, channel, data1);
                break;
            case 0x90:  // velocity 0 is a note off, which the synthesizer knows
                (void)fluid_synth_noteon(synth_, channel, data1, data2);
                break;
            case 0xA0:
                (void)fluid_synth_key_pressure(synth_, channel, data1, data2);
                break;
            case 0xB0:
                (void)fluid_synth_cc(synth_, channel, data1, data2);
                break;
            case 0xC0:
                (void)fluid_synth_program_change(synth_, channel, data1);
                break;
            case 0xD0:
                (void)fluid_synth_channel_pressure(synth_, channel, data1);
                break;
            default:  // 0xE0
                (void)fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7));
                break;
        }
    }

    void SysEx(std::string_view body) override {
        (void)fluid_synth_sysex(synth_, body.data(), static_cast<int>(body.size()), nullptr, nullptr, nullptr,
                                0);
    }

  private:
    fluid_synth_t* synth_;
};

}  // namespace korva

#pragma once
// Where songs are played, chosen by section "SYNTH" of the settings: the built-in synthesizer with
// its SoundFont and sound, or a MIDI output port. The switch stands in for the chosen output's
// sequencer device and volume; a changed choice takes effect when the next file is opened (a song,
// or the reset file before it), never in the middle of one. The output is then made anew by the
// owner's maker, and what was set through the switch (the notice handlers, the volume last set)
// is given to it.
//
// The output before is let go with its device: a notice it still had to deliver is dropped with
// it, which is safe because the open that follows has already ended its play.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Settings.h"
#include "playback/SequencerDevice.h"
#include "playback/VolumeOutput.h"

namespace korva {

// One output: a sequencer device and the volume that goes with it.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    virtual SequencerDevice& Device() = 0;
    virtual VolumeOutput& Volume() = 0;
};

// What the output is made from.
struct OutputChoice {
    std::string midiOut;  // empty: the built-in synthesizer
    std::string soundFont;
    std::string audioDriver;
    bool reverb = true;
    bool chorus = true;
    std::int32_t gain = 20;

    // A port's output ignores the synthesizer's settings, so they are not part of its choice.
    static OutputChoice Of(const Settings& settings);
    bool operator==(const OutputChoice&) const = default;
};

class OutputSwitch final : public SequencerDevice, public VolumeOutput {
  public:
    using Maker = std::function<std::unique_ptr<SoundOutput>(const OutputChoice& choice)>;

    // Makes the output the settings choose now. The settings are read again at every open.
    OutputSwitch(const Settings& settings, Maker maker);
    ~OutputSwitch() override;
    OutputSwitch(const OutputSwitch&) = delete;
    OutputSwitch& operator=(const OutputSwitch&) = delete;

    SequencerDevice& Device() { return *this; }
    VolumeOutput& Volume() { return *this; }
    const OutputChoice& Current() const { return choice_; }

    // SequencerDevice
    void SetNotifyHandler(std::function<void()> handler) override;
    void SetSlowOpenHandler(std::function<void()> handler) override;
    void Open(const std::string& sjisPath) override;
    void Play() override { output_->Device().Play(); }
    void Pause() override { output_->Device().Pause(); }
    void Stop() override { output_->Device().Stop(); }
    void Close() override { output_->Device().Close(); }
    DeviceMode Mode() const override { return output_->Device().Mode(); }
    DeviceFault Fault() const override { return output_->Device().Fault(); }
    std::string ErrorText() const override { return output_->Device().ErrorText(); }
    std::int64_t PositionMicroseconds() const override { return output_->Device().PositionMicroseconds(); }

    // VolumeOutput
    int DeviceCount() const override { return output_->Volume().DeviceCount(); }
    bool GetVolume(std::uint16_t device, std::uint32_t& value) const override {
        return output_->Volume().GetVolume(device, value);
    }
    bool SetVolume(std::uint16_t device, std::uint32_t value) override;

  private:
    void Make(const OutputChoice& choice);

    const Settings& settings_;
    Maker maker_;
    OutputChoice choice_;
    std::unique_ptr<SoundOutput> output_;
    std::function<void()> notify_;
    std::function<void()> slowOpen_;
    struct SetVolumeCall {
        std::uint16_t device;
        std::uint32_t value;
    };
    std::optional<SetVolumeCall> lastVolume_;
};

}  // namespace korva

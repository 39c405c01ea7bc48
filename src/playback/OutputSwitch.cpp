#include "playback/OutputSwitch.h"

#include <utility>

namespace korva {

OutputChoice OutputChoice::Of(const Settings& settings) {
    OutputChoice choice;
    choice.midiOut = settings.MIDIOUT;
    if (!choice.midiOut.empty())
        return choice;
    choice.soundFont = settings.SOUNDFONT;
    choice.audioDriver = settings.AUDIODRV;
    choice.reverb = settings.REVERB;
    choice.chorus = settings.CHORUS;
    choice.gain = settings.GAIN;
    return choice;
}

OutputSwitch::OutputSwitch(const Settings& settings, Maker maker)
    : settings_(settings), maker_(std::move(maker)) {
    Make(OutputChoice::Of(settings_));
}

OutputSwitch::~OutputSwitch() = default;

void OutputSwitch::Make(const OutputChoice& choice) {
    // The output before goes first: the synthesizer's audio output and a port are let go before
    // the next one reaches for them.
    output_.reset();
    output_ = maker_(choice);
    choice_ = choice;
    if (notify_)
        output_->Device().SetNotifyHandler(notify_);
    if (slowOpen_)
        output_->Device().SetSlowOpenHandler(slowOpen_);
    if (lastVolume_)
        output_->Volume().SetVolume(lastVolume_->device, lastVolume_->value);
}

void OutputSwitch::SetNotifyHandler(std::function<void()> handler) {
    notify_ = std::move(handler);
    output_->Device().SetNotifyHandler(notify_);
}

void OutputSwitch::SetSlowOpenHandler(std::function<void()> handler) {
    slowOpen_ = std::move(handler);
    output_->Device().SetSlowOpenHandler(slowOpen_);
}

void OutputSwitch::Open(const std::string& sjisPath) {
    const OutputChoice wanted = OutputChoice::Of(settings_);
    if (!(wanted == choice_)) {
        output_->Device().Close();
        Make(wanted);
    }
    output_->Device().Open(sjisPath);
}

bool OutputSwitch::SetVolume(std::uint16_t device, std::uint32_t value) {
    const bool taken = output_->Volume().SetVolume(device, value);
    if (taken)
        lastVolume_ = SetVolumeCall{device, value};
    return taken;
}

}  // namespace korva

#include "platform/FluidSynthDevice.h"

#include "text/Encoding.h"

namespace korva {

FluidSynthDevice::FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread, UiWaiter waitOnUiThread)
    : engine_(engine),
      loader_(postToUiThread, std::move(waitOnUiThread), ModuleResets::AsGmSystemOn) {
    engine_.SetPlayEndedHandler(notice_.Poster(std::move(postToUiThread)));
}

FluidSynthDevice::~FluidSynthDevice() {
    notice_.Forget();
    engine_.Unload();
    engine_.SetPlayEndedHandler(nullptr);
}

void FluidSynthDevice::SetNotifyHandler(std::function<void()> handler) {
    notice_.SetHandler(std::move(handler));
}

void FluidSynthDevice::Open(const std::string& sjisPath) {
    // The song loaded before is let go first, so that the loader can reuse its room.
    engine_.Unload();
    SongLoader::Outcome loaded = loader_.Load(sjisPath);
    if (loaded.givenUp)
        return;  // a Close() or another Open() meanwhile has the say
    if (loaded.fault != DeviceFault::None)
        return outcome_.Refuse(loaded.fault, std::move(loaded.text));
    engine_.Load(std::move(loaded.song));
    outcome_.Succeed();
}

void FluidSynthDevice::Play() {
    switch (engine_.Play()) {
        case PlayResult::Started:
            outcome_.Succeed();
            break;
        case PlayResult::NotOpen:
            outcome_.Refuse(DeviceFault::NotOpen, Sjis("デバイスが開かれていません"));
            break;
        case PlayResult::NoSoundFont:
            outcome_.Refuse(DeviceFault::NoSoundFont, engine_.Report().soundFontMessage);
            break;
    }
}

void FluidSynthDevice::Pause() {
    engine_.Pause();
    outcome_.Succeed();
}

void FluidSynthDevice::Stop() {
    engine_.Stop();
    outcome_.Succeed();
}

void FluidSynthDevice::Close() {
    loader_.GiveUp();
    engine_.Unload();
    outcome_.Succeed();
}

std::int64_t FluidSynthDevice::PositionMicroseconds() const {
    return engine_.HeardMicroseconds();
}

DeviceMode FluidSynthDevice::Mode() const {
    switch (engine_.State()) {
        case SongState::Stopped:
            return DeviceMode::Stopped;
        case SongState::Playing:
            return DeviceMode::Playing;
        case SongState::Paused:
            return DeviceMode::Paused;
        case SongState::None:
            break;
    }
    return DeviceMode::None;
}

}  // namespace korva

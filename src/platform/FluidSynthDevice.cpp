#include "platform/FluidSynthDevice.h"

#include "text/Encoding.h"

namespace korva {

FluidSynthDevice::FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread, UiWaiter waitOnUiThread)
    : engine_(engine),
      loader_(postToUiThread, std::move(waitOnUiThread), ModuleResets::AsGmSystemOn),
      notify_(std::make_shared<std::function<void()>>()) {
    engine_.SetPlayEndedHandler(
        [post = std::move(postToUiThread), notify = std::weak_ptr<std::function<void()>>(notify_)] {
            post([notify] {
                const auto handler = notify.lock();
                if (handler && *handler)
                    (*handler)();
            });
        });
}

FluidSynthDevice::~FluidSynthDevice() {
    notify_.reset();
    engine_.Unload();
    engine_.SetPlayEndedHandler(nullptr);
}

void FluidSynthDevice::SetNotifyHandler(std::function<void()> handler) {
    *notify_ = std::move(handler);
}

void FluidSynthDevice::Refuse(DeviceFault fault, std::string sjisText) {
    fault_ = fault;
    errorText_ = std::move(sjisText);
}

void FluidSynthDevice::Succeed() {
    fault_ = DeviceFault::None;
    errorText_.clear();
}

void FluidSynthDevice::Open(const std::string& sjisPath) {
    // The song loaded before is let go first, so that the loader can reuse its room.
    engine_.Unload();
    SongLoader::Outcome loaded = loader_.Load(sjisPath);
    if (loaded.givenUp)
        return;  // a Close() or another Open() meanwhile has the say
    if (loaded.fault != DeviceFault::None)
        return Refuse(loaded.fault, std::move(loaded.text));
    engine_.Load(std::move(loaded.song));
    Succeed();
}

void FluidSynthDevice::Play() {
    switch (engine_.Play()) {
        case PlayResult::Started:
            Succeed();
            break;
        case PlayResult::NotOpen:
            Refuse(DeviceFault::NotOpen, Sjis("デバイスが開かれていません"));
            break;
        case PlayResult::NoSoundFont:
            Refuse(DeviceFault::NoSoundFont, engine_.Report().soundFontMessage);
            break;
    }
}

void FluidSynthDevice::Pause() {
    engine_.Pause();
    Succeed();
}

void FluidSynthDevice::Stop() {
    engine_.Stop();
    Succeed();
}

void FluidSynthDevice::Close() {
    loader_.GiveUp();
    engine_.Unload();
    Succeed();
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

#pragma once
// The sequencer device over the process's synthesizer. Open reads the song with the song loader
// (off the user-interface thread, every module reset as GM System On) and hands the engine the
// song put in time order, which the engine feeds the synthesizer as it renders; a file with nothing
// playable in it is refused there with a text that says why. Completion notices are posted to the
// user-interface thread. A Close() or Open() while a song is read gives that read up.

#include <functional>
#include <memory>
#include <string>

#include "platform/DeviceNotice.h"
#include "platform/FluidSynthEngine.h"
#include "platform/SongLoader.h"
#include "playback/SequencerDevice.h"

namespace korva {

class FluidSynthDevice final : public SequencerDevice {
  public:
    // Only one device may use an engine at a time.
    FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread, UiWaiter waitOnUiThread = {});
    ~FluidSynthDevice() override;
    FluidSynthDevice(const FluidSynthDevice&) = delete;
    FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

    void SetNotifyHandler(std::function<void()> handler) override;
    void SetSlowOpenHandler(std::function<void()> handler) override {
        loader_.SetSlowOpenHandler(std::move(handler));
    }
    void Open(const std::string& sjisPath) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Close() override;
    DeviceMode Mode() const override;
    DeviceFault Fault() const override { return outcome_.fault; }
    std::string ErrorText() const override { return outcome_.text; }
    std::int64_t PositionMicroseconds() const override;

    static constexpr std::size_t kMaxFileSize = SongLoader::kMaxFileSize;

    // Runs on the reading thread before each file is read; lets a test hold a read back.
    void SetBeforeReadForTesting(std::function<void()> hook) { loader_.SetBeforeReadForTesting(std::move(hook)); }

  private:
    FluidSynthEngine& engine_;
    SongLoader loader_;
    DeviceNotice notice_;
    DeviceOutcome outcome_;
};

}  // namespace korva

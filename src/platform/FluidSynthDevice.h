#pragma once
// The sequencer device over the process's synthesizer. Open reads the whole file with the SMF
// reader and hands the synthesizer's player the clean file the reader writes, which it reads whole;
// a file with nothing playable in it is refused there with a text that says why. Completion notices
// are posted to the user-interface thread.

#include <functional>
#include <memory>
#include <string>

#include "platform/FluidSynthEngine.h"
#include "playback/SequencerDevice.h"

namespace korva {

// Error() values of this device.
enum DeviceErrorCode : int {
    kDeviceOk = 0,
    kFileNotFound = 1,
    kFileUnreadable = 2,
    kNotMidiFile = 3,
    kMidiFileTruncated = 4,
    kMidiFileCorrupt = 5,
    kMidiFileUnsupported = 6,
    kDeviceNotOpen = 7,
    kNoSoundFont = 8,
    kCannotPlay = 9,
};

class FluidSynthDevice final : public SequencerDevice {
  public:
    // Only one device may use an engine at a time.
    FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread);
    ~FluidSynthDevice() override;
    FluidSynthDevice(const FluidSynthDevice&) = delete;
    FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

    void SetNotifyHandler(std::function<void()> handler) override;
    void Open(const std::string& sjisPath) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Close() override;
    DeviceMode Mode() const override;
    int Error() const override { return error_; }
    std::string ErrorText() const override { return errorText_; }

    // Files larger than this are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 64u << 20;

  private:
    [[noreturn]] void Refuse(int code, std::string sjisText);
    void Succeed();

    FluidSynthEngine& engine_;
    // Posted notices hold it weakly, so that none reaches a device that is gone.
    std::shared_ptr<std::function<void()>> notify_;
    int error_ = kDeviceOk;
    std::string errorText_;
};

}  // namespace korva

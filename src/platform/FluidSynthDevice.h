#pragma once
// The sequencer device over the process's synthesizer. Open reads the whole file with the SMF
// reader, which finds where its tracks lie, and hands the engine the song put in time order
// (SongSequence, its events read again from the file's bytes as they are ordered), which the engine
// feeds the synthesizer as it renders; a file with nothing playable in it is refused there with a
// text that says why. Completion notices are posted to the user-interface thread.
//
// The file is read and put in order on a thread of its own. A song read quickly is simply waited
// for; one that takes longer (a large file) is waited for through the UI waiter, so the windows
// stay live, after the slow-open handler has been told. A Close() or Open() meanwhile gives up
// the read under way: its song is dropped when it is done.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/FluidSynthEngine.h"
#include "playback/SequencerDevice.h"
#include "playback/SmfReader.h"

namespace korva {

class FluidSynthDevice final : public SequencerDevice {
  public:
    // Only one device may use an engine at a time.
    FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread, UiWaiter waitOnUiThread = {});
    ~FluidSynthDevice() override;
    FluidSynthDevice(const FluidSynthDevice&) = delete;
    FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

    void SetNotifyHandler(std::function<void()> handler) override;
    void SetSlowOpenHandler(std::function<void()> handler) override { slowOpen_ = std::move(handler); }
    void Open(const std::string& sjisPath) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Close() override;
    DeviceMode Mode() const override;
    DeviceFault Fault() const override { return fault_; }
    std::string ErrorText() const override { return errorText_; }
    std::int64_t PositionMicroseconds() const override;

    // Files larger than this are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 64u << 20;
    // Room kept from one song to the next only for files up to this size.
    static constexpr std::size_t kKeptBetweenSongs = 4u << 20;
    // A read that takes longer than this is waited for with the windows live.
    static constexpr std::chrono::milliseconds kQuickOpen{50};

    // Runs on the reading thread before each file is read; lets a test hold a read back.
    void SetBeforeReadForTesting(std::function<void()> hook) { beforeRead_ = std::move(hook); }

    struct SongLoad;  // one read under way; defined with the code

  private:
    void Refuse(DeviceFault fault, std::string sjisText);
    void Succeed();

    FluidSynthEngine& engine_;
    UiPoster post_;
    UiWaiter wait_;
    std::function<void()> slowOpen_;
    std::function<void()> beforeRead_;
    std::shared_ptr<SongLoad> loading_;  // the read whose song the device will take, if any
    // Posted notices hold it weakly, so that none reaches a device that is gone.
    std::shared_ptr<std::function<void()>> notify_;
    DeviceFault fault_ = DeviceFault::None;
    std::string errorText_;
    // Songs are read one after another; the file's bytes, the events read and the song written
    // for the synthesizer keep their memory from one song to the next.
    std::string fileBytes_;
    SmfReadResult read_;
    std::shared_ptr<LoadedSong> lastSong_;
};

}  // namespace korva

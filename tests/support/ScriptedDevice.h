#pragma once
// A sequencer device for tests of play sequencing: it plays nothing, keeps the modes a real device
// would report, and holds completion notices until the test delivers them, as the user-interface
// thread's event queue would.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "playback/SequencerDevice.h"

namespace korva::testing {

class ScriptedDevice final : public SequencerDevice {
  public:
    void SetNotifyHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void SetSlowOpenHandler(std::function<void()> handler) override { slowOpen_ = std::move(handler); }
    void Open(const std::string& sjisPath) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Close() override;
    DeviceMode Mode() const override;
    DeviceFault Fault() const override { return fault_; }
    std::string ErrorText() const override { return fault_ != DeviceFault::None ? "scripted failure" : ""; }
    std::int64_t PositionMicroseconds() const override { return positionMicroseconds; }
    // What PositionMicroseconds reports, as a test sets it.
    std::int64_t positionMicroseconds = 0;

    // The playing file reaches its end.
    void FinishSong();
    // The output goes away under the playing song: the play ends with OutputLost.
    void LoseOutput();
    // Delivers the pending notices, including those caused while delivering.
    void DeliverNotices();
    // Lets the song end, then delivers: one step of unattended play.
    void FinishAndDeliver() {
        FinishSong();
        DeliverNotices();
    }

    // The files opened, in order (paths as given).
    std::vector<std::string> opened;
    // The next Play() fails with this fault.
    DeviceFault failNextPlay = DeviceFault::None;
    // Files that exist but that Open() refuses with the given fault.
    std::map<std::string, DeviceFault> refuseOpening;
    bool HasNotifyHandler() const { return static_cast<bool>(handler_); }
    std::string OpenFile() const { return mode_ == DeviceMode::None ? std::string() : openFile_; }
    std::size_t PendingNotices() const { return pending_; }
    int playCalls = 0;
    // Runs inside every Open() as the user-interface thread's events would while a large song is
    // read: the slow-open handler is told first, and a Close() or Open() meanwhile gives it up.
    std::function<void(const std::string& sjisPath)> duringOpen;
    // Runs once, right after the next reading of the mode: the moment at which the rendering
    // thread may end the song behind the reader's back.
    mutable std::function<void()> afterNextModeRead;

  private:
    void EndPlay();

    std::function<void()> handler_;
    std::function<void()> slowOpen_;
    unsigned generation_ = 0;  // opens and closes
    DeviceMode mode_ = DeviceMode::None;
    bool playRequested_ = false;  // a play() whose notice has not been queued yet
    std::size_t pending_ = 0;
    DeviceFault fault_ = DeviceFault::None;
    std::string openFile_;
};

}  // namespace korva::testing

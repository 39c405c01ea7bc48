#include "platform/MidiPortDevice.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/DeviceNotice.h"
#include "platform/MidiPortConnection.h"
#include "platform/PortNotes.h"
#include "platform/SongLoader.h"
#include "playback/MidiSink.h"
#include "playback/SongScheduler.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

// With nothing playing this long, the port is closed; Play opens it again.
constexpr std::chrono::seconds kIdleClose{3};
// While a song plays, the timing thread looks at the port at least this often.
constexpr std::chrono::seconds kLongestWait{1};
// Events sent in one go before the timing thread looks at its commands again.
constexpr long kSendBudget = 1024;

std::uint64_t Nanoseconds(Clock::duration duration) {
    const auto count = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
    return count > 0 ? static_cast<std::uint64_t>(count) : 0;
}

Clock::duration DurationOf(std::uint64_t nanoseconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanoseconds));
}

// GM Master Volume's 14-bit value from a 32-bit output volume: the louder side counts, 0xFFFF is full.
std::uint16_t MasterVolumeOf(std::uint32_t volume) {
    const auto left = static_cast<std::uint16_t>(volume & 0xFFFF);
    const auto right = static_cast<std::uint16_t>(volume >> 16);
    return static_cast<std::uint16_t>(std::max(left, right) >> 2);
}

}  // namespace

class MidiPortDevice final : public SequencerDevice, private MidiSink {
  public:
    explicit MidiPortDevice(MidiPortOptions options);
    ~MidiPortDevice() override;

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
    DeviceFault Fault() const override;
    std::string ErrorText() const override;
    std::int64_t PositionMicroseconds() const override;

    void SetVolume(std::uint32_t volume);
    std::uint32_t Volume() const;

  private:
    using Lock = std::unique_lock<std::mutex>;

    // MidiSink: the song's events as the scheduler sends them, with the port locked.
    void ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void SysEx(std::string_view body) override;

    void Run();
    // The time into the song the play has reached.
    std::uint64_t PositionLocked(Clock::time_point now) const;
    void SendMasterVolumeLocked();
    void SilenceLocked();
    // Answers the pending Play with its notice.
    void EndPlayLocked();
    // Stops a playing or paused song and lets it go: Open and Close.
    void LetGoLocked();
    // Puts the port out of use; it is closed without the lock held, as closing a JACK client waits.
    void DropPortLocked(Lock& lock);
    void EndOfSongLocked();
    void LostLocked(Lock& lock);
    std::string PortText(const char* utf8Before, const char* utf8After) const;

    const MidiPortOptions options_;
    SongLoader loader_;  // used on the user-interface thread only
    DeviceNotice notice_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::shared_ptr<LoadedSong> song_;
    SongScheduler scheduler_;
    DeviceMode mode_ = DeviceMode::None;
    Clock::time_point origin_{};  // while playing: where the song's time 0 lies
    std::uint64_t position_ = 0;  // while not playing: the song's time reached
    bool reachedEnd_ = false;
    bool playPending_ = false;  // a Play has not yet been answered by its notice
    DeviceOutcome outcome_;
    std::unique_ptr<MidiPortConnection> port_;
    Clock::time_point idleSince_{};
    bool resetSent_ = false;  // a module reset went out: Master Volume goes again before the next event
    PortNotes notes_;
    std::uint32_t volume_ = 0xFFFFFFFFu;

    std::thread thread_;  // last: it starts once everything it uses is there
};

class MidiPortVolume final : public VolumeOutput {
  public:
    explicit MidiPortVolume(MidiPortDevice& device) : device_(device) {}
    int DeviceCount() const override { return 1; }
    bool GetVolume(std::uint16_t device, std::uint32_t& value) const override {
        if (device != 0)
            return false;
        value = device_.Volume();
        return true;
    }
    bool SetVolume(std::uint16_t device, std::uint32_t value) override {
        if (device != 0)
            return false;
        device_.SetVolume(value);
        return true;
    }

  private:
    MidiPortDevice& device_;
};

MidiPortDevice::MidiPortDevice(MidiPortOptions options)
    : options_(std::move(options)),
      loader_(options_.postToUiThread, options_.waitOnUiThread, ModuleResets::AsInFile),
      thread_([this] { Run(); }) {}

MidiPortDevice::~MidiPortDevice() {
    Lock lock(mutex_);
    notice_.Forget();
    if (mode_ == DeviceMode::Playing && port_)
        SilenceLocked();
    quit_ = true;
    lock.unlock();
    wake_.notify_all();
    thread_.join();
    port_.reset();
}

void MidiPortDevice::SetNotifyHandler(std::function<void()> handler) {
    notice_.SetHandler(std::move(handler));
}

std::string MidiPortDevice::PortText(const char* utf8Before, const char* utf8After) const {
    return Sjis(utf8Before) + Cp932ForMessage(options_.portName) + Sjis(utf8After);
}

DeviceMode MidiPortDevice::Mode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

DeviceFault MidiPortDevice::Fault() const {
    std::lock_guard lock(mutex_);
    return outcome_.fault;
}

std::string MidiPortDevice::ErrorText() const {
    std::lock_guard lock(mutex_);
    return outcome_.text;
}

std::uint64_t MidiPortDevice::PositionLocked(Clock::time_point now) const {
    if (mode_ != DeviceMode::Playing)
        return position_;
    return std::min(Nanoseconds(now - origin_), scheduler_.EndTime());
}

std::int64_t MidiPortDevice::PositionMicroseconds() const {
    std::lock_guard lock(mutex_);
    if (mode_ == DeviceMode::None)
        return 0;
    return static_cast<std::int64_t>(PositionLocked(Clock::now()) / 1000);
}

void MidiPortDevice::SetVolume(std::uint32_t volume) {
    std::lock_guard lock(mutex_);
    volume_ = volume;
    if (port_)
        SendMasterVolumeLocked();
}

std::uint32_t MidiPortDevice::Volume() const {
    std::lock_guard lock(mutex_);
    return volume_;
}

void MidiPortDevice::SendMasterVolumeLocked() {
    const std::uint16_t value = MasterVolumeOf(volume_);
    const char body[] = {0x7F, 0x7F, 0x04, 0x01, static_cast<char>(value & 0x7F), static_cast<char>(value >> 7)};
    port_->SendSysEx(std::string_view(body, sizeof body));
    resetSent_ = false;
}

void MidiPortDevice::SilenceLocked() {
    notes_.Silence([this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        port_->SendChannel(status, data1, data2);
    });
}

void MidiPortDevice::ChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (resetSent_)
        SendMasterVolumeLocked();
    notes_.Track(status, data1, data2);
    port_->SendChannel(status, data1, data2);
}

void MidiPortDevice::SysEx(std::string_view body) {
    if (resetSent_)
        SendMasterVolumeLocked();
    port_->SendSysEx(body);
    // A module reset sets the module's volume back to full.
    if (IsModuleReset(body))
        resetSent_ = true;
}

void MidiPortDevice::EndPlayLocked() {
    if (!playPending_)
        return;
    playPending_ = false;
    if (!options_.postToUiThread)
        return;
    notice_.Poster(options_.postToUiThread)();
}

void MidiPortDevice::DropPortLocked(Lock& lock) {
    auto gone = std::move(port_);
    lock.unlock();
    gone.reset();
    lock.lock();
}

void MidiPortDevice::LetGoLocked() {
    const auto now = Clock::now();
    if (mode_ == DeviceMode::Playing) {
        if (port_)
            SilenceLocked();
        idleSince_ = now;
    }
    EndPlayLocked();
    scheduler_.SetSong(nullptr);
    song_.reset();
    notes_.Clear();
    position_ = 0;
    reachedEnd_ = false;
    mode_ = DeviceMode::None;
    wake_.notify_all();
}

void MidiPortDevice::Open(const std::string& sjisPath) {
    {
        std::lock_guard lock(mutex_);
        LetGoLocked();
    }
    // Read without the lock: the user-interface thread may come back here through its waiter.
    SongLoader::Outcome loaded = loader_.Load(sjisPath);
    std::lock_guard lock(mutex_);
    if (loaded.givenUp)
        return;  // a Close() or another Open() meanwhile has the say
    if (loaded.fault != DeviceFault::None)
        return outcome_.Refuse(loaded.fault, std::move(loaded.text));
    LetGoLocked();
    song_ = std::move(loaded.song);
    scheduler_.SetSong(&song_->sequence);
    mode_ = DeviceMode::Stopped;
    outcome_.Succeed();
}

void MidiPortDevice::Close() {
    loader_.GiveUp();
    std::lock_guard lock(mutex_);
    LetGoLocked();
    outcome_.Succeed();
}

void MidiPortDevice::Play() {
    Lock lock(mutex_);
    EndPlayLocked();  // a further Play supersedes the one before
    playPending_ = true;
    if (!song_) {
        outcome_.Refuse(DeviceFault::NotOpen, Sjis("デバイスが開かれていません"));
        return EndPlayLocked();
    }
    if (mode_ == DeviceMode::Playing)
        return outcome_.Succeed();
    const auto now = Clock::now();
    if (port_ && port_->Lost(now))
        DropPortLocked(lock);
    if (!port_) {
        // Opened with the lock held: the timing thread has nothing to send meanwhile.
        port_ = MidiPortConnection::Open(options_.portName, options_.api, [this] { wake_.notify_all(); });
        if (!port_) {
            outcome_.Refuse(DeviceFault::CannotPlay, PortText("ＭＩＤＩ出力ポート「", "」が見つかりません"));
            return EndPlayLocked();
        }
        SendMasterVolumeLocked();
    }
    if (reachedEnd_) {
        scheduler_.Rewind();
        notes_.Clear();
        position_ = 0;
        reachedEnd_ = false;
    }
    // Going on from the middle: what Reset All Controllers took back, then the notes held.
    if (position_ > 0)
        notes_.Restore([this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
            port_->SendChannel(status, data1, data2);
        });
    origin_ = Clock::now() - DurationOf(position_);
    mode_ = DeviceMode::Playing;
    outcome_.Succeed();
    wake_.notify_all();
}

void MidiPortDevice::Pause() {
    Lock lock(mutex_);
    if (mode_ == DeviceMode::Paused) {
        lock.unlock();
        return Play();
    }
    if (mode_ == DeviceMode::Playing) {
        const auto now = Clock::now();
        position_ = PositionLocked(now);
        if (port_)
            SilenceLocked();
        mode_ = DeviceMode::Paused;
        idleSince_ = now;
        EndPlayLocked();
        wake_.notify_all();
    }
    outcome_.Succeed();
}

void MidiPortDevice::Stop() {
    std::lock_guard lock(mutex_);
    if (mode_ == DeviceMode::Playing || mode_ == DeviceMode::Paused) {
        const auto now = Clock::now();
        if (mode_ == DeviceMode::Playing) {
            position_ = PositionLocked(now);
            if (port_)
                SilenceLocked();
            idleSince_ = now;
        }
        mode_ = DeviceMode::Stopped;
        wake_.notify_all();
    }
    EndPlayLocked();
    outcome_.Succeed();
}

void MidiPortDevice::EndOfSongLocked() {
    // A reset file ends with its reset; the module hears its volume again once the reset is done.
    if (resetSent_)
        SendMasterVolumeLocked();
    SilenceLocked();
    notes_.Clear();
    position_ = scheduler_.EndTime();
    reachedEnd_ = true;
    mode_ = DeviceMode::Stopped;
    idleSince_ = Clock::now();
    EndPlayLocked();
}

void MidiPortDevice::LostLocked(Lock& lock) {
    if (mode_ == DeviceMode::Playing) {
        const auto now = Clock::now();
        position_ = PositionLocked(now);
        mode_ = DeviceMode::Stopped;
        idleSince_ = now;
        outcome_.Refuse(DeviceFault::OutputLost, PortText("ＭＩＤＩ出力ポート「", "」が使えなくなりました"));
        EndPlayLocked();
    }
    DropPortLocked(lock);
}

void MidiPortDevice::Run() {
    Lock lock(mutex_);
    while (!quit_) {
        const auto now = Clock::now();
        if (port_ && port_->Lost(now)) {
            LostLocked(lock);
            continue;
        }
        if (mode_ == DeviceMode::Playing && port_) {
            const std::uint64_t time = Nanoseconds(now - origin_);
            long budget = kSendBudget;
            if (!scheduler_.SendDue(time + 1, budget, *this))
                continue;  // more is due: commands get their turn first
            if (scheduler_.AllSent() && time >= scheduler_.EndTime()) {
                EndOfSongLocked();
                continue;
            }
            const std::uint64_t next = scheduler_.AllSent() ? scheduler_.EndTime() : scheduler_.NextTime();
            wake_.wait_until(lock, std::min(origin_ + DurationOf(next), now + kLongestWait));
        } else if (port_ && mode_ != DeviceMode::Playing) {
            const auto closeAt = idleSince_ + kIdleClose;
            if (now >= closeAt) {
                DropPortLocked(lock);
                continue;
            }
            wake_.wait_until(lock, closeAt);
        } else {
            wake_.wait(lock);
        }
    }
}

MidiPortOutput::MidiPortOutput(MidiPortOptions options)
    : device_(std::make_unique<MidiPortDevice>(std::move(options))),
      volume_(std::make_unique<MidiPortVolume>(*device_)) {}

MidiPortOutput::~MidiPortOutput() = default;

SequencerDevice& MidiPortOutput::Device() {
    return *device_;
}

VolumeOutput& MidiPortOutput::Volume() {
    return *volume_;
}

}  // namespace korva

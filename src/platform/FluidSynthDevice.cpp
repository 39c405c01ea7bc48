#include "platform/FluidSynthDevice.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "app/FileSystem.h"
#include "playback/SmfReader.h"
#include "text/Encoding.h"

namespace korva {
namespace {

std::string ReadProblemText(const SmfReadResult& read, const std::string& sjisPath) {
    const std::string where = Sjis("（") + std::to_string(read.offset) + Sjis(" バイト目）：") + sjisPath;
    switch (read.problem) {
        case SmfProblem::NoHeader:
            return Sjis("標準ＭＩＤＩファイルではありません（先頭に MThd がありません）：") + sjisPath;
        case SmfProblem::Truncated:
            return Sjis("ＭＩＤＩファイルが途中で切れています") + where;
        case SmfProblem::Corrupt:
            return Sjis("ＭＩＤＩファイルが壊れています：") + read.detail + where;
        case SmfProblem::Unsupported:
            return Sjis("この形式のＭＩＤＩファイルは演奏できません：") + read.detail + where;
        case SmfProblem::None:
            break;
    }
    return {};
}

DeviceFault ReadProblemFault(SmfProblem problem) {
    switch (problem) {
        case SmfProblem::NoHeader:
            return DeviceFault::NotMidiFile;
        case SmfProblem::Truncated:
            return DeviceFault::MidiFileTruncated;
        case SmfProblem::Corrupt:
            return DeviceFault::MidiFileCorrupt;
        case SmfProblem::Unsupported:
            return DeviceFault::MidiFileUnsupported;
        case SmfProblem::None:
            break;
    }
    return DeviceFault::None;
}

}  // namespace

// What one open reads into and how it ended. The room of the songs before comes in with it and goes
// back to the device once its song is taken.
struct FluidSynthDevice::SongLoad {
    std::string sjisPath;
    std::function<void()> beforeRead;
    std::string fileBytes;
    SmfReadResult read;
    std::shared_ptr<LoadedSong> song;
    std::size_t fileSize = 0;
    DeviceFault fault = DeviceFault::None;
    std::string text;
    std::atomic<bool> givenUp{false};

    std::mutex mutex;
    std::condition_variable doneSignal;
    bool done = false;

    // On the reading thread.
    void Run() {
        if (beforeRead)
            beforeRead();
        ReadProblem problem;
        std::optional<std::string> bytes;
        try {
            bytes = ReadRegularFile(sjisPath, kMaxFileSize, &problem);
        } catch (const EncodingError&) {
            problem.kind = ReadProblem::Kind::Missing;
        }
        if (!bytes)
            return RefuseRead(problem);
        fileBytes = std::move(*bytes);
        fileSize = fileBytes.size();
        if (givenUp)
            return;
        // The reader keeps only where each track lies; the events are read again from the file's
        // bytes as they are put in order, so no event of a large song is held twice.
        ReadSmfInto(fileBytes, read, SmfDetail::Places);
        if (!read.Ok()) {
            fault = ReadProblemFault(read.problem);
            text = ReadProblemText(read, sjisPath);
            return;
        }
        if (givenUp)
            return;
        if (!song)
            song = std::make_shared<LoadedSong>();
        song->sequence.Build(read.song, fileBytes);
        if (fileSize > kKeptBetweenSongs) {
            fileBytes = std::string();
            read = SmfReadResult();
        }
    }

    void RefuseRead(const ReadProblem& problem) {
        switch (problem.kind) {
            case ReadProblem::Kind::Missing:
                fault = DeviceFault::FileNotFound;
                text = Sjis("ファイルが見つかりません：") + sjisPath;
                return;
            case ReadProblem::Kind::TooLarge:
                fault = DeviceFault::MidiFileUnsupported;
                break;
            default:
                fault = DeviceFault::FileUnreadable;
                break;
        }
        text = ReadProblemMessage(sjisPath, problem);
    }

    void Finish() {
        std::lock_guard lock(mutex);
        done = true;
        doneSignal.notify_all();
    }
    bool Done() {
        std::lock_guard lock(mutex);
        return done;
    }
    bool WaitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return doneSignal.wait_for(lock, limit, [this] { return done; });
    }
    void Wait() {
        std::unique_lock lock(mutex);
        doneSignal.wait(lock, [this] { return done; });
    }
};

FluidSynthDevice::FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread, UiWaiter waitOnUiThread)
    : engine_(engine),
      post_(postToUiThread),
      wait_(std::move(waitOnUiThread)),
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
    engine_.Unload();
    if (loading_)
        loading_->givenUp = true;
    auto load = std::make_shared<SongLoad>();
    load->sjisPath = sjisPath;
    load->beforeRead = beforeRead_;
    // The song loaded before was let go by the synthesizer above; unless someone else still holds
    // it, its memory takes this one, as do the file's bytes and the events read before.
    load->fileBytes = std::move(fileBytes_);
    load->read = std::move(read_);
    if (lastSong_ && lastSong_.use_count() == 1)
        load->song = std::move(lastSong_);
    lastSong_.reset();
    loading_ = load;

    const bool wakeUi = static_cast<bool>(wait_) && static_cast<bool>(post_);
    std::thread reader([load, post = wakeUi ? post_ : UiPoster()] {
        load->Run();
        load->Finish();
        if (post)
            post([] {});  // wakes the waiting user-interface thread
    });
    if (!load->WaitFor(kQuickOpen)) {
        if (slowOpen_)
            slowOpen_();
        if (wakeUi)
            wait_([&load] { return load->Done(); });
        load->Wait();
    }
    reader.join();

    if (loading_ != load)
        return;  // given up by a Close() or another Open() meanwhile: that one has the say
    loading_.reset();
    // A rare large song does not keep its room for the small ones after it.
    if (load->fileSize <= kKeptBetweenSongs) {
        fileBytes_ = std::move(load->fileBytes);
        read_ = std::move(load->read);
        lastSong_ = load->song;
    }
    if (load->fault != DeviceFault::None)
        return Refuse(load->fault, std::move(load->text));
    engine_.Load(std::move(load->song));
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
    if (loading_) {
        loading_->givenUp = true;
        loading_.reset();
    }
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

#include "platform/SongLoader.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "app/FileSystem.h"
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

// What one read reads into and how it ended. The room of the songs before comes in with it and goes
// back to the loader once its song is taken.
struct SongLoader::Read {
    std::string sjisPath;
    ModuleResets resets = ModuleResets::AsGmSystemOn;
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
        song->sequence.Build(read.song, fileBytes, resets);
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

SongLoader::SongLoader(UiPoster postToUiThread, UiWaiter waitOnUiThread, ModuleResets resets)
    : post_(std::move(postToUiThread)), wait_(std::move(waitOnUiThread)), resets_(resets) {}

SongLoader::~SongLoader() = default;

void SongLoader::GiveUp() {
    if (loading_) {
        loading_->givenUp = true;
        loading_.reset();
    }
}

SongLoader::Outcome SongLoader::Load(const std::string& sjisPath) {
    GiveUp();
    auto load = std::make_shared<Read>();
    load->sjisPath = sjisPath;
    load->resets = resets_;
    load->beforeRead = beforeRead_;
    // Unless someone else still holds the song loaded before, its memory takes this one, as do the
    // file's bytes and the events read before.
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

    Outcome outcome;
    if (loading_ != load) {
        outcome.givenUp = true;  // by a GiveUp() or another Load() meanwhile
        return outcome;
    }
    loading_.reset();
    // A rare large song does not keep its room for the small ones after it.
    if (load->fileSize <= kKeptBetweenSongs) {
        fileBytes_ = std::move(load->fileBytes);
        read_ = std::move(load->read);
        lastSong_ = load->song;
    }
    outcome.fault = load->fault;
    if (load->fault != DeviceFault::None) {
        outcome.text = std::move(load->text);
        return outcome;
    }
    outcome.song = std::move(load->song);
    return outcome;
}

}  // namespace korva

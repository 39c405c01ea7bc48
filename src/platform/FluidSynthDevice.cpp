#include "platform/FluidSynthDevice.h"

#include <filesystem>
#include <fstream>
#include <optional>

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

FluidSynthDevice::FluidSynthDevice(FluidSynthEngine& engine, UiPoster postToUiThread)
    : engine_(engine), notify_(std::make_shared<std::function<void()>>()) {
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
    std::optional<std::filesystem::path> file;
    try {
        file = FindIgnoringCase(sjisPath);
    } catch (const EncodingError&) {
    }
    if (!file)
        return Refuse(DeviceFault::FileNotFound, Sjis("ファイルが見つかりません：") + sjisPath);

    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(*file, error);
    const auto size = regular ? std::filesystem::file_size(*file, error) : 0;
    if (!regular || error)
        return Refuse(DeviceFault::FileUnreadable, Sjis("ファイルを読み込めません：") + sjisPath);
    if (size > kMaxFileSize)
        return Refuse(DeviceFault::MidiFileUnsupported,
                      Sjis("ＭＩＤＩファイルとしては大きすぎます：") + sjisPath);

    std::ifstream in(*file, std::ios::binary);
    fileBytes_.resize(size);
    if (!in || !in.read(fileBytes_.data(), static_cast<std::streamsize>(size))) {
        return Refuse(DeviceFault::FileUnreadable, Sjis("ファイルを読み込めません：") + sjisPath);
    }

    ReadSmfInto(fileBytes_, read_);
    if (!read_.Ok())
        return Refuse(ReadProblemFault(read_.problem), ReadProblemText(read_, sjisPath));

    // The song loaded before was let go by the synthesizer above; unless someone else still holds
    // it, its memory takes this one.
    std::shared_ptr<LoadedSong> song =
        lastSong_ && lastSong_.use_count() == 1 ? std::move(lastSong_) : std::make_shared<LoadedSong>();
    song->sequence.Build(read_.song);
    // A rare large song does not keep its room for the small ones after it.
    const bool keepRoom = size <= kKeptBetweenSongs;
    lastSong_ = keepRoom ? song : nullptr;
    engine_.Load(std::move(song));
    if (!keepRoom) {
        fileBytes_ = std::string();
        read_ = SmfReadResult();
    }
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
    engine_.Unload();
    Succeed();
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

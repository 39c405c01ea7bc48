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

int ReadProblemCode(SmfProblem problem) {
    switch (problem) {
        case SmfProblem::NoHeader:
            return kNotMidiFile;
        case SmfProblem::Truncated:
            return kMidiFileTruncated;
        case SmfProblem::Corrupt:
            return kMidiFileCorrupt;
        case SmfProblem::Unsupported:
            return kMidiFileUnsupported;
        case SmfProblem::None:
            break;
    }
    return kDeviceOk;
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

void FluidSynthDevice::Refuse(int code, std::string sjisText) {
    error_ = code;
    errorText_ = sjisText;
    throw DeviceError(code, std::move(sjisText));
}

void FluidSynthDevice::Succeed() {
    error_ = kDeviceOk;
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
        Refuse(kFileNotFound, Sjis("ファイルが見つかりません：") + sjisPath);

    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(*file, error);
    const auto size = regular ? std::filesystem::file_size(*file, error) : 0;
    if (!regular || error)
        Refuse(kFileUnreadable, Sjis("ファイルを読み込めません：") + sjisPath);
    if (size > kMaxFileSize)
        Refuse(kMidiFileUnsupported, Sjis("ＭＩＤＩファイルとしては大きすぎます：") + sjisPath);

    std::ifstream in(*file, std::ios::binary);
    std::string bytes(size, '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        Refuse(kFileUnreadable, Sjis("ファイルを読み込めません：") + sjisPath);
    }

    const SmfReadResult read = ReadSmf(bytes);
    if (!read.Ok())
        Refuse(ReadProblemCode(read.problem), ReadProblemText(read, sjisPath));

    auto song = std::make_shared<LoadedSong>();
    song->bytes = WritePlayableSmf(read.song);
    song->lastTick = read.song.LastTick();
    engine_.Load(std::move(song));
    Succeed();
}

void FluidSynthDevice::Play() {
    switch (engine_.Play()) {
        case PlayResult::Started:
            Succeed();
            break;
        case PlayResult::NotOpen:
            error_ = kDeviceNotOpen;
            errorText_ = Sjis("デバイスが開かれていません");
            break;
        case PlayResult::NoSoundFont:
            error_ = kNoSoundFont;
            errorText_ = engine_.Report().soundFontMessage;
            break;
        case PlayResult::PlayerFailed:
            error_ = kCannotPlay;
            errorText_ = Sjis("演奏を始められません");
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

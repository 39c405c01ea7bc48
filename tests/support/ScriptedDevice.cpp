#include "support/ScriptedDevice.h"

#include "app/FileSystem.h"

namespace korva::testing {

void ScriptedDevice::EndPlay() {
    if (playRequested_) {
        playRequested_ = false;
        ++pending_;
    }
}

DeviceMode ScriptedDevice::Mode() const {
    const DeviceMode mode = mode_;
    if (afterNextModeRead) {
        const auto hook = std::move(afterNextModeRead);
        afterNextModeRead = nullptr;
        hook();
    }
    return mode;
}

void ScriptedDevice::Open(const std::string& sjisPath) {
    Close();
    if (duringOpen) {
        const unsigned generation = generation_;
        if (slowOpen_)
            slowOpen_();
        duringOpen(sjisPath);
        if (generation_ != generation)
            return;  // given up
    }
    if (!FileExistsIgnoringCase(sjisPath)) {
        fault_ = DeviceFault::FileNotFound;
        return;
    }
    if (refuseOpening.count(sjisPath)) {
        fault_ = refuseOpening.at(sjisPath);
        return;
    }
    fault_ = DeviceFault::None;
    opened.push_back(sjisPath);
    openFile_ = sjisPath;
    mode_ = DeviceMode::Stopped;
}

void ScriptedDevice::Play() {
    ++playCalls;
    EndPlay();  // a play supersedes the one before
    if (mode_ == DeviceMode::None || failNextPlay != DeviceFault::None) {
        fault_ = failNextPlay != DeviceFault::None ? failNextPlay : DeviceFault::NotOpen;
        failNextPlay = DeviceFault::None;
        playRequested_ = true;
        EndPlay();
        return;
    }
    fault_ = DeviceFault::None;
    mode_ = DeviceMode::Playing;
    playRequested_ = true;
}

void ScriptedDevice::Pause() {
    if (mode_ == DeviceMode::Playing) {
        mode_ = DeviceMode::Paused;
        EndPlay();
    } else if (mode_ == DeviceMode::Paused) {
        Play();
    }
}

void ScriptedDevice::Stop() {
    if (mode_ == DeviceMode::Playing || mode_ == DeviceMode::Paused)
        mode_ = DeviceMode::Stopped;
    EndPlay();
}

void ScriptedDevice::Close() {
    ++generation_;
    EndPlay();
    mode_ = DeviceMode::None;
}

void ScriptedDevice::FinishSong() {
    if (mode_ != DeviceMode::Playing)
        return;
    mode_ = DeviceMode::Stopped;
    EndPlay();
}

void ScriptedDevice::LoseOutput() {
    if (mode_ != DeviceMode::Playing)
        return;
    mode_ = DeviceMode::Stopped;
    fault_ = DeviceFault::OutputLost;
    EndPlay();
}

void ScriptedDevice::DeliverNotices() {
    while (pending_ > 0) {
        --pending_;
        if (handler_)
            handler_();
    }
}

}  // namespace korva::testing

#include "support/ScriptedDevice.h"

#include "app/FileSystem.h"

namespace korva::testing {

void ScriptedDevice::EndPlay() {
    if (playRequested_) {
        playRequested_ = false;
        ++pending_;
    }
}

void ScriptedDevice::Open(const std::string& sjisPath) {
    Close();
    if (!FileExistsIgnoringCase(sjisPath)) {
        error_ = 1;
        throw DeviceError(1, sjisPath + " cannot be opened");
    }
    error_ = 0;
    opened.push_back(sjisPath);
    openFile_ = sjisPath;
    mode_ = DeviceMode::Stopped;
}

void ScriptedDevice::Play() {
    ++playCalls;
    EndPlay();  // a play supersedes the one before
    if (mode_ == DeviceMode::None || failNextPlay) {
        error_ = failNextPlay ? failNextPlay : 7;
        failNextPlay = 0;
        playRequested_ = true;
        EndPlay();
        return;
    }
    error_ = 0;
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
    EndPlay();
    mode_ = DeviceMode::None;
}

void ScriptedDevice::FinishSong() {
    if (mode_ != DeviceMode::Playing)
        return;
    mode_ = DeviceMode::Stopped;
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

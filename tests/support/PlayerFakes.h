#pragma once
// Stand-ins for what the player reaches through its ports: the windows, the user's answers, the
// clock and the volume output. Each records what a test may want to look at, and nothing more.

#include <optional>
#include <string>
#include <vector>

#include "app/Ports.h"
#include "playback/PlayQueue.h"
#include "playback/Player.h"
#include "playback/VolumeControl.h"
#include "playback/VolumeOutput.h"

namespace korva::testing {

// Every call does nothing; tests override the calls they look at.
class QuietPlayerView : public PlayerView {
  public:
    void SetPlayLabelLit(bool) override {}
    void SetPauseLabelLit(bool) override {}
    void ClearStatusLine() override {}
    void ShowModeLabel() override {}
    void EnableClock() override {}
    void DisableIntroAndAutoStart() override {}
    void SetIntroInterval(int) override {}
    void ShowIntroEnd() override {}
    void ShowSongWindow() override {}
    void HideSongWindow() override {}
    void SongLinesChanged() override {}
    void SetSongCaption(const std::string&) override {}
    void SetSongNumber(int) override {}
    void SelectSongLine(int) override {}
    void SetCompanionFiles(bool, bool) override {}
    void ShowSongControlWindow() override {}
    void CloseSongControlWindow() override {}
};

struct StatusEntry {
    std::string text;
    StatusKind kind;
};

class RecordingStatus : public StatusView {
  public:
    void ShowStatus(const std::string& text, StatusKind kind) override { shown.push_back({text, kind}); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const StatusEntry& s : shown) out.push_back(s.text);
        return out;
    }
    std::vector<StatusEntry> shown;
};

class RecordingMessages : public MessageView {
  public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// Device numbers below readableFrom cannot be read; with refuse set every setting is refused.
class RecordingVolumeOutput : public VolumeOutput {
  public:
    int DeviceCount() const override { return devices; }
    bool GetVolume(std::uint16_t device, std::uint32_t& value) const override {
        value = 0;
        return device >= readableFrom;
    }
    bool SetVolume(std::uint16_t, std::uint32_t value) override {
        if (refuse)
            return false;
        set.push_back(value);
        return true;
    }
    int devices = 1;
    int readableFrom = 0;
    bool refuse = false;
    std::vector<std::uint32_t> set;
};

class NullVolumeView : public VolumeView {
  public:
    void ShowVolumeControls() override {}
    void MarkEffectiveLevel(int) override {}
    void SetBaseButtonDown(int) override {}
    void SetVolumeBar(int) override {}
};

class FixedClock : public Clock {
  public:
    LocalTime Now() const override { return LocalTime{2026, 12, 7, 1, hour, 0, 0}; }
    int hour = 12;
};

// A folder dialog the user cancels.
class CancelledFolderDialog : public FolderDialog {
  public:
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

}  // namespace korva::testing

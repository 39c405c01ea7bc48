#pragma once
// The one set of stand-ins for what the core reaches through its ports: the clock, the random
// generator, the user's answers, the timers, the volume output and the windows' views. Each records
// what a test may want to look at, and nothing more.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "playback/PlayerViews.h"
#include "playback/VolumeOutput.h"
#include "text/Encoding.h"
#include "windows/SettingsWindow.h"

namespace korva::testing {

// A clock that stands still where the test puts it.
class FakeClock final : public Clock {
  public:
    LocalTime Now() const override { return now; }
    LocalTime now{2026, 3, 1, 0, 9, 5, 0};  // Sunday 1 March 2026, 09:05
};

// Gives the scripted draws in turn (each taken modulo the bound), then 0; keeps every bound asked.
class ScriptedRandom final : public RandomSource {
  public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(std::deque<int> scripted) : draws(std::move(scripted)) {}
    int Below(int n) override {
        bounds.push_back(n);
        if (draws.empty())
            return 0;
        const int draw = draws.front();
        draws.pop_front();
        return n > 0 ? draw % n : 0;
    }
    std::deque<int> draws;
    std::vector<int> bounds;
};

struct StatusEntry {
    std::string text;
    StatusKind kind;
    bool operator==(const StatusEntry&) const = default;
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

class RecordingMessages final : public MessageView {
  public:
    void ShowMessage(const std::string& text) override {
        shown.push_back(text);
        if (whileShown)
            whileShown();
    }
    std::vector<std::string> shown;
    // What the user (or a media key, or a second start) does while the box is open.
    std::function<void()> whileShown;
};

// Answers every folder dialog with `answer` (nullopt: the user cancels) and keeps where each started.
class ScriptedFolderDialog final : public FolderDialog {
  public:
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override {
        starts.push_back(startFolder);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> starts;
};

// Records what the settings window's rules ask of the program, in one log to keep the order: the
// commands they give, what they change on the deck and in the other windows, the documents they open.
class RecordingSettingsPorts : public Actions,
                               public SettingsDeckView,
                               public DocumentView,
                               public WindowLook {
  public:
    explicit RecordingSettingsPorts(AppModel& model) : model_(model) {}
    SettingsPorts Ports() { return {*this, *this, *this}; }

    // Actions
    void Play() override { log.push_back("Play"); }
    void Pause() override { log.push_back("Pause"); }
    void Stop() override {
        log.push_back("Stop");
        // The real stop gives back a list mode that a dropped file had replaced.
        if (model_.play.SavedListMode >= 0)
            model_.settings.PLAYMOD = static_cast<std::uint8_t>(model_.play.SavedListMode);
        model_.play.SavedListMode = -1;
    }
    void Next() override { log.push_back("Next"); }
    void Back() override { log.push_back("Back"); }
    void Quit() override { log.push_back("Quit"); }
    void PlaySingle(std::string path) override { log.push_back("Single " + path); }
    void PlayIntro(int seconds) override { log.push_back("Intro " + std::to_string(seconds)); }
    void ShowSongWindow() override { log.push_back("SongWindow"); }
    void ChooseVolumeLevel(int position) override { log.push_back("Level " + std::to_string(position)); }
    void VolumeUp() override { log.push_back("VolumeUp"); }
    void VolumeDown() override { log.push_back("VolumeDown"); }
    void StepBaseVolume(int step) override { log.push_back("BaseStep " + std::to_string(step)); }
    bool FindVolumeDevice() override {
        log.push_back("EnableVolume");
        return volumeDevice;
    }

    // SettingsDeckView
    void ShowModeLabel() override { log.push_back("ModeLabel" + std::to_string(model_.settings.PLAYMOD)); }
    void ShowOrderLabel() override { log.push_back("OrderLabel" + std::to_string(model_.settings.RNDMODE)); }
    void PlaceWindowsOnGrid() override { log.push_back("Place"); }
    void ApplyStayOnTop() override { log.push_back(model_.settings.VIWFRNT ? "OnTop" : "NotOnTop"); }
    void HideVolumeControls() override { log.push_back("DisableVolume"); }
    void ApplyDeckHints() override { log.push_back(model_.settings.USEHNT1 ? "DeckHints" : "NoDeckHints"); }
    void SettingsWindowClosed() override { log.push_back("Closed"); }
    void ShowStatus(const std::string& text, StatusKind kind) override {
        log.push_back("Status:" + ToDisplayUtf8(text) + (kind == StatusKind::Notice ? "/Notice" : "/other"));
    }

    // DocumentView
    void OpenDocument(const std::string& path) override { log.push_back("Open " + path); }

    // WindowLook, as another window whose look follows the settings
    void ApplyHints(bool on) override { log.push_back(on ? "WindowHints" : "NoWindowHints"); }
    void ApplyListFont() override { log.push_back("ListFont"); }

    std::vector<std::string> log;
    bool volumeDevice = true;

  protected:
    AppModel& model_;
};

class FakeTimer final : public Timer {
  public:
    void Start(int milliseconds) override {
        running = true;
        interval = milliseconds;
    }
    void Stop() override { running = false; }
    bool running = false;
    int interval = 0;
};

// Device numbers below readableFrom cannot be read; with refuse set every setting is refused.
class RecordingVolumeOutput final : public VolumeOutput {
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

// The deck as the core sees it: labels, timers, status line and volume controls.
class RecordingDeck final : public DeckView, public RecordingStatus, public DeckVolumeView {
  public:
    void SetPlayLabelLit(bool lit) override { playLit = lit; }
    void SetPauseLabelLit(bool lit) override { pauseLit = lit; }
    void ClearStatusLine() override { ++statusLineCleared; }
    void ShowModeLabel() override { ++modeLabelShown; }
    void EnableClock() override { clockRunning = true; }
    void CancelAutoStart() override { autoStartCancelled = true; }
    void Quit() override { ++quits; }
    void ShowVolumeControls() override { volumeControlsShown = true; }
    void SetVolumeBar(int level) override { bar = level; }
    bool playLit = false;
    bool pauseLit = false;
    int modeLabelShown = 0;
    int statusLineCleared = 0;
    bool clockRunning = false;
    bool autoStartCancelled = false;
    int quits = 0;
    bool volumeControlsShown = false;
    int bar = -1;
};

class RecordingSongList final : public SongListView {
  public:
    void ShowSongWindow() override { shown = true; }
    void HideSongWindow() override { shown = false; }
    void SongLinesChanged() override { ++linesChanged; }
    void SetSongCaption(const std::string& text) override { caption = text; }
    void SetSongNumber(int n) override { number = n; }
    void SelectSongLine(int index) override { selected = index; }
    void SetCompanionFiles(bool t, bool d) override {
        txt = t;
        doc = d;
    }
    bool shown = false;
    int linesChanged = 0;
    std::string caption;
    int number = 0;
    int selected = -1;
    bool txt = false;
    bool doc = false;
};

class RecordingSongControl final : public SongControlView {
  public:
    void ShowSongControlWindow() override { ++shown; }
    void CloseSongControlWindow() override { ++closed; }
    void SetCompanionFiles(bool t, bool d) override {
        txt = t;
        doc = d;
    }
    int shown = 0;
    int closed = 0;
    bool txt = false;
    bool doc = false;
};

class RecordingVolumeWindow final : public VolumeWindowView {
  public:
    void MarkEffectiveLevel(int level) override { marked = level; }
    void SetBaseButtonDown(int level) override { down = level; }
    int marked = -1;
    int down = -2;
};

}  // namespace korva::testing

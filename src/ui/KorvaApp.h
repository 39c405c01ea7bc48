#pragma once
// The program's parts, made in their fixed order: the jukebox with its model, the main window (which
// reads the settings while it is made), the synthesizer with the sequencer device and the volume
// output, and the nine other windows; then each window's view is attached to the jukebox.
//
// The main window is shown as soon as it is made, and the rest follows once it has been painted,
// so that the deck is on the screen before the sound output is opened and the hidden windows are
// built. The order of what is made, and of the notices they show, stays the same. A command
// or a press that comes before the rest is made makes it first.

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "platform/SystemClock.h"
#include "playback/OutputSwitch.h"
#include "ui/QtViews.h"
#include "windows/SongControl.h"

namespace korva {

class DocumentViewer;
class QtProcessRunner;
class TMainForm;

class KorvaApp final : public QObject {
    Q_OBJECT
  public:
    // programFolder and arguments are Shift-JIS texts already.
    KorvaApp(const std::string& programFolder, const std::vector<std::string>& arguments);
    // The folders already chosen (an installed program keeps its files apart from the executable).
    explicit KorvaApp(Folders folders);
    ~KorvaApp() override;

    TMainForm& MainForm() { return *main_; }
    // Runs a function once the whole program is made: at once if it is, else right after the rest.
    void AfterStart(std::function<void()> function);
    Jukebox& TheJukebox() { return jukebox_; }
    AppModel& Model() { return jukebox_.Model(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The output, the device and the player; they need the settings that the main window read.
    void ConnectOutput();
    // What follows the main window: the output, the other windows, auto start.
    void RestOfStart();
    // The built-in synthesizer or a MIDI output port, as the settings choose.
    std::unique_ptr<SoundOutput> MakeOutput(const OutputChoice& choice);

    SeededRandom random_;
    SystemClock clock_;
    Jukebox jukebox_;
    // The rules of the windows outlive the windows that call them.
    std::unique_ptr<SongControl> songControlRules_;
    // The main window owns the other windows as its Qt children.
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<QtMessageView> messages_;
    std::unique_ptr<QtFolderDialog> folderDialog_;
    std::unique_ptr<DocumentViewer> documents_;
    std::unique_ptr<OutputSwitch> output_;
    std::unique_ptr<QtTimer> introTimer_;
    std::unique_ptr<QtProcessRunner> processRunner_;
    bool restQueued_ = false;
    std::vector<std::function<void()>> afterStart_;
};

}  // namespace korva

#pragma once
// The program's parts, made in their fixed order: the jukebox with its model, the main window (which
// reads the settings while it is made), the synthesizer with the sequencer device and the volume
// output, and the nine other windows; then each window's view is attached to the jukebox.

#include <QObject>
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
    Jukebox& TheJukebox() { return jukebox_; }
    AppModel& Model() { return jukebox_.Model(); }

  private:
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
};

}  // namespace korva

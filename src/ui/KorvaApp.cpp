#include "ui/KorvaApp.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <utility>

#include "platform/MidiPortDevice.h"
#include "platform/SynthSettings.h"
#include "platform/Synthesizer.h"
#include "text/Encoding.h"
#include "ui/DocumentViewer.h"
#include "ui/QtProcessRunner.h"
#include "ui/TArtsDlg.h"
#include "ui/TBadDlg.h"
#include "ui/TCtrlDlg.h"
#include "ui/TMainForm.h"
#include "ui/TRemoteDlg.h"
#include "ui/TSelCnvDlg.h"
#include "ui/TSetUpDlg.h"
#include "ui/TVerDlg.h"
#include "ui/TViewDlg.h"
#include "ui/TVolDlg.h"

namespace korva {

namespace {

// Runs a function on the user-interface thread; callable from any thread. What is still waiting
// when the context goes is dropped with it.
UiPoster QtPoster(QObject* context) {
    return [context = QPointer<QObject>(context)](std::function<void()> function) {
        if (context)
            QMetaObject::invokeMethod(context, std::move(function), Qt::QueuedConnection);
    };
}

}  // namespace

KorvaApp::KorvaApp(const std::string& programFolder, const std::vector<std::string>& arguments)
    : KorvaApp(MakeFolders(programFolder, arguments)) {}

KorvaApp::KorvaApp(Folders folders) : jukebox_(std::move(folders), random_, clock_) {
    // 1. The main window; it reads the settings while it is made.
    main_ = std::make_unique<TMainForm>(jukebox_);
    messages_ = std::make_unique<QtMessageView>(main_.get());
    folderDialog_ = std::make_unique<QtFolderDialog>(main_.get(), *messages_);
    jukebox_.AttachDeck(*main_, *main_, *main_);
    jukebox_.AttachDialogs(*messages_, *folderDialog_);

    jukebox_.DeferRestOfStart([this] { RestOfStart(); });
    // With AUTOVOL the volume check decides whether the deck shows its volume controls, so the
    // output is opened first and the deck is painted as it will stay.
    if (jukebox_.Model().settings.AUTOVOL)
        ConnectOutput();
    // The deck's first paint queues the rest; until it is made, a press anywhere makes it first.
    qApp->installEventFilter(this);
    main_->show();
}

bool KorvaApp::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint:
            if (watched == main_.get() && !restQueued_) {
                restQueued_ = true;
                QMetaObject::invokeMethod(
                    this, [this] { jukebox_.FinishStart(); }, Qt::QueuedConnection);
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::Wheel:
        case QEvent::DragEnter:
        case QEvent::Drop:
            jukebox_.FinishStart();
            break;
        default:
            break;
    }
    return false;
}

void KorvaApp::AfterStart(std::function<void()> function) {
    if (jukebox_.StartFinished())
        function();
    else
        afterStart_.push_back(std::move(function));
}

void KorvaApp::ConnectOutput() {
    if (output_)
        return;
    // The output is made again at the next song whenever section SYNTH has changed since.
    output_ = std::make_unique<OutputSwitch>(
        jukebox_.Model().settings, [this](const OutputChoice& choice) { return MakeOutput(choice); });
    introTimer_ = std::make_unique<QtTimer>(QStringLiteral("IntroTimer"),
                                            [this] { jukebox_.ThePlayer().IntroTimerTimer(); });
    jukebox_.Connect(JukeboxDevices{output_->Device(), output_->Volume(), *introTimer_});
    jukebox_.CheckVolumeDevice();
}

void KorvaApp::RestOfStart() {
    qApp->removeEventFilter(this);
    ConnectOutput();

    // 2-10. The other windows, in their fixed order, owned by the main window.
    QWidget* owner = main_.get();
    AppModel& model = jukebox_.Model();
    auto* artists = new TArtsDlg(jukebox_, owner);
    jukebox_.AttachArtistsWindow(*artists);
    auto* badFiles = new TBadDlg(model, owner);
    auto* remote = new TRemoteDlg(jukebox_, owner);
    auto* conversionWindow = new TSelCnvDlg(jukebox_, owner);
    processRunner_ = std::make_unique<QtProcessRunner>();
    jukebox_.AttachConversion(*conversionWindow, *processRunner_);
    documents_ = std::make_unique<DocumentViewer>(model.settings);
    auto* songWindow = new TViewDlg(jukebox_, *messages_, *documents_, owner);
    auto* volumeWindow = new TVolDlg(jukebox_, owner);
    auto* setUp = new TSetUpDlg(model, SettingsPorts{jukebox_, *main_, *documents_}, *messages_, owner);
    for (WindowLook* look : std::initializer_list<WindowLook*>{songWindow, volumeWindow, remote, artists,
                                                               conversionWindow, badFiles})
        setUp->AddWindowLook(*look);
    songControlRules_ = std::make_unique<SongControl>(
        model, jukebox_.TheViews(), [this]() -> PlayerCommands& { return jukebox_.Commands(); });
    songControlRules_->AttachRunner(processRunner_.get());
    auto* songControl = new TCtrlDlg(jukebox_, *songControlRules_, *songWindow, *messages_, owner);
    setUp->SetAboutWindow(new TVerDlg(FluidSynthVersion(), owner));
    setUp->SetBadFileWindow(badFiles);
    setUp->SetMidiPortLister([] { return MidiOutputPortNames(); });

    jukebox_.AttachSongList(*songWindow);
    jukebox_.AttachVolumeWindow(*volumeWindow);
    jukebox_.AttachSongControl(*songControl);
    remote->SetTargets({main_.get(), songWindow});
    MainFormLinks links;
    links.settingsWindow = setUp;
    links.remoteWindow = remote;
    links.volumeWindow = volumeWindow;
    main_->SetLinks(links);

    main_->ArmAutoStart();
    main_->RunWaitingActivation();
    for (auto& function : std::exchange(afterStart_, {})) function();
}

namespace {

// A large song is read on a thread of its own; the windows are served meanwhile, and its end is
// posted to the user-interface thread, which wakes the loop.
void WaitServingWindows(const std::function<bool()>& done) {
    QEventLoop loop;
    while (!done()) loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

std::unique_ptr<SoundOutput> KorvaApp::MakeOutput(const OutputChoice& choice) {
    if (!choice.midiOut.empty()) {
        MidiPortOptions port;
        // The settings hold the name as Shift-JIS; the system lists it in UTF-8.
        port.portName = Cp932ToUtf8(choice.midiOut).text;
        port.postToUiThread = QtPoster(this);
        port.waitOnUiThread = WaitServingWindows;
        return std::make_unique<MidiPortOutput>(std::move(port));
    }
    SynthOptions options;
    options.soundFontPath = ResolveSoundFontPath(choice.soundFont);
    options.audioDriver = choice.audioDriver;
    options.reverb = choice.reverb;
    options.chorus = choice.chorus;
    options.gain = SynthGain(choice.gain);
    options.postToUiThread = QtPoster(this);
    options.waitOnUiThread = WaitServingWindows;
    options.onLoaded = [this](const SynthReport& report) {
        if (!report.soundFontLoaded)
            messages_->ShowMessage(report.soundFontMessage);
    };
    options.onOutputLost = [this](const std::string& notice) {
        main_->ShowStatus(notice, StatusKind::Notice);
    };
    auto synth = std::make_unique<Synthesizer>(std::move(options));
    const std::string outputNotice = synth->Engine().Report().outputNotice;
    if (!outputNotice.empty())
        main_->ShowStatus(outputNotice, StatusKind::Notice);
    return synth;
}

KorvaApp::~KorvaApp() {
    qApp->removeEventFilter(this);
    jukebox_.DeferRestOfStart(nullptr);
    // The player goes before the device it drives, the device before the windows it reports to.
    jukebox_.Disconnect();
    output_.reset();
    introTimer_.reset();
    main_.reset();
}

}  // namespace korva

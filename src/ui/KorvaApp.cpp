#include "ui/KorvaApp.h"

#include <QApplication>
#include <QFileDialog>
#include <QMetaObject>
#include <QPointer>

#include "app/Placement.h"
#include "platform/SynthSettings.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/QtText.h"

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

KorvaApp::KorvaApp(const std::string& programFolder, const std::vector<std::string>& arguments) {
    model_.folders = MakeFolders(programFolder, arguments);

    // 1. The main window; it reads the settings while it is made.
    main_ = std::make_unique<TMainForm>(MainFormDeps{model_, random_, clock_});
    messages_ = std::make_unique<QtMessageView>(main_.get());

    // The synthesizer, the device and the player need the settings just read.
    CreateSynth();
    volume_ =
        std::make_unique<VolumeControl>(model_.settings, *volumeOutput_, static_cast<VolumeView&>(*this));
    player_ = std::make_unique<Player>(
        model_, PlayerPorts{*device_, *volume_, static_cast<PlayerView&>(*this), *main_, *messages_, random_,
                            clock_, static_cast<FolderDialog&>(*this)});
    if (model_.settings.AUTOVOL && !volume_->FindVolumeDevice()) {
        main_->ShowStatus(Sjis(".. 音量制御できません"), StatusKind::Notice);
    }

    // 2-10. The other windows, in their fixed order.
    arts_ = std::make_unique<TArtsDlg>(model_, main_.get());
    bad_ = std::make_unique<TBadDlg>(model_, main_.get());
    remote_ = std::make_unique<TRemoteDlg>(model_, main_.get());
    selCnv_ = std::make_unique<TSelCnvDlg>(model_, main_.get());
    documents_ = std::make_unique<DocumentViewer>(model_.settings);
    view_ = std::make_unique<TViewDlg>(ViewDlgDeps{model_, *player_, *messages_, *documents_}, main_.get());
    vol_ = std::make_unique<TVolDlg>(model_, main_.get());
    setUp_ = std::make_unique<TSetUpDlg>(model_, main_.get());
    ctrl_ = std::make_unique<TCtrlDlg>(model_, main_.get());
    ver_ = std::make_unique<TVerDlg>(model_, main_.get());

    vol_->SetVolumeControl(volume_.get());
    MainFormLinks links;
    links.player = player_.get();
    links.volume = this;
    links.songWindow = view_.get();
    main_->SetLinks(links);

    introTimer_.setObjectName(QStringLiteral("IntroTimer"));
    connect(&introTimer_, &QTimer::timeout, this, [this] { player_->IntroTimerTimer(); });

    main_->show();
}

KorvaApp::~KorvaApp() {
    // The player and the device go before the synthesizer they play on.
    player_.reset();
    device_.reset();
}

void KorvaApp::CreateSynth() {
    SynthOptions options;
    options.soundFontPath = ResolveSoundFontPath(model_.settings.SOUNDFONT);
    options.audioDriver = model_.settings.AUDIODRV;
    options.postToUiThread = QtPoster(this);
    options.onLoaded = [this](const SynthReport& report) {
        if (!report.soundFontLoaded)
            messages_->ShowMessage(report.soundFontMessage);
        if (!report.outputNotice.empty())
            main_->ShowStatus(report.outputNotice, StatusKind::Notice);
    };
    engine_ = std::make_unique<FluidSynthEngine>(options);
    device_ = std::make_unique<FluidSynthDevice>(*engine_, options.postToUiThread);
    volumeOutput_ = std::make_unique<FluidSynthVolume>(*engine_);
}

void KorvaApp::SetPlayLabelLit(bool lit) {
    main_->SetPlayLabelLit(lit);
}
void KorvaApp::SetPauseLabelLit(bool lit) {
    main_->SetPauseLabelLit(lit);
}
void KorvaApp::ClearStatusLine() {
    main_->ClearDisplay();
}
void KorvaApp::ShowModeLabel() {
    main_->ShowModeLabel();
}
void KorvaApp::EnableClock() {
    main_->SetClockRunning(true);
}

void KorvaApp::DisableIntroAndAutoStart() {
    introEnabled_ = false;
    introTimer_.stop();
    main_->CancelAutoStart();
}

void KorvaApp::SetIntroInterval(int milliseconds) {
    if (milliseconds <= 0) {
        introTimer_.stop();
    } else if (introEnabled_) {
        introTimer_.start(milliseconds);
    } else {
        introTimer_.setInterval(milliseconds);
    }
}

void KorvaApp::ShowIntroEnd() {
    main_->ShowStatus(".. Intro Play End", StatusKind::Notice);
}

void KorvaApp::ShowSongWindow() {
    view_->ShowSongWindow();
}
void KorvaApp::HideSongWindow() {
    view_->HideSongWindow();
}
void KorvaApp::SongLinesChanged() {
    view_->SongLinesChanged();
}
void KorvaApp::SetSongCaption(const std::string& sjisCaption) {
    view_->SetSongCaption(sjisCaption);
}
void KorvaApp::SetSongNumber(int number) {
    view_->SetSongNumber(number);
}
void KorvaApp::SelectSongLine(int index) {
    view_->SelectSongLine(index);
}
void KorvaApp::SetCompanionFiles(bool txtExists, bool docExists) {
    view_->SetCompanionFiles(txtExists, docExists);
}
void KorvaApp::ShowSongControlWindow() {
    ctrl_->show();
}
void KorvaApp::CloseSongControlWindow() {
    ctrl_->close();
}

void KorvaApp::ShowVolumeControls() {
    main_->ShowVolumeControls();
}
void KorvaApp::MarkEffectiveLevel(int level) {
    if (vol_)
        vol_->MarkEffectiveLevel(level);
}
void KorvaApp::SetBaseButtonDown(int level) {
    if (vol_)
        vol_->SetBaseButtonDown(level);
}
void KorvaApp::SetVolumeBar(int level) {
    main_->SetVolumeBar(level);
}

void KorvaApp::VolScrollBarChange(int position) {
    volume_->LevelButtonClick(position);
}

void KorvaApp::VolLabelClick() {
    vol_->SetBaseButtonDown(volume_->BaseButtonOfInitvol());
    volume_->MarkLevel(volume_->EffectiveLevel());
    main_->PlaceVolumeWindow(*vol_);
    vol_->show();
    vol_->raise();
}

void KorvaApp::UpLabelClick() {
    vol_->VolUpSpeedButtonClick();
}
void KorvaApp::DownLabelClick() {
    vol_->VolDownSpeedButtonClick();
}

std::optional<std::string> KorvaApp::ChooseFolder(const std::string& startFolder) {
    for (;;) {
        const QString chosen =
            QFileDialog::getExistingDirectory(main_.get(), QString(), FromSjis(startFolder));
        if (chosen.isEmpty())
            return std::nullopt;
        QString failed;
        if (auto sjis = ToSjis(chosen, &failed))
            return WithTrailingPathDelimiter(*sjis);
        messages_->ShowMessage(ToSjisForMessage(chosen) +
                               Sjis(" のフォルダ名には Shift-JIS で表せない文字があるため選べません"));
    }
}

}  // namespace korva

#pragma once
// The program's parts, made in their fixed order: the model, the main window (which reads the
// settings while it is made), the synthesizer with the sequencer device and the volume output, the
// player, and the nine other windows; then the links between them.

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "app/AppModel.h"
#include "app/SystemClock.h"
#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "platform/FluidSynthVolume.h"
#include "playback/Player.h"
#include "playback/VolumeControl.h"
#include "ui/DocumentViewer.h"
#include "ui/QtViews.h"
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

class KorvaApp final : public QObject,
                       private PlayerView,
                       private VolumeView,
                       private VolumeLink,
                       private FolderDialog {
    Q_OBJECT
  public:
    // programFolder and arguments are Shift-JIS texts already.
    KorvaApp(const std::string& programFolder, const std::vector<std::string>& arguments);
    ~KorvaApp() override;

    TMainForm& MainForm() { return *main_; }
    Player& ThePlayer() { return *player_; }
    AppModel& Model() { return model_; }

  private:
    void CreateSynth();

    // PlayerView
    void SetPlayLabelLit(bool lit) override;
    void SetPauseLabelLit(bool lit) override;
    void ClearStatusLine() override;
    void ShowModeLabel() override;
    void EnableClock() override;
    void DisableIntroAndAutoStart() override;
    void SetIntroInterval(int milliseconds) override;
    void ShowIntroEnd() override;
    void ShowSongWindow() override;
    void HideSongWindow() override;
    void SongLinesChanged() override;
    void SetSongCaption(const std::string& sjisCaption) override;
    void SetSongNumber(int number) override;
    void SelectSongLine(int index) override;
    void SetCompanionFiles(bool txtExists, bool docExists) override;
    void ShowSongControlWindow() override;
    void CloseSongControlWindow() override;
    // VolumeView
    void ShowVolumeControls() override;
    void MarkEffectiveLevel(int level) override;
    void SetBaseButtonDown(int level) override;
    void SetVolumeBar(int level) override;
    // VolumeLink: the main window's volume controls
    void VolScrollBarChange(int position) override;
    void VolLabelClick() override;
    void UpLabelClick() override;
    void DownLabelClick() override;
    // FolderDialog
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override;

    AppModel model_;
    SeededRandom random_;
    SystemClock clock_;

    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<QtMessageView> messages_;
    std::unique_ptr<FluidSynthEngine> engine_;
    std::unique_ptr<FluidSynthDevice> device_;
    std::unique_ptr<FluidSynthVolume> volumeOutput_;
    std::unique_ptr<VolumeControl> volume_;
    std::unique_ptr<Player> player_;

    std::unique_ptr<TArtsDlg> arts_;
    std::unique_ptr<TBadDlg> bad_;
    std::unique_ptr<TRemoteDlg> remote_;
    std::unique_ptr<TSelCnvDlg> selCnv_;
    std::unique_ptr<DocumentViewer> documents_;
    std::unique_ptr<TViewDlg> view_;
    std::unique_ptr<TVolDlg> vol_;
    std::unique_ptr<TSetUpDlg> setUp_;
    std::unique_ptr<TCtrlDlg> ctrl_;
    std::unique_ptr<TVerDlg> ver_;

    // Counts only while intro play has it enabled; an interval of 0 holds it until the next song.
    QTimer introTimer_;
    bool introEnabled_ = false;
};

}  // namespace korva

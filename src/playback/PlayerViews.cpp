#include "playback/PlayerViews.h"

namespace korva {
namespace {

class Quiet final : public DeckView,
                    public StatusView,
                    public DeckVolumeView,
                    public SongListView,
                    public SongControlView,
                    public VolumeWindowView,
                    public MessageView,
                    public FolderDialog {
  public:
    void SetPlayLabelLit(bool) override {}
    void SetPauseLabelLit(bool) override {}
    void ClearStatusLine() override {}
    void ShowModeLabel() override {}
    void EnableClock() override {}
    void CancelAutoStart() override {}
    void Quit() override {}
    void ShowStatus(const std::string&, StatusKind) override {}
    void ShowVolumeControls() override {}
    void SetVolumeBar(int) override {}
    void ShowSongWindow() override {}
    void HideSongWindow() override {}
    void SongLinesChanged() override {}
    void SetSongCaption(const std::string&) override {}
    void SetSongNumber(int) override {}
    void SelectSongLine(int) override {}
    void SetCompanionFiles(bool, bool) override {}
    void ShowSongControlWindow() override {}
    void CloseSongControlWindow() override {}
    void MarkEffectiveLevel(int) override {}
    void SetBaseButtonDown(int) override {}
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

}  // namespace

Views QuietViews() {
    static Quiet quiet;
    return Views{&quiet, &quiet, &quiet, &quiet, &quiet, &quiet, &quiet, &quiet};
}

}  // namespace korva

#include "playback/Player.h"

#include <algorithm>
#include <array>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/PlayModes.h"
#include "playback/ArtistSelection.h"
#include "playback/ModalDepth.h"
#include "playlist/CompanionDocument.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

const char* const kResetFiles[] = {nullptr, "KORVA_GM.MID", "KORVA_GS.MID", "KORVA_88.MID"};

std::string HeaderMessage() {
    return Sjis(
        "選択されたＭＩＤＩファイルは再生できない形式です．ヘッダにマックバイナリが付いている"
        "可能性もありますので対策ツールで確認してください．");
}

}  // namespace

std::string SongWindowCaption(const Settings& settings, int loadedList, std::size_t queueLength) {
    static const char* const kOrders[] = {"NOR", "NEW", "RND"};
    static const char* const kEasyOrders[] = {"NOR", "NOR", "RND"};  // EASY sorts in NEW as in NOR
    const bool easy = settings.PLAYMOD == EASY;
    const std::string order = settings.RNDMODE <= 2 ? (easy ? kEasyOrders : kOrders)[settings.RNDMODE] : "";
    const std::string cycle = settings.CYCMODE == 1 ? "LES" : settings.CYCMODE == 0 ? "END" : "";
    const std::string tail = " (" + order + "/" + cycle + ") " + std::to_string(queueLength) + Sjis("曲");
    switch (settings.PLAYMOD) {
        case PROG:
            return "PROG-" + std::to_string(loadedList) + tail;
        case ARTS:
            return "ARTIST" + tail;
        case EASY:
            return "EASY" + tail;
        default:
            return "LIST-" + std::to_string(loadedList) + tail;
    }
}

bool HasSmfHeader(const std::string& sjisPath) {
    return ReadFileHead(sjisPath, 4).value_or(std::string()) == "MThd";
}

Player::Player(AppModel& model, PlayerParts parts, const Views& views)
    : model_(model), parts_(parts), views_(views) {
    parts_.device.SetNotifyHandler([this] { MediaPlayer1Notify(); });
    parts_.device.SetSlowOpenHandler(
        [this] { views_.status->ShowStatus(".. Preparations for Play", StatusKind::Notice); });
}

Player::~Player() {
    parts_.device.SetSlowOpenHandler(nullptr);
    parts_.device.SetNotifyHandler(nullptr);
}

template <typename F>
void Player::Guarded(F&& action) {
    try {
        action();
    } catch (const UserError& error) {
        views_.messages->ShowMessage(error.Text());
    }
}

std::int64_t Player::SongPositionMicroseconds() const {
    const DeviceMode mode = parts_.device.Mode();
    if (model_.play.ResetPending || (mode != DeviceMode::Playing && mode != DeviceMode::Paused))
        return 0;
    return parts_.device.PositionMicroseconds();
}

bool Player::DevicePlaying() const {
    return parts_.device.Mode() == DeviceMode::Playing;
}

bool Player::DeviceIdle() const {
    // Waiting in a dialog or for a converter (the device stands stopped meanwhile), play is under way.
    if (model_.play.ModalDepth > 0)
        return false;
    const DeviceMode mode = parts_.device.Mode();
    return mode == DeviceMode::None || mode == DeviceMode::Stopped;
}

void Player::StopDevice() {
    parts_.device.Stop();
}

void Player::ReplayIfPlaying() {
    if (!DevicePlaying())
        return;
    // Only a playing device pauses; a song that ended since its mode was read stays ended, and its
    // notice moves the run on.
    parts_.device.Pause();
    if (parts_.device.Mode() == DeviceMode::Paused)
        parts_.device.Play();
}

void Player::ApplyBaseIfAutomatic() {
    if (model_.settings.AUTOVOL)
        parts_.volume.ApplyBaseLevel();
}

void Player::Play() {
    // The core waits in a dialog or for a converter, in the middle of building or going through the
    // queue: play is under way already, and a new queue now would be pulled from under that wait.
    if (model_.play.ModalDepth > 0)
        return;
    const DeviceMode mode = parts_.device.Mode();
    if (mode == DeviceMode::Playing) {
        if (!model_.play.SinglePlay)
            views_.songControl->ShowSongControlWindow();
        return;
    }
    if (mode == DeviceMode::Paused) {
        Pause();
        return;
    }
    Guarded([&] { StartNewQueue(); });
}

void Player::StartNewQueue() {
    resetTroubleTold_ = false;
    parts_.volume.ApplyBaseLevel();
    PlayState& play = model_.play;
    play.QueuePosition = 0;
    play.ResetPending = false;
    model_.PlayQueue.clear();
    model_.ScratchList.clear();
    const QueuePorts queuePorts{*views_.status, *views_.messages, parts_.random};
    const unsigned abandoned = abandoned_;
    bool started = false;
    switch (model_.settings.PLAYMOD) {
        case LIST0:
        case LIST1:
        case LIST2:
            PrepareListQueue(model_, model_.settings.PLAYMOD, queuePorts);
            views_.songList->SongLinesChanged();
            started = PlayListEntry();
            break;
        case PROG:
            play.LoadedList = CurrentBandList(model_.settings, parts_.clock);
            PrepareListQueue(model_, play.LoadedList, queuePorts);
            views_.songList->SongLinesChanged();
            started = PlayListEntry();
            break;
        case ARTS:
            // The artists window's OK fills the queue and the song lines before it closes.
            if (artists_) {
                const ModalScope waiting(model_.play.ModalDepth);
                artists_->SearchArtists();
            }
            started = PlayArtistEntry();
            break;
        case EASY:
            PrepareFolderQueue(model_, *views_.folderDialog, queuePorts);
            views_.songList->SongLinesChanged();
            started = PlayEasyEntryUnguarded();
            break;
        default:
            break;
    }
    // A first song given up while it was read leaves the deck to whoever gave it up.
    if (!started || abandoned_ != abandoned)
        return;
    views_.deck->SetPlayLabelLit(true);
    views_.deck->SetPauseLabelLit(false);
    play.PauseFlag = false;
    play.SinglePlay = false;
    if (model_.settings.INTLOCK)
        views_.songList->ShowSongWindow();
}

void Player::Pause() {
    const DeviceMode mode = parts_.device.Mode();
    if (mode == DeviceMode::Playing) {
        parts_.device.Pause();
        // The song may have ended since its mode was read: then nothing was paused, and the end's
        // notice moves the run on.
        if (parts_.device.Mode() != DeviceMode::Paused)
            return;
        views_.deck->SetPauseLabelLit(true);
        model_.play.PauseFlag = true;
    } else if (mode == DeviceMode::Paused) {
        views_.deck->SetPauseLabelLit(false);
        parts_.device.Play();
        model_.play.PauseFlag = false;
    }
}

void Player::Stop() {
    ++model_.play.StopCount;
    model_.conversion.ContinuousConvert = false;
    const DeviceMode mode = parts_.device.Mode();
    if (mode == DeviceMode::Playing || mode == DeviceMode::Paused) {
        ApplyBaseIfAutomatic();
        parts_.device.Stop();
        parts_.device.Close();
    } else if (opening_ > 0) {
        parts_.device.Close();  // gives up the song being read
    }
    ShowPlayEnded();
    views_.deck->ClearStatusLine();
    views_.songControl->CloseSongControlWindow();
    if (model_.play.SavedListMode >= 0) {
        model_.settings.PLAYMOD = static_cast<std::uint8_t>(model_.play.SavedListMode);
        views_.deck->ShowModeLabel();
        model_.play.SavedListMode = -1;
    }
    if (model_.settings.USECLOK)
        views_.deck->EnableClock();
}

void Player::MediaPlayer1Notify() {
    if (parts_.device.Fault() == DeviceFault::OutputLost) {
        // The port the song went to is gone: play stops and says why; the next Play tries again.
        HandleDeviceError();
        return;
    }
    const DeviceMode mode = parts_.device.Mode();
    if ((mode != DeviceMode::Stopped && mode != DeviceMode::Paused) || model_.play.PauseFlag)
        return;
    Guarded([&] {
        PlayState& play = model_.play;
        if (play.SinglePlay) {
            parts_.device.Close();
            if (play.ResetPending) {
                PlaySingleEntryUnguarded();
            } else {
                Stop();
            }
            return;
        }
        ApplyBaseIfAutomatic();
        if (!play.ResetPending)
            ++play.QueuePosition;
        bool going = false;
        switch (model_.settings.PLAYMOD) {
            case LIST0:
            case LIST1:
            case LIST2:
                going = PlayListEntry();
                break;
            case PROG:
                if (CurrentBandList(model_.settings, parts_.clock) != play.LoadedList) {
                    Stop();
                    Play();
                    return;
                }
                going = PlayListEntry();
                break;
            case ARTS:
                going = PlayArtistEntry();
                break;
            case EASY:
                going = PlayEasyEntryUnguarded();
                break;
            default:
                break;
        }
        if (!going)
            Stop();
    });
}

bool Player::WrapOrEnd() {
    const auto length = static_cast<int>(model_.PlayQueue.size());
    if (model_.settings.CYCMODE == 1 && model_.play.QueuePosition >= length)
        model_.play.QueuePosition = 0;
    return model_.play.QueuePosition >= 0 && model_.play.QueuePosition < length;
}

bool Player::PlayListEntry() {
    return PlayNamedEntry(
        SongWindowCaption(model_.settings, model_.play.LoadedList, model_.PlayQueue.size()));
}

bool Player::PlayArtistEntry() {
    return PlayListEntry();
}

bool Player::PlayNamedEntry(const std::string& caption) {
    if (!WrapOrEnd())
        return false;
    PlaylistEntry entry;
    SplitEntry(model_.PlayQueue[model_.play.QueuePosition], entry);
    if (!FileExistsIgnoringCase(entry.Path)) {
        ShowMissingFile(entry.Name, entry.Path);
        return false;
    }
    switch (StartSong(entry.Path, entry.Vol)) {
        case Outcome::Failed:
            views_.status->ShowStatus(entry.Name, StatusKind::Error);
            return false;
        case Outcome::Abandoned:
            return true;  // whoever stopped or restarted play has taken over
        case Outcome::Done:
            break;
    }
    ShowSongStarted(entry.Name);
    ShowPositionInSongWindow(caption);
    return true;
}

bool Player::PlayEasyEntryUnguarded() {
    for (;;) {
        if (!WrapOrEnd())
            return false;
        if (converter_ == nullptr ||
            !converter_->IsForeign(std::string(model_.PlayQueue[model_.play.QueuePosition])))
            break;
        const PlayTimeConverter::Outcome outcome = [&] {
            const ModalScope waiting(model_.play.ModalDepth);
            return converter_->ConvertEntry(model_);
        }();
        if (outcome == PlayTimeConverter::Outcome::Converted)
            break;
        if (outcome == PlayTimeConverter::Outcome::Stopped)
            return false;
        if (outcome == PlayTimeConverter::Outcome::Abandoned)
            return true;  // whoever stopped or restarted play has taken over
    }
    const std::string path(model_.PlayQueue[model_.play.QueuePosition]);
    const std::string fileName = FileNamePart(path);
    if (!FileExistsIgnoringCase(path)) {
        ShowMissingFile(fileName, path);
        return false;
    }
    switch (StartSong(path, "0")) {
        case Outcome::Failed:
            views_.status->ShowStatus(fileName, StatusKind::Error);
            return false;
        case Outcome::Abandoned:
            return true;
        case Outcome::Done:
            break;
    }
    ShowSongStarted(fileName + " /No." + std::to_string(model_.play.QueuePosition + 1));
    ShowPositionInSongWindow(
        SongWindowCaption(model_.settings, model_.play.LoadedList, model_.PlayQueue.size()));
    return true;
}

void Player::PlayEasyEntry() {
    Guarded([&] { PlayEasyEntryUnguarded(); });
}

void Player::PlaySingleEntry() {
    Guarded([&] { PlaySingleEntryUnguarded(); });
}

void Player::PlaySingleEntryUnguarded() {
    if (model_.play.QueuePosition < 0 ||
        model_.play.QueuePosition >= static_cast<int>(model_.PlayQueue.size()))
        return;
    const std::string path(model_.PlayQueue[model_.play.QueuePosition]);
    const std::string fileName = FileNamePart(path);
    if (!FileExistsIgnoringCase(path)) {
        views_.status->ShowStatus(fileName, StatusKind::Error);
        views_.messages->ShowMessage(Sjis("選択またはコンバートされたＭＩＤＩファイルが見つかりません"));
        return;
    }
    views_.deck->SetPlayLabelLit(true);
    model_.play.SinglePlay = true;
    switch (StartSong(path, "0")) {
        case Outcome::Failed:
            views_.status->ShowStatus(fileName, StatusKind::Error);
            return;
        case Outcome::Abandoned:
            return;
        case Outcome::Done:
            break;
    }
    views_.songList->SetSongCaption("SINGLE PLAY MODE");
    model_.SongLines = {path};
    views_.songList->SongLinesChanged();
    model_.play.SinglePlay = true;
    ShowSongStarted(fileName);
}

void Player::ShowSongStarted(const std::string& statusText) {
    if (model_.play.ResetPending)
        return;
    // Once in a run, in place of the first such song's title: a notice every song would hide the
    // titles for good.
    if (!unplayableReset_.empty() && !resetTroubleTold_) {
        resetTroubleTold_ = true;
        views_.status->ShowStatus(Sjis("リセットファイル ") + unplayableReset_ +
                                      Sjis(" を再生できないため、リセットせずに演奏します"),
                                  StatusKind::Notice);
        return;
    }
    views_.status->ShowStatus(statusText, StatusKind::Normal);
}

void Player::ShowMissingFile(const std::string& statusText, const std::string& path) {
    views_.status->ShowStatus(statusText, StatusKind::Error);
    views_.messages->ShowMessage(Sjis("ＭＩＤＩファイル（ ") + path + Sjis("）がありません"));
}

void Player::ShowPositionInSongWindow(const std::string& caption) {
    views_.deck->ShowModeLabel();
    views_.songList->SetSongCaption(caption);
    views_.songList->SetSongNumber(model_.play.QueuePosition + 1);
    views_.songList->SelectSongLine(model_.play.QueuePosition);
}

Player::Outcome Player::StartSong(const std::string& path, const std::string& volText) {
    PlayState& play = model_.play;
    if (play.ResetPending) {
        play.ResetPending = false;
    } else {
        const Outcome reset = SendReset();
        if (reset != Outcome::Done || play.ResetPending)
            return reset;
    }
    if (model_.settings.AUTOVOL)
        parts_.volume.ApplySongOffset(volText);
    if (!HasSmfHeader(path)) {
        views_.messages->ShowMessage(HeaderMessage());
        return Outcome::Failed;
    }
    const Outcome playing = OpenAndPlay(path);
    if (playing == Outcome::Abandoned)
        return playing;
    play.ScrollPos = 1;
    if (playing == Outcome::Failed) {
        HandleDeviceError();
        return playing;
    }
    SetIntroInterval(play.IntroSeconds * 1000);
    const bool txt = FileExistsIgnoringCase(CompanionDocument(path, DocumentKind::Txt));
    const bool doc = FileExistsIgnoringCase(CompanionDocument(path, DocumentKind::Doc));
    views_.songList->SetCompanionFiles(txt, doc);
    views_.songControl->SetCompanionFiles(txt, doc);
    return Outcome::Done;
}

Player::Outcome Player::SendReset() {
    PlayState& play = model_.play;
    const int kind = model_.settings.SENDRST;
    if (kind < 1 || kind > 3) {
        play.ResetPending = false;
        return Outcome::Done;
    }
    const std::string resetName = kResetFiles[kind];
    const Outcome reset = OpenAndPlay(model_.folders.SupportFolderOf(resetName) + resetName);
    if (reset == Outcome::Abandoned)
        return reset;
    if (reset == Outcome::Failed) {
        play.ResetPending = false;
        const DeviceFault fault = parts_.device.Fault();
        if (fault == DeviceFault::FileNotFound)
            return Outcome::Done;  // no reset file: the song plays without one
        if (IsFileFault(fault)) {
            // A reset file that is there but cannot be played must not end unattended play: the
            // song plays without a reset, and the status line tells which file failed.
            unplayableReset_ = resetName;
            return Outcome::Done;
        }
        HandleDeviceError();
        return reset;
    }
    unplayableReset_.clear();
    resetTroubleTold_ = false;
    views_.status->ShowStatus(".. No." + std::to_string(play.QueuePosition + 1), StatusKind::Notice);
    play.ResetPending = true;
    return Outcome::Done;
}

void Player::ShowPlayEnded() {
    views_.deck->SetPlayLabelLit(false);
    views_.deck->SetPauseLabelLit(false);
    model_.play.PauseFlag = false;
    model_.play.SinglePlay = false;
    DisableIntroAndAutoStart();
    views_.songList->HideSongWindow();
    model_.SongLines.clear();
    views_.songList->SongLinesChanged();
}

Player::Outcome Player::OpenAndPlay(const std::string& path) {
    // A large song is read while the events go on, as during a conversion: Stop gives it up, and
    // whatever opened another file meanwhile has the say.
    const unsigned stops = model_.play.StopCount;
    const unsigned opens = ++opens_;
    {
        const ModalScope waiting(model_.play.ModalDepth);
        const ModalScope opening(opening_);
        parts_.device.Open(path);
    }
    if (model_.play.StopCount != stops || opens_ != opens) {
        ++abandoned_;
        return Outcome::Abandoned;
    }
    if (parts_.device.Fault() != DeviceFault::None)
        return Outcome::Failed;
    parts_.device.Play();
    return parts_.device.Fault() == DeviceFault::None ? Outcome::Done : Outcome::Failed;
}

void Player::HandleDeviceError() {
    // A file that cannot be played is told by the device's own text, which names the file and what
    // is wrong with it; any other fault (no SoundFont, say) follows the fixed message.
    const DeviceFault fault = parts_.device.Fault();
    const std::string reason = parts_.device.ErrorText();
    parts_.device.Stop();
    parts_.device.Close();
    ShowPlayEnded();
    std::string message = Sjis("ＭＩＤＩシステムが他で使用されているか、または再生エラーです");
    if (IsFileFault(fault)) {
        message = reason;
    } else if (!reason.empty()) {
        message += "\n" + reason;
    }
    views_.messages->ShowMessage(message);
}

void Player::SetIntroInterval(int milliseconds) {
    introInterval_ = std::max(milliseconds, 0);
    if (introInterval_ == 0) {
        parts_.introTimer.Stop();
    } else if (introEnabled_) {
        parts_.introTimer.Start(introInterval_);
    }
}

void Player::EnableIntroTimer() {
    introEnabled_ = true;
    if (introInterval_ > 0)
        parts_.introTimer.Start(introInterval_);
}

void Player::DisableIntroAndAutoStart() {
    introEnabled_ = false;
    parts_.introTimer.Stop();
    views_.deck->CancelAutoStart();
}

void Player::IntroTimerTimer() {
    if (model_.play.QueuePosition < static_cast<int>(model_.PlayQueue.size()) - 1) {
        SetIntroInterval(0);
        Next();
    } else {
        Stop();
        views_.status->ShowStatus(".. Intro Play End", StatusKind::Notice);
    }
}

void Player::Next() {
    StepNext(model_.play, model_.PlayQueue.size(), *this);
}

}  // namespace korva

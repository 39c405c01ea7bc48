#include "windows/SongControl.h"

#include <algorithm>
#include <cerrno>

#include "app/Errors.h"
#include "app/PlayModes.h"
#include "convert/SmfKnife.h"
#include "playlist/EntryRewrite.h"
#include "playlist/LineFile.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"

namespace korva {

namespace {

constexpr int kMinVol = -5;
constexpr int kMaxVol = 5;

SearchPanel RestingPanel(int list) {
    return {Sjis(list == 0 ? "リスト０検索" : "リスト１検索"), SearchInk::Teal};
}

}  // namespace

SongControl::SongControl(AppModel& model, const Views& views, std::function<PlayerCommands&()> player)
    : model_(model), views_(views), player_(std::move(player)) {
    fields_.search = {RestingPanel(0), RestingPanel(1)};
}

SongControl::Source SongControl::CurrentSource() const {
    Source source;
    source.mode = model_.settings.PLAYMOD;
    source.position = model_.play.QueuePosition;
    source.queueLength = model_.PlayQueue.size();
    if (source.position >= 0 && static_cast<std::size_t>(source.position) < source.queueLength)
        source.entry = model_.PlayQueue[static_cast<std::size_t>(source.position)];
    return source;
}

bool SongControl::ShowsCurrentSong() const {
    return filledFrom_ == CurrentSource();
}

void SongControl::FormActivate() {
    if (knifeRunning_)
        return;  // the window tells of the run until the comparison play takes over
    filledFrom_ = CurrentSource();
    fields_ = SongControlFields{};
    storedFeel_.clear();
    if (model_.settings.PLAYMOD == EASY) {
        FillFromEasyEntry(filledFrom_.entry);
    } else {
        FillFromListEntry(filledFrom_.entry);
    }
    const Settings& s = model_.settings;
    if (!s.SMFBTN1.empty())
        fields_.knifeCaption1 = s.SMFBTN1;
    if (!s.SMFBTN2.empty())
        fields_.knifeCaption2 = s.SMFBTN2;
    fields_.search = {RestingPanel(0), RestingPanel(1)};
    Changed();
}

void SongControl::FillFromListEntry(const std::string& line) {
    PlaylistEntry entry;
    SplitEntry(line, entry);
    fields_.path = entry.Path;
    fields_.name = entry.Name;
    // The queue takes lines as the file holds them, so Vol and Feel may be anything. The controls
    // show what they can; what they cannot show is written back as it was, unless the user sets it.
    storedFeel_ = entry.Feel;
    const auto feel = ToIntStrict(entry.Feel);
    fields_.feel = feel && *feel >= 0 && *feel <= 3 ? *feel : -1;
    const auto vol = ToIntStrict(entry.Vol);
    fields_.volPosition = vol ? std::clamp(*vol, kMinVol, kMaxVol) : 0;
    fields_.volText = entry.Vol;
    fields_.changeEnabled = !fields_.path.empty();
}

void SongControl::FillFromEasyEntry(const std::string& path) {
    // An EASY queue entry is the song's path itself; the song window's line adds only a prefix.
    fields_.path = path;
    fields_.knifeEnabled = model_.settings.USEKNIF && model_.PlayQueue.size() == 1 && !path.empty();
}

void SongControl::FeelRadioGroupClick(int feel) {
    if (feel >= 0 && feel <= 3)
        fields_.feel = feel;
}

void SongControl::VolScrollBarChange(int position) {
    fields_.volPosition = std::clamp(position, kMinVol, kMaxVol);
    fields_.volText = FormatVol(fields_.volPosition);
    Changed();
}

void SongControl::ChngButtonClick() {
    if (!fields_.changeEnabled || fields_.path.empty())
        return;
    const std::string feel = fields_.feel >= 0 ? std::to_string(fields_.feel) : storedFeel_;
    const std::string line = JoinEntry({fields_.name, fields_.path, fields_.volText, feel});
    fields_.message.clear();
    fields_.search = {RestingPanel(0), RestingPanel(1)};
    for (int list = 0; list < 2; ++list) {
        if (!RewriteList(list, line))
            break;
    }
    Changed();
}

bool SongControl::RewriteList(int list, const std::string& line) {
    SearchPanel& panel = fields_.search[static_cast<std::size_t>(list)];
    std::optional<std::size_t> replaced;
    try {
        // A missing playlist is passed over without a word.
        replaced = RewriteEntriesInFile(model_.folders.PlaylistPath(list), fields_.path, line);
        if (!replaced)
            return true;
    } catch (const WriteError&) {
        panel.ink = SearchInk::Cyan;
        Changed();
        views_.messages->ShowMessage(PlaylistNotWrittenMessage(model_.folders.PlaylistPath(list)));
        return false;
    } catch (const UserError& error) {
        panel.ink = SearchInk::Cyan;
        Changed();
        views_.messages->ShowMessage(error.Text());
        return false;
    }
    panel.ink = SearchInk::Cyan;
    if (*replaced > 0) {
        panel = {Sjis(list == 0 ? "リスト０変更" : "リスト１変更"), SearchInk::White};
        fields_.message += Sjis(list == 0 ? "リスト０（Korva.DT0）でこのデータを発見し、書き換えました．"
                                          : "リスト１（Korva.DT1）でこのデータを発見し、書き換えました．");
    }
    return true;
}

void SongControl::Cnv1SpeedButtonClick() {
    if (fields_.knifeEnabled)
        RunSmfKnife(model_.settings.SMFPRM1);
}

void SongControl::Cnv2SpeedButtonClick() {
    if (fields_.knifeEnabled)
        RunSmfKnife(model_.settings.SMFPRM2);
}

void SongControl::RunSmfKnife(const std::string& parameters) {
    if (knifeRunning_)
        return;  // one run at a time: the windows stay usable while it runs
    if (const auto refusal = SmfKnifeRefusal(model_.settings, parameters)) {
        views_.messages->ShowMessage(*refusal);
        return;
    }
    const std::string song = fields_.path;
    if (song.empty())
        return;
    const std::string commandLine = SmfKnifeCommandLine(model_.settings.SMFPATH, song, parameters);
    const bool knifeWasEnabled = fields_.knifeEnabled;
    fields_.message = Sjis("ＳＭＦナイフによる変換をおこないます");
    fields_.knifeEnabled = false;
    Changed();
    ProcessStart start;
    start.errorNumber = ENOSYS;  // nothing here can start programs
    if (runner_ != nullptr)
        start = runner_->Start(commandLine, model_.folders.ProgramFolder);
    if (start.errorNumber != 0) {
        // Nothing ran: the window shows what it showed before.
        fields_.message.clear();
        fields_.knifeEnabled = knifeWasEnabled;
        Changed();
        if (start.kind == ProgramKind::WindowsWithoutWine)
            views_.status->ShowStatus(Sjis(".. Windows のプログラムには wine が必要です"), StatusKind::Error);
        views_.messages->ShowMessage("Exec Error : " + std::to_string(start.errorNumber));
        return;
    }
    knifeRunning_ = true;
    const bool ended = runner_->WaitForEnd();
    knifeRunning_ = false;
    fields_.knifeEnabled = knifeWasEnabled;
    if (!ended)
        return;  // the program is closing
    // The tool's exit code says nothing reliable; the comparison play shows what it made.
    fields_.message = Sjis("ＳＭＦナイフによる変換が終了しました");
    Changed();
    StartComparisonPlay(song);
}

void SongControl::StartComparisonPlay(const std::string& song) {
    PlayerCommands& player = player_();
    player.Stop();  // also gives back a list mode that a dropped file had replaced
    model_.play.SavedListMode = model_.settings.PLAYMOD;
    model_.settings.PLAYMOD = EASY;
    const std::string backup = SmfKnifeBackupPath(song);
    model_.PlayQueue = {song, backup};
    model_.SongLines = {Sjis("変換後 ") + song, Sjis("変換前 ") + backup};
    views_.songList->SongLinesChanged();
    views_.songList->ShowSongWindow();
    model_.play.ResetPending = false;
    model_.play.QueuePosition = 0;
    player.PlayEasyEntry();
}

void SongControl::Changed() {
    if (window_)
        window_->SongControlFieldsChanged();
}

}  // namespace korva

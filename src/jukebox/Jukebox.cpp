#include "jukebox/Jukebox.h"

#include "text/Encoding.h"

namespace korva {

Jukebox::Jukebox(Folders folders, RandomSource& random, const Clock& clock)
    : random_(random),
      clock_(clock),
      views_(QuietViews()),
      messages_(model_.play.ModalDepth, *views_.messages),
      folderDialog_(model_.play.ModalDepth, *views_.folderDialog),
      conversion_(model_, views_, [this] { Commands().Stop(); }),
      artists_(model_, random_, views_) {
    model_.folders = std::move(folders);
    // A copy killed while writing one of its files left the temporary file behind.
    RemoveLeftoverWrites(model_.folders);
    views_.messages = &messages_;
    views_.folderDialog = &folderDialog_;
}

Jukebox::~Jukebox() {
    Disconnect();
}

void Jukebox::Connect(const JukeboxDevices& devices) {
    Disconnect();
    volume_ = std::make_unique<VolumeControl>(model_.settings, devices.volumeOutput, views_);
    player_ = std::make_unique<Player>(
        model_, PlayerParts{devices.device, *volume_, random_, clock_, devices.introTimer}, views_);
    if (conversionAttached_)
        player_->SetPlayTimeConverter(&conversion_);
    player_->SetArtistSelection(&artists_);
}

void Jukebox::Disconnect() {
    player_.reset();
    volume_.reset();
}

void Jukebox::FinishStart() {
    if (!restOfStart_)
        return;
    // Taken out first: what it runs may give commands, and they must not start it again.
    const std::function<void()> rest = std::move(restOfStart_);
    restOfStart_ = nullptr;
    rest();
}

PlayerCommands& Jukebox::Commands() {
    FinishStart();
    if (player_)
        return *player_;
    return idle_;
}

void Jukebox::AttachDeck(DeckView& deck, StatusView& status, DeckVolumeView& volume) {
    views_.deck = &deck;
    views_.status = &status;
    views_.deckVolume = &volume;
}

void Jukebox::AttachSongList(SongListView& songList) {
    views_.songList = &songList;
}

void Jukebox::AttachSongControl(SongControlView& songControl) {
    views_.songControl = &songControl;
}

void Jukebox::AttachVolumeWindow(VolumeWindowView& volumeWindow) {
    views_.volumeWindow = &volumeWindow;
}

void Jukebox::AttachDialogs(MessageView& messages, FolderDialog& folderDialog) {
    messages_.Attach(messages);
    folderDialog_.Attach(folderDialog);
}

void Jukebox::AttachConversion(ConversionWindowView& window, ProcessRunner& runner) {
    conversion_.AttachWindow(&window);
    conversion_.AttachRunner(&runner);
    conversionAttached_ = true;
    if (player_)
        player_->SetPlayTimeConverter(&conversion_);
}

void Jukebox::CheckVolumeDevice() {
    if (volume_ && model_.settings.AUTOVOL && !volume_->FindVolumeDevice())
        views_.status->ShowStatus(Sjis(".. 音量制御できません"), StatusKind::Notice);
}

bool Jukebox::PlayDropped(const std::vector<std::string>& names, DropSource source) {
    FinishStart();
    if (Busy())
        return false;
    return PlayDroppedFiles(model_, names, source,
                            DropPorts{Commands(), *views_.messages, random_, *views_.songList});
}

void Jukebox::Play() {
    Commands().Play();
}

void Jukebox::Pause() {
    Commands().Pause();
}

void Jukebox::Stop() {
    Commands().Stop();
}

void Jukebox::Next() {
    StepNext(model_.play, model_.PlayQueue.size(), Commands());
}

void Jukebox::Back() {
    StepBack(model_.play, Commands());
}

void Jukebox::Quit() {
    views_.deck->Quit();
}

void Jukebox::PlaySingle(std::string sjisPath) {
    Stop();
    model_.PlayQueue = {std::move(sjisPath)};
    model_.play.QueuePosition = 0;
    model_.play.ResetPending = false;
    if (player_)
        player_->PlaySingleEntry();
}

void Jukebox::PlayIntro(int introSeconds) {
    Stop();
    Play();
    if (player_)
        player_->EnableIntroTimer();
    model_.play.IntroSeconds = introSeconds;
}

bool Jukebox::FindVolumeDevice() {
    FinishStart();
    return volume_ && volume_->FindVolumeDevice();
}

void Jukebox::ShowSongWindow() {
    FinishStart();
    views_.songList->ShowSongWindow();
}

void Jukebox::ChooseVolumeLevel(int position) {
    FinishStart();
    if (volume_)
        volume_->LevelButtonClick(position);
}

std::optional<int> Jukebox::HeardVolumeLevel() const {
    if (!volume_ || !model_.settings.AUTOVOL)
        return std::nullopt;
    return volume_->EffectiveLevel();
}

void Jukebox::VolumeUp() {
    FinishStart();
    if (volume_)
        volume_->TemporaryUp();
}

void Jukebox::VolumeDown() {
    FinishStart();
    if (volume_)
        volume_->TemporaryDown();
}

void Jukebox::StepBaseVolume(int step) {
    FinishStart();
    if (volume_)
        volume_->StepBaseLevelBy(step);
}

bool Jukebox::PrepareVolumeWindow() {
    FinishStart();
    if (!volume_)
        return false;
    volume_->PrepareVolumeWindow();
    return true;
}

}  // namespace korva

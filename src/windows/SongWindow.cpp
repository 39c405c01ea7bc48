#include "windows/SongWindow.h"

#include "app/SettingsFile.h"

namespace korva {

bool SelectQueueEntry(PlayState& play, int selected, PlayerCommands& player) {
    // While the core waits in a dialog or for a converter the entry it waits for must stay where it is.
    if (selected < 0 || play.ModalDepth > 0)
        return false;
    // A stop while paused would leave the player paused over a stopped device, and the notice of a
    // stopped reset file would keep the position for the song that reset belonged to.
    if (play.PauseFlag)
        player.Pause();
    play.ResetPending = false;
    play.QueuePosition = selected - 1;
    player.StopDevice();
    return true;
}

bool QuickSelectQueueEntry(PlayState& play, int selected, PlayerCommands& player) {
    if (selected < 0)
        return false;
    if (selected != play.QueuePosition)
        SelectQueueEntry(play, selected, player);
    return true;
}

std::optional<std::string> CurrentCompanionDocument(const AppModel& model, DocumentKind kind) {
    const int position = model.play.QueuePosition;
    if (position < 0 || position >= static_cast<int>(model.PlayQueue.size()))
        return std::nullopt;
    return CompanionDocumentOfEntry(model.PlayQueue[static_cast<std::size_t>(position)], kind);
}

std::optional<int> AutoCloseIntervalOnShow(const Settings& settings) {
    if (!settings.AUTOCLS)
        return std::nullopt;
    return settings.CLSTIME * 1000;
}

std::optional<WindowBounds> RememberedSongWindowBounds(const Settings& settings) {
    if (settings.VIWHPOS == -999 || settings.VIWVPOS == -999)
        return std::nullopt;
    return WindowBounds{settings.VIWHPOS, settings.VIWVPOS, settings.VIWSIZE, settings.VIWHIGH};
}

void StoreSongWindowBounds(const WindowBounds& bounds, Settings& settings, const std::string& iniPath) {
    settings.VIWHPOS = bounds.left;
    settings.VIWVPOS = bounds.top;
    settings.VIWSIZE = bounds.width;
    settings.VIWHIGH = bounds.height;
    SaveSongWindowPosition(iniPath, settings);
}

}  // namespace korva

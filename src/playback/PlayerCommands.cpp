#include "playback/PlayerCommands.h"

#include "app/PlayModes.h"

namespace korva {

bool StepBack(PlayState& play, PlayerCommands& player) {
    if (!player.DevicePlaying() || play.QueuePosition <= 0)
        return false;
    play.QueuePosition -= 2;
    // A reset file playing for the current entry is given up, or its end would keep the position.
    play.ResetPending = false;
    player.StopDevice();
    return true;
}

bool StepNext(PlayState& play, std::size_t queueLength, PlayerCommands& player) {
    if (!player.DevicePlaying() ||
        static_cast<long long>(play.QueuePosition) + 1 >= static_cast<long long>(queueLength))
        return false;
    play.ResetPending = false;
    player.StopDevice();
    return true;
}

bool StepListMode(Settings& settings, bool forward, const PlayerCommands& player) {
    if (!player.DeviceIdle())
        return false;
    settings.PLAYMOD = SteppedListMode(settings.PLAYMOD, forward);
    return true;
}

}  // namespace korva

#pragma once
// What the deck asks of the player: its buttons' actions and the few facts about the sequencer device
// that decide whether a button acts. The play sequencing implements it; IdlePlayer stands in where
// nothing plays.

#include <cstddef>
#include <cstdint>

#include "app/AppModel.h"

namespace korva {

class PlayerCommands {
  public:
    virtual ~PlayerCommands() = default;

    // The actions of the Play, Pause and Stop buttons.
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // Plays the EASY queue from QueuePosition (dropped and opened files).
    virtual void PlayEasyEntry() = 0;

    // The device is open and reports Playing.
    virtual bool DevicePlaying() const = 0;
    // No song is open, or the device reports Stopped.
    virtual bool DeviceIdle() const = 0;
    // Stops the device only; its completion notice then moves the queue on.
    virtual void StopDevice() = 0;
    // Issues the device's play again when it reports Playing (after the window's frame changed).
    virtual void ReplayIfPlaying() = 0;
    // How far into the song at the queue position the sound heard has come, in microseconds; 0 while
    // its reset file plays or nothing does.
    virtual std::int64_t SongPositionMicroseconds() const = 0;
};

// A player with no device: nothing plays, every action does nothing.
class IdlePlayer final : public PlayerCommands {
  public:
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    void PlayEasyEntry() override {}
    bool DevicePlaying() const override { return false; }
    bool DeviceIdle() const override { return true; }
    void StopDevice() override {}
    void ReplayIfPlaying() override {}
    std::int64_t SongPositionMicroseconds() const override { return 0; }
};

// Back: only while playing and past the first entry. The position goes two back, because the
// completion handling adds one before it plays. Returns whether it acted.
bool StepBack(PlayState& play, PlayerCommands& player);
// Next: only while playing and before the last entry.
bool StepNext(PlayState& play, std::size_t queueLength, PlayerCommands& player);
// The mode button: only while the device is idle. Returns whether PLAYMOD changed.
bool StepListMode(Settings& settings, bool forward, const PlayerCommands& player);

}  // namespace korva

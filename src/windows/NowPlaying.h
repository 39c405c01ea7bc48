#pragma once
// What the player is doing, as a desktop's media controls describe it: stopped, playing or paused,
// the song at the queue position with its title and length, and whether Next and Back would act.

#include <cstdint>
#include <string>

#include "app/AppModel.h"
#include "playback/PlayerCommands.h"

namespace korva {

enum class PlaybackStatus { Stopped, Playing, Paused };

struct NowPlaying {
    PlaybackStatus status = PlaybackStatus::Stopped;
    int queuePosition = -1;  // -1 while stopped
    std::string path;        // the song's file (Shift-JIS); empty while stopped
    std::string listTitle;   // the playlist's title, new-song mark removed; empty for dropped files
    bool canGoNext = false;
    bool canGoPrevious = false;
    std::int64_t positionMicroseconds = 0;  // how far into the song the sound heard has come
};

// Read from the model and the player; cheap enough to ask on every tick.
NowPlaying CurrentSong(const AppModel& model, const PlayerCommands& player);

struct SongFacts {
    std::string title;                    // Shift-JIS
    std::int64_t lengthMicroseconds = 0;  // 0 when the file cannot be read
};

// The song's title (the playlist's title, else the one the file carries, else its file name) and
// its playing time, read from the file.
SongFacts ReadSongFacts(const std::string& sjisPath, const std::string& listTitle);

}  // namespace korva

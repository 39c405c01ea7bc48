#include "windows/NowPlaying.h"

#include <algorithm>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/Settings.h"
#include "playback/SmfReader.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/SmfTitle.h"
#include "text/ShiftJis.h"
#include "windows/StatusLine.h"

namespace korva {

namespace {

// The song's playing time: its ticks from start to end, each at the tempo in force.
std::int64_t SongMicroseconds(const SmfSong& song) {
    const std::uint32_t end = song.LastTick();
    const int division = song.division > 0 ? song.division : 480;
    if (song.fixedTempo != 0)
        return static_cast<std::int64_t>(end) * song.fixedTempo / division;
    struct TempoChange {
        std::uint32_t tick;
        std::uint32_t tempo;
    };
    std::vector<TempoChange> changes;
    for (const SmfSong::Track& track : song.tracks) {
        for (const SmfEvent& event : track.events) {
            const std::string_view data = song.Payload(event);
            if (event.IsMeta(kMetaTempo) && data.size() == 3) {
                const auto byte = [&](std::size_t i) {
                    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i]));
                };
                changes.push_back({event.tick, (byte(0) << 16) | (byte(1) << 8) | byte(2)});
            }
        }
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::int64_t micros = 0;
    std::uint32_t tick = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const TempoChange& change : changes) {
        if (change.tick >= end)
            break;
        micros += static_cast<std::int64_t>(change.tick - tick) * tempo / division;
        tick = change.tick;
        tempo = change.tempo;
    }
    return micros + static_cast<std::int64_t>(end - tick) * tempo / division;
}

}  // namespace

NowPlaying CurrentSong(const AppModel& model, const PlayerCommands& player) {
    NowPlaying now;
    const PlayState& play = model.play;
    if (play.PauseFlag)
        now.status = PlaybackStatus::Paused;
    else if (player.DevicePlaying())
        now.status = PlaybackStatus::Playing;
    const int length = static_cast<int>(model.PlayQueue.size());
    if (now.status == PlaybackStatus::Stopped || play.QueuePosition < 0 || play.QueuePosition >= length)
        return now;
    now.queuePosition = play.QueuePosition;
    const std::string_view entry = model.PlayQueue[static_cast<std::size_t>(play.QueuePosition)];
    if (play.SinglePlay || model.settings.PLAYMOD == EASY) {
        now.path = entry;  // dropped and opened files: the queue holds their paths
    } else {
        PlaylistEntry fields;
        SplitEntry(entry, fields);
        now.path = fields.Path;
        now.listTitle = WithoutNewMark(fields.Name);
    }
    now.positionMicroseconds = player.SongPositionMicroseconds();
    const bool playing = now.status == PlaybackStatus::Playing;
    now.canGoNext = playing && play.QueuePosition < length - 1;
    now.canGoPrevious = playing && play.QueuePosition > 0;
    return now;
}

SongFacts ReadSongFacts(const std::string& sjisPath, const std::string& listTitle) {
    SongFacts facts;
    facts.title = listTitle;
    if (facts.title.empty()) {
        try {
            facts.title = ReadSmfTitle(sjisPath);
        } catch (const UserError&) {
            facts.title = FileNamePart(sjisPath);
        }
    }
    if (const auto bytes = ReadWholeFile(sjisPath)) {
        const SmfReadResult read = ReadSmf(*bytes);
        if (read.Ok())
            facts.lengthMicroseconds = SongMicroseconds(read.song);
    }
    return facts;
}

}  // namespace korva

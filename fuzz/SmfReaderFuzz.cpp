// MIDI file bytes through the tolerant reader; a song it accepts is put in time order as the
// synthesizer is fed it (times never going back, the end after every event) and written as a clean
// file, which the reader must read back whole with the same end.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playback/SmfReader.h"
#include "playback/SongSequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    // Everything an input allocates is freed before the next, so the fuzzer's leak check stays
    // quiet; reading the written file into the same result below reuses the room of this one.
    SmfReadResult reused;
    ReadSmfInto(fuzz::Input(data, size), reused);
    if (!reused.Ok())
        return 0;
    for (const auto& track : reused.song.tracks)
        for (const SmfEvent& event : track.events)
            if (event.IsSysEx())
                (void)IsModuleReset(reused.song.Payload(event));

    SongSequence sequence;
    sequence.Build(reused.song);
    std::uint64_t time = 0;
    for (const TimedEvent& event : sequence.Events()) {
        if (event.time < time)
            std::abort();
        time = event.time;
        (void)sequence.SysExData(event);
    }
    if (sequence.EndTime() < time || sequence.LastTick() != reused.song.LastTick())
        std::abort();
    (void)sequence.TickAt(time);

    std::string written;
    WritePlayableSmfInto(reused.song, written);
    const std::uint32_t lastTick = reused.song.LastTick();
    ReadSmfInto(written, reused);
    if (!reused.Ok() || reused.song.tracks.size() != 1 || reused.song.LastTick() != lastTick)
        std::abort();
    return 0;
}

// MIDI file bytes through the tolerant reader; a song it accepts is written as the clean file the
// synthesizer gets, which the reader must read back whole with the same end.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playback/SmfReader.h"

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

    std::string written;
    WritePlayableSmfInto(reused.song, written);
    const std::uint32_t lastTick = reused.song.LastTick();
    ReadSmfInto(written, reused);
    if (!reused.Ok() || reused.song.tracks.size() != 1 || reused.song.LastTick() != lastTick)
        std::abort();
    return 0;
}

// MIDI file bytes through the tolerant reader; a song it accepts is written as the clean file the
// synthesizer gets, which the reader must read back whole with the same end.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playback/SmfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    static SmfReadResult reused;
    ReadSmfInto(fuzz::Input(data, size), reused);
    if (!reused.Ok())
        return 0;
    for (const auto& track : reused.song.tracks)
        for (const SmfEvent& event : track.events)
            if (event.IsSysEx())
                (void)IsModuleReset(reused.song.Payload(event));

    static std::string written;
    WritePlayableSmfInto(reused.song, written);
    const SmfReadResult again = ReadSmf(written);
    if (!again.Ok() || again.song.tracks.size() != 1 || again.song.LastTick() != reused.song.LastTick())
        std::abort();
    return 0;
}

// MIDI file bytes through the tolerant reader; a song it accepts is put in time order as the
// synthesizer is fed it (times never going back, the end after every event, each time found again
// by searching for it), the same when its events are read again from the bytes, and written as a
// clean file, which the reader must read back whole with the same end.

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
    std::size_t index = 0;
    for (auto at = sequence.Begin(); !at.AtEnd(); at.Next(), ++index) {
        if (at.Event().time < time)
            std::abort();
        time = at.Event().time;
        // Finding a time walks from a checkpoint; a sample of the times keeps the runs quick.
        if (index % 31 == 0 && sequence.Find(time).Event().time != time)
            std::abort();
    }
    // The song as the device builds it, reading the events again from the bytes, is the same.
    SmfReadResult places;
    ReadSmfInto(fuzz::Input(data, size), places, SmfDetail::Places);
    SongSequence fromBytes;
    fromBytes.Build(places.song, fuzz::Input(data, size));
    auto kept = sequence.Begin();
    for (auto again = fromBytes.Begin(); !again.AtEnd(); again.Next(), kept.Next()) {
        if (kept.AtEnd() || again.Event().time != kept.Event().time ||
            again.Event().status != kept.Event().status || again.Event().data1 != kept.Event().data1 ||
            again.Event().data2 != kept.Event().data2 || again.Event().sysex != kept.Event().sysex)
            std::abort();
    }
    if (!kept.AtEnd() || fromBytes.EndTime() != sequence.EndTime())
        std::abort();
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

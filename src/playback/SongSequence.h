#pragma once
// A song as the synthesizer is fed it: every event a player sends, merged from all tracks into the
// order of sending (as ForEachPlayedEvent gives them), each at its time from the song's start with
// every tempo change applied; the time at which the song ends; and the way back from a time to the
// song's tick.
//
// Times are kept in nanoseconds, worked out exactly from the ticks and tempos (no error adds up
// over a long song), so the player only compares them with the time it has rendered.
//
// Pure: built from a song the reader read, touching no file and no synthesizer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playback/SmfReader.h"

namespace korva {

// Sixteen bytes: a large song holds one for every event it plays.
struct TimedEvent {
    std::uint64_t time = 0;  // nanoseconds from the song's start
    // 0x80-0xEF a channel message, SmfEvent::kSysEx a system-exclusive message.
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    // A system-exclusive message: which of the sequence's messages it is.
    std::uint32_t sysex = 0;
};

class SongSequence {
  public:
    // Builds the sequence of a song; the room of the song built before is reused.
    void Build(const SmfSong& song);

    const std::vector<TimedEvent>& Events() const { return events_; }
    // The bytes of a system-exclusive message, without F0 and F7; empty for any other event.
    std::string_view SysExData(const TimedEvent& event) const {
        if (event.status != SmfEvent::kSysEx)
            return {};
        const SysExPlace& place = sysexPlaces_[event.sysex];
        return std::string_view(sysex_).substr(place.offset, place.size);
    }
    // The song's last tick, and its time: the song ends there.
    std::uint32_t LastTick() const { return lastTick_; }
    std::uint64_t EndTime() const { return endTime_; }
    // The tick the song stands at after `time` nanoseconds of playing.
    std::uint32_t TickAt(std::uint64_t time) const;

  private:
    class Builder;

    // From `tick` on the song plays at `tempo`; `scaled` is the time up to `tick` in microseconds
    // times the division, which every tempo span adds to as a whole number.
    struct TempoSpan {
        std::uint32_t tick;
        std::uint32_t tempo;
        std::uint64_t scaled;
    };

    struct SysExPlace {
        std::uint32_t offset;
        std::uint32_t size;
    };

    int division_ = 480;
    std::vector<TimedEvent> events_;
    std::string sysex_;
    std::vector<SysExPlace> sysexPlaces_;
    std::vector<TempoSpan> spans_;
    std::uint32_t lastTick_ = 0;
    std::uint64_t endTime_ = 0;
};

}  // namespace korva

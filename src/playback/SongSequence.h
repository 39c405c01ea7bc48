#pragma once
// A song as the synthesizer is fed it: every event a player sends, merged from all tracks into the
// order of sending (as ForEachPlayedEvent gives them), each at its time from the song's start with
// every tempo change applied; the time at which the song ends; and the way back from a time to the
// song's tick.
//
// Times are given in nanoseconds, worked out exactly from the ticks and tempos (no error adds up
// over a long song), so the player only compares them with the time it has rendered.
//
// Pure: built from a song the reader read (and the file's bytes, when the reader kept only where
// the tracks lie), touching no file and no synthesizer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playback/SmfMerge.h"
#include "playback/SmfReader.h"

namespace korva {

// One event as the synthesizer is sent it.
struct TimedEvent {
    std::uint64_t time = 0;  // nanoseconds from the song's start
    // 0x80-0xEF a channel message, SmfEvent::kSysEx a system-exclusive message.
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::string_view sysex;  // a system-exclusive message's bytes, without F0 and F7
};

// The events are held packed in sending order, a few bytes each: the ticks since the event before
// (a variable-length number), the status, then the data bytes, or a system-exclusive message's
// length and bytes. A song of millions of events thus takes about as much room as its file. Each
// event's time is worked out from its tick as a Position walks them; every so many events a
// checkpoint lets a time be found without walking from the start.
class SongSequence {
  public:
    // A place in the sequence: the event there, unless it is past the last.
    class Position {
      public:
        Position() = default;
        bool AtEnd() const { return atEnd_; }
        const TimedEvent& Event() const { return event_; }
        void Next();

      private:
        friend class SongSequence;
        const SongSequence* sequence_ = nullptr;
        std::size_t offset_ = 0;  // where the event after this one starts
        std::uint32_t tick_ = 0;  // this event's tick
        std::size_t span_ = 0;    // the tempo span the tick lies in
        TimedEvent event_;
        bool atEnd_ = true;
    };

    // Builds the sequence of a song read with its events; the room of the song built before is reused.
    // Module resets become GM System On unless asked for as the file has them.
    void Build(const SmfSong& song, ModuleResets resets = ModuleResets::AsGmSystemOn);
    // The same for a song read from `bytes` with any detail, whose events are read again from them.
    void Build(const SmfSong& song, std::string_view bytes, ModuleResets resets = ModuleResets::AsGmSystemOn);

    Position Begin() const { return At(0, 0); }
    // The first event whose time is `time` or later.
    Position Find(std::uint64_t time) const;
    std::size_t EventCount() const { return eventCount_; }
    // The room the events take, in bytes.
    std::size_t PackedSize() const { return packed_.size(); }

    // The song's last tick, and its time: the song ends there.
    std::uint32_t LastTick() const { return lastTick_; }
    std::uint64_t EndTime() const { return endTime_; }
    // The tick the song stands at after `time` nanoseconds of playing.
    std::uint32_t TickAt(std::uint64_t time) const;

  private:
    class Builder;
    template <class Walk>
    void BuildWith(const SmfSong& song, std::size_t expectedBytes, const Walk& walk);

    // From `tick` on the song plays at `tempo`; `scaled` is the time up to `tick` in microseconds
    // times the division, which every tempo span adds to as a whole number.
    struct TempoSpan {
        std::uint32_t tick;
        std::uint32_t tempo;
        std::uint64_t scaled;
    };

    // Where an event starts, and the tick of the event before it, which its ticks count from.
    struct Checkpoint {
        std::size_t offset;
        std::uint32_t tickBefore;
    };
    static constexpr std::size_t kCheckpointEvery = 64;

    Position At(std::size_t offset, std::uint32_t tickBefore) const;
    std::uint64_t TimeOfTick(std::uint32_t tick, std::size_t& span) const;

    int division_ = 480;
    std::string packed_;
    std::size_t eventCount_ = 0;
    std::vector<Checkpoint> checkpoints_;
    std::vector<TempoSpan> spans_;
    std::uint32_t lastTick_ = 0;
    std::uint64_t endTime_ = 0;
};

}  // namespace korva

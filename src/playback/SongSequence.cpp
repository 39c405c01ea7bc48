#include "playback/SongSequence.h"

#include <algorithm>
#include <limits>

#include "playback/SmfMerge.h"

namespace korva {
namespace {

constexpr std::uint64_t kNanosecondsPerMicrosecond = 1000;
// Times are kept below this; a song that would run longer (thousands of years, only from a
// hostile file) stands still there.
constexpr std::uint64_t kLatestTime = std::numeric_limits<std::uint64_t>::max() / 2;

// time = scaled * 1000 / division, exactly and without overflowing.
std::uint64_t TimeOf(std::uint64_t scaled, std::uint64_t division) {
    const std::uint64_t whole = scaled / division;
    if (whole > kLatestTime / kNanosecondsPerMicrosecond)
        return kLatestTime;
    return whole * kNanosecondsPerMicrosecond + scaled % division * kNanosecondsPerMicrosecond / division;
}

// The inverse: scaled = time * division / 1000, rounded down.
std::uint64_t ScaledOf(std::uint64_t time, std::uint64_t division) {
    const std::uint64_t whole = time / kNanosecondsPerMicrosecond;
    if (whole > kLatestTime / division)
        return kLatestTime;
    return whole * division + time % kNanosecondsPerMicrosecond * division / kNanosecondsPerMicrosecond;
}

}  // namespace

// Takes the events as ForEachPlayedEvent sends them, whose ticks never go back, and keeps the time
// they are at.
class SongSequence::Builder {
  public:
    Builder(SongSequence& sequence, const SmfSong& song)
        : sequence_(sequence), division_(static_cast<std::uint64_t>(std::max(1, song.division))) {}

    void Channel(const SmfEvent& event) {
        Advance(event.tick);
        TimedEvent timed;
        timed.time = time_;
        timed.status = event.status;
        timed.data1 = event.data1;
        timed.data2 = event.data2;
        sequence_.events_.push_back(timed);
    }

    void SysEx(std::uint32_t tick, std::string_view data) {
        Advance(tick);
        TimedEvent timed;
        timed.time = time_;
        timed.status = SmfEvent::kSysEx;
        timed.sysex = static_cast<std::uint32_t>(sequence_.sysexPlaces_.size());
        sequence_.sysexPlaces_.push_back({static_cast<std::uint32_t>(sequence_.sysex_.size()),
                                          static_cast<std::uint32_t>(data.size())});
        sequence_.sysex_.append(data);
        sequence_.events_.push_back(timed);
    }

    void Tempo(std::uint32_t tick, std::uint32_t tempo) {
        Advance(tick);
        tempo_ = tempo;
        auto& spans = sequence_.spans_;
        if (spans.back().tick == tick_)
            spans.back().tempo = tempo;
        else
            spans.push_back({tick_, tempo, scaled_});
    }

    void Finish(std::uint32_t lastTick) {
        Advance(lastTick);
        sequence_.lastTick_ = lastTick;
        sequence_.endTime_ = TimeOf(scaled_, division_);
    }

  private:
    void Advance(std::uint32_t tick) {
        if (tick <= tick_)
            return;
        scaled_ += std::uint64_t{tick - tick_} * tempo_;
        tick_ = tick;
        time_ = TimeOf(scaled_, division_);
    }

    SongSequence& sequence_;
    const std::uint64_t division_;
    std::uint32_t tick_ = 0;
    std::uint32_t tempo_ = kDefaultTempo;
    std::uint64_t scaled_ = 0;  // ticks below 2^31 at tempos below 2^24 stay below 2^55
    std::uint64_t time_ = 0;
};

void SongSequence::Build(const SmfSong& song) {
    division_ = std::max(1, song.division);
    events_.clear();
    sysex_.clear();
    sysexPlaces_.clear();
    spans_.clear();
    spans_.push_back({0, kDefaultTempo, 0});
    std::size_t events = 0;
    for (const auto& track : song.tracks) events += track.events.size();
    events_.reserve(events);

    Builder builder(*this, song);
    ForEachPlayedEvent(song, builder);
    builder.Finish(song.LastTick());
}

std::uint32_t SongSequence::TickAt(std::uint64_t time) const {
    const std::uint64_t scaled = ScaledOf(time, static_cast<std::uint64_t>(division_));
    const auto after =
        std::upper_bound(spans_.begin(), spans_.end(), scaled,
                         [](std::uint64_t value, const TempoSpan& span) { return value < span.scaled; });
    const TempoSpan& span = *(after - 1);  // the first span starts at 0, so one lies at or before
    const std::uint64_t tick = span.tick + (scaled - span.scaled) / span.tempo;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(tick, 0x7FFFFFFF));
}

}  // namespace korva

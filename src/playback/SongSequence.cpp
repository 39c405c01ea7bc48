#include "playback/SongSequence.h"

#include <algorithm>
#include <limits>
#include <string_view>

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

// Numbers in the packed events: seven bits a byte, lowest first, the top bit set on all but the last.
void PutNumber(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

std::uint64_t TakeNumber(std::string_view in, std::size_t& at) {
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0)
            return value;
    }
}

// Program change and channel pressure have one data byte; the other channel messages two.
bool HasSecondDataByte(std::uint8_t status) { return (status & 0xE0) != 0xC0; }

}  // namespace

// Takes the events as ForEachPlayedEvent sends them, whose ticks never go back, and packs them.
class SongSequence::Builder {
  public:
    explicit Builder(SongSequence& sequence) : sequence_(sequence) {}

    void Channel(const SmfEvent& event) {
        Start(event.tick, event.status);
        sequence_.packed_.push_back(static_cast<char>(event.data1));
        if (HasSecondDataByte(event.status))
            sequence_.packed_.push_back(static_cast<char>(event.data2));
    }

    void SysEx(std::uint32_t tick, std::string_view data) {
        Start(tick, SmfEvent::kSysEx);
        PutNumber(sequence_.packed_, data.size());
        sequence_.packed_.append(data);
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
        sequence_.endTime_ = TimeOf(scaled_, static_cast<std::uint64_t>(sequence_.division_));
    }

  private:
    // An event that would go back in time is sent at the time reached.
    void Advance(std::uint32_t tick) {
        if (tick <= tick_)
            return;
        scaled_ += std::uint64_t{tick - tick_} * tempo_;
        tick_ = tick;
    }

    void Start(std::uint32_t tick, std::uint8_t status) {
        Advance(tick);
        if (sequence_.eventCount_ % kCheckpointEvery == 0)
            sequence_.checkpoints_.push_back({sequence_.packed_.size(), eventTick_});
        ++sequence_.eventCount_;
        PutNumber(sequence_.packed_, tick_ - eventTick_);
        eventTick_ = tick_;
        sequence_.packed_.push_back(static_cast<char>(status));
    }

    SongSequence& sequence_;
    std::uint32_t tick_ = 0;
    std::uint32_t eventTick_ = 0;  // the tick of the last event packed
    std::uint32_t tempo_ = kDefaultTempo;
    std::uint64_t scaled_ = 0;  // ticks below 2^31 at tempos below 2^24 stay below 2^55
};

template <class Walk>
void SongSequence::BuildWith(const SmfSong& song, std::size_t expectedBytes, const Walk& walk) {
    division_ = std::max(1, song.division);
    packed_.clear();
    // Most events take four bytes or fewer; room for that many is seldom outgrown, so a large song
    // is not copied as it grows.
    packed_.reserve(expectedBytes);
    eventCount_ = 0;
    checkpoints_.clear();
    spans_.clear();
    spans_.push_back({0, kDefaultTempo, 0});

    Builder builder(*this);
    walk(builder);
    builder.Finish(song.LastTick());
}

namespace {

std::size_t ExpectedBytes(const SmfSong& song) {
    std::size_t bytes = 0;
    for (const auto& track : song.tracks) bytes += track.eventCount * 4 + track.payloadBytes;
    return bytes;
}

}  // namespace

void SongSequence::Build(const SmfSong& song, ModuleResets resets) {
    BuildWith(song, ExpectedBytes(song), [&](Builder& builder) { ForEachPlayedEvent(song, builder, resets); });
}

void SongSequence::Build(const SmfSong& song, std::string_view bytes, ModuleResets resets) {
    BuildWith(song, ExpectedBytes(song),
              [&](Builder& builder) { ForEachPlayedEvent(song, bytes, builder, resets); });
}

std::uint64_t SongSequence::TimeOfTick(std::uint32_t tick, std::size_t& span) const {
    while (span + 1 < spans_.size() && spans_[span + 1].tick <= tick) ++span;
    const TempoSpan& at = spans_[span];
    return TimeOf(at.scaled + std::uint64_t{tick - at.tick} * at.tempo, static_cast<std::uint64_t>(division_));
}

SongSequence::Position SongSequence::At(std::size_t offset, std::uint32_t tickBefore) const {
    Position position;
    position.sequence_ = this;
    position.offset_ = offset;
    position.tick_ = tickBefore;
    // The last span at or before the tick; the first starts at 0.
    const auto after = std::upper_bound(spans_.begin(), spans_.end(), tickBefore,
                                        [](std::uint32_t tick, const TempoSpan& span) { return tick < span.tick; });
    position.span_ = after == spans_.begin() ? 0 : static_cast<std::size_t>(after - spans_.begin()) - 1;
    position.Next();
    return position;
}

void SongSequence::Position::Next() {
    const std::string_view packed = sequence_->packed_;
    if (offset_ >= packed.size()) {
        atEnd_ = true;
        return;
    }
    atEnd_ = false;
    std::size_t at = offset_;
    tick_ += static_cast<std::uint32_t>(TakeNumber(packed, at));
    event_.time = sequence_->TimeOfTick(tick_, span_);
    event_.status = static_cast<std::uint8_t>(packed[at++]);
    event_.data1 = 0;
    event_.data2 = 0;
    event_.sysex = {};
    if (event_.status == SmfEvent::kSysEx) {
        const auto size = static_cast<std::size_t>(TakeNumber(packed, at));
        event_.sysex = packed.substr(at, size);
        at += size;
    } else {
        event_.data1 = static_cast<std::uint8_t>(packed[at++]);
        if (HasSecondDataByte(event_.status))
            event_.data2 = static_cast<std::uint8_t>(packed[at++]);
    }
    offset_ = at;
}

SongSequence::Position SongSequence::Find(std::uint64_t time) const {
    // The checkpoints' events are in time order: the walk starts from the last that comes before
    // `time`, which is at most kCheckpointEvery events short of the one sought.
    const auto after = std::partition_point(checkpoints_.begin(), checkpoints_.end(), [&](const Checkpoint& point) {
        return At(point.offset, point.tickBefore).Event().time < time;
    });
    Position position =
        after == checkpoints_.begin() ? Begin() : At((after - 1)->offset, (after - 1)->tickBefore);
    while (!position.AtEnd() && position.Event().time < time) position.Next();
    return position;
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

#include "playback/SmfReader.h"

#include "playback/SmfMerge.h"
#include "text/Encoding.h"

#include <algorithm>
#include <initializer_list>

namespace korva {
namespace {

// Players count ticks in a signed 32-bit number; a track that runs past it is garbage from there on.
constexpr std::uint64_t kMaxTick = 0x7FFFFFFF;
// The largest delta time a file can hold.
constexpr std::uint32_t kMaxDelta = 0x0FFFFFFF;
// Larger inputs are refused, so that offsets and the written track's length fit in 32 bits.
constexpr std::size_t kMaxInput = std::size_t{1} << 30;
constexpr std::size_t kHeaderEnd = 14;
constexpr std::size_t kNone = std::string_view::npos;

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool IsTrackHeader(std::string_view bytes, std::size_t at) {
    return at <= bytes.size() && bytes.size() - at >= 8 && bytes.substr(at, 4) == "MTrk";
}

// Any chunk: a name of four printable ASCII characters and a length.
bool IsChunkHeader(std::string_view bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 8)
        return false;
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4), [](char c) {
                           const auto byte = static_cast<unsigned char>(c);
                           return byte >= 0x20 && byte <= 0x7E;
                       });
}

// Where the next chunk starts when a chunk's own length cannot be trusted: the first candidate that
// holds a track header, else the first that holds any chunk header, else the next "MTrk" from
// searchFrom on; kNone when there is none.
std::size_t NextChunk(std::string_view bytes, std::initializer_list<std::size_t> candidates,
                      std::size_t searchFrom) {
    for (const auto at : candidates) {
        if (IsTrackHeader(bytes, at))
            return at;
    }
    for (const auto at : candidates) {
        if (IsChunkHeader(bytes, at))
            return at;
    }
    const auto found = searchFrom < bytes.size() ? bytes.find("MTrk", searchFrom) : kNone;
    return found != kNone && IsTrackHeader(bytes, found) ? found : kNone;
}

enum class Stop {
    Continue,
    EndOfTrack,
    Limit,        // reached the end of the bytes it was given, between events
    CutShort,     // an event runs past the end of the bytes it was given
    Unreadable,   // bytes that are no event
    TrackHeader,  // a track chunk starts here
};

// Reads the events of one track into the song (or, without `keep`, only counts them). Several reads
// may follow one another over the same track, and a read can be taken back (Save, Restore) when it
// went somewhere it should not have.
class TrackReader {
  public:
    TrackReader(std::string_view bytes, SmfSong& song, SmfSong::Track& track, bool keep)
        : bytes_(bytes), song_(song), track_(track), keep_(keep), tick_(track.startTick) {}

    // Reads from pos until an End of Track, the limit, or something that stops it; pos is left after
    // the last whole event. With stopAtTrackHeader the read also stops where a track chunk starts.
    Stop Read(std::size_t& pos, std::size_t limit, bool stopAtTrackHeader) {
        while (pos < limit) {
            if (stopAtTrackHeader && IsTrackHeader(bytes_, pos))
                return Stop::TrackHeader;
            const Stop stop = ReadEvent(pos, limit);
            if (stop != Stop::Continue)
                return stop;
        }
        return Stop::Limit;
    }

    // Reads the one event at pos, as Read would.
    Stop Step(std::size_t& pos, std::size_t limit) {
        return pos < limit ? ReadEvent(pos, limit) : Stop::Limit;
    }

    struct Mark {
        std::size_t events;
        std::size_t payload;
        std::size_t payloadPlaces;
        std::size_t eventCount;
        std::size_t payloadBytes;
        std::uint32_t lastKeptTick;
        std::uint64_t tick;
        std::uint8_t runningStatus;
        bool sysexOpen;
        std::string sysex;
        std::uint64_t sysexTick;
    };
    Mark Save() const {
        return {track_.events.size(),
                song_.payload.size(),
                song_.payloadPlaces.size(),
                eventCount_,
                payloadBytes_,
                lastKeptTick_,
                tick_,
                runningStatus_,
                sysexOpen_,
                sysex_,
                sysexTick_};
    }
    void Restore(const Mark& mark) {
        track_.events.resize(mark.events);
        song_.payload.resize(mark.payload);
        song_.payloadPlaces.resize(mark.payloadPlaces);
        eventCount_ = mark.eventCount;
        payloadBytes_ = mark.payloadBytes;
        lastKeptTick_ = mark.lastKeptTick;
        tick_ = mark.tick;
        runningStatus_ = mark.runningStatus;
        sysexOpen_ = mark.sysexOpen;
        sysex_ = mark.sysex;
        sysexTick_ = mark.sysexTick;
    }

    // Ends the track at its End of Track, or at the last thing read.
    void Finish() {
        FlushSysEx();
        track_.endTick = static_cast<std::uint32_t>(tick_);
        track_.eventCount = eventCount_;
        track_.payloadBytes = payloadBytes_;
    }

    std::size_t ProblemAt() const { return problemAt_; }
    const char* Problem() const { return problem_; }
    // Whether the track holds an event besides its End of Track.
    bool HasEvents() const { return eventCount_ > 0; }

  private:
    // Every event read goes through here; `bytes` are a meta or system-exclusive event's own.
    void Keep(SmfEvent event, std::string_view bytes = {}) {
        ++eventCount_;
        payloadBytes_ += bytes.size();
        lastKeptTick_ = event.tick;
        if (!keep_)
            return;
        if (event.status == SmfEvent::kMeta || event.status == SmfEvent::kSysEx)
            event.payload = song_.AddPayload(bytes);
        track_.events.push_back(event);
    }

    std::uint8_t Byte(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }

    Stop Unreadable(std::size_t at, const char* what) {
        problemAt_ = at;
        problem_ = what;
        return Stop::Unreadable;
    }

    Stop ReadVarLen(std::size_t& pos, std::size_t limit, std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos >= limit)
                return Stop::CutShort;
            const auto byte = Byte(pos++);
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80) == 0)
                return Stop::Continue;
        }
        return Unreadable(pos - 4, "４バイトを超える可変長数値");
    }

    // Reads one event at pos; pos moves past it only when it was read whole.
    Stop ReadEvent(std::size_t& pos, std::size_t limit) {
        std::size_t p = pos;
        std::uint32_t delta = 0;
        if (const Stop stop = ReadVarLen(p, limit, delta); stop != Stop::Continue)
            return stop;
        const std::uint64_t tick = tick_ + delta;
        if (tick > kMaxTick)
            return Unreadable(pos, "2^31 ティックを超える時刻");
        if (p >= limit)
            return Stop::CutShort;

        std::uint8_t status = Byte(p);
        if (status < 0x80) {
            if (runningStatus_ == 0)
                return Unreadable(p, "ステータスのないデータバイト");
            status = runningStatus_;
        } else {
            ++p;
        }

        Stop stop = Stop::Continue;
        if (status < 0xF0) {
            stop = ReadChannelMessage(p, limit, status, tick);
        } else if (status == SmfEvent::kMeta) {
            stop = ReadMeta(p, limit, tick);
        } else if (status == 0xF0 || status == 0xF7) {
            stop = ReadSysEx(p, limit, status, tick);
        } else {
            // System common and real-time messages have no place in a file; they are stepped over
            // with their data bytes, and running status goes on past them.
            const std::size_t count = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
            if (limit - p < count)
                return Stop::CutShort;
            for (std::size_t i = 0; i < count; ++i) {
                if (Byte(p + i) >= 0x80)
                    return Unreadable(p + i, "システムメッセージの途中のステータスバイト");
            }
            p += count;
        }
        if (stop != Stop::Continue && stop != Stop::EndOfTrack)
            return stop;
        tick_ = tick;
        pos = p;
        return stop;
    }

    Stop ReadChannelMessage(std::size_t& p, std::size_t limit, std::uint8_t status, std::uint64_t tick) {
        const std::size_t count = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change, channel pressure
        if (limit - p < count)
            return Stop::CutShort;
        SmfEvent event;
        event.tick = static_cast<std::uint32_t>(tick);
        event.status = status;
        event.data1 = Byte(p);
        event.data2 = count == 2 ? Byte(p + 1) : 0;
        if (event.data1 >= 0x80 || event.data2 >= 0x80)
            return Unreadable(p, "メッセージの途中のステータスバイト");
        p += count;
        runningStatus_ = status;
        FlushSysEx();
        Keep(event);
        return Stop::Continue;
    }

    Stop ReadMeta(std::size_t& p, std::size_t limit, std::uint64_t tick) {
        if (p >= limit)
            return Stop::CutShort;
        const auto type = Byte(p++);
        std::uint32_t length = 0;
        const Stop stop = ReadVarLen(p, limit, length);
        if (type == kMetaEndOfTrack && stop != Stop::Unreadable) {
            // An End of Track says all it has to say by its type; a length byte that is missing or
            // wrong changes nothing.
            p = std::min<std::size_t>(limit, p + (stop == Stop::Continue ? length : 0));
            FlushSysEx();
            return Stop::EndOfTrack;
        }
        if (stop != Stop::Continue)
            return stop;
        if (limit - p < length)
            return Stop::CutShort;
        SmfEvent event;
        event.tick = static_cast<std::uint32_t>(tick);
        event.status = SmfEvent::kMeta;
        event.data1 = type;
        Keep(event, bytes_.substr(p, length));
        p += length;
        return Stop::Continue;
    }

    // A system-exclusive message may come in packets: F0 with the first part, then F7 events with
    // the rest, the last ending in F7. The message counts from its last packet, when a module would
    // have all of it. An F7 event that continues nothing is an escape for bytes sent as they are;
    // only a whole system-exclusive message sent that way is kept.
    Stop ReadSysEx(std::size_t& p, std::size_t limit, std::uint8_t status, std::uint64_t tick) {
        std::uint32_t length = 0;
        if (const Stop stop = ReadVarLen(p, limit, length); stop != Stop::Continue)
            return stop;
        if (limit - p < length)
            return Stop::CutShort;
        auto data = bytes_.substr(p, length);
        p += length;
        if (status == 0xF0) {
            FlushSysEx();
            sysexOpen_ = true;
        } else if (!sysexOpen_) {
            if (data.empty() || static_cast<unsigned char>(data.front()) != 0xF0)
                return Stop::Continue;
            data.remove_prefix(1);
            sysexOpen_ = true;
        }
        sysex_.append(data);
        sysexTick_ = tick;
        if (!data.empty() && static_cast<unsigned char>(data.back()) == 0xF7) {
            sysex_.pop_back();
            FlushSysEx();
        }
        return Stop::Continue;
    }

    // Keeps the open system-exclusive message as it stands, when it is whole or nothing more of it
    // can follow.
    void FlushSysEx() {
        if (!sysexOpen_)
            return;
        sysexOpen_ = false;
        if (sysex_.empty())
            return;
        SmfEvent event;
        // Meta events between the packets are already kept; the message may not go before them.
        event.tick = static_cast<std::uint32_t>(std::max<std::uint64_t>(sysexTick_, lastKeptTick_));
        event.status = SmfEvent::kSysEx;
        Keep(event, sysex_);
        sysex_.clear();
    }

    std::string_view bytes_;
    SmfSong& song_;
    SmfSong::Track& track_;
    const bool keep_;
    std::size_t eventCount_ = 0;
    std::size_t payloadBytes_ = 0;
    std::uint32_t lastKeptTick_ = 0;
    std::uint64_t tick_;
    std::uint8_t runningStatus_ = 0;
    bool sysexOpen_ = false;
    std::string sysex_;
    std::uint64_t sysexTick_ = 0;
    std::size_t problemAt_ = 0;
    const char* problem_ = nullptr;
};

struct ChunkRead {
    std::size_t next = kNone;  // where the next chunk starts
    // Where the bytes of the events kept end: they run from the chunk's data to here.
    std::size_t eventsEnd = 0;
    bool ended = false;      // the track has its End of Track
    bool cutByFile = false;  // the file ends inside an event of the track
    std::size_t problemAt = 0;
    const char* problem = nullptr;  // bytes inside the track that are no event
};

// Reads the track chunk at `chunk`. Its declared length is believed while it agrees with the events;
// when the events go on past it, they are read on to their End of Track.
ChunkRead ReadTrackChunk(std::string_view bytes, std::size_t chunk, TrackReader& reader) {
    const std::size_t begin = chunk + 8;
    const std::size_t declaredEnd = begin + BigEndian(bytes, chunk + 4, 4);
    const std::size_t limit = std::min(declaredEnd, bytes.size());
    std::size_t pos = begin;
    const Stop stop = reader.Read(pos, limit, false);

    ChunkRead read;
    read.eventsEnd = pos;
    if (stop == Stop::EndOfTrack) {
        read.ended = true;
        read.next = NextChunk(bytes, {declaredEnd, pos}, pos);
        return read;
    }
    if ((stop == Stop::Limit || stop == Stop::CutShort) && declaredEnd < bytes.size() &&
        !IsChunkHeader(bytes, declaredEnd)) {
        // The declared length ends inside the events. Reading on is right when it leads to an End of
        // Track; otherwise what follows the declared end is not this track's.
        const auto mark = reader.Save();
        std::size_t on = pos;
        const Stop further = reader.Read(on, bytes.size(), true);
        if (further == Stop::EndOfTrack) {
            read.ended = true;
            read.eventsEnd = on;
            read.next = NextChunk(bytes, {on}, on);
            return read;
        }
        reader.Restore(mark);
        read.cutByFile = further == Stop::CutShort;
        read.next = NextChunk(bytes, {declaredEnd}, declaredEnd);
        return read;
    }
    switch (stop) {
        case Stop::Limit:
            read.cutByFile = declaredEnd > bytes.size();
            break;
        case Stop::CutShort:
            // Cut by the end of the file, or by a declared end after which the next chunk starts.
            read.cutByFile = declaredEnd >= bytes.size();
            break;
        case Stop::Unreadable:
            read.problemAt = reader.ProblemAt();
            read.problem = reader.Problem();
            break;
        default:
            break;
    }
    read.next = NextChunk(bytes, {declaredEnd}, pos);
    return read;
}

SmfReadResult Refused(SmfProblem problem, std::size_t offset, const char* detail) {
    SmfReadResult result;
    result.problem = problem;
    result.offset = offset;
    result.detail = Sjis(detail);
    return result;
}

}  // namespace

std::uint32_t SmfSong::LastTick() const {
    std::uint32_t last = 0;
    for (const auto& track : tracks) last = std::max(last, track.endTick);
    return last;
}

void ReadSmfInto(std::string_view bytes, SmfReadResult& out, SmfDetail keeping) {
    const bool keep = keeping == SmfDetail::Events;
    // The event lists of the song read before keep their room for this one.
    std::vector<std::vector<SmfEvent>> spare;
    spare.reserve(out.song.tracks.size());
    for (auto& track : out.song.tracks) spare.push_back(std::move(track.events));
    std::string payload = std::move(out.song.payload);
    payload.clear();
    auto places = std::move(out.song.payloadPlaces);
    places.clear();
    out = SmfReadResult();
    out.song.payload = std::move(payload);
    out.song.payloadPlaces = std::move(places);
    const auto refuse = [&out](SmfProblem problem, std::size_t offset, const char* detail) {
        out = Refused(problem, offset, detail);
    };

    if (bytes.size() < 4 || bytes.substr(0, 4) != "MThd")
        return refuse(SmfProblem::NoHeader, 0, "先頭に MThd がありません");
    if (bytes.size() > kMaxInput)
        return refuse(SmfProblem::Unsupported, 0, "1 GB を超えています");
    if (bytes.size() < kHeaderEnd)
        return refuse(SmfProblem::Truncated, bytes.size(), "ヘッダーの途中でファイルが終わっています");
    const std::uint32_t headerLength = BigEndian(bytes, 4, 4);
    if (headerLength < 6)
        return refuse(SmfProblem::Corrupt, 4, "ヘッダーが６バイトより短い");
    const std::uint32_t trackCount = BigEndian(bytes, 10, 2);
    if (trackCount == 0)
        return refuse(SmfProblem::Corrupt, 10, "トラック数が０です");

    SmfSong& song = out.song;
    song.format = static_cast<int>(BigEndian(bytes, 8, 2));
    const std::uint32_t division = BigEndian(bytes, 12, 2);
    if (division & 0x8000) {
        // SMPTE time: frames a second (negated) and ticks a frame. Played as ticks per quarter
        // note with one quarter note a second; 29 stands for 29.97 frames a second, whose 30
        // frames last 1.001001 s.
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        const int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (ticksPerFrame == 0)
            return refuse(SmfProblem::Corrupt, 12, "分解能が０です");
        song.division = (framesPerSecond == 29 ? 30 : framesPerSecond) * ticksPerFrame;
        song.fixedTempo = framesPerSecond == 29 ? 1001001 : 1000000;
    } else {
        if (division == 0)
            return refuse(SmfProblem::Corrupt, 12, "分解能が０です");
        song.division = static_cast<int>(division);
    }

    std::size_t pos = NextChunk(bytes, {std::size_t{8} + headerLength, kHeaderEnd}, kHeaderEnd);
    std::size_t reserveBudget = bytes.size() / 2;
    std::uint32_t tracksRead = 0;
    // A song needs no note to be one: a track with meta events only, or only its End of Track, plays as
    // silence for its length.
    bool playable = false;
    bool cutByFile = false;
    std::size_t problemAt = 0;
    const char* problem = nullptr;
    while (tracksRead < trackCount && pos != kNone) {
        const std::size_t declaredEnd = pos + 8 + BigEndian(bytes, pos + 4, 4);
        if (!IsTrackHeader(bytes, pos)) {
            pos = NextChunk(bytes, {declaredEnd}, pos + 8);
            continue;
        }
        ++tracksRead;
        auto& track = song.tracks.emplace_back();
        if (!spare.empty()) {
            track.events = std::move(spare.back());
            track.events.clear();
            spare.pop_back();
        }
        if (song.format == 2 && song.tracks.size() > 1)
            track.startTick = song.tracks[song.tracks.size() - 2].endTick;
        // An event that is kept takes two bytes at least (a delta time and a data byte under running
        // status); room for that many is never outgrown, so a dense track is not copied as it grows.
        // Lengths that claim more than the file holds must not make the tracks together reserve
        // more than that.
        if (keep) {
            const std::size_t expected =
                std::min((std::min(declaredEnd, bytes.size()) - pos) / 2, reserveBudget);
            track.events.reserve(expected);
            reserveBudget -= expected;
        }
        TrackReader reader(bytes, song, track, keep);
        const ChunkRead read = ReadTrackChunk(bytes, pos, reader);
        reader.Finish();
        track.begin = pos + 8;
        track.end = read.eventsEnd;
        playable = playable || reader.HasEvents() || read.ended;
        cutByFile = cutByFile || read.cutByFile;
        if (read.problem && !problem) {
            problem = read.problem;
            problemAt = read.problemAt;
        }
        pos = read.next;
    }

    if (playable)
        return;
    if (problem)
        return refuse(SmfProblem::Corrupt, problemAt, problem);
    if (tracksRead == 0) {
        if (bytes.size() - kHeaderEnd < 8)
            return refuse(SmfProblem::Truncated, bytes.size(),
                          "最初のトラックの前でファイルが終わっています");
        return refuse(SmfProblem::Corrupt, kHeaderEnd, "トラック（MTrk）がありません");
    }
    if (cutByFile || tracksRead < trackCount)
        return refuse(SmfProblem::Truncated, bytes.size(), "最初のイベントの前でファイルが終わっています");
    return refuse(SmfProblem::Unsupported, kHeaderEnd, "イベントのあるトラックがありません");
}

SmfReadResult ReadSmf(std::string_view bytes) {
    SmfReadResult result;
    ReadSmfInto(bytes, result);
    return result;
}

// The track is read again over the run of bytes its events were kept from, so the reader meets the
// same bytes in the same state and stops at the run's end. Each step reads one event of the file,
// which gives none (a stray system byte, a packet of an unfinished message) or up to two (a message
// finished by what follows it, and that); they wait in a one-track song of their own.
struct SmfTrackEvents::Reading {
    Reading(std::string_view bytes, const SmfSong& song, std::size_t track) : pos(song.tracks[track].begin) {
        held.tracks.resize(1);
        held.tracks[0].startTick = song.tracks[track].startTick;
        end = song.tracks[track].end;
        reader = std::make_unique<TrackReader>(bytes, held, held.tracks[0], true);
    }

    void Fill() {
        auto& events = held.tracks[0].events;
        events.clear();
        held.payload.clear();
        held.payloadPlaces.clear();
        at = 0;
        while (events.empty() && !finished) {
            if (reader->Step(pos, end) != Stop::Continue) {
                reader->Finish();
                finished = true;
            }
        }
    }

    SmfSong held;
    std::unique_ptr<TrackReader> reader;  // refers to `held`, which therefore never moves
    std::size_t pos;
    std::size_t end;
    std::size_t at = 0;
    bool finished = false;
};

SmfTrackEvents::SmfTrackEvents(std::string_view bytes, const SmfSong& song, std::size_t track)
    : reading_(std::make_unique<Reading>(bytes, song, track)) {
    reading_->Fill();
}
SmfTrackEvents::SmfTrackEvents(SmfTrackEvents&&) noexcept = default;
SmfTrackEvents& SmfTrackEvents::operator=(SmfTrackEvents&&) noexcept = default;
SmfTrackEvents::~SmfTrackEvents() = default;

bool SmfTrackEvents::AtEnd() const {
    return reading_->at == reading_->held.tracks[0].events.size();
}

const SmfEvent& SmfTrackEvents::Event() const {
    return reading_->held.tracks[0].events[reading_->at];
}

std::string_view SmfTrackEvents::Payload() const {
    return reading_->held.Payload(Event());
}

void SmfTrackEvents::Next() {
    if (++reading_->at == reading_->held.tracks[0].events.size())
        reading_->Fill();
}

namespace {

// One track of events, written with delta times straight into the file's bytes; running status
// only between channel messages, since some readers take a meta or system-exclusive event's status
// as running status.
class TrackWriter {
  public:
    // Writes from the end of out, which it grows as needed and cuts to what was written by Finish.
    TrackWriter(std::string& out, std::size_t expectedSize) : out_(out), at_(out.size()) {
        out_.resize(at_ + expectedSize + kRoom);
    }

    void Channel(const SmfEvent& event) {
        char* p = Room(kRoom);
        p = Delta(p, event.tick);
        if (event.status != runningStatus_)
            *p++ = static_cast<char>(event.status);
        *p++ = static_cast<char>(event.data1);
        if ((event.status & 0xE0) != 0xC0)  // all but program change and channel pressure
            *p++ = static_cast<char>(event.data2);
        Commit(p);
        runningStatus_ = event.status;
    }

    void SysEx(std::uint32_t tick, std::string_view data) {
        char* p = Room(kRoom + data.size());
        p = Delta(p, tick);
        *p++ = '\xF0';
        p = VarLen(p, static_cast<std::uint32_t>(data.size() + 1));
        p = std::copy(data.begin(), data.end(), p);
        *p++ = '\xF7';
        Commit(p);
        runningStatus_ = 0;
    }

    void Tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter) {
        char* p = Delta(Room(kRoom), tick);
        for (const int byte : {0xFF, kMetaTempo, 3}) *p++ = static_cast<char>(byte);
        for (const int shift : {16, 8, 0}) *p++ = static_cast<char>(microsecondsPerQuarter >> shift);
        Commit(p);
        runningStatus_ = 0;
    }

    // Writes the End of Track and returns the length of the track's data.
    std::size_t Finish(std::uint32_t tick) {
        char* p = Delta(Room(kRoom), tick);
        for (const int byte : {0xFF, kMetaEndOfTrack, 0}) *p++ = static_cast<char>(byte);
        Commit(p);
        out_.resize(at_);
        return written_;
    }

  private:
    // Enough for any event but a system-exclusive message's data: a pause bridged as below (eight
    // events of seven bytes), a delta time of four, an event of six.
    static constexpr std::size_t kRoom = 80;

    char* Room(std::size_t count) {
        if (out_.size() - at_ < count)
            out_.resize(std::max(out_.size() + out_.size() / 2, at_ + count));
        return out_.data() + at_;
    }

    void Commit(char* end) {
        const auto count = static_cast<std::size_t>(end - (out_.data() + at_));
        at_ += count;
        written_ += count;
    }

    static char* VarLen(char* p, std::uint32_t value) {
        if (value < 0x80) {
            *p++ = static_cast<char>(value);
            return p;
        }
        int shift = 21;
        while ((value >> shift) == 0) shift -= 7;
        for (; shift > 0; shift -= 7) *p++ = static_cast<char>(0x80 | ((value >> shift) & 0x7F));
        *p++ = static_cast<char>(value & 0x7F);
        return p;
    }

    char* Delta(char* p, std::uint32_t tick) {
        std::uint32_t delta = tick > tick_ ? tick - tick_ : 0;
        tick_ = std::max(tick, tick_);
        // A pause longer than one delta time can hold (2^31 ticks need at most eight) is bridged by
        // empty sequencer-specific events, which players step over.
        while (delta > kMaxDelta) {
            p = VarLen(p, kMaxDelta);
            for (const int byte : {0xFF, 0x7F, 0}) *p++ = static_cast<char>(byte);
            runningStatus_ = 0;
            delta -= kMaxDelta;
        }
        return VarLen(p, delta);
    }

    std::string& out_;
    std::size_t at_;
    std::size_t written_ = 0;
    std::uint32_t tick_ = 0;
    std::uint8_t runningStatus_ = 0;
};

}  // namespace

std::string WritePlayableSmf(const SmfSong& song) {
    std::string out;
    WritePlayableSmfInto(song, out);
    return out;
}

void WritePlayableSmfInto(const SmfSong& song, std::string& out) {
    std::size_t events = 0;
    for (const auto& track : song.tracks) events += track.events.size();
    out.assign("MThd\0\0\0\x06\0\0\0\x01", 12);
    out += static_cast<char>(song.division >> 8);
    out += static_cast<char>(song.division & 0xFF);
    const std::size_t trackStart = out.size();
    out.append("MTrk\0\0\0\0", 8);

    // Channel messages take four bytes at most, mostly fewer.
    TrackWriter writer(out, events * 4 + song.payload.size());
    ForEachPlayedEvent(song, writer);
    const auto length = static_cast<std::uint32_t>(writer.Finish(song.LastTick()));
    for (int i = 0; i < 4; ++i) out[trackStart + 4 + i] = static_cast<char>(length >> (24 - 8 * i));
}

bool IsModuleReset(std::string_view data) {
    if (!data.empty() && static_cast<unsigned char>(data.back()) == 0xF7)
        data.remove_suffix(1);
    auto matches = [&data](std::string_view pattern) {
        if (data.size() != pattern.size())
            return false;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i != 1 && data[i] != pattern[i])
                return false;  // byte 1 is the device number
        }
        return true;
    };
    using namespace std::string_view_literals;
    return matches("\x7E\x7F\x09\x01"sv)                          // GM System On
           || matches("\x41\x10\x42\x12\x40\x00\x7F\x00\x41"sv)   // GS reset
           || matches("\x41\x10\x42\x12\x00\x00\x7F\x00\x01"sv)   // SC-88 mode set: single module
           || matches("\x41\x10\x42\x12\x00\x00\x7F\x01\x00"sv);  // SC-88 mode set: double module
}

}  // namespace korva

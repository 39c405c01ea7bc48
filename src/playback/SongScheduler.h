#pragma once
// Sends a song's events, in their order, as the time of playing reaches them: whoever plays the song
// keeps the time (in rendered frames, or by a clock) and asks for what is due before a time; the
// scheduler keeps the place of the next event and sends through a sink. Tempo changes are in the
// events' times already (SongSequence works them out).
//
// It holds no thread and no lock: the caller gives it its turns. Pausing is asking for nothing
// while paused: the next event stays where it is, so nothing is lost or sent twice. Stopping keeps
// the place the sound heard has reached (Seek), and a song played again from its start rewinds.

#include <cstdint>

#include "playback/MidiSink.h"
#include "playback/SongSequence.h"

namespace korva {

class SongScheduler {
  public:
    static constexpr std::uint64_t kNever = ~std::uint64_t{0};

    // The song to send from its start, or none; the sequence must outlive its use here.
    void SetSong(const SongSequence* song) {
        song_ = song;
        Rewind();
    }
    const SongSequence* Song() const { return song_; }
    bool HasSong() const { return song_ != nullptr; }

    // Back to the song's first event.
    void Rewind() { next_ = song_ ? song_->Begin() : SongSequence::Position(); }
    // The next event becomes the first whose time is `time` or later: what lies before it counts
    // as sent.
    void Seek(std::uint64_t time) { next_ = song_ ? song_->Find(time) : SongSequence::Position(); }

    // Sends the events whose time lies before `before`, at most `budget` of them (counted down);
    // true when none before it is left unsent.
    bool SendDue(std::uint64_t before, long& budget, MidiSink& sink) {
        for (; !next_.AtEnd() && next_.Event().time < before && budget > 0; next_.Next(), --budget)
            Send(next_.Event(), sink);
        return next_.AtEnd() || next_.Event().time >= before;
    }

    // The time of the next event to send, kNever when every event has been sent.
    std::uint64_t NextTime() const { return next_.AtEnd() ? kNever : next_.Event().time; }
    bool AllSent() const { return next_.AtEnd(); }
    // The time the song ends at (its last tick), 0 without a song.
    std::uint64_t EndTime() const { return song_ ? song_->EndTime() : 0; }
    // The song's tick at a time of playing, 0 without a song.
    std::uint32_t TickAt(std::uint64_t time) const { return song_ ? song_->TickAt(time) : 0; }

    static void Send(const TimedEvent& event, MidiSink& sink) {
        if (event.status >= 0x80 && event.status < 0xF0)
            sink.ChannelMessage(event.status, event.data1, event.data2);
        else
            sink.SysEx(event.sysex);
    }

  private:
    const SongSequence* song_ = nullptr;
    SongSequence::Position next_;
};

}  // namespace korva

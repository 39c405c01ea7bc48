#include "QuirkySmf.h"

#include "SmfWriter.h"

namespace korva::testing {
namespace {

// At 120 quarter notes a minute and 480 ticks a quarter, a second has 960 ticks.
constexpr double kTicksPerSecond = 960;

// Two notes of a quarter each, a half note apart: the body of most of the files.
SmfTrack& TwoNotes(SmfTrack& track, int key = 60) {
    return track.Note(0, 240, 0, key).Note(480, 240, 0, key + 4);
}

QuirkySmf Plain(const char* name, std::string bytes, std::vector<std::pair<std::uint32_t, int>> notes,
                std::uint32_t lastTick) {
    return {name, std::move(bytes), std::move(notes), lastTick, lastTick / kTicksPerSecond};
}

}  // namespace

std::vector<QuirkySmf> QuirkySmfFiles() {
    std::vector<QuirkySmf> files;
    const std::vector<std::pair<std::uint32_t, int>> twoNotes{{0, 60}, {480, 64}};
    {
        SmfWriter writer(1, 480);
        writer.AddChunk("XFIH", Bytes({1, 2, 3}));
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("UnknownChunkBeforeTheTracks", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000);
        writer.AddChunk("XFKM", Bytes({0x4D, 0x54, 0x72, 0x6B, 0}));
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("UnknownChunkBetweenTheTracks", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack());
        writer.AddChunk("junk", std::string(40, '\x90'));
        files.push_back(Plain("UnknownChunkAfterTheTracks", writer.Bytes(), twoNotes, 720));
    }
    {
        // Song position, song select, quarter frame, tune request and the undefined F4 and F5, the
        // note off after them in running status.
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .NoteOn(0, 0, 60, 100)
            .Event(60, Bytes({0xF2, 0x01, 0x02}))
            .Event(80, Bytes({0xF3, 0x05}))
            .Event(100, Bytes({0xF1, 0x10}))
            .Event(120, Bytes({0xF6}))
            .Event(140, Bytes({0xF4}))
            .Event(160, Bytes({0xF5}))
            .Event(240, Bytes({60, 0}))
            .Note(480, 240, 0, 64);
        files.push_back(Plain("SystemCommonMessagesInATrack", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .Event(0, Bytes({0xFA}))
            .NoteOn(0, 0, 60, 100)
            .Event(24, Bytes({0xF8}))
            .Event(48, Bytes({0xF8}))
            .Event(100, Bytes({0xFE}))
            .Event(240, Bytes({60, 0}))
            .Event(300, Bytes({0xFB}))
            .Note(480, 240, 0, 64)
            .Event(720, Bytes({0xFC}));
        files.push_back(Plain("RealTimeBytesInATrack", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .NoteOn(0, 0, 60, 100)
            .Text(120, "running status goes on")
            .Event(240, Bytes({60, 0}))
            .Tempo(480, 500000)
            .Event(480, Bytes({64, 100}))
            .Event(720, Bytes({64, 0}));
        files.push_back(Plain("RunningStatusOverAMetaEvent", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .NoteOn(0, 0, 60, 100)
            .SysEx(120, Bytes({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}))
            .Event(240, Bytes({60, 0}))
            .Event(480, Bytes({64, 100}))
            .Event(720, Bytes({64, 0}));
        files.push_back(Plain("RunningStatusOverASysEx", writer.Bytes(), twoNotes, 720));
    }
    {
        // The file lacks the End of Track's last byte, so the track claims one byte more than it has.
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack()).EndAt(960);
        const auto whole = writer.Bytes();
        files.push_back(Plain("LastByteMissing", Truncated(whole, whole.size() - 1), twoNotes, 960));
    }
    {
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000).EndAt(100).DeclaredLengthOff(0x10000);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("TrackLengthPastTheEndOfTheFile", writer.Bytes(), twoNotes, 720));
    }
    {
        // The declared length ends inside the second note on; the track goes on to 1440.
        SmfWriter writer(1, 480);
        TwoNotes(writer.AddTrack()).EndAt(1440).DeclaredLengthOff(-12);
        writer.AddTrack().Note(960, 240, 1, 67);
        files.push_back(
            Plain("TrackShorterThanItsEvents", writer.Bytes(), {{0, 60}, {480, 64}, {960, 67}}, 1440));
    }
    {
        SmfWriter writer(1, 480);
        TwoNotes(writer.AddTrack()).DeclaredLengthOff(7);
        writer.AddTrack().Note(960, 240, 1, 67);
        files.push_back(
            Plain("TrackLongerThanItsEvents", writer.Bytes(), {{0, 60}, {480, 64}, {960, 67}}, 1200));
    }
    {
        // Cut inside the last note off: the note off is lost, the song ends with the note's start.
        SmfWriter writer(0, 480);
        TwoNotes(writer.AddTrack()).WithoutEndOfTrack();
        const auto whole = writer.Bytes();
        files.push_back(Plain("LastEventCutShort", Truncated(whole, whole.size() - 1), twoNotes, 480));
    }
    {
        SmfWriter writer(0, 480);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("BytesAfterTheLastChunk", writer.Bytes() + Bytes({0, 0x90, 0x3C, 0x7F, 0x1A}),
                              twoNotes, 720));
    }
    {
        SmfWriter writer(1, 480);
        writer.AddTrack().Tempo(0, 500000).Note(0, 240, 0, 60).WithoutEndOfTrack();
        writer.AddTrack().Note(480, 240, 1, 64);
        files.push_back(Plain("TrackWithoutEndOfTrack", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(1, 480);
        writer.HeaderLength(10);
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("HeaderLongerThanSix", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(1, 480);
        std::vector<std::pair<std::uint32_t, int>> notes;
        for (int i = 0; i < 130; ++i) {
            const auto tick = static_cast<std::uint32_t>(i * 4);
            const int key = 48 + i % 24;
            writer.AddTrack().Note(tick, 4, i % 9, key);
            notes.emplace_back(tick, key);
        }
        files.push_back(Plain("MoreThan128Tracks", writer.Bytes(), notes, 520));
    }
    {
        SmfWriter writer(1, 480);
        writer.DeclaredTracks(3);
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("HeaderPromisesATrackThatIsMissing", writer.Bytes(), twoNotes, 720));
    }
    {
        SmfWriter writer(3, 480);
        writer.AddTrack().Tempo(0, 500000);
        TwoNotes(writer.AddTrack());
        files.push_back(Plain("FormatThree", writer.Bytes(), twoNotes, 720));
    }
    {
        // Played one after another, each track at its own tempo: 240 ticks at 250000 us a quarter,
        // 480 at the starting tempo, 240 at 1000000.
        SmfWriter writer(2, 480);
        writer.AddTrack().Tempo(0, 250000).Note(0, 240, 0, 60);
        writer.AddTrack().Note(0, 480, 0, 64);
        writer.AddTrack().Tempo(0, 1000000).Note(0, 240, 0, 67);
        files.push_back(
            {"FormatTwo", writer.Bytes(), {{0, 60}, {240, 64}, {720, 67}}, 960, 0.125 + 0.5 + 0.5});
    }
    {
        // 25 frames a second of 40 ticks: 1000 ticks a second, whatever the tempo events say.
        SmfWriter writer(0, SmpteDivision(25, 40));
        writer.AddTrack().Tempo(0, 250000).Note(0, 500, 0, 60).Note(1000, 500, 0, 64);
        files.push_back({"SmpteTime", writer.Bytes(), {{0, 60}, {1000, 64}}, 1500, 1.5});
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .DividedSysEx(0, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), 4, 10)
            .Note(20, 240, 0, 60)
            .Note(480, 240, 0, 64);
        files.push_back(Plain("DividedSysEx", writer.Bytes(), {{20, 60}, {480, 64}}, 720));
    }
    {
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .Event(0, Bytes({0xF7, 0x06, 0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}))
            .Event(0, Bytes({0xF7, 0x02, 0xF8, 0xFA}))
            .Note(0, 240, 0, 60)
            .Note(480, 240, 0, 64);
        files.push_back(Plain("EscapedBytes", writer.Bytes(), twoNotes, 720));
    }
    {
        // A tempo of two bytes and an End of Track with a byte of data.
        SmfWriter writer(0, 480);
        writer.AddTrack()
            .Meta(0, 0x51, Bytes({0x03, 0xD0}))
            .Note(0, 240, 0, 60)
            .Note(480, 240, 0, 64)
            .Meta(960, 0x2F, Bytes({0}))
            .WithoutEndOfTrack();
        files.push_back(Plain("MetaEventsOfTheWrongLength", writer.Bytes(), twoNotes, 960));
    }
    {
        // The second track turns into garbage after its first note; the first note is kept.
        SmfWriter writer(1, 480);
        writer.AddTrack().Note(0, 240, 0, 60);
        writer.AddTrack().Note(480, 240, 1, 64).Event(960, Bytes({0x81, 0x82, 0x83, 0x84, 0x85}));
        files.push_back(Plain("UnreadableRestOfATrack", writer.Bytes(), twoNotes, 720));
    }
    return files;
}

}  // namespace korva::testing

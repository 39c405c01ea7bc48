#include "platform/PortNotes.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/MidiPortConnection.h"

namespace korva {
namespace {

using Message = std::tuple<int, int, int>;

std::vector<Message> Collect(const std::function<void(const PortNotes::Send&)>& run) {
    std::vector<Message> sent;
    run([&sent](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) { sent.emplace_back(s, d1, d2); });
    return sent;
}

std::vector<Message> SoundOffAndResetOnEveryChannel() {
    std::vector<Message> messages;
    for (int c = 0; c < 16; ++c) {
        messages.emplace_back(0xB0 | c, 120, 0);
        messages.emplace_back(0xB0 | c, 121, 0);
    }
    return messages;
}

TEST(PortNotesTest, SilenceReleasesExactlyTheNotesStillHeldThenSoundOffAndResetEverywhere) {
    PortNotes notes;
    notes.Track(0x90, 60, 100);
    notes.Track(0x90, 62, 100);
    notes.Track(0x80, 60, 64);   // released by a note-off
    notes.Track(0x95, 40, 90);
    notes.Track(0x95, 41, 90);
    notes.Track(0x95, 41, 0);    // velocity 0 is a note-off
    notes.Track(0x9F, 127, 1);
    notes.Track(0x85, 99, 0);    // a note-off for a note never held changes nothing
    EXPECT_TRUE(notes.AnyHeld());

    std::vector<Message> expected{{0x80, 62, 0}, {0x85, 40, 0}, {0x8F, 127, 0}};
    for (const auto& message : SoundOffAndResetOnEveryChannel()) expected.push_back(message);
    EXPECT_EQ(Collect([&](const auto& send) { notes.Silence(send); }), expected);

    notes.Clear();
    EXPECT_FALSE(notes.AnyHeld());
    EXPECT_EQ(Collect([&](const auto& send) { notes.Silence(send); }), SoundOffAndResetOnEveryChannel());
    EXPECT_TRUE(Collect([&](const auto& send) { notes.Restore(send); }).empty());
}

TEST(PortNotesTest, RestoreSendsTheLastSetControllersThenTheHeldNotes) {
    PortNotes notes;
    notes.Track(0xB2, 1, 20);
    notes.Track(0xB2, 1, 30);     // the last value counts
    notes.Track(0xB2, 7, 100);    // channel volume is not taken back by Reset All Controllers
    notes.Track(0xB2, 11, 90);
    notes.Track(0xB2, 64, 127);
    notes.Track(0xB2, 67, 64);
    notes.Track(0xE2, 0x12, 0x34);
    notes.Track(0xD2, 77, 0);
    notes.Track(0x92, 50, 33);
    notes.Track(0xB4, 64, 127);
    notes.Track(0xB4, 121, 0);    // the song's own reset forgets what channel 4 had set
    notes.Track(0x94, 70, 44);

    const std::vector<Message> expected{{0xB2, 1, 30},   {0xB2, 11, 90}, {0xB2, 64, 127}, {0xB2, 67, 64},
                                        {0xE2, 0x12, 0x34}, {0xD2, 77, 0}, {0x92, 50, 33},  {0x94, 70, 44}};
    EXPECT_EQ(Collect([&](const auto& send) { notes.Restore(send); }), expected);
    // Silencing keeps what is to be restored.
    Collect([&](const auto& send) { notes.Silence(send); });
    EXPECT_EQ(Collect([&](const auto& send) { notes.Restore(send); }), expected);
}

TEST(MidiPortNameTest, AlsaNumbersAreLeftOutOnlyWhenTheyEndTheName) {
    EXPECT_EQ(WithoutAlsaNumbers("Midi Through:Midi Through Port-0 14:0"), "Midi Through:Midi Through Port-0");
    EXPECT_EQ(WithoutAlsaNumbers("SC-8850:SC-8850 Part A 128:12"), "SC-8850:SC-8850 Part A");
    EXPECT_EQ(WithoutAlsaNumbers("synth:in"), "synth:in");
    EXPECT_EQ(WithoutAlsaNumbers("client:port 14:"), "client:port 14:");
    EXPECT_EQ(WithoutAlsaNumbers("14:0"), "14:0");
    EXPECT_EQ(WithoutAlsaNumbers(""), "");
}

TEST(MidiPortNameTest, ExactNameFirstThenTheSameNameWithOtherNumbers) {
    const std::vector<std::string> names{"Synth:Synth MIDI 1 20:0", "Synth:Synth MIDI 1 24:0", "fluid:midi_00"};
    EXPECT_EQ(FindPortName(names, "Synth:Synth MIDI 1 24:0"), 1);
    EXPECT_EQ(FindPortName(names, "Synth:Synth MIDI 1 28:0"), 0);  // replugged: numbers changed
    EXPECT_EQ(FindPortName(names, "fluid:midi_00"), 2);
    EXPECT_EQ(FindPortName(names, "Synth:Synth MIDI 2 20:0"), -1);
    EXPECT_EQ(FindPortName(names, "fluid"), -1);
    EXPECT_EQ(FindPortName({}, "fluid:midi_00"), -1);
}

}  // namespace
}  // namespace korva

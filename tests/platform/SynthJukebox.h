#pragma once
// A whole jukebox over a real synthesizer, with the recording views of the deck and its dialogs: what
// the program is, less its windows. It plays list 0 in the list's order from the folder given.

#include <string>

#include "app/SeededRandom.h"
#include "jukebox/Jukebox.h"
#include "platform/FluidSynthVolume.h"
#include "support/Fakes.h"

namespace korva::testing {

struct SynthJukebox {
    // status stands for the deck's status line when given; sendReset as SENDRST.
    SynthJukebox(FluidSynthEngine& engine, SequencerDevice& device, const std::string& folder, int sendReset,
                 StatusView* status = nullptr)
        : output(engine), random(1), jukebox(MakeFolders(folder, {}), random, clock) {
        Settings& s = jukebox.Model().settings;
        s.PLAYMOD = LIST0;
        s.RNDMODE = NOR;
        s.SENDRST = static_cast<std::uint8_t>(sendReset);
        jukebox.AttachDeck(deck, status ? *status : deck, deck);
        jukebox.AttachDialogs(messages, folders);
        jukebox.Connect(JukeboxDevices{device, output, introTimer});
    }

    FluidSynthVolume output;
    SeededRandom random;
    FakeClock clock;
    Jukebox jukebox;
    RecordingDeck deck;
    RecordingMessages messages;
    ScriptedFolderDialog folders;
    FakeTimer introTimer;
};

}  // namespace korva::testing

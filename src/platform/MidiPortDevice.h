#pragma once
// The sequencer device over a MIDI output port (an ALSA sequencer or JACK port, through RtMidi), for
// hardware modules and software synthesizers that offer one, and its volume as GM Master Volume.
//
// Songs are read as the synthesizer's are (the song loader, off the user-interface thread), with
// every module reset kept as the file has it, since the module on the port knows its own. A timing
// thread sends each event at its time by the steady clock; nothing is sent ahead. The port opens at
// Play, stays open between songs, and closes after a few seconds with nothing playing, so that an
// idle program keeps no JACK client woken every period. Stop, pause, skip, a song's end and the
// device going leave no note sounding. A port that goes away mid-song ends the play with
// DeviceFault::OutputLost; the next Play looks for it again. No JACK server is ever started.

#include <memory>
#include <string>
#include <vector>

#include "platform/SynthOptions.h"
#include "playback/OutputSwitch.h"
#include "playback/SequencerDevice.h"
#include "playback/VolumeOutput.h"

namespace korva {

enum class MidiApi { Any, Alsa, Jack };

// The MIDI output ports the system offers now (ALSA sequencer and JACK through RtMidi), UTF-8 names
// as the system gives them; empty when there are none or no back end is reachable. Never starts a
// JACK server.
std::vector<std::string> MidiOutputPortNames(MidiApi api = MidiApi::Any);

struct MidiPortOptions {
    std::string portName;  // UTF-8, as MidiOutputPortNames lists it
    MidiApi api = MidiApi::Any;
    UiPoster postToUiThread;
    UiWaiter waitOnUiThread;
};

class MidiPortDevice;
class MidiPortVolume;

// The device and its volume, made together (as platform/Synthesizer.h is for the synth).
class MidiPortOutput final : public SoundOutput {
  public:
    explicit MidiPortOutput(MidiPortOptions options);
    ~MidiPortOutput() override;
    MidiPortOutput(const MidiPortOutput&) = delete;
    MidiPortOutput& operator=(const MidiPortOutput&) = delete;

    SequencerDevice& Device() override;
    VolumeOutput& Volume() override;

  private:
    std::unique_ptr<MidiPortDevice> device_;
    std::unique_ptr<MidiPortVolume> volume_;
};

}  // namespace korva

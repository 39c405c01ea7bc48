// MIDI file bytes that the device lets through, played through the real FluidSynth device in
// virtual time: opened as the program opens a song (the open-time checks, the reader, the song put
// in time order), played and rendered for a few blocks, then stopped. The synthesizer gets only
// the events the device sends it and must take them without fault. The device keeps its room from
// one song to the next, so this target runs with -detect_leaks=0.

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "FuzzSupport.h"
#include "platform/FluidSynthDevice.h"
#include "platform/FluidSynthEngine.h"
#include "playback/SmfReader.h"
#include "support/PostedQueue.h"

#ifndef KORVA_FUZZ_SOUNDFONT
#define KORVA_FUZZ_SOUNDFONT "/usr/share/sounds/sf2/TimGM6mb.sf2"
#endif

namespace {

using namespace korva;

constexpr int kBlock = 1024;
constexpr int kBlocks = 8;

struct Rig {
    testing::PostedQueue posted;
    std::unique_ptr<FluidSynthEngine> engine;
    std::unique_ptr<FluidSynthDevice> device;
    long notices = 0;
    std::vector<float> left = std::vector<float>(kBlock);
    std::vector<float> right = std::vector<float>(kBlock);

    Rig() {
        SynthOptions options;
        options.soundFontPath = KORVA_FUZZ_SOUNDFONT;
        options.output = OutputKind::Virtual;
        options.postToUiThread = posted.Poster();
        engine = std::make_unique<FluidSynthEngine>(options);
        if (!engine->WaitUntilLoaded()) {
            std::fprintf(stderr, "SoundFont %s not loaded\n", KORVA_FUZZ_SOUNDFONT);
            std::abort();
        }
        device = std::make_unique<FluidSynthDevice>(*engine, posted.Poster());
        device->SetNotifyHandler([this] { ++notices; });
    }
};

Rig& TheRig() {
    // Made once and never destroyed: the synthesizer outlives every input.
    static Rig* rig = new Rig;
    return *rig;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TheRig();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::Input(data, size);
    // Only what the reader accepts reaches the synthesizer; the rest is the reader target's.
    if (!ReadSmf(bytes).Ok())
        return 0;

    Rig& rig = TheRig();
    rig.device->Open(fuzz::Scratch().Write("SONG.MID", bytes));
    if (rig.device->Fault() != DeviceFault::None)
        std::abort();  // the device refused a file its own reader accepts
    const long noticesBefore = rig.notices;
    rig.device->Play();
    const bool started = rig.device->Fault() == DeviceFault::None;
    for (int block = 0; block < kBlocks; ++block) {
        rig.engine->RenderBlock(rig.left.data(), rig.right.data(), kBlock);
        rig.posted.Drain();
    }
    rig.device->Stop();
    rig.device->Close();
    rig.posted.Drain();
    // Every play is answered by exactly one notice.
    if (started && rig.notices != noticesBefore + 1)
        std::abort();
    return 0;
}

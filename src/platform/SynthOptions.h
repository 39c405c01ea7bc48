#pragma once
// What the synthesizer is made with, and what it tells of itself once loaded.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace korva {

// Runs a function later on the user-interface thread. Must be callable from any thread.
using UiPoster = std::function<void(std::function<void()>)>;
// Waits on the user-interface thread until done() holds, handling its events meanwhile (the windows
// and buttons keep working); whoever makes done() hold posts something to wake it.
using UiWaiter = std::function<void(const std::function<bool()>& done)>;

enum class OutputKind {
    Automatic,  // the configured audio driver, else the first that opens, else a silent output
    Virtual,    // none: the owner renders by calling RenderBlock (tests and tools)
};

struct SynthReport {
    bool soundFontLoaded = false;
    std::string soundFontMessage;  // Shift-JIS; names the path and the setting when not loaded
    std::string outputName;        // the audio driver in use, "silent" or "virtual"
    std::string outputNotice;      // Shift-JIS status-line notice when nothing can be heard, else empty
};

struct SynthOptions {
    std::string soundFontPath;  // Shift-JIS path text, resolved already
    std::string audioDriver;    // AUDIODRV: empty for automatic
    // The synth's sound: its reverb and chorus, and its gain (FluidSynth's own default is 0.2).
    bool reverb = true;
    bool chorus = true;
    double gain = 0.2;
    OutputKind output = OutputKind::Automatic;
    // Frames rendered at a time; the output holds two periods. 4096 (93 ms at 44.1 kHz) lets the
    // synthesizer render in long runs and wakes the output's thread and the sound server a quarter
    // as often as 1024 would, which costs a fifth of the CPU of playing; a jukebox loses nothing by
    // a song starting or a volume step being heard 0.1-0.2 s later.
    int periodFrames = 4096;
    // How far ahead of the output a playing song is rendered, and how little of it may be left before
    // the next run renders it full again; a second of sound takes 353 KB. Runs of three seconds cost
    // no more CPU than runs of six (a 30 s song through the silent output, in turn: 0.97 of it) and
    // keep 1.4 MB less; a second waiting is still ten times what the sound server holds. Virtual
    // outputs render when asked, never ahead.
    double aheadSeconds = 4.0;
    double aheadRefillSeconds = 1.0;
    // How long the output goes on after a play has ended or paused before it is suspended.
    double outputIdleSeconds = 2.0;
    // How long a running audio driver may take no sound before it counts as lost.
    double outputStallSeconds = 1.0;
    // Further FluidSynth string settings, such as {"audio.alsa.device", "hw:1"}.
    std::vector<std::pair<std::string, std::string>> fluidSettings;
    UiPoster postToUiThread;
    // How the device waits for a song that takes long to read; without it the wait is plain.
    UiWaiter waitOnUiThread;
    // Told on the user-interface thread once loading has ended. The output is open before the
    // engine's constructor returns, so Report() names it, and its notice, from the start.
    std::function<void(const SynthReport&)> onLoaded;
    // Told on the user-interface thread, with a Shift-JIS status-line notice, when the audio output
    // that was playing is lost and the engine goes on silently.
    std::function<void(const std::string& notice)> onOutputLost;
    // Runs on the loading thread before anything is loaded; lets a test hold the loading back.
    std::function<void()> beforeLoadForTesting;
    // Sees every block the output takes, as it is heard, on the output's thread with the engine locked.
    std::function<void(const float* left, const float* right, int frames)> onRenderedForTesting;
};

}  // namespace korva

#pragma once
// Where the synthesizer's sound goes: an audio driver of FluidSynth that calls back for each period,
// or, when no driver opens, a silent output that keeps time by the wall clock so that songs still
// end when they should and the jukebox goes on.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/FluidHandles.h"

namespace korva {

// Renders the next frames of stereo sound into two buffers. Called from the output's own thread.
class BlockRenderer {
  public:
    virtual ~BlockRenderer() = default;
    virtual void RenderBlock(float* left, float* right, int frames) = 0;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
};

class DriverOutput final : public AudioOutput {
  public:
    // Opens the named driver (settings "audio.driver"); nullptr with a reason in failure otherwise.
    static std::unique_ptr<DriverOutput> Open(fluid_settings_t* settings, const std::string& driver,
                                              BlockRenderer& renderer, std::string& failure);
    ~DriverOutput() override = default;

  private:
    DriverOutput(BlockRenderer& renderer) : renderer_(renderer) {}
    static int Callback(void* data, int frames, int fxCount, float* fx[], int outCount, float* out[]);

    BlockRenderer& renderer_;
    FluidDriverPtr driver_;  // last: stopped before anything it calls into goes away
};

class SilentOutput final : public AudioOutput {
  public:
    SilentOutput(BlockRenderer& renderer, double sampleRate, int periodFrames);
    ~SilentOutput() override;
    SilentOutput(const SilentOutput&) = delete;
    SilentOutput& operator=(const SilentOutput&) = delete;

  private:
    void Run(double sampleRate, int periodFrames);

    BlockRenderer& renderer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace korva

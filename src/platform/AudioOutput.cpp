#include "platform/AudioOutput.h"

#include <chrono>
#include <vector>

namespace korva {

using SteadyClock = std::chrono::steady_clock;

std::unique_ptr<DriverOutput> DriverOutput::Open(fluid_settings_t* settings, const std::string& driver,
                                                 BlockRenderer& renderer, std::string& failure) {
    if (fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK) {
        failure = "unknown audio driver";
        return nullptr;
    }
    std::unique_ptr<DriverOutput> output(new DriverOutput(settings, renderer));
    if (!output->Resume()) {
        failure = "cannot be opened";
        return nullptr;
    }
    return output;
}

void DriverOutput::Suspend() {
    driver_.reset();  // joins the driver's thread and closes its stream
}

bool DriverOutput::Resume() {
    if (!driver_)
        driver_.reset(new_fluid_audio_driver2(settings_, &DriverOutput::Callback, this));
    return driver_ != nullptr;
}

int DriverOutput::Callback(void* data, int frames, int /*fxCount*/, float* /*fx*/[], int outCount,
                           float* out[]) {
    // The driver has zeroed every buffer; effects are mixed into the first stereo pair.
    auto* output = static_cast<DriverOutput*>(data);
    if (outCount < 2 || frames <= 0 || !output->connected_)
        return FLUID_OK;
    output->renderer_.RenderBlock(out[0], out[1], frames);
    return FLUID_OK;
}

void AbandonOutput(std::unique_ptr<AudioOutput> output) {
    if (!output)
        return;
    output->Disconnect();
    std::thread([closing = std::move(output)]() mutable { closing.reset(); }).detach();
}

SilentOutput::SilentOutput(BlockRenderer& renderer, double sampleRate, int periodFrames,
                           std::chrono::steady_clock::duration behind)
    : renderer_(renderer) {
    thread_ =
        std::thread([this, sampleRate, periodFrames, behind] { Run(sampleRate, periodFrames, behind); });
}

SilentOutput::~SilentOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SilentOutput::Suspend() {
    std::unique_lock lock(mutex_);
    suspended_ = true;
    wake_.notify_all();
    wake_.wait(lock, [this] { return parked_ || stopping_; });
}

bool SilentOutput::Resume() {
    {
        std::lock_guard lock(mutex_);
        suspended_ = false;
    }
    wake_.notify_all();
    return true;
}

void SilentOutput::Run(double sampleRate, int periodFrames, SteadyClock::duration behind) {
    const auto period = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(periodFrames / sampleRate));
    std::vector<float> left(static_cast<std::size_t>(periodFrames));
    std::vector<float> right(left.size());
    auto due = SteadyClock::now() - behind;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (suspended_) {
            parked_ = true;
            wake_.notify_all();
            wake_.wait(lock, [this] { return stopping_ || !suspended_; });
            parked_ = false;
            due = SteadyClock::now();
            behind = {};
            continue;
        }
        lock.unlock();
        renderer_.RenderBlock(left.data(), right.data(), periodFrames);
        lock.lock();
        due += period;
        // After the machine slept, go on from now instead of racing through the missed time; the
        // time the output started behind is made up, once.
        const auto now = SteadyClock::now();
        if (now - due > std::chrono::seconds(1) + behind)
            due = now;
        if (due >= now)
            behind = {};
        wake_.wait_until(lock, due, [this] { return stopping_ || suspended_; });
    }
}

}  // namespace korva

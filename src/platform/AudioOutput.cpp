#include "platform/AudioOutput.h"

#include <chrono>
#include <vector>

namespace korva {

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
    if (outCount < 2 || frames <= 0)
        return FLUID_OK;
    static_cast<DriverOutput*>(data)->renderer_.RenderBlock(out[0], out[1], frames);
    return FLUID_OK;
}

SilentOutput::SilentOutput(BlockRenderer& renderer, double sampleRate, int periodFrames)
    : renderer_(renderer) {
    thread_ = std::thread([this, sampleRate, periodFrames] { Run(sampleRate, periodFrames); });
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

void SilentOutput::Run(double sampleRate, int periodFrames) {
    using Clock = std::chrono::steady_clock;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(periodFrames / sampleRate));
    std::vector<float> left(static_cast<std::size_t>(periodFrames));
    std::vector<float> right(left.size());
    auto due = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (suspended_) {
            parked_ = true;
            wake_.notify_all();
            wake_.wait(lock, [this] { return stopping_ || !suspended_; });
            parked_ = false;
            due = Clock::now();
            continue;
        }
        lock.unlock();
        renderer_.RenderBlock(left.data(), right.data(), periodFrames);
        lock.lock();
        due += period;
        // After the machine slept, go on from now instead of racing through the missed time.
        if (Clock::now() - due > std::chrono::seconds(1))
            due = Clock::now();
        wake_.wait_until(lock, due, [this] { return stopping_ || suspended_; });
    }
}

}  // namespace korva

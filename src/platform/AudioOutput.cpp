#include "platform/AudioOutput.h"

#include <chrono>
#include <vector>

namespace korva {

using SteadyClock = std::chrono::steady_clock;

namespace {

DriverSeamsForTesting& Seams() {
    static DriverSeamsForTesting seams;
    return seams;
}

}  // namespace

void SetDriverSeamsForTesting(DriverSeamsForTesting seams) {
    Seams() = std::move(seams);
}

// One opened driver: what its callback needs, and the flag that cuts it off from the renderer.
// Shared by the output and the threads that open and close the driver, so that it outlives both.
struct DriverOutput::Stream {
    explicit Stream(BlockRenderer& toRender) : renderer(toRender) {}

    // From now on the renderer is called no more; a call already under way is waited for.
    void CutOff() {
        connected = false;
        if (rendering.load() > 0 && Seams().callUnderWay)
            Seams().callUnderWay();
        while (rendering.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    BlockRenderer& renderer;
    std::atomic<bool> connected{true};
    std::atomic<int> rendering{0};  // callbacks inside the renderer
    FluidDriverPtr driver;          // closing it joins the driver's thread

    // The thread opening or closing the driver and whoever waits for it.
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool givenUp = false;
};

namespace {

// Runs work on a thread of its own and waits for it at most kDriverAnswerLimit; true when it was
// done in time. A thread not done by then goes on alone, holding the stream.
template <typename Work>
bool WithinAnswerLimit(const std::shared_ptr<DriverOutput::Stream>& stream, Work work) {
    {
        std::lock_guard lock(stream->mutex);
        stream->done = false;
        stream->givenUp = false;
    }
    std::thread([stream, work = std::move(work)]() mutable {
        work(*stream);
        std::lock_guard lock(stream->mutex);
        stream->done = true;
        stream->answered.notify_all();
    }).detach();
    if (Seams().beforeWaiting)
        Seams().beforeWaiting();
    const std::chrono::milliseconds limit = Seams().answerLimit.value_or(kDriverAnswerLimit);
    std::unique_lock lock(stream->mutex);
    if (stream->answered.wait_for(lock, limit, [&] { return stream->done; }))
        return true;
    stream->givenUp = true;
    return false;
}

}  // namespace

std::unique_ptr<DriverOutput> DriverOutput::Open(std::shared_ptr<fluid_settings_t> settings,
                                                 const std::string& driver, BlockRenderer& renderer,
                                                 std::string& failure, bool* answered) {
    if (answered)
        *answered = true;
    if (fluid_settings_setstr(settings.get(), "audio.driver", driver.c_str()) != FLUID_OK) {
        failure = "unknown audio driver";
        return nullptr;
    }
    std::unique_ptr<DriverOutput> output(new DriverOutput(std::move(settings), renderer));
    if (!output->Resume()) {
        failure = output->TimedOut() ? "did not answer" : "cannot be opened";
        if (answered)
            *answered = !output->TimedOut();
        return nullptr;
    }
    return output;
}

DriverOutput::~DriverOutput() {
    Suspend();
}

void DriverOutput::Suspend() {
    if (!stream_)
        return;
    const std::shared_ptr<Stream> stream = std::move(stream_);
    stream->CutOff();
    // Closing joins the driver's thread, which a hanging server may hold: past the limit the
    // closing goes on alone.
    WithinAnswerLimit(stream, [](Stream& closing) { closing.driver.reset(); });
}

bool DriverOutput::Resume() {
    if (stream_)
        return true;
    timedOut_ = false;
    auto stream = std::make_shared<Stream>(renderer_);
    const bool inTime = WithinAnswerLimit(stream, [settings = settings_, made = Seams().driverMade](Stream& opening) {
        FluidDriverPtr driver(new_fluid_audio_driver2(settings.get(), &DriverOutput::Callback, &opening));
        if (driver && made)
            made();
        std::unique_lock lock(opening.mutex);
        if (opening.givenUp) {
            // Too late: the output went on without it.
            lock.unlock();
            driver.reset();
            return;
        }
        opening.driver = std::move(driver);
    });
    if (!inTime) {
        // Should the driver still open, it renders nothing; a call it has already begun (its
        // thread starts before the opening returns) is waited for, or it would render on after
        // the output has been given up.
        stream->CutOff();
        timedOut_ = true;
        return false;
    }
    if (!stream->driver)
        return false;
    stream_ = std::move(stream);
    return true;
}

void DriverOutput::Disconnect() {
    if (stream_)
        stream_->CutOff();
}

int DriverOutput::Callback(void* data, int frames, int /*fxCount*/, float* /*fx*/[], int outCount,
                           float* out[]) {
    // The driver has zeroed every buffer; effects are mixed into the first stereo pair.
    auto* stream = static_cast<Stream*>(data);
    if (outCount < 2 || frames <= 0)
        return FLUID_OK;
    ++stream->rendering;
    if (stream->connected)
        stream->renderer.RenderBlock(out[0], out[1], frames);
    --stream->rendering;
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

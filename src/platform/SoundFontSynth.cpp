#include "platform/SoundFontSynth.h"

#include <malloc.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "platform/SynthSettings.h"
#include "text/Encoding.h"

namespace korva {
namespace {

std::mutex fluidLogMutex;
std::string lastFluidMessage;

void CaptureFluidLog(int level, const char* message, void* /*data*/) {
    if (level <= FLUID_WARN && message != nullptr) {
        std::lock_guard lock(fluidLogMutex);
        lastFluidMessage = message;
    }
}

void InstallFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, &CaptureFluidLog, nullptr);
        }
    });
}

// FluidSynth fills its process-wide tables when the first synth is made, and a second synth made at
// the same moment may find them half filled and play wrongly: making settings and synths and loading
// SoundFonts take turns across the process.
std::mutex& CreationMutex() {
    static std::mutex creation;
    return creation;
}

void SetInt(fluid_settings_t* settings, const char* name, int value) {
    if (fluid_settings_setint(settings, name, value) != FLUID_OK) {
        throw std::runtime_error(std::string("cannot set ") + name);
    }
}

void SetNum(fluid_settings_t* settings, const char* name, double value) {
    if (fluid_settings_setnum(settings, name, value) != FLUID_OK) {
        throw std::runtime_error(std::string("cannot set ") + name);
    }
}

void SetStr(fluid_settings_t* settings, const char* name, const char* value) {
    if (fluid_settings_setstr(settings, name, value) != FLUID_OK) {
        throw std::runtime_error(std::string("cannot set ") + name);
    }
}

}  // namespace

void ClearFluidMessage() {
    std::lock_guard lock(fluidLogMutex);
    lastFluidMessage.clear();
}

std::string LastFluidMessage() {
    std::lock_guard lock(fluidLogMutex);
    return lastFluidMessage;
}

SoundFontSynth::SoundFontSynth(const SynthOptions& options, RenderLock& lock)
    : options_(options), lock_(lock) {
    InstallFluidLog();
    std::lock_guard creating(CreationMutex());
    FluidSettingsPtr settings;
    settingsProblem_ = CreateSettings(settings);
    settings_ = std::move(settings);
}

SoundFontSynth::~SoundFontSynth() {
    JoinLoading();
}

void SoundFontSynth::StartLoading(std::function<void(bool loaded)> endedLocked,
                                  std::function<void()> afterEnded) {
    loader_ = std::thread([this, endedLocked = std::move(endedLocked), afterEnded = std::move(afterEnded)] {
        Load(endedLocked, afterEnded);
    });
}

void SoundFontSynth::JoinLoading() {
    if (loader_.joinable())
        loader_.join();
}

bool SoundFontSynth::WaitUntilLoaded() {
    std::unique_lock lock(lock_);
    loadingEndedCondition_.wait(lock, [this] { return loadingEnded_; });
    return synth_ != nullptr;
}

double SoundFontSynth::SampleRateLocked() const {
    double rate = 44100.0;
    if (settings_ && fluid_settings_getnum(settings_.get(), "synth.sample-rate", &rate) != FLUID_OK)
        rate = 44100.0;
    return rate;
}

void SoundFontSynth::ReportLocked(SynthReport& report) const {
    report.soundFontLoaded = loaded_;
    report.soundFontMessage = message_;
}

void SoundFontSynth::ReleaseLocked() {
    synth_.reset();
    settings_.reset();
}

std::string SoundFontSynth::CreateSettings(FluidSettingsPtr& settings) const {
    settings.reset(new_fluid_settings());
    if (!settings)
        return Sjis("シンセサイザーを初期化できません");
    try {
        // Locking a large SoundFont in memory fails for an ordinary user and gains a jukebox nothing.
        SetInt(settings.get(), "synth.lock-memory", 0);
        SetInt(settings.get(), "audio.period-size", options_.periodFrames);
        SetInt(settings.get(), "audio.periods", 2);
        SetInt(settings.get(), "synth.reverb.active", options_.reverb ? 1 : 0);
        SetInt(settings.get(), "synth.chorus.active", options_.chorus ? 1 : 0);
        SetNum(settings.get(), "synth.gain", options_.gain);
        for (const auto& [name, value] : options_.fluidSettings)
            SetStr(settings.get(), name.c_str(), value.c_str());
    } catch (const std::runtime_error&) {
        return Sjis("シンセサイザーを初期化できません");
    }
    return {};
}

std::string SoundFontSynth::CreateSynth(FluidSynthPtr& synth) const {
    if (!settingsProblem_.empty())
        return settingsProblem_;
    synth.reset(new_fluid_synth(settings_.get()));
    if (!synth)
        return Sjis("シンセサイザーを初期化できません");
    return {};
}

void SoundFontSynth::Load(const std::function<void(bool)>& endedLocked,
                          const std::function<void()>& afterEnded) {
    if (options_.beforeLoadForTesting)
        options_.beforeLoadForTesting();

    std::unique_lock creating(CreationMutex());
    FluidSynthPtr synth;
    std::string problem = CreateSynth(synth);
    if (problem.empty()) {
        std::filesystem::path file;
        bool exists = false;
        try {
            file = ToFsPath(options_.soundFontPath);
            std::error_code error;
            exists = !options_.soundFontPath.empty() && std::filesystem::is_regular_file(file, error);
        } catch (const EncodingError&) {
        }
        if (!exists) {
            problem = SoundFontMissingText(options_.soundFontPath);
        } else if (fluid_synth_sfload(synth.get(), file.c_str(), 1) == FLUID_FAILED) {
            problem = SoundFontUnreadableText(options_.soundFontPath);
        }
    }

    creating.unlock();
    // Reading a SoundFont frees what it read of the file's tables in pieces between what it keeps,
    // and malloc would keep those pages resident for as long as the program runs (2.7 MB with
    // TimGM6mb): they go back to the system. What it returns only tells whether there were any.
    malloc_trim(0);
    {
        std::lock_guard lock(lock_);
        loaded_ = problem.empty();
        message_ = problem;
        failed_ = !problem.empty();
        if (problem.empty()) {
            synth_ = std::move(synth);
            double rate = 0;
            if (fluid_settings_getnum(settings_.get(), "synth.sample-rate", &rate) == FLUID_OK && rate > 0)
                framesPerSecond_ = rate;
        }
        endedLocked(problem.empty());
    }
    // Whoever waited for the end finds what afterEnded posts posted already.
    afterEnded();
    {
        std::lock_guard lock(lock_);
        loadingEnded_ = true;
    }
    loadingEndedCondition_.notify_all();
}

}  // namespace korva

#pragma once
// Reads songs for a sequencer device: the whole file with the SMF reader, which finds where its
// tracks lie, then the song put in time order (SongSequence, its events read again from the file's
// bytes as they are ordered). A file with nothing playable in it is refused with a Shift-JIS text
// that says why.
//
// The file is read and put in order on a thread of its own. A song read quickly is simply waited
// for; one that takes longer (a large file) is waited for through the UI waiter, so the windows
// stay live, after the slow-open handler has been told. GiveUp() meanwhile (a Close() or another
// Open() of the device) gives up the read under way: its song is dropped when it is done.
//
// Songs are read one after another; the file's bytes, the events read and the song built keep their
// memory from one song to the next, once the device has let its song go.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/SynthOptions.h"
#include "playback/SequencerDevice.h"
#include "playback/SmfMerge.h"
#include "playback/SmfReader.h"
#include "playback/SongSequence.h"

namespace korva {

// A song ready to play: its events at their times, as the SMF reader's song gives them.
struct LoadedSong {
    SongSequence sequence;
};

class SongLoader {
  public:
    // Files larger than this are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 64u << 20;
    // Room kept from one song to the next only for files up to this size.
    static constexpr std::size_t kKeptBetweenSongs = 4u << 20;
    // A read that takes longer than this is waited for with the windows live.
    static constexpr std::chrono::milliseconds kQuickOpen{50};

    // `resets` says how the songs' module resets are sent.
    SongLoader(UiPoster postToUiThread, UiWaiter waitOnUiThread, ModuleResets resets);
    ~SongLoader();
    SongLoader(const SongLoader&) = delete;
    SongLoader& operator=(const SongLoader&) = delete;

    void SetSlowOpenHandler(std::function<void()> handler) { slowOpen_ = std::move(handler); }
    // Runs on the reading thread before each file is read; lets a test hold a read back.
    void SetBeforeReadForTesting(std::function<void()> hook) { beforeRead_ = std::move(hook); }

    struct Outcome {
        bool givenUp = false;  // GiveUp() came meanwhile: whoever called it has the say
        DeviceFault fault = DeviceFault::None;
        std::string text;  // Shift-JIS, naming the file, when refused
        std::shared_ptr<LoadedSong> song;
    };
    // Reads a song; the caller should have let its last song go first, so that its room is reused.
    Outcome Load(const std::string& sjisPath);
    // Gives up the read under way, if any.
    void GiveUp();

    struct Read;  // one read under way; defined with the code

  private:
    UiPoster post_;
    UiWaiter wait_;
    ModuleResets resets_;
    std::function<void()> slowOpen_;
    std::function<void()> beforeRead_;
    std::shared_ptr<Read> loading_;  // the read whose song the caller will take, if any
    std::string fileBytes_;
    SmfReadResult read_;
    std::shared_ptr<LoadedSong> lastSong_;
};

}  // namespace korva

#pragma once
// What the two sequencer devices share about telling their owner: the completion-notice handler,
// which notices posted to the user-interface thread hold only weakly, so that a notice arriving after
// the device has gone reaches nobody; and the outcome of the last operation, as Fault() and
// ErrorText() report it.

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/SynthOptions.h"
#include "playback/SequencerDevice.h"

namespace korva {

class DeviceNotice {
  public:
    void SetHandler(std::function<void()> handler) { *handler_ = std::move(handler); }
    // A function that posts one notice through `post`; callable from any thread.
    std::function<void()> Poster(UiPoster post) const {
        return [post = std::move(post), handler = std::weak_ptr<std::function<void()>>(handler_)] {
            post([handler] {
                const auto current = handler.lock();
                if (current && *current)
                    (*current)();
            });
        };
    }
    // No notice posted from now on, or still waiting, reaches the handler.
    void Forget() { handler_.reset(); }

  private:
    std::shared_ptr<std::function<void()>> handler_ = std::make_shared<std::function<void()>>();
};

struct DeviceOutcome {
    DeviceFault fault = DeviceFault::None;
    std::string text;  // Shift-JIS

    void Refuse(DeviceFault what, std::string sjisText) {
        fault = what;
        text = std::move(sjisText);
    }
    void Succeed() {
        fault = DeviceFault::None;
        text.clear();
    }
};

}  // namespace korva

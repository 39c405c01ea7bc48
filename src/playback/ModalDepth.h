#pragma once
// While the core waits in a dialog (a message, a folder choice, the artists or conversion window)
// or for a converter, the event loop runs on: the user, a media key or a second start of the
// program can reach the core meanwhile. How deep the core is in such waits is kept in
// PlayState::ModalDepth; what would pull the play from under the waiting operation (a new queue,
// a chosen entry, another list mode, dropped files) is refused or waits until it is 0.

#include <string>

#include "app/Ports.h"

namespace korva {

class ModalScope {
  public:
    explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
    ~ModalScope() { --depth_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

  private:
    int& depth_;
};

// The core's message boxes, counted while one is open.
class CountedMessages final : public MessageView {
  public:
    CountedMessages(int& depth, MessageView& shown) : depth_(depth), shown_(&shown) {}
    void Attach(MessageView& shown) { shown_ = &shown; }
    void ShowMessage(const std::string& sjisText) override {
        const ModalScope open(depth_);
        shown_->ShowMessage(sjisText);
    }

  private:
    int& depth_;
    MessageView* shown_;
};

// The core's folder dialogs, counted while one is open.
class CountedFolderDialog final : public FolderDialog {
  public:
    CountedFolderDialog(int& depth, FolderDialog& shown) : depth_(depth), shown_(&shown) {}
    void Attach(FolderDialog& shown) { shown_ = &shown; }
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override {
        const ModalScope open(depth_);
        return shown_->ChooseFolder(startFolder);
    }

  private:
    int& depth_;
    FolderDialog* shown_;
};

}  // namespace korva

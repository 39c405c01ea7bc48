#pragma once
// Errors that end an operation and are shown to the user in a message box. The text is
// Shift-JIS, like every text of the core; the windows convert it for display.

#include <stdexcept>
#include <string>

namespace korva {

class UserError : public std::runtime_error {
  public:
    explicit UserError(std::string sjisText) : std::runtime_error(sjisText), text_(std::move(sjisText)) {}
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

// A file could not be written: "%s に書き込めません" with the file's path.
class WriteError : public UserError {
  public:
    explicit WriteError(const std::string& sjisPath);
    // The same, followed on a line of its own by why the file is not written.
    WriteError(const std::string& sjisPath, const std::string& sjisReason);
};

// The message for a file that could not be read or written, by the error number: "ﾌｧｲﾙが見つかりません"
// for a missing file or folder, "ﾌｧｲﾙへのｱｸｾｽが拒否されました" for a denied one, otherwise
// "I/O ｴﾗｰ (n)".
std::string InputOutputMessage(int error);

}  // namespace korva

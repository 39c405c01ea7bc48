#pragma once
// Small interfaces through which the core reaches the user and the outside world. The windows
// and the platform layer implement them; tests implement them with fakes.

#include <optional>
#include <string>

namespace korva {

enum class StatusKind { Normal, Notice, Error };

// The main window's status line.
class StatusView {
  public:
    virtual ~StatusView() = default;
    virtual void ShowStatus(const std::string& sjisText, StatusKind kind) = 0;
};

// A message box with an OK button; returns when the user has closed it.
class MessageView {
  public:
    virtual ~MessageView() = default;
    virtual void ShowMessage(const std::string& sjisText) = 0;
};

// Local wall-clock time as the user's calendar shows it.
struct LocalTime {
    int year = 0;     // e.g. 2026
    int month = 0;    // 1-12
    int day = 0;      // 1-31
    int weekday = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

// The process's one pseudo-random generator.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // A uniform draw in 0 .. n - 1; n must be positive.
    virtual int Below(int n) = 0;
};

// The folder-selection dialog: the chosen folder as Shift-JIS text, or nullopt when cancelled. It
// never lets the user create folders.
class FolderDialog {
  public:
    virtual ~FolderDialog() = default;
    // Starts in startFolder, or in the current folder when it is empty.
    virtual std::optional<std::string> ChooseFolder(const std::string& startFolder) = 0;
};

// A timer of the user-interface thread whose ticks the owner handles.
class Timer {
  public:
    virtual ~Timer() = default;
    // Ticks every `milliseconds` from now on; a running timer starts its count again.
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
};

}  // namespace korva

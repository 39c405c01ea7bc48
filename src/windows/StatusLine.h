#pragma once
// The deck's status line: how a message is shown, and what the three-second timer shows on it
// (the clock while stopped, the scrolling title while playing). The window draws; this decides.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/Ports.h"
#include "app/Settings.h"

namespace korva {

// Colours of the deck (RGB).
inline constexpr std::uint32_t kAqua = 0x00FFFF;
inline constexpr std::uint32_t kYellow = 0xFFFF00;
inline constexpr std::uint32_t kLime = 0x00FF00;
inline constexpr std::uint32_t kTeal = 0x008080;
inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kBlack = 0x000000;

// Every message is bold; a Notice is italic, an Error yellow.
struct StatusStyle {
    std::uint32_t rgb = kAqua;
    bool italic = false;
};
StatusStyle StyleOf(StatusKind kind);

// A message that starts with a new-song mark ("!1 ", "!2 " or "!3 ") is shown without it.
std::string WithoutNewMark(std::string_view message);

// " yy/mm/dd dddd   hh:mm" with the locale's full weekday name (Shift-JIS) as dddd.
std::string ClockText(const LocalTime& time, std::string_view weekdayName);

// What the status line needs from the window that shows it.
class StatusDisplay {
  public:
    virtual ~StatusDisplay() = default;
    // Shows the text on the display label, drawn in the style of kind.
    virtual void SetDisplayText(const std::string& sjisText, StatusKind kind) = 0;
    // Width in pixels of the text in the display label's current font.
    virtual int MeasureText(const std::string& sjisText) = 0;
    // Copies the message to the remote window's caption, when that window exists.
    virtual void SetRemoteCaption(const std::string& sjisText) = 0;
    virtual void StopClock() = 0;
    // The locale's full name of a weekday (0 = Sunday), Shift-JIS.
    virtual std::string WeekdayName(int weekday) = 0;
};

class StatusLine {
  public:
    explicit StatusLine(StatusDisplay& display) : display_(display) {}

    void Show(std::string_view message, StatusKind kind, const Settings& settings);

    // One tick of the three-second timer. active: the device plays or the player is paused.
    void Tick(bool active, const Settings& settings, int& scrollPos, const Clock& clock);

    // The last message, mark removed and blanks trimmed, and its width in the display's font.
    const std::string& Text() const { return text_; }
    int TextWidth() const { return textWidth_; }

  private:
    StatusDisplay& display_;
    std::string text_;
    int textWidth_ = 0;
};

}  // namespace korva

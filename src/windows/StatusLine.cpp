#include "windows/StatusLine.h"

#include <array>
#include <cstdio>

#include "text/ShiftJis.h"
#include "windows/TitleScroll.h"

namespace korva {

StatusStyle StyleOf(StatusKind kind) {
    switch (kind) {
        case StatusKind::Notice:
            return {kAqua, true};
        case StatusKind::Error:
            return {kYellow, false};
        case StatusKind::Normal:
            break;
    }
    return {kAqua, false};
}

std::string WithoutNewMark(std::string_view message) {
    static constexpr std::array<std::string_view, 3> marks{"!1 ", "!2 ", "!3 "};
    for (std::string_view mark : marks) {
        if (message.substr(0, mark.size()) == mark)
            return std::string(message.substr(mark.size()));
    }
    return std::string(message);
}

std::string ClockText(const LocalTime& time, std::string_view weekdayName) {
    char date[32];
    std::snprintf(date, sizeof date, " %02d/%02d/%02d ", time.year % 100, time.month, time.day);
    char clock[16];
    std::snprintf(clock, sizeof clock, "   %02d:%02d", time.hour, time.minute);
    return std::string(date) + std::string(weekdayName) + clock;
}

void StatusLine::Show(std::string_view message, StatusKind kind, const Settings& settings) {
    const std::string shown = WithoutNewMark(message);
    display_.SetDisplayText(shown, kind);
    display_.SetRemoteCaption(shown);
    text_ = TrimBlanks(shown);
    textWidth_ = display_.MeasureText(text_);
    if (kind == StatusKind::Error && settings.USECLOK)
        display_.StopClock();
}

void StatusLine::Tick(bool active, const Settings& settings, int& scrollPos, const Clock& clock) {
    if (active) {
        if (!settings.USESTRM)
            return;
        if (auto shown = ScrollTitle(text_, textWidth_, scrollPos))
            display_.SetDisplayText(*shown, StatusKind::Normal);
        return;
    }
    if (settings.USECLOK) {
        const LocalTime now = clock.Now();
        Show(ClockText(now, display_.WeekdayName(now.weekday)), StatusKind::Normal, settings);
    }
}

}  // namespace korva

#pragma once
// Where the main window and the volume window go on the screen: a 3 x 3 grid with fine adjustment,
// or the position remembered at the last quit. Pure geometry; the windows move themselves.

#include <optional>

#include "app/Settings.h"

namespace korva {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
    bool operator==(const ScreenSize&) const = default;
};

// The main window's top-left corner for grid cell FIXDPOS (column FIXDPOS div 3, row FIXDPOS mod 3),
// ADJUSTH and ADJUSTV pixels in from the screen edges; nullopt for a cell of 9 or more.
std::optional<ScreenPoint> FixedPosition(const Settings& settings, ScreenSize mainOuter, int mainClientHeight,
                                         ScreenSize screen);

// The volume window's top-left corner beside the main window in its grid cell, 10 pixels apart;
// nullopt for a cell of 9 or more.
std::optional<ScreenPoint> VolumeWindowPosition(const Settings& settings, ScreenSize mainOuter,
                                                int mainClientHeight, ScreenSize volumeWindow,
                                                ScreenSize screen);

// MANHPOS / MANVPOS when they lie on the screen (0 <= x <= width - 321, 0 <= y <= height - 75),
// otherwise the main window centred on the screen.
ScreenPoint ManualPosition(const Settings& settings, ScreenSize mainOuter, ScreenSize screen);

// A rectangle on the screens: a window's outer bounds, or the part of a screen windows may take.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// The centre of the rectangle, whatever its numbers (a stored size may be any integer).
ScreenPoint CentreOf(const ScreenRect& rect);

// The top-left corner that puts a window of this outer size inside the area, moved no further than
// needed; a window larger than the area keeps its top-left corner (and so its title bar) in the area.
ScreenPoint KeepInArea(ScreenPoint topLeft, ScreenSize window, const ScreenRect& area);

// Stored outer bounds brought onto the area: the size no larger than the area and no smaller than
// `least` (which wins where the two clash), then placed by KeepInArea. A size of zero or less, as a
// settings file may hold, becomes `least`.
ScreenRect BringOntoArea(const ScreenRect& window, ScreenSize least, const ScreenRect& area);

// A window whose stored size is its outer size, frame included, while Qt sizes windows without their
// frame, which is known only once the window manager has framed the window. The inner size is set
// to the outer size at first and corrected by the frame once it is known, unless something else
// (the user, a window manager, a script) has resized the window in the meantime: that size wins,
// whichever order the events come in.
class OuterSizeFit {
  public:
    // The inner size to apply now.
    ScreenSize Request(ScreenSize outer);
    // The window now has this inner size.
    void Resized(ScreenSize inner);
    // The frame's thickness (outer minus inner) is known: the inner size to apply, if any.
    std::optional<ScreenSize> FrameKnown(ScreenSize frame);

  private:
    std::optional<ScreenSize> pendingOuter_;
    ScreenSize applied_;  // the inner size this object asked for last
};

}  // namespace korva

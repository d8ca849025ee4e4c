// Host shell, the rule for desks with several monitors: which parts of the virtual screen the
// full-screen window leaves showing the desktop, so that the Windows layer can put a black window over
// each of them. Pure and portable; called on the main thread when the full-screen window exists.
#pragma once

#include <cstdint>
#include <vector>

// A rectangle of the virtual screen as the system reports monitors and windows: left and top
// inclusive, right and bottom exclusive. Coordinates may be negative (a monitor left of or above the
// primary one).
struct ScreenRect {
    int32_t left, top, right, bottom;
};

inline bool operator==(const ScreenRect& a, const ScreenRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The rectangles to black out: every pixel of some monitor that neither the main window nor an
// earlier rectangle shows, as disjoint rectangles. A monitor that only mirrors what is already
// covered adds nothing; one the main window overlaps keeps the rest, split into at most four pieces
// (the rows above and below the overlap across the monitor's width, then the columns left and right
// of it) when the rest is not one rectangle.
std::vector<ScreenRect> RectsToCover(const std::vector<ScreenRect>& monitors, const ScreenRect& mainWindow);

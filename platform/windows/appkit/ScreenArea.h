// Where a window goes so that the user can reach it: inside the work area
// (the screen less the task bar) of a monitor.
#pragma once

#include "appkit/Win32.h"

#include <cstdint>

// The work area of the monitor nearest to the rectangle of the given
// top-left corner and size; a corner beyond the coordinate range counts as
// at its end.
RECT WorkAreaNear(int64_t left, int64_t top, LONG width, LONG height);

// The top-left corner at which a rectangle of the given size, wanted at
// (left, top), lies wholly inside area, moved as little as possible. One
// wider (taller) than the area keeps its size with its left (top) edge on
// the area's, so that a window's title bar and menu stay in reach.
POINT FitIntoArea(int64_t left, int64_t top, LONG width, LONG height, const RECT& area);

// FitIntoArea with the work area nearest to the wanted rectangle.
POINT FitOnScreen(int64_t left, int64_t top, LONG width, LONG height);

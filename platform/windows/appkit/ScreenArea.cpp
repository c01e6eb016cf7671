#include "appkit/ScreenArea.h"

#include <algorithm>
#include <limits>

namespace {

LONG ToLong(int64_t value)
{
    return static_cast<LONG>(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                                 std::numeric_limits<LONG>::max()));
}

// One axis: the far edge first, then the near one, so that a rectangle
// longer than the area ends with its near edge on the area's.
int64_t FitAxis(int64_t low, LONG length, LONG areaLow, LONG areaHigh)
{
    if (low > int64_t{areaHigh} - length)
        low = int64_t{areaHigh} - length;
    if (low < areaLow)
        low = areaLow;
    return low;
}

} // namespace

RECT WorkAreaNear(int64_t left, int64_t top, LONG width, LONG height)
{
    const LONG x = ToLong(left);
    const LONG y = ToLong(top);
    const RECT wanted{x, y, ToLong(int64_t{x} + width), ToLong(int64_t{y} + height)};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(::MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcWork;
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

POINT FitIntoArea(int64_t left, int64_t top, LONG width, LONG height, const RECT& area)
{
    return POINT{static_cast<LONG>(FitAxis(left, width, area.left, area.right)),
                 static_cast<LONG>(FitAxis(top, height, area.top, area.bottom))};
}

POINT FitOnScreen(int64_t left, int64_t top, LONG width, LONG height)
{
    return FitIntoArea(left, top, width, height, WorkAreaNear(left, top, width, height));
}

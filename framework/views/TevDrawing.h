#pragma once
// The drawing services through which views paint: a paint context that
// knows which parts of the window need repainting, and a line and fill
// drawer. The platform supplies both; views never see the platform's own
// drawing objects.
//
// Coordinates are those of the client area of the window that shows the
// root panel; rectangles have exclusive right and bottom edges. Colours are
// three 16-bit channels (CTevColor).
#include "core/TevGeometry.h"

#include <vector>

// One paint: the platform's drawing surface and the area to repaint.
class CTevDrawInfo {
public:
    virtual ~CTevDrawInfo() = default;
    // Whether the rect meets any area to repaint. Every view asks this first
    // with its own rect and draws nothing when it is false.
    virtual bool IntersectsUpdate(const CTevRect& rect) = 0;
};

// Lines and solid fills on the surface of a draw info. A view that draws
// lines owns one, made through the resource manager's factory.
class CTevGraphDrawer {
public:
    virtual ~CTevGraphDrawer() = default;
    // A solid fill of the rect, clipped to it.
    virtual void FillRect(CTevDrawInfo& drawInfo, const CTevRect& rect, const CTevColor& color) = 0;
    // Connected line segments through the points in order; not clipped.
    virtual void Polyline(CTevDrawInfo& drawInfo, const std::vector<CTevPoint>& points, int penWidth,
                          const CTevColor& color) = 0;
    // Sets the start of the next LineTo; draws nothing.
    virtual void MoveTo(CTevDrawInfo& drawInfo, const CTevPoint& point) = 0;
    // A line from the current position to the point, which becomes the
    // current position.
    virtual void LineTo(CTevDrawInfo& drawInfo, const CTevPoint& point, int penWidth, const CTevColor& color) = 0;
};

// The paint context on Windows: the device context to draw on (the frame's
// off-screen memory context) and the window's update area as a list of
// rectangles. Also the colour conversion shared by the drawing classes and
// the routine that turns an update region into that list.
#pragma once

#include "graphics/GdiInclude.h"

#include "views/TevDrawing.h"

#include <vector>

using CRectList = std::vector<CTevRect>;

class CDrawInfo : public CTevDrawInfo {
public:
    CDrawInfo() = default;
    CDrawInfo(HDC dc, const CRectList* updateRects) : m_dc(dc), m_updateRects(updateRects) {}

    // With a list: true at the first rectangle that meets the rect, where
    // rectangles that only touch along an edge count as meeting. Without a
    // list: whether any of the rect lies in the device context's clip region.
    bool IntersectsUpdate(const CTevRect& rect) override;

    HDC m_dc = nullptr;                        // not owned
    const CRectList* m_updateRects = nullptr;  // not owned; null: the clip region decides
};

// The platform colour of a view colour: each channel's high byte.
inline COLORREF ToColorRef(const CTevColor& color)
{
    return RGB(color.red >> 8, color.green >> 8, color.blue >> 8);
}

inline RECT ToRECT(const CTevRect& rect)
{
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

// Appends the region's rectangles to the list in the platform's order.
void GetRegionRects(HRGN region, CRectList& rects);

// Lines and solid fills with GDI on the device context of a CDrawInfo. Any
// other kind of draw info is ignored (nothing is drawn).
#pragma once

#include "graphics/DrawInfo.h"

class CGraphDrawer : public CTevGraphDrawer {
public:
    // Clipped to the rect; nothing when the context's state cannot be saved.
    void FillRect(CTevDrawInfo& drawInfo, const CTevRect& rect, const CTevColor& color) override;
    void Polyline(CTevDrawInfo& drawInfo, const std::vector<CTevPoint>& points, int penWidth,
                  const CTevColor& color) override;
    void MoveTo(CTevDrawInfo& drawInfo, const CTevPoint& point) override;
    void LineTo(CTevDrawInfo& drawInfo, const CTevPoint& point, int penWidth, const CTevColor& color) override;
};

// The device context of a Windows draw info; null for any other draw info.
HDC DeviceContextOf(CTevDrawInfo& drawInfo);

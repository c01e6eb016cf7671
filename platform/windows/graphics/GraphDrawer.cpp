#include "graphics/GraphDrawer.h"

HDC DeviceContextOf(CTevDrawInfo& drawInfo)
{
    auto* info = dynamic_cast<CDrawInfo*>(&drawInfo);
    return info != nullptr ? info->m_dc : nullptr;
}

void CGraphDrawer::FillRect(CTevDrawInfo& drawInfo, const CTevRect& rect, const CTevColor& color)
{
    const HDC dc = DeviceContextOf(drawInfo);
    if (dc == nullptr) {
        return;
    }
    const int saved = ::SaveDC(dc);
    if (saved == 0) {
        return;
    }
    ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    const HBRUSH brush = ::CreateSolidBrush(ToColorRef(color));
    if (brush != nullptr) {
        const RECT area = ToRECT(rect);
        ::FillRect(dc, &area, brush);
        ::DeleteObject(brush);
    }
    ::RestoreDC(dc, saved);
}

void CGraphDrawer::Polyline(CTevDrawInfo& drawInfo, const std::vector<CTevPoint>& points, int penWidth,
                            const CTevColor& color)
{
    const HDC dc = DeviceContextOf(drawInfo);
    if (dc == nullptr || points.empty()) {
        return;
    }
    const HPEN pen = ::CreatePen(PS_SOLID, penWidth, ToColorRef(color));
    if (pen == nullptr) {
        return;
    }
    const HGDIOBJ previous = ::SelectObject(dc, pen);
    std::vector<POINT> platformPoints;
    platformPoints.reserve(points.size());
    for (const CTevPoint& point : points) {
        platformPoints.push_back(POINT{point.x, point.y});
    }
    ::Polyline(dc, platformPoints.data(), static_cast<int>(platformPoints.size()));
    ::SelectObject(dc, previous);
    ::DeleteObject(pen);
}

void CGraphDrawer::MoveTo(CTevDrawInfo& drawInfo, const CTevPoint& point)
{
    if (const HDC dc = DeviceContextOf(drawInfo)) {
        ::MoveToEx(dc, point.x, point.y, nullptr);
    }
}

void CGraphDrawer::LineTo(CTevDrawInfo& drawInfo, const CTevPoint& point, int penWidth, const CTevColor& color)
{
    const HDC dc = DeviceContextOf(drawInfo);
    if (dc == nullptr) {
        return;
    }
    const HPEN pen = ::CreatePen(PS_SOLID, penWidth, ToColorRef(color));
    if (pen == nullptr) {
        return;
    }
    const HGDIOBJ previous = ::SelectObject(dc, pen);
    ::LineTo(dc, point.x, point.y);
    ::SelectObject(dc, previous);
    ::DeleteObject(pen);
}

#include "support/FakeDrawing.h"

#include <algorithm>
#include <iterator>
#include <utility>

bool CFakeDrawInfo::IntersectsUpdate(const CTevRect& rect)
{
    queries.push_back(rect);
    if (!updateRects)
        return true;
    for (const CTevRect& update : *updateRects) {
        const int32_t left = std::max(rect.left, update.left);
        const int32_t top = std::max(rect.top, update.top);
        const int32_t right = std::min(rect.right, update.right);
        const int32_t bottom = std::min(rect.bottom, update.bottom);
        if (right >= left && bottom >= top)
            return true;
    }
    return false;
}

CRecordingGraphDrawer::~CRecordingGraphDrawer()
{
    if (deleted)
        *deleted = true;
}

void CRecordingGraphDrawer::FillRect(CTevDrawInfo& drawInfo, const CTevRect& rect, const CTevColor& color)
{
    calls.push_back(Fill(&drawInfo, rect, color));
}

void CRecordingGraphDrawer::Polyline(CTevDrawInfo& drawInfo, const std::vector<CTevPoint>& points, int penWidth,
                                     const CTevColor& color)
{
    calls.push_back(Line(&drawInfo, points, penWidth, color));
}

void CRecordingGraphDrawer::MoveTo(CTevDrawInfo& drawInfo, const CTevPoint& point)
{
    calls.push_back(Move(&drawInfo, point));
}

void CRecordingGraphDrawer::LineTo(CTevDrawInfo& drawInfo, const CTevPoint& point, int penWidth,
                                   const CTevColor& color)
{
    calls.push_back(LineEnd(&drawInfo, point, penWidth, color));
}

std::vector<CRecordingGraphDrawer::CCall> CRecordingGraphDrawer::CallsOf(EKind kind) const
{
    std::vector<CCall> result;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(result),
                 [kind](const CCall& call) { return call.kind == kind; });
    return result;
}

size_t CRecordingGraphDrawer::CountOf(EKind kind) const
{
    return static_cast<size_t>(
        std::count_if(calls.begin(), calls.end(), [kind](const CCall& call) { return call.kind == kind; }));
}

CRecordingGraphDrawer::CCall CRecordingGraphDrawer::Fill(const CTevDrawInfo* drawInfo, const CTevRect& rect,
                                                         const CTevColor& color)
{
    CCall call;
    call.kind = EKind::kFillRect;
    call.drawInfo = drawInfo;
    call.rect = rect;
    call.color = color;
    return call;
}

CRecordingGraphDrawer::CCall CRecordingGraphDrawer::Line(const CTevDrawInfo* drawInfo, std::vector<CTevPoint> points,
                                                         int penWidth, const CTevColor& color)
{
    CCall call;
    call.kind = EKind::kPolyline;
    call.drawInfo = drawInfo;
    call.points = std::move(points);
    call.penWidth = penWidth;
    call.color = color;
    return call;
}

CRecordingGraphDrawer::CCall CRecordingGraphDrawer::Move(const CTevDrawInfo* drawInfo, const CTevPoint& point)
{
    CCall call;
    call.kind = EKind::kMoveTo;
    call.drawInfo = drawInfo;
    call.points = {point};
    return call;
}

CRecordingGraphDrawer::CCall CRecordingGraphDrawer::LineEnd(const CTevDrawInfo* drawInfo, const CTevPoint& point,
                                                            int penWidth, const CTevColor& color)
{
    CCall call;
    call.kind = EKind::kLineTo;
    call.drawInfo = drawInfo;
    call.points = {point};
    call.penWidth = penWidth;
    call.color = color;
    return call;
}

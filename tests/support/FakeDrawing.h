#pragma once
// Test doubles for the drawing services: a paint context with a chosen
// update area that records every question asked of it, and a graph drawer
// that records every call with its arguments.
#include "views/TevDrawing.h"

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

// Without update rectangles every rect counts as visible. With a list, a
// rect meets the update area when its intersection with a listed rectangle
// has right >= left and bottom >= top, so rectangles that only share an
// edge meet, as they do on the platform; an empty list meets nothing.
class CFakeDrawInfo : public CTevDrawInfo {
public:
    CFakeDrawInfo() = default;
    explicit CFakeDrawInfo(std::vector<CTevRect> rects) : updateRects(std::move(rects)) {}

    bool IntersectsUpdate(const CTevRect& rect) override;

    // Set by the test.
    std::optional<std::vector<CTevRect>> updateRects;

    // Recorded: every rect asked about, in order.
    std::vector<CTevRect> queries;
};

class CRecordingGraphDrawer : public CTevGraphDrawer {
public:
    enum class EKind { kFillRect, kPolyline, kMoveTo, kLineTo };

    // One call. Fields a kind doesn't have stay at their defaults: FillRect
    // has rect and color; Polyline points, penWidth and color; MoveTo one
    // point; LineTo one point, penWidth and color.
    struct CCall {
        EKind kind = EKind::kFillRect;
        const CTevDrawInfo* drawInfo = nullptr;
        CTevRect rect;
        std::vector<CTevPoint> points;
        int penWidth = 0;
        CTevColor color;

        bool operator==(const CCall&) const = default;
    };

    ~CRecordingGraphDrawer() override;

    void FillRect(CTevDrawInfo& drawInfo, const CTevRect& rect, const CTevColor& color) override;
    void Polyline(CTevDrawInfo& drawInfo, const std::vector<CTevPoint>& points, int penWidth,
                  const CTevColor& color) override;
    void MoveTo(CTevDrawInfo& drawInfo, const CTevPoint& point) override;
    void LineTo(CTevDrawInfo& drawInfo, const CTevPoint& point, int penWidth, const CTevColor& color) override;

    // The recorded calls of one kind, in order.
    std::vector<CCall> CallsOf(EKind kind) const;
    size_t CountOf(EKind kind) const;

    // Builders for expected calls.
    static CCall Fill(const CTevDrawInfo* drawInfo, const CTevRect& rect, const CTevColor& color);
    static CCall Line(const CTevDrawInfo* drawInfo, std::vector<CTevPoint> points, int penWidth,
                      const CTevColor& color);
    static CCall Move(const CTevDrawInfo* drawInfo, const CTevPoint& point);
    static CCall LineEnd(const CTevDrawInfo* drawInfo, const CTevPoint& point, int penWidth,
                         const CTevColor& color);

    // Recorded, in order.
    std::vector<CCall> calls;
    // Set to true when the drawer is deleted, if given.
    bool* deleted = nullptr;
};

#pragma once
// A stand-in for the panel that holds the controls of a test: it records
// the rectangles it is asked to repaint and the capture changes, and maps
// client points to the screen by a fixed offset.
#include "core/TevGeometry.h"
#include "views/TevView.h"

#include <vector>

class CTestParentView : public CTevView {
public:
    explicit CTestParentView(CTevPoint screenOffset) : m_screenOffset(screenOffset)
    {
        m_name = "main";
        m_rect = CTevRect{100, 50, 500, 350};
    }
    CTevView* GetParent() const override { return nullptr; }
    CTevPoint ClientToScreen(const CTevPoint& point) const override
    {
        return {point.x + m_screenOffset.x, point.y + m_screenOffset.y};
    }
    void Draw(CTevDrawInfo&) override {}
    void Invalidate(const CTevRect* rect) override { invalidated.push_back(rect ? *rect : m_rect); }
    void SetCapture(bool capture) override
    {
        captures.push_back(capture);
        CTevView::SetCapture(capture);
    }

    std::vector<CTevRect> invalidated;
    std::vector<bool> captures;

private:
    CTevPoint m_screenOffset;
};

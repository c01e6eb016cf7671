#pragma once
// Stand-ins around the controls of a test: the panel that holds them, a
// view manager that hands every broadcast on to them, and a silent tip bar.
#include "core/TevGeometry.h"
#include "core/TevServices.h"
#include "views/TevView.h"

#include "support/ManagerTestSupport.h"

#include <vector>

// The panel that holds the controls of a test: it records the rectangles it
// is asked to repaint and the capture changes, and maps client points to the
// screen by a fixed offset.
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

// Hands every broadcast on to the controls of the test, as the panel tree
// would.
class CForwardingViewManager : public CRecordingViewManager {
public:
    bool BroadcastValuesChanged(const std::vector<CTevValue*>& values) override
    {
        CRecordingViewManager::BroadcastValuesChanged(values);
        bool any = false;
        for (CTevView* view : controls)
            any = view->OnValuesChanged(values) || any;
        return any;
    }
    std::vector<CTevView*> controls;
};

class CFakeTipBar : public CTevTipBar {
public:
    // Whether the window would show now.
    void Update() override { shown = m_visible; }
    bool shown = false;
};

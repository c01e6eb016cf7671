#pragma once
// A minimal window for a root panel in the Windows tests: it paints the
// panel through a memory bitmap with the update rectangles, and hands the
// left mouse button's messages to the panel. Also a resource factory and a
// view factory that make the Windows drawing classes and these windows.
#include "appkit/Wnd.h"
#include "graphics/DrawInfo.h"

#include "core/TevResources.h"
#include "views/TevPanel.h"
#include "views/TevViewFactory.h"

#include <memory>

class CTestPanelWindow : public CWnd, public ITevPanelWindow {
public:
    explicit CTestPanelWindow(CTevRootPanel& panel) : m_panel(panel) {}
    ~CTestPanelWindow() override;

    bool Open();
    void SetCapture(bool capture) override;
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    void Invalidate(const CTevRect& rect) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    int paints = 0;

private:
    void Paint();
    CTevRootPanel& m_panel;
};

class CTestResourceFactory : public ITevResourceFactory {
public:
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override;
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override;
    CTevGraphDrawer* CreateGraphDrawer() override;
};

// Makes CPopEditControl for "edit" and a CTestPanelWindow for each open
// root panel.
class CTestViewFactory : public CTevViewFactory {
public:
    CTestViewFactory();
    std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel& panel) override;
    CTestPanelWindow* lastWindow = nullptr;
};

#pragma once
// The windows that show root panels, and the splash picture.
//
// The panel named "main" lives in CMainFrame, the program's main window,
// with the menu and a child CMainView that holds the panel's pixels; every
// other root panel lives in a CSubFrame, which is frame and view at once.
// They turn mouse, key and timer messages into the framework's events,
// paint through one memory bitmap per paint message, keep each window's
// position in its panel, and join the application's window stack so that
// a modal panel disables the windows below it.
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "appkit/FrameWnd.h"
#include "appkit/Wnd.h"
#include "core/TevGeometry.h"
#include "views/TevPanel.h"

#include <windows.h>

#include <memory>

class CTevKeyInfo;
class CTevMouseInfo;

// The shell's root panel. Its window is made through the view factory
// (OpenPanelWindow) when it opens and deleted when it closes; the window
// joins the application's window stack for as long as it exists.
class CRootPanel : public CTevRootPanel {
public:
    // The window is shown (and the main window painted once) before the
    // panel inside it is open; what it shows is stale until repainted.
    bool Open() override;
};

// The shell's node panel. A panel that opens or closes by its condition
// changes what its area shows, so it asks for that area to be repainted.
class CNodePanel : public CTevNodePanel {
public:
    bool Open() override;
    bool Close() override;
};

// Turning window messages into the framework's events. Shared by the main
// view and the sub-frames.
namespace TevInput {
// Kind 0-3 for the four left-button mouse messages, -1 for any other.
int MouseKindOf(UINT message);
// Shift and Ctrl from a mouse message's key flags: bit 0 and bit 1.
int MouseModifiersOf(WPARAM keyFlags);
// The framework's code of a virtual key.
int KeyCodeOf(WPARAM virtualKey);
}

// What a window that shows a root panel's pixels does: hand the panel its
// input and ticks, and paint it. Mixed into the main view and each
// sub-frame.
class CPanelViewPart {
public:
    CTevRootPanel* GetRootPanel() const { return m_rootPanel; }
    // Starts the 50 ms tick of the window and keeps the panel.
    void StartTimer(CWnd& window, CTevRootPanel* panel);
    void StopTimer(CWnd& window);

protected:
    // Mouse, key, timer and paint messages of the window; true when the
    // message was one of them, with the result in result.
    bool HandlePanelMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void Paint(HWND window);

    CTevRootPanel* m_rootPanel = nullptr;
    UINT_PTR m_timerId = 0;
};

class CMainView : public CWnd, public CPanelViewPart {
public:
    bool Create(CWnd* parent);
    BOOL DestroyWindow() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The frames are the panels' windows: deleting one destroys its window,
// storing the window's position into the panel as it goes.
class CMainFrame : public CFrameWnd, public ITevPanelWindow {
public:
    CMainFrame() = default;
    ~CMainFrame() override;

    // Menu, icon and title from resource 1024; the client area shows the
    // panel at the panel's position.
    bool Create(CTevRootPanel& panel);
    // Caption, system menu and minimise box only; no background.
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // Asks the panel to close instead of destroying the window.
    BOOL DestroyWindow() override;
    // The view across the client area; once the panel is known the frame
    // is sized so that the view's client area is the panel's rect.
    void RecalcLayout() override;

    void SetCapture(bool capture) override;
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    void Invalidate(const CTevRect& rect) override;

    CMainView& GetView() { return m_view; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int OnCreate();
    CMainView m_view;
    CTevRootPanel* m_panel = nullptr;
    bool m_inLayout = false;
};

class CSubFrame : public CFrameWnd, public CPanelViewPart, public ITevPanelWindow {
public:
    CSubFrame() = default;
    ~CSubFrame() override;

    bool Create(CTevRootPanel& panel);
    BOOL DestroyWindow() override;

    void SetCapture(bool capture) override;
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    void Invalidate(const CTevRect& rect) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CTevRootPanel* m_panel = nullptr;
};

// Makes the window of a root panel that opens: a CMainFrame for "main",
// a CSubFrame for every other; null when it can't be made.
std::unique_ptr<ITevPanelWindow> OpenPanelWindow(CTevRootPanel& panel);

// The picture shown centred on the screen while the script loads.
class CSplashWindow : public CWnd {
public:
    CSplashWindow() = default;
    ~CSplashWindow() override;
    // Without the bitmap resource there is no window (and false).
    bool Create();
    // Destroys the window and repaints the main window, when there is one.
    void Hide();
    void Repaint();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HBITMAP m_bitmap = nullptr;
};

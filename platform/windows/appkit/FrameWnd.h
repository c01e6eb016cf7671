// A top-level frame window: menu, icon and title from one resource id, a
// pane (the child with id kPaneFirstId) that fills the client area, and
// command routing pane -> frame -> application. A frame never deletes itself;
// its owner does. Closing it calls the virtual DestroyWindow.
#pragma once

#include "appkit/Wnd.h"

class CFrameWnd : public CWnd {
public:
    static constexpr UINT kPaneFirstId = 0xE900;
    // CW_USEDEFAULT position and size.
    static const RECT rectDefault;

    CFrameWnd() = default;
    ~CFrameWnd() override;

    // Menu, icon and title (the text before the first line feed of the
    // string) of the resource id; the window class gets the icon. False when
    // the window cannot be created (a missing menu or title is no failure).
    virtual bool LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* parent = nullptr);
    bool Create(const char* className, const char* title, DWORD style = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* parent = nullptr, HMENU menu = nullptr,
                DWORD exStyle = 0);

    // Sizes the pane to the client area.
    virtual void RecalcLayout();
    CWnd* GetPane() const;

    // Pane first, then the frame's own table, then the application.
    bool OnCmdMsg(UINT id, int code, CCmdUI* ui, bool query = false) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    static constexpr DWORD FWS_ADDTOTITLE = 0x00008000L;

protected:
    // WM_CLOSE: the virtual DestroyWindow.
    virtual void OnClose();

    HMENU m_loadedMenu = nullptr;
    HICON m_loadedIcon = nullptr;
    UINT m_resourceId = 0;
    std::string m_className;
};

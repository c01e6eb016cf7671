// The window object: one C++ object per window, found from its handle. The
// object is attached before the window's first message (WM_NCCREATE), so it
// handles WM_CREATE itself. Windows of system classes (edit, combo box, list
// view...) created through CreateEx or taken over with SubclassWindow get the
// same treatment; their own window procedure does the default handling.
#pragma once

#include "appkit/CmdTarget.h"

#include "appkit/Win32.h"

#include <functional>
#include <string>

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object attached to the window, or a temporary object (deleted in
    // the application's idle time) for a window that has none. Null for null.
    static CWnd* FromHandle(HWND hwnd);
    // The attached object only, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates the window; the object is attached at WM_NCCREATE. For a child
    // window idOrMenu is the control id, else a menu handle or 0.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                  const RECT& rect, CWnd* parent, UINT idOrMenu);
    bool Create(const char* className, const char* title, DWORD style, const RECT& rect,
                CWnd* parent, UINT id);

    // A chance to change the creation parameters.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

    // Virtual, so a derived window can refuse or do more; destroys the real window.
    virtual BOOL DestroyWindow();

    // Attaches the object to an existing window and routes its messages
    // through WindowProc (the window's own procedure does the default).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    // Attaches without routing messages (a wrapper over a window owned elsewhere).
    bool Attach(HWND hwnd);
    HWND Detach();

    // Every message of the window passes here.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Default handling: the subclassed procedure, or ::DefWindowProc.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called by the message loop for each message aimed at this window or one
    // of its children before it is dispatched; true = handled, do not dispatch.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // After WM_NCDESTROY, with the object detached. The object never deletes
    // itself unless a derived class does it here.
    virtual void PostNcDestroy() {}

    // WM_COMMAND: offered to the control first (reflection), then to
    // OnCmdMsg. True if handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: offered to the control first (reflection). True if handled.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification reflected back to the control that sent it
    // (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*, WM_HSCROLL/VSCROLL).
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Modal loop on this window: runs until EndModalLoop or until the window
    // is destroyed, pumping messages through the application's
    // PreTranslateMessage. A WM_QUIT ends it and is posted again.
    int RunModalLoop();
    virtual void EndModalLoop(int result);
    bool ContinueModal() const { return m_modalRunning; }
    bool IsInModalLoop() const { return m_modalRunning; }

    // A window class of our own with this window procedure, named after its
    // settings; registered once.
    static std::string RegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr,
                                        HBRUSH background = nullptr, HICON icon = nullptr);

    // Thin wrappers.
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE); }
    void InvalidateRect(const RECT* rect, bool erase = true)
    {
        ::InvalidateRect(m_hWnd, rect, erase ? TRUE : FALSE);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(RECT* rect) const;
    BOOL MoveWindow(int x, int y, int width, int height, bool repaint = true)
    {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint ? TRUE : FALSE);
    }
    BOOL MoveWindow(const RECT& rect, bool repaint = true)
    {
        return MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const;
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    HWND GetDlgItemHandle(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }
    void DrawMenuBar() { ::DrawMenuBar(m_hWnd); }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    LONG_PTR GetExStyle() const { return ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    void CenterWindow(HWND alternateOwner = nullptr);
    // Brings every command item of the window's menu up to date (items
    // without a handler greyed) before the menu opens.
    void UpdateMenuCommands(HMENU menu, CCmdTarget* target);

    // The window procedure of every window of ours.
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Deletes the temporary objects made by FromHandle (idle time).
    static void DeleteTempMap();

protected:
    // Runs a function that creates one window (CreateWindowEx, a dialog
    // creation...) with this object attached to it before its first message.
    bool CreateWithObject(const std::function<HWND()>& create);

    // The default procedure of a subclassed window (null: DefWindowProc).
    WNDPROC m_oldWndProc = nullptr;
    bool m_modalRunning = false;
    int m_modalResult = 0;

private:
    friend struct WndInternals;
    void AttachToMap(HWND hwnd);
    void DetachFromMap();
    bool m_temporary = false;
};

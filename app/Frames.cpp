#include "Frames.h"

#include "App.h"
#include "Services.h"
#include "resource.h"

#include "appkit/ScreenArea.h"
#include "appkit/WinApp.h"
#include "graphics/DrawInfo.h"
#include "ModalWindowStack.h"
#include "TipBar.h"
#include "core/TevManager.h"
#include "views/TevView.h"

#include <imm.h>
#include <windowsx.h>

namespace {

constexpr UINT_PTR kTickTimerId = 1;
constexpr UINT kTickMs = 50;

HICON ProgramIcon()
{
    return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void InputMethodOff(HWND window)
{
    ::ImmAssociateContext(window, nullptr);
}

CModalWindowStack* WindowStack()
{
    CApp* app = TevGetApp();
    return app ? &app->GetWindowStack() : nullptr;
}

void JoinWindowStack(CWnd* frame, bool modal)
{
    if (CModalWindowStack* stack = WindowStack())
        stack->Add(frame, modal);
}

void LeaveWindowStack(CWnd* frame)
{
    if (CModalWindowStack* stack = WindowStack())
        stack->Remove(frame);
}

// Puts the hidden window, of the given size, at the panel's saved position,
// moved wholly into the work area where it fits: the screen may have
// shrunk, a monitor gone, the file been mangled since. The placement is in
// workspace coordinates, which a task bar shifts from the screen's; the
// shift is measured on the window itself.
void PlaceAtSavedPosition(HWND window, const CTevPoint& position, LONG width, LONG height)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    RECT screen;
    if (!::GetWindowPlacement(window, &placement) || !::GetWindowRect(window, &screen))
        return;
    const LONG dx = screen.left - placement.rcNormalPosition.left;
    const LONG dy = screen.top - placement.rcNormalPosition.top;
    const POINT at = FitOnScreen(int64_t{position.x} + dx, int64_t{position.y} + dy, width, height);
    placement.rcNormalPosition = RECT{at.x - dx, at.y - dy, at.x - dx + width, at.y - dy + height};
    placement.showCmd = SW_HIDE;
    ::SetWindowPlacement(window, &placement);
}

// The normal rectangle's top-left corner becomes the panel's position.
void StorePosition(HWND window, CTevRootPanel* panel)
{
    if (!panel)
        return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(window, &placement))
        panel->SetWindowPosition(CTevPoint{placement.rcNormalPosition.left, placement.rcNormalPosition.top});
}

// A panel's events may close the panel of the very window that handles
// them, which deletes the window object with it: true while the object
// still owns its window.
bool StillOwnsWindow(HWND window, const CWnd* object)
{
    return window && CWnd::FromHandlePermanent(window) == object;
}

// What the main frame and a sub-frame do alike: a panel whose window is
// deactivated or moved is no longer active. A window that is deactivated,
// or told to cancel its modes (a dialog is about to disable it), ends a
// gesture that holds the mouse: no note stays on. True while the frame
// still owns its window afterwards.
bool OnFrameStateMessage(CWnd& frame, CTevRootPanel* panel, UINT message, WPARAM wParam)
{
    const HWND hwnd = frame.GetSafeHwnd();
    const bool inactive = message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE;
    if (panel && (inactive || message == WM_CANCELMODE))
        panel->CancelCapture();
    if (panel && (message == WM_MOVE || inactive))
        panel->SetActive(false);
    return StillOwnsWindow(hwnd, &frame);
}

// The mouse capture, screen coordinates and invalidation of the window that
// shows a panel.
void SetPanelCapture(HWND window, bool capture)
{
    if (capture)
        ::SetCapture(window);
    else if (::GetCapture() == window)
        ::ReleaseCapture();
}

CTevPoint PanelClientToScreen(HWND window, const CTevPoint& point)
{
    POINT p = {point.x, point.y};
    ::ClientToScreen(window, &p);
    return CTevPoint{p.x, p.y};
}

void InvalidatePanel(HWND window, const CTevRect& rect)
{
    const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    ::InvalidateRect(window, &r, TRUE);
}

} // namespace

// ---------------------------------------------------------------------------
// CRootPanel, CNodePanel
// ---------------------------------------------------------------------------

bool CRootPanel::Open()
{
    const bool opened = CTevRootPanel::Open();
    if (opened)
        Invalidate(nullptr);
    return opened;
}

bool CNodePanel::Open()
{
    const bool opened = CTevNodePanel::Open();
    Invalidate(nullptr);
    return opened;
}

bool CNodePanel::Close()
{
    const bool closed = CTevNodePanel::Close();
    Invalidate(nullptr);
    return closed;
}

// ---------------------------------------------------------------------------
// Input translation
// ---------------------------------------------------------------------------

int TevInput::MouseKindOf(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        return CTevMouseInfo::kButtonDown;
    case WM_LBUTTONUP:
        return CTevMouseInfo::kButtonUp;
    case WM_LBUTTONDBLCLK:
        return CTevMouseInfo::kDoubleClick;
    case WM_MOUSEMOVE:
        return CTevMouseInfo::kMove;
    default:
        return -1;
    }
}

int TevInput::MouseModifiersOf(WPARAM keyFlags)
{
    // MK_SHIFT is 4 and MK_CONTROL 8.
    return static_cast<int>((keyFlags / 4) & 3);
}

int TevInput::KeyCodeOf(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_HOME:
        return CTevKeyInfo::kHome;
    case VK_UP:
        return CTevKeyInfo::kUp;
    case VK_DOWN:
        return CTevKeyInfo::kDown;
    case VK_LEFT:
        return CTevKeyInfo::kLeft;
    case VK_RIGHT:
        return CTevKeyInfo::kRight;
    default:
        return static_cast<int>(virtualKey);
    }
}

// ---------------------------------------------------------------------------
// CPanelViewPart
// ---------------------------------------------------------------------------

void CPanelViewPart::StartTimer(CWnd& window, CTevRootPanel* panel)
{
    m_rootPanel = panel;
    m_timerId = window.SetTimer(kTickTimerId, kTickMs);
}

void CPanelViewPart::StopTimer(CWnd& window)
{
    if (m_timerId && window.GetSafeHwnd())
        window.KillTimer(m_timerId);
    m_timerId = 0;
}

bool CPanelViewPart::HandlePanelMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result)
{
    const int mouseKind = TevInput::MouseKindOf(message);
    if (mouseKind >= 0) {
        if (m_rootPanel) {
            CTevMouseInfo mouse(mouseKind, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                TevInput::MouseModifiersOf(wParam));
            m_rootPanel->OnMouse(mouse);
        }
        result = 0;
        return true;
    }
    const HWND hwnd = window.GetSafeHwnd();
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
        // Bit 30: the key was already down, an auto-repeat. The controls
        // run their own repeat, so only the first key-down counts.
        const bool repeat = message == WM_KEYDOWN && (lParam & (1L << 30)) != 0;
        if (m_rootPanel && !repeat) {
            CTevKeyInfo key;
            key.kind = message == WM_KEYDOWN ? CTevKeyInfo::kKeyDown : CTevKeyInfo::kKeyUp;
            key.code = TevInput::KeyCodeOf(wParam);
            key.modifiers = (::GetKeyState(VK_SHIFT) < 0 ? CTevKeyInfo::kShift : 0) |
                            (::GetKeyState(VK_CONTROL) < 0 ? CTevKeyInfo::kCtrl : 0);
            m_rootPanel->OnKey(key);
        }
        result = StillOwnsWindow(hwnd, &window) ? window.DefWindowProc(message, wParam, lParam) : 0;
        return true;
    }
    case WM_TIMER:
        if (m_rootPanel)
            m_rootPanel->OnTick(0);
        result = StillOwnsWindow(hwnd, &window) ? window.DefWindowProc(message, wParam, lParam) : 0;
        return true;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a menu, a dialog, another
        // program) while a view still holds it. When the panel lets the
        // capture go itself, its flag is already clear.
        if (m_rootPanel && reinterpret_cast<HWND>(lParam) != hwnd)
            m_rootPanel->CancelCapture();
        result = 0;
        return true;
    case WM_PAINT:
        Paint(window.GetSafeHwnd());
        result = 0;
        return true;
    case WM_ERASEBKGND:
        // Everything is painted through the memory bitmap.
        result = 1;
        return true;
    default:
        return false;
    }
}

void CPanelViewPart::Paint(HWND window)
{
    CRectList updateRects;
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (region) {
        if (::GetUpdateRgn(window, region, FALSE) != ERROR)
            GetRegionRects(region, updateRects);
        ::DeleteObject(region);
    }
    PAINTSTRUCT paint;
    HDC windowDc = ::BeginPaint(window, &paint);
    if (!windowDc)
        return;
    RECT client;
    ::GetClientRect(window, &client);
    RECT clip;
    ::GetClipBox(windowDc, &clip);
    HDC memoryDc = ::CreateCompatibleDC(windowDc);
    HBITMAP bitmap = memoryDc ? ::CreateCompatibleBitmap(windowDc, client.right, client.bottom) : nullptr;
    if (bitmap && m_rootPanel) {
        HGDIOBJ old = ::SelectObject(memoryDc, bitmap);
        ::IntersectClipRect(memoryDc, clip.left, clip.top, clip.right, clip.bottom);
        {
            CDrawInfo drawInfo(memoryDc, &updateRects);
            m_rootPanel->Draw(drawInfo);
        }
        ::BitBlt(windowDc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memoryDc, clip.left,
                 clip.top, SRCCOPY);
        ::SelectObject(memoryDc, old);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (memoryDc)
        ::DeleteDC(memoryDc);
    ::EndPaint(window, &paint);
}

// ---------------------------------------------------------------------------
// CMainView
// ---------------------------------------------------------------------------

bool CMainView::Create(CWnd* parent)
{
    const std::string className = RegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                                   ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)), nullptr, nullptr);
    const RECT empty = {0, 0, 0, 0};
    // The first pane id of a frame.
    constexpr UINT kFirstPane = 0xE900;
    return CreateEx(WS_EX_CLIENTEDGE, className.c_str(), "", WS_CHILD | WS_VISIBLE, empty, parent, kFirstPane);
}

BOOL CMainView::DestroyWindow()
{
    StopTimer(*this);
    return CWnd::DestroyWindow();
}

LRESULT CMainView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_CREATE:
        InputMethodOff(m_hWnd);
        return 0;
    case WM_DESTROY:
        StopTimer(*this);
        m_rootPanel = nullptr;
        break;
    default:
        if (HandlePanelMessage(*this, message, wParam, lParam, result))
            return result;
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CMainFrame
// ---------------------------------------------------------------------------

CMainFrame::~CMainFrame()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    // A frame that never opened, or is gone, is nobody's main window.
    if (CWinApp* app = GetApp(); app && app->GetMainWnd() == this)
        app->SetMainWnd(nullptr);
}

bool CMainFrame::Create(CTevRootPanel& panel)
{
    CWinApp* app = GetApp();
    if (app)
        app->SetMainWnd(this);
    if (!LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
        // Nobody may find a frame that never opened as the main window.
        if (app && app->GetMainWnd() == this)
            app->SetMainWnd(nullptr);
        return false;
    }
    m_panel = &panel;
    m_view.StartTimer(m_view, &panel);
    RecalcLayout();

    RECT frame;
    ::GetWindowRect(m_hWnd, &frame);
    PlaceAtSavedPosition(m_hWnd, panel.GetWindowPosition(), frame.right - frame.left, frame.bottom - frame.top);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return true;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    // The client area is the panel's rect and never changes size.
    cs.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    cs.dwExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
    m_className = RegisterWndClass(0, nullptr, nullptr, m_loadedIcon);
    cs.lpszClass = m_className.c_str();
    return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate()
{
    InputMethodOff(m_hWnd);
    if (!m_view.Create(this))
        return -1;
    CTevManager& manager = CTevManager::Instance();
    if (auto* tipBar = dynamic_cast<CTipBar*>(manager.GetTipBar()); tipBar && !tipBar->Create())
        return -1;
    if (auto* poster = dynamic_cast<CFunctionPostCaller*>(manager.GetPostCaller()); poster && !poster->Create())
        return -1;
    return 0;
}

void CMainFrame::RecalcLayout()
{
    if (m_inLayout || !m_hWnd)
        return;
    m_inLayout = true;
    CFrameWnd::RecalcLayout();
    // A menu bar that wraps to another line when the width changes changes
    // the client height again: a few rounds settle it.
    for (int round = 0; round < 3 && m_view.GetSafeHwnd() && m_view.GetRootPanel(); ++round) {
        const CTevRect panelRect = m_view.GetRootPanel()->GetRect();
        RECT frame;
        RECT viewClient;
        ::GetWindowRect(m_hWnd, &frame);
        ::GetClientRect(m_view.GetSafeHwnd(), &viewClient);
        const int width = (frame.right - frame.left) + panelRect.Width() - viewClient.right;
        const int height = (frame.bottom - frame.top) + panelRect.Height() - viewClient.bottom;
        if (width == frame.right - frame.left && height == frame.bottom - frame.top)
            break;
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CFrameWnd::RecalcLayout();
    }
    m_inLayout = false;
}

BOOL CMainFrame::DestroyWindow()
{
    // The panel decides: it may write its close value and stay open. When
    // it closes, it deletes this frame; nothing may touch it afterwards.
    if (CTevRootPanel* panel = m_panel)
        panel->RequestClose();
    return TRUE;
}

void CMainFrame::SetCapture(bool capture)
{
    SetPanelCapture(m_view.GetSafeHwnd(), capture);
}

CTevPoint CMainFrame::ClientToScreen(const CTevPoint& point) const
{
    return PanelClientToScreen(const_cast<CMainView&>(m_view).GetSafeHwnd(), point);
}

void CMainFrame::Invalidate(const CTevRect& rect)
{
    InvalidatePanel(m_view.GetSafeHwnd(), rect);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (CFrameWnd::WindowProc(message, wParam, lParam) == -1)
            return -1;
        return OnCreate();
    case WM_ACTIVATE:
    case WM_CANCELMODE:
    case WM_MOVE:
        if (!OnFrameStateMessage(*this, m_panel, message, wParam))
            return 0;
        break;
    case WM_DESTROY:
        StorePosition(m_hWnd, m_panel);
        if (CApp* app = TevGetApp())
            app->OnMainWindowDestroyed(this);
        break;
    default:
        break;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CSubFrame
// ---------------------------------------------------------------------------

CSubFrame::~CSubFrame()
{
    StopTimer(*this);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CSubFrame::Create(CTevRootPanel& panel)
{
    m_panel = &panel;
    const std::string className =
        RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)), nullptr, ProgramIcon());
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    if (!panel.IsModal())
        style |= WS_MINIMIZEBOX;
    if (!CFrameWnd::Create(className.c_str(), panel.GetName().c_str(), style, rectDefault, nullptr, nullptr))
        return false;
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    StartTimer(*this, &panel);
    return true;
}

BOOL CSubFrame::DestroyWindow()
{
    if (CTevRootPanel* panel = m_panel)
        panel->RequestClose();
    return TRUE;
}

void CSubFrame::SetCapture(bool capture)
{
    SetPanelCapture(m_hWnd, capture);
}

CTevPoint CSubFrame::ClientToScreen(const CTevPoint& point) const
{
    return PanelClientToScreen(m_hWnd, point);
}

void CSubFrame::Invalidate(const CTevRect& rect)
{
    InvalidatePanel(m_hWnd, rect);
}

LRESULT CSubFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_CREATE: {
        // The client area is the panel's rect, at the panel's saved position
        // brought onto the screen.
        RECT window;
        RECT client;
        ::GetWindowRect(m_hWnd, &window);
        ::GetClientRect(m_hWnd, &client);
        const CTevPoint position = m_panel ? m_panel->GetWindowPosition() : CTevPoint{};
        const CTevRect panelRect = m_panel ? m_panel->GetRect() : CTevRect{};
        PlaceAtSavedPosition(m_hWnd, position, panelRect.Width() + (window.right - window.left) - client.right,
                             panelRect.Height() + (window.bottom - window.top) - client.bottom);
        if (CFrameWnd::WindowProc(message, wParam, lParam) == -1)
            return -1;
        InputMethodOff(m_hWnd);
        return 0;
    }
    case WM_ACTIVATE:
    case WM_CANCELMODE:
    case WM_MOVE:
        if (!OnFrameStateMessage(*this, m_panel, message, wParam))
            return 0;
        break;
    case WM_DESTROY:
        StopTimer(*this);
        StorePosition(m_hWnd, m_panel);
        m_rootPanel = nullptr;
        break;
    default:
        if (HandlePanelMessage(*this, message, wParam, lParam, result))
            return result;
        break;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Making a panel's window
// ---------------------------------------------------------------------------

namespace {

// Leaves the window stack as the frame goes; the frame itself destroys its
// window in its destructor.
template <class TFrame>
class CStackedFrame : public TFrame {
public:
    ~CStackedFrame() override
    {
        if (m_joined)
            LeaveWindowStack(this);
    }
    bool m_joined = false;
};

// Opens the frame; it joins the window stack once it is open.
template <class TFrame>
std::unique_ptr<ITevPanelWindow> OpenStackedFrame(CTevRootPanel& panel)
{
    auto frame = std::make_unique<CStackedFrame<TFrame>>();
    if (!frame->Create(panel))
        return nullptr;
    JoinWindowStack(frame.get(), panel.IsModal());
    frame->m_joined = true;
    return frame;
}

} // namespace

std::unique_ptr<ITevPanelWindow> OpenPanelWindow(CTevRootPanel& panel)
{
    if (panel.GetName() == "main")
        return OpenStackedFrame<CMainFrame>(panel);
    return OpenStackedFrame<CSubFrame>(panel);
}

// ---------------------------------------------------------------------------
// CSplashWindow
// ---------------------------------------------------------------------------

CSplashWindow::~CSplashWindow()
{
    Hide();
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
}

bool CSplashWindow::Create()
{
    m_bitmap = static_cast<HBITMAP>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
    if (!m_bitmap)
        return false;
    BITMAP info = {};
    ::GetObjectA(m_bitmap, sizeof info, &info);
    const std::string className =
        RegisterWndClass(0, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)), nullptr, ProgramIcon());
    const RECT rect = {0, 0, info.bmWidth, info.bmHeight};
    CWinApp* app = GetApp();
    const std::string title = app ? app->GetAppName() : std::string();
    if (!CreateEx(0, className.c_str(), title.c_str(), WS_POPUP | WS_VISIBLE | WS_SYSMENU, rect, nullptr, 0))
        return false;
    Repaint();
    return true;
}

void CSplashWindow::Repaint()
{
    if (m_hWnd)
        ::UpdateWindow(m_hWnd);
}

void CSplashWindow::Hide()
{
    if (!m_hWnd)
        return;
    ::DestroyWindow(m_hWnd);
    if (CWinApp* app = GetApp(); app && app->GetMainWnd() && app->GetMainWnd()->GetSafeHwnd())
        ::UpdateWindow(app->GetMainWnd()->GetSafeHwnd());
}

LRESULT CSplashWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        ::SetWindowPos(m_hWnd, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                       (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_hWnd, &paint);
        if (dc && m_bitmap) {
            HDC memoryDc = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(memoryDc, m_bitmap);
            BITMAP info = {};
            ::GetObjectA(m_bitmap, sizeof info, &info);
            ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memoryDc, 0, 0, SRCCOPY);
            ::SelectObject(memoryDc, old);
            ::DeleteDC(memoryDc);
        }
        ::EndPaint(m_hWnd, &paint);
        return 0;
    }
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

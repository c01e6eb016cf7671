#include "appkit/Wnd.h"

#include "appkit/WinApp.h"

#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <vector>

// Shared state of the window objects: the handle map, the temporary objects
// and the creation hook.
struct WndInternals {
    std::mutex mutex;
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, CWnd*> temporary;

    static WndInternals& Get()
    {
        static WndInternals internals;
        return internals;
    }

    // The object whose window is being created on this thread, attached by
    // the creation hook before the window's first message.
    static thread_local CWnd* creating;
    static thread_local HHOOK hook;

    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND && creating != nullptr) {
            CWnd* wnd = creating;
            creating = nullptr;
            const HWND hwnd = reinterpret_cast<HWND>(wParam);
            wnd->AttachToMap(hwnd);
            const WNDPROC current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
            if (current != &CWnd::StdWndProc) {
                // A system class: its own procedure does the default handling.
                wnd->m_oldWndProc = current;
                ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc));
            }
        }
        return ::CallNextHookEx(hook, code, wParam, lParam);
    }
};

thread_local CWnd* WndInternals::creating = nullptr;
thread_local HHOOK WndInternals::hook = nullptr;

namespace {

// Installs the creation hook for one CreateEx (nesting allowed: a window may
// create children while it handles WM_CREATE).
class CreationScope {
public:
    explicit CreationScope(CWnd* wnd) : m_previous(WndInternals::creating), m_ownsHook(false)
    {
        if (WndInternals::hook == nullptr) {
            WndInternals::hook = ::SetWindowsHookExA(WH_CBT, &WndInternals::CbtHook, nullptr,
                                                     ::GetCurrentThreadId());
            m_ownsHook = true;
        }
        WndInternals::creating = wnd;
    }
    ~CreationScope()
    {
        WndInternals::creating = m_previous;
        if (m_ownsHook && WndInternals::hook != nullptr) {
            ::UnhookWindowsHookEx(WndInternals::hook);
            WndInternals::hook = nullptr;
        }
    }
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

private:
    CWnd* m_previous;
    bool m_ownsHook;
};

bool IsReflected(UINT msg)
{
    switch (msg) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        return true;
    default:
        return false;
    }
}

// The control that sent a notification message, for reflection.
HWND NotifyingControl(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWITEM:
        return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_MEASUREITEM:
        return ::GetDlgItem(parent, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
    default:
        (void)wParam;
        return reinterpret_cast<HWND>(lParam);
    }
}

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && !m_temporary) {
        // Still has its window: destroy it now, the object is going away.
        const HWND hwnd = m_hWnd;
        if (::IsWindow(hwnd)) {
            ::DestroyWindow(hwnd);
        }
        if (m_hWnd != nullptr) {
            DetachFromMap();
        }
    }
}

void CWnd::AttachToMap(HWND hwnd)
{
    WndInternals& in = WndInternals::Get();
    std::lock_guard<std::mutex> lock(in.mutex);
    m_hWnd = hwnd;
    in.permanent[hwnd] = this;
}

void CWnd::DetachFromMap()
{
    WndInternals& in = WndInternals::Get();
    std::lock_guard<std::mutex> lock(in.mutex);
    auto it = in.permanent.find(m_hWnd);
    if (it != in.permanent.end() && it->second == this) {
        in.permanent.erase(it);
    }
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    if (hwnd == nullptr) {
        return nullptr;
    }
    WndInternals& in = WndInternals::Get();
    std::lock_guard<std::mutex> lock(in.mutex);
    auto it = in.permanent.find(hwnd);
    return it != in.permanent.end() ? it->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (hwnd == nullptr) {
        return nullptr;
    }
    WndInternals& in = WndInternals::Get();
    std::lock_guard<std::mutex> lock(in.mutex);
    if (auto it = in.permanent.find(hwnd); it != in.permanent.end()) {
        return it->second;
    }
    if (auto it = in.temporary.find(hwnd); it != in.temporary.end()) {
        return it->second;
    }
    CWnd* wnd = new CWnd;
    wnd->m_hWnd = hwnd;
    wnd->m_temporary = true;
    in.temporary[hwnd] = wnd;
    return wnd;
}

void CWnd::DeleteTempMap()
{
    std::vector<CWnd*> doomed;
    {
        WndInternals& in = WndInternals::Get();
        std::lock_guard<std::mutex> lock(in.mutex);
        for (auto& [hwnd, wnd] : in.temporary) {
            doomed.push_back(wnd);
        }
        in.temporary.clear();
    }
    for (CWnd* wnd : doomed) {
        wnd->m_hWnd = nullptr;
        delete wnd;
    }
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&)
{
    return TRUE;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                    const RECT& rect, CWnd* parent, UINT idOrMenu)
{
    if (m_hWnd != nullptr) {
        return false;
    }
    CREATESTRUCTA cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = static_cast<LONG>(style);
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(idOrMenu));
    cs.hInstance = CWinApp::GetResourceInstance();
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return false;
    }
    // Failing in WM_NCCREATE/WM_CREATE leaves the window gone and the object detached.
    return CreateWithObject([&] {
        return ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                                 cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                 cs.lpCreateParams);
    });
}

bool CWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id)
{
    return CreateEx(0, className, title, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    return ::DestroyWindow(m_hWnd);
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) {
        return false;
    }
    AttachToMap(hwnd);
    const WNDPROC current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    if (current != &CWnd::StdWndProc) {
        m_oldWndProc = current;
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc));
    }
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return parent != nullptr && SubclassWindow(::GetDlgItem(parent->GetSafeHwnd(), static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow()
{
    const HWND hwnd = m_hWnd;
    if (hwnd == nullptr) {
        return nullptr;
    }
    if (m_oldWndProc != nullptr) {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
        m_oldWndProc = nullptr;
    }
    DetachFromMap();
    return hwnd;
}

bool CWnd::Attach(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) {
        return false;
    }
    AttachToMap(hwnd);
    return true;
}

HWND CWnd::Detach()
{
    const HWND hwnd = m_hWnd;
    if (hwnd != nullptr) {
        DetachFromMap();
    }
    return hwnd;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_oldWndProc != nullptr) {
        return ::CallWindowProcA(m_oldWndProc, m_hWnd, msg, wParam, lParam);
    }
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const HWND control = reinterpret_cast<HWND>(lParam);
    if (control != nullptr) {
        if (CWnd* child = FromHandlePermanent(control)) {
            LRESULT result = 0;
            if (child->OnChildNotify(WM_COMMAND, wParam, lParam, &result)) {
                return TRUE;
            }
        }
    }
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    // Menu items, accelerators and button clicks are commands.
    if (control == nullptr || code == BN_CLICKED) {
        // Do not run commands the update handlers have greyed.
        if (control == nullptr) {
            struct Probe : CCmdUI {
                bool enabled = true;
                void Enable(bool on) override
                {
                    enabled = on;
                    m_enableChanged = true;
                }
                void SetCheck(int) override {}
                void SetRadio(bool) override {}
                void SetText(const std::string&) override {}
            } probe;
            probe.m_nID = id;
            probe.DoUpdate(this, false);
            if (!probe.enabled) {
                return TRUE;
            }
        }
        return OnCmdMsg(id, CN_COMMAND, nullptr) ? TRUE : FALSE;
    }
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr) {
        return FALSE;
    }
    if (CWnd* child = FromHandlePermanent(header->hwndFrom)) {
        return child->OnChildNotify(WM_NOTIFY, header->idFrom, lParam, result) ? TRUE : FALSE;
    }
    return FALSE;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            return 0;
        }
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(wParam, lParam, &result)) {
            return result;
        }
        break;
    }
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0) {
            UpdateMenuCommands(reinterpret_cast<HMENU>(wParam), this);
        }
        break;
    case WM_SETCURSOR:
        if (WaitCursorCount() > 0) {
            RestoreWaitCursor();
            return TRUE;
        }
        break;
    default:
        if (IsReflected(msg)) {
            const HWND control = NotifyingControl(m_hWnd, msg, wParam, lParam);
            if (CWnd* child = FromHandlePermanent(control); child != nullptr && child != this) {
                LRESULT result = 0;
                if (child->OnChildNotify(msg, wParam, lParam, &result)) {
                    return result;
                }
            }
        }
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (wnd == nullptr) {
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    const LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The window is gone: detach, give the procedure back, then let the
        // object clean up (it may delete itself there).
        if (wnd->m_oldWndProc != nullptr) {
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_oldWndProc));
            wnd->m_oldWndProc = nullptr;
        }
        wnd->DetachFromMap();
        if (wnd->m_modalRunning) {
            wnd->m_modalRunning = false;
        }
        // The program ends with its main window.
        if (CWinApp* app = GetApp(); app != nullptr && app->GetMainWnd() == wnd) {
            app->SetMainWnd(nullptr);
            ::PostQuitMessage(0);
        }
        wnd->PostNcDestroy();
    }
    return result;
}

int CWnd::RunModalLoop()
{
    m_modalRunning = true;
    m_modalResult = -1;
    const HWND self = m_hWnd;
    MSG msg{};
    while (m_modalRunning) {
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            // Leave the quit message for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_modalRunning = false;
            break;
        }
        CWinApp* app = GetApp();
        if (app == nullptr || !app->PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (self != nullptr && !::IsWindow(self)) {
            m_modalRunning = false;
        }
    }
    return m_modalResult;
}

bool CWnd::CreateWithObject(const std::function<HWND()>& create)
{
    if (m_hWnd != nullptr) {
        return false;
    }
    HWND hwnd = nullptr;
    {
        CreationScope scope(this);
        hwnd = create();
    }
    if (hwnd == nullptr) {
        if (m_hWnd != nullptr) {
            DetachFromMap();
        }
        return false;
    }
    return true;
}

void CWnd::EndModalLoop(int result)
{
    m_modalResult = result;
    if (m_modalRunning) {
        m_modalRunning = false;
        // Wake the loop if it waits in GetMessage.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

std::string CWnd::RegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    char name[96];
    std::snprintf(name, sizeof(name), "TevWnd:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    const HINSTANCE instance = CWinApp::GetResourceInstance();
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExA(instance, name, &existing)) {
        return name;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StdWndProc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (::RegisterClassExA(&wc) == 0) {
        return std::string();
    }
    return name;
}

BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, msg, wParam, lParam);
}

std::string CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void CWnd::ScreenToClient(RECT* rect) const
{
    POINT points[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    ::ScreenToClient(m_hWnd, &points[0]);
    ::ScreenToClient(m_hWnd, &points[1]);
    *rect = RECT{points[0].x, points[0].y, points[1].x, points[1].y};
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    RECT area{};
    HWND owner = alternateOwner != nullptr ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::UpdateMenuCommands(HMENU menu, CCmdTarget* target)
{
    if (menu == nullptr || target == nullptr) {
        return;
    }
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) {
            continue;  // separator or submenu
        }
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hMenu = menu;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.DoUpdate(target, true);
    }
}

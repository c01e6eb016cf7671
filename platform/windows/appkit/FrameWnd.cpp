#include "appkit/FrameWnd.h"

#include "appkit/WinApp.h"

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

CFrameWnd::~CFrameWnd()
{
    // The menu belongs to the window while it exists; a menu that never got
    // a window is ours to free.
    if (m_loadedMenu != nullptr && (m_hWnd == nullptr || ::GetMenu(m_hWnd) != m_loadedMenu)) {
        ::DestroyMenu(m_loadedMenu);
    }
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (cs.lpszClass == nullptr) {
        // One class per icon: the icon is a class property.
        m_className = RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), m_loadedIcon);
        cs.lpszClass = m_className.c_str();
    }
    cs.style &= ~static_cast<LONG>(FWS_ADDTOTITLE);
    return TRUE;
}

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent)
{
    m_resourceId = resourceId;
    const HINSTANCE instance = CWinApp::GetResourceInstance();
    m_loadedMenu = ::LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    m_loadedIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(resourceId));
    char buffer[256] = {};
    std::string title;
    if (::LoadStringA(instance, resourceId, buffer, static_cast<int>(sizeof(buffer))) > 0) {
        title = buffer;
        const size_t lineFeed = title.find('\n');
        if (lineFeed != std::string::npos) {
            title.erase(lineFeed);
        }
    }
    if (title.empty() && GetApp() != nullptr) {
        title = GetApp()->GetAppName();
    }
    const bool created = CreateEx(0, nullptr, title.c_str(), style, rectDefault, parent,
                                  static_cast<UINT>(reinterpret_cast<UINT_PTR>(m_loadedMenu)));
    if (created && m_loadedMenu != nullptr && ::GetMenu(m_hWnd) != m_loadedMenu) {
        ::SetMenu(m_hWnd, m_loadedMenu);
    }
    if (!created && m_loadedMenu != nullptr) {
        ::DestroyMenu(m_loadedMenu);
        m_loadedMenu = nullptr;
    }
    return created;
}

bool CFrameWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                       CWnd* parent, HMENU menu, DWORD exStyle)
{
    return CreateEx(exStyle, className, title, style, rect, parent,
                    static_cast<UINT>(reinterpret_cast<UINT_PTR>(menu)));
}

CWnd* CFrameWnd::GetPane() const
{
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, static_cast<int>(kPaneFirstId)));
}

void CFrameWnd::RecalcLayout()
{
    const HWND pane = ::GetDlgItem(m_hWnd, static_cast<int>(kPaneFirstId));
    if (pane == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::MoveWindow(pane, 0, 0, client.right, client.bottom, TRUE);
}

bool CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui, bool query)
{
    if (CWnd* pane = GetPane(); pane != nullptr && pane != this) {
        if (pane->OnCmdMsg(id, code, ui, query)) {
            return true;
        }
    }
    if (CWnd::OnCmdMsg(id, code, ui, query)) {
        return true;
    }
    CWinApp* app = GetApp();
    return app != nullptr && app->OnCmdMsg(id, code, ui, query);
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            RecalcLayout();
        }
        break;
    case WM_SETFOCUS:
        if (const HWND pane = ::GetDlgItem(m_hWnd, static_cast<int>(kPaneFirstId))) {
            ::SetFocus(pane);
            return 0;
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

#include "TipBar.h"

#include "appkit/WinApp.h"

#include <algorithm>

CTipBar::~CTipBar()
{
    if (m_hWnd != nullptr) {
        CWnd::DestroyWindow();
    }
}

bool CTipBar::Create()
{
    const std::string className = RegisterWndClass(CS_GLOBALCLASS | CS_BYTEALIGNWINDOW | CS_CLASSDC, nullptr,
                                                   reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1), nullptr);
    if (className.empty()) {
        return false;
    }
    CWnd* owner = GetApp() != nullptr ? GetApp()->GetMainWnd() : nullptr;
    return CreateEx(0, className.c_str(), "", WS_POPUP | WS_BORDER, RECT{0, 0, 0, 0}, owner, 0) &&
           m_hWnd != nullptr;
}

SIZE CTipBar::MeasureText(HDC dc) const
{
    const HGDIOBJ previous = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    LONG width = 0;
    LONG height = 0;
    for (const std::string& line : m_lines) {
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
        width = std::max(width, extent.cx);
        height += extent.cy;
    }
    ::SelectObject(dc, previous);
    return SIZE{width + 1, height};
}

void CTipBar::Update()
{
    if (m_hWnd == nullptr) {
        return;
    }
    if (m_visible && m_dirty) {
        const HDC dc = ::GetDC(m_hWnd);
        const SIZE text = MeasureText(dc);
        ::ReleaseDC(m_hWnd, dc);
        ::SetWindowPos(m_hWnd, HWND_TOP, m_anchor.x + m_offset.x, m_anchor.y + m_offset.y,
                       text.cx + m_marginLeft + m_marginRight, text.cy + m_marginTop + m_marginBottom,
                       SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        m_dirty = false;
    }
    const bool shown = ::IsWindowVisible(m_hWnd) != FALSE;
    if (shown && !m_visible) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    } else if (!shown && m_visible) {
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    }
}

void CTipBar::OnPaint()
{
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    const SIZE text = MeasureText(dc);
    ::SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ previous = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    const LONG count = static_cast<LONG>(m_lines.size());
    for (LONG i = 0; i < count; ++i) {
        const std::string& line = m_lines[static_cast<size_t>(i)];
        ::TextOutA(dc, m_marginLeft, m_marginTop + i * text.cy / count, line.c_str(), static_cast<int>(line.size()));
    }
    ::SelectObject(dc, previous);
    ::EndPaint(m_hWnd, &paint);
}

LRESULT CTipBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_MOUSEACTIVATE:
        // A click neither activates the tip bar nor reaches it.
        return MA_NOACTIVATEANDEAT;
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}

void SleepMilliseconds(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

void BeginWaitCursor()
{
    CCmdTarget::BeginWaitCursor();
}

void EndWaitCursor()
{
    CCmdTarget::EndWaitCursor();
}

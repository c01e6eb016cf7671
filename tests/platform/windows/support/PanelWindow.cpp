#include "support/PanelWindow.h"

#include "PopEditControl.h"
#include "graphics/GraphDrawer.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"

CTestPanelWindow::~CTestPanelWindow()
{
    if (m_hWnd != nullptr) {
        CWnd::DestroyWindow();
    }
}

bool CTestPanelWindow::Open()
{
    const CTevRect rect = m_panel.GetRect();
    RECT frame{0, 0, rect.Width(), rect.Height()};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE;
    ::AdjustWindowRect(&frame, style, FALSE);
    const CTevPoint at = m_panel.GetWindowPosition();
    const std::string cls = RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW));
    return CreateEx(0, cls.c_str(), m_panel.GetName().c_str(), style,
                    RECT{at.x, at.y, at.x + frame.right - frame.left, at.y + frame.bottom - frame.top}, nullptr, 0);
}

void CTestPanelWindow::SetCapture(bool capture)
{
    if (capture) {
        ::SetCapture(m_hWnd);
    } else if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
    }
}

CTevPoint CTestPanelWindow::ClientToScreen(const CTevPoint& point) const
{
    POINT screen{point.x, point.y};
    ::ClientToScreen(m_hWnd, &screen);
    return CTevPoint{screen.x, screen.y};
}

void CTestPanelWindow::Invalidate(const CTevRect& rect)
{
    const RECT area = ToRECT(rect);
    ::InvalidateRect(m_hWnd, &area, FALSE);
}

void CTestPanelWindow::Paint()
{
    ++paints;
    CRectList rects;
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ::GetUpdateRgn(m_hWnd, region, FALSE);
    GetRegionRects(region, rects);
    ::DeleteObject(region);

    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT clip{};
    ::GetClipBox(dc, &clip);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const HDC memory = ::CreateCompatibleDC(dc);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::IntersectClipRect(memory, clip.left, clip.top, clip.right, clip.bottom);
    // The panels of this test have no background picture.
    const HBRUSH background = ::CreateSolidBrush(RGB(64, 72, 88));
    ::FillRect(memory, &client, background);
    ::DeleteObject(background);
    CDrawInfo info(memory, &rects);
    m_panel.Draw(info);
    ::BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memory, clip.left, clip.top,
             SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::EndPaint(m_hWnd, &paint);
}

LRESULT CTestPanelWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    int kind = -1;
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        kind = CTevMouseInfo::kButtonDown;
        break;
    case WM_LBUTTONUP:
        kind = CTevMouseInfo::kButtonUp;
        break;
    case WM_LBUTTONDBLCLK:
        kind = CTevMouseInfo::kDoubleClick;
        break;
    case WM_MOUSEMOVE:
        kind = CTevMouseInfo::kMove;
        break;
    default:
        break;
    }
    if (kind >= 0) {
        CTevMouseInfo mouse(kind, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                            static_cast<int>((wParam / 4) & 3));
        m_panel.OnMouse(mouse);
        return 0;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

std::unique_ptr<CTevStateBitmap> CTestResourceFactory::CreateStateBitmap()
{
    return std::make_unique<CStateBitmap>();
}

std::unique_ptr<CTevTextWriter> CTestResourceFactory::CreateTextWriter()
{
    return std::make_unique<CTextWriter>();
}

CTevGraphDrawer* CTestResourceFactory::CreateGraphDrawer()
{
    return new CGraphDrawer;
}

CTestViewFactory::CTestViewFactory()
{
    RegisterPopEditControl(*this);
}

std::unique_ptr<ITevPanelWindow> CTestViewFactory::CreatePanelWindow(CTevRootPanel& panel)
{
    auto window = std::make_unique<CTestPanelWindow>(panel);
    if (!window->Open()) {
        return nullptr;
    }
    lastWindow = window.get();
    return window;
}

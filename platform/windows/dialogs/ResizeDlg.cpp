#include "dialogs/ResizeDlg.h"

#include "appkit/ScreenArea.h"
#include "appkit/WinApp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

RECT ClampRectToScreen(const RECT& rect, const RECT& screen)
{
    const LONG width = static_cast<LONG>(
        std::min<int64_t>(int64_t{rect.right} - rect.left, int64_t{screen.right} - screen.left));
    const LONG height = static_cast<LONG>(
        std::min<int64_t>(int64_t{rect.bottom} - rect.top, int64_t{screen.bottom} - screen.top));
    const POINT at = FitIntoArea(rect.left, rect.top, width, height, screen);
    return RECT{at.x, at.y, at.x + width, at.y + height};
}

namespace GP {

CResizeDlg::CResizeDlg(UINT templateId, CWnd* parent, bool sizeGrip)
    : CDialog(templateId, parent), m_wantSizeGrip(sizeGrip)
{
}

CResizeDlg::~CResizeDlg() = default;

void CResizeDlg::GetPlacementProfile(std::string& section, std::string& key)
{
    section.clear();
    key.clear();
}

void CResizeDlg::GetSizeProfile(std::string& section, std::string& key)
{
    section.clear();
    key.clear();
}

void CResizeDlg::Layout(int, int) {}

BOOL CResizeDlg::OnInitDialog()
{
    RECT window{};
    GetWindowRect(&window);
    m_minWidth = window.right - window.left;
    m_minHeight = window.bottom - window.top;
    RECT client{};
    GetClientRect(&client);
    m_minClientWidth = client.right;
    m_minClientHeight = client.bottom;

    m_template.Load(GetTemplateId());

    if (m_wantSizeGrip) {
        m_sizeGrip = std::make_unique<CScrollBar>();
        m_sizeGrip->Create(WS_CHILD | WS_VISIBLE | SBS_SIZEBOX | SBS_SIZEBOXBOTTOMRIGHTALIGN, client, this,
                           kSizeGripId);
    }

    const BOOL result = CDialog::OnInitDialog();
    m_initialised = true;

    CWinApp* app = GetApp();
    std::string section;
    std::string key;
    GetSizeProfile(section, key);
    if (app != nullptr && !section.empty() && !key.empty()) {
        char fallback[32];
        std::snprintf(fallback, sizeof(fallback), "%d,%d", m_minWidth, m_minHeight);
        int width = m_minWidth;
        int height = m_minHeight;
        std::sscanf(app->GetProfileString(section, key, fallback).c_str(), "%d,%d", &width, &height);
        SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    }

    GetPlacementProfile(section, key);
    if (app != nullptr && !section.empty() && !key.empty()) {
        const std::string placement = app->GetProfileString(section, key, "");
        RECT stored{};
        if (!placement.empty() &&
            std::sscanf(placement.c_str(), "%ld,%ld,%ld,%ld", &stored.left, &stored.top, &stored.right,
                        &stored.bottom) == 4) {
            const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            RECT fitted = ClampRectToScreen(stored, screen);
            if (fitted.right - fitted.left < m_minWidth) {
                fitted.right = fitted.left + m_minWidth;
            }
            if (fitted.bottom - fitted.top < m_minHeight) {
                fitted.bottom = fitted.top + m_minHeight;
            }
            SetWindowPos(nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                         SWP_NOZORDER);
        }
    }
    return result;
}

void CResizeDlg::SavePlacement()
{
    CWinApp* app = GetApp();
    if (app == nullptr) {
        return;
    }
    RECT window{};
    GetWindowRect(&window);
    char text[64];
    std::string section;
    std::string key;
    GetSizeProfile(section, key);
    if (!section.empty() && !key.empty()) {
        std::snprintf(text, sizeof(text), "%ld,%ld", window.right - window.left, window.bottom - window.top);
        app->WriteProfileString(section, key, text);
    }
    GetPlacementProfile(section, key);
    if (!section.empty() && !key.empty()) {
        std::snprintf(text, sizeof(text), "%ld,%ld,%ld,%ld", window.left, window.top, window.right, window.bottom);
        app->WriteProfileString(section, key, text);
    }
}

LRESULT CResizeDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = POINT{m_minWidth, m_minHeight};
        return CDialog::WindowProc(msg, wParam, lParam);
    }
    case WM_SIZE: {
        const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        if (m_initialised && wParam != SIZE_MINIMIZED) {
            Layout(LOWORD(lParam), HIWORD(lParam));
            if (m_sizeGrip && m_sizeGrip->GetSafeHwnd() != nullptr) {
                RECT grip{};
                m_sizeGrip->GetWindowRect(&grip);
                const int width = grip.right - grip.left;
                const int height = grip.bottom - grip.top;
                m_sizeGrip->MoveWindow(LOWORD(lParam) - width, HIWORD(lParam) - height, width, height, true);
            }
        }
        return result;
    }
    case WM_DESTROY:
        SavePlacement();
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

void CResizeLayout::Place(UINT id, int flags)
{
    const CDlgTempl::CDlgItemTempl* item = m_template.FindItem(id);
    const HWND control = m_dialog.GetDlgItemHandle(static_cast<int>(id));
    if (item == nullptr || control == nullptr) {
        return;
    }
    RECT t = m_template.GetRect();
    RECT i = item->GetRect();
    m_dialog.MapDialogRect(&t);
    m_dialog.MapDialogRect(&i);
    RECT c{};
    m_dialog.GetClientRect(&c);
    if (auto* resizable = dynamic_cast<CResizeDlg*>(&m_dialog)) {
        // The client area is never laid out smaller than it was created.
        if (c.right - c.left < resizable->GetMinClientWidth()) {
            c.right = c.left + resizable->GetMinClientWidth();
        }
        if (c.bottom - c.top < resizable->GetMinClientHeight()) {
            c.bottom = c.top + resizable->GetMinClientHeight();
        }
    }
    const HWND dialog = m_dialog.GetSafeHwnd();
    const bool hasHorizontal = (::GetWindowLongPtrA(dialog, GWL_STYLE) & WS_HSCROLL) != 0;
    const bool hasVertical = (::GetWindowLongPtrA(dialog, GWL_STYLE) & WS_VSCROLL) != 0;
    const LONG sx = hasHorizontal ? ::GetScrollPos(dialog, SB_HORZ) : 0;
    const LONG sy = hasVertical ? ::GetScrollPos(dialog, SB_VERT) : 0;

    // One axis: low/high edges of the item (a, b), the template (tl, th),
    // the client (cl, ch), the scroll position s; atLow = anchored to the low
    // edge, atHigh = to the high edge, scale = proportional.
    auto axis = [](int bits, LONG a, LONG b, LONG tl, LONG th, LONG cl, LONG ch, LONG s, LONG& low, LONG& high,
                   int nearBit, int farBit, int scaleBit) {
        const LONG cw = ch - cl;
        const LONG tw = th - tl != 0 ? th - tl : 1;
        const bool atLow = (bits & nearBit) != 0;
        const bool atHigh = (bits & farBit) != 0;
        const bool scale = (bits & scaleBit) != 0;
        if (atHigh && !atLow && !scale) {
            low = a - th + ch;
            high = b - th + ch;
        } else if (atLow && atHigh && !scale) {
            low = a - tl - s + cl;
            high = b - th - s + ch;
        } else if (atLow && !atHigh && scale) {
            low = a - tl + cl;
            high = cw * b / tw;
        } else if (!atLow && atHigh && scale) {
            low = cw * a / tw;
            high = b - th + ch;
        } else if (atLow && atHigh && scale) {
            low = cw * a / tw;
            high = cw * b / tw;
        } else {
            low = a - tl - s + cl;
            high = b - tl - s + cl;
        }
    };
    RECT placed{};
    axis(flags & 19, i.left, i.right, t.left, t.right, c.left, c.right, sx, placed.left, placed.right, kAnchorLeft,
         kAnchorRight, kScaleHorizontal);
    axis(flags & 44, i.top, i.bottom, t.top, t.bottom, c.top, c.bottom, sy, placed.top, placed.bottom, kAnchorTop,
         kAnchorBottom, kScaleVertical);
    ::MoveWindow(control, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

}  // namespace GP

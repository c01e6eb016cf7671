#include "PopupEdit.h"

#include "appkit/ModalHold.h"
#include "appkit/WinApp.h"

#include <algorithm>
#include <memory>

namespace {
HHOOK g_mouseHook = nullptr;
CPopupEdit* g_current = nullptr;
}  // namespace

CPopupEdit::~CPopupEdit()
{
    if (g_current == this) {
        g_current = nullptr;
    }
}

CPopupEdit* CPopupEdit::GetCurrent()
{
    return g_current;
}

BOOL CPopupEdit::PreCreateWindow(CREATESTRUCTA& cs)
{
    m_requestedRect = RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
    return TRUE;
}

void CPopupEdit::FitToText()
{
    if (m_hWnd == nullptr) {
        return;
    }
    const std::string text = GetWindowText();
    const HDC dc = ::GetDC(m_hWnd);
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    if (previous != nullptr) {
        ::SelectObject(dc, previous);
    }
    ::ReleaseDC(m_hWnd, dc);
    const LONG textHeight = std::max<LONG>(extent.cy, metrics.tmHeight);

    const DWORD margins = GetMargins();
    const LONG requestedWidth = m_requestedRect.right - m_requestedRect.left;
    const LONG requestedHeight = m_requestedRect.bottom - m_requestedRect.top;
    const LONG width = std::max<LONG>(extent.cx + LOWORD(margins) + HIWORD(margins) + 4, requestedWidth);

    RECT now{};
    ::GetWindowRect(m_hWnd, &now);
    RECT fitted = now;
    if ((GetStyle() & ES_RIGHT) != 0) {
        fitted.left = fitted.right - width;
    } else {
        fitted.right = fitted.left + width;
    }
    fitted.bottom = fitted.top + std::max<LONG>(requestedHeight, textHeight + 4);
    if (!::EqualRect(&now, &fitted)) {
        MoveWindow(fitted, true);
    }
}

BOOL CPopupEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && IsInModalLoop()) {
        // Straight to the edit: no accelerator or dialog handling of the
        // windows around takes Enter or Escape away.
        ::TranslateMessage(msg);
        ::DispatchMessageA(msg);
        return TRUE;
    }
    return FALSE;
}

bool CPopupEdit::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT*)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_UPDATE) {
        FitToText();
    }
    return false;
}

void CPopupEdit::OnKeyDown(WPARAM key)
{
    const int result = key == VK_RETURN ? kConfirmed : kCancelled;
    if (IsInModalLoop()) {
        EndModalLoop(result);
        return;
    }
    NMHDR header{};
    header.hwndFrom = m_hWnd;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    header.code = kNotifyCode;
    if (const HWND parent = ::GetParent(m_hWnd)) {
        ::SendMessageA(parent, WM_NOTIFY, static_cast<WPARAM>(result), reinterpret_cast<LPARAM>(&header));
    }
}

LRESULT CPopupEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        const LRESULT created = CEdit::WindowProc(msg, wParam, lParam);
        if (created == -1) {
            return -1;
        }
        HFONT font = m_font;
        if (font == nullptr) {
            if (const HWND parent = ::GetParent(m_hWnd)) {
                font = reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0));
            }
        }
        if (font != nullptr) {
            ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        FitToText();
        ::SendMessageA(m_hWnd, EM_SETSEL, 0, -1);
        ::SendMessageA(m_hWnd, EM_SCROLLCARET, 0, 0);
        return created;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            OnKeyDown(wParam);
            return 0;
        }
        break;
    case WM_CHAR:
        // The edit beeps at Enter and Escape in a single-line field.
        if (wParam == '\r' || wParam == 0x1B) {
            return 0;
        }
        {
            const LRESULT handled = CEdit::WindowProc(msg, wParam, lParam);
            // Also when no window of ours reflects EN_UPDATE back.
            FitToText();
            return handled;
        }
    default:
        break;
    }
    return CEdit::WindowProc(msg, wParam, lParam);
}

LRESULT CALLBACK CPopupEdit::MouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    CPopupEdit* edit = g_current;
    // Not while a box shown from the edit's loop holds the edit: the press
    // is the box's.
    if (code == HC_ACTION && edit != nullptr && edit->IsInModalLoop() && ::IsWindowEnabled(edit->m_hWnd)) {
        const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        const bool onEdit = info->hwnd == edit->m_hWnd;
        int result = 0;
        if ((wParam == WM_LBUTTONDOWN && !onEdit) || wParam == WM_NCLBUTTONDOWN) {
            result = kConfirmed;
        } else if ((wParam == WM_RBUTTONDOWN && !onEdit) || wParam == WM_NCRBUTTONDOWN) {
            result = kCancelled;
        }
        if (result != 0) {
            edit->EndModalLoop(result);
            return 1;  // the press is swallowed
        }
    }
    return ::CallNextHookEx(g_mouseHook, code, wParam, lParam);
}

bool CPopupEdit::Popup(const RECT& rect, CWnd* parent)
{
    if (m_hWnd != nullptr || g_current != nullptr) {
        return false;
    }
    HWND parentWindow = parent != nullptr ? parent->GetSafeHwnd() : ::GetActiveWindow();
    HWND owner = parentWindow != nullptr ? ::GetAncestor(parentWindow, GA_ROOT) : nullptr;
    m_modalResult = -1;
    const bool created = CreateEx(0, "EDIT", m_text.c_str(), WS_POPUP | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                                  rect, CWnd::FromHandle(parentWindow), 0);
    std::unique_ptr<CModalHold> hold;
    int result = -1;
    if (created) {
        // Held for the edit's loop, which runs in the edit; released before
        // the edit goes, so the activation returns to the owner when nothing
        // else holds it.
        hold = std::make_unique<CModalHold>(owner, m_hWnd);
        ::SetFocus(m_hWnd);
        g_mouseHook = ::SetWindowsHookExA(WH_MOUSE, &CPopupEdit::MouseHook, nullptr, ::GetCurrentThreadId());
        g_current = this;
        try {
            result = RunModalLoop();
        } catch (...) {
            result = -1;
        }
        if (g_mouseHook != nullptr) {
            ::UnhookWindowsHookEx(g_mouseHook);
            g_mouseHook = nullptr;
        }
        g_current = nullptr;
    }
    const bool wasActive = m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd;
    if (m_hWnd != nullptr) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    hold.reset();
    if (wasActive) {
        if (const HWND target = ActivationTarget(owner))
            ::SetActiveWindow(target);
    }
    if (m_hWnd != nullptr) {
        m_text = GetWindowText();
        CWnd::DestroyWindow();
    }
    return result == kConfirmed;
}

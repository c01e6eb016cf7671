#include "ProgressBar.h"

#include "Services.h"
#include "resource.h"

#include "appkit/ModalHold.h"
#include "appkit/WinApp.h"

#include <commctrl.h>

CProgressBar::CProgressBar(unsigned templateId) : m_templateId(templateId)
{
}

CProgressBar::~CProgressBar()
{
    m_hold.reset();
    if (m_dialog)
        ::DestroyWindow(m_dialog);
}

HWND CProgressBar::MainWindow()
{
    CWinApp* app = GetApp();
    CWnd* main = app ? app->GetMainWnd() : nullptr;
    return main ? main->GetSafeHwnd() : nullptr;
}

unsigned CProgressBar::TextIdForKind(int32_t kind)
{
    switch (kind) {
    case 1:
        return IDS_GETTING_DATA;
    case 4:
        return IDS_UPDATING;
    default:
        return 0;
    }
}

void CProgressBar::BeginWithKind(int32_t range, int32_t kind, bool cancellable)
{
    const unsigned id = TextIdForKind(kind);
    Begin(range, id ? LoadResourceString(id) : std::string(), cancellable);
}

void CProgressBar::Begin(int32_t range, const std::string& text, bool cancellable)
{
    if (m_level++ != 0)
        return;
    HWND main = MainWindow();
    m_dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), main, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
    if (!m_dialog)
        return;
    m_hold = std::make_unique<CModalHold>(main, m_dialog);
    m_cancellable = cancellable;
    m_cancelled = false;
    if (HWND cancel = ::GetDlgItem(m_dialog, IDCANCEL))
        ::ShowWindow(cancel, cancellable ? SW_SHOW : SW_HIDE);

    // Centred on the main window, on top; on the screen while the main
    // window is minimised (its rect is then off screen).
    RECT dialogRect;
    ::GetWindowRect(m_dialog, &dialogRect);
    RECT around;
    if (!main || ::IsIconic(main) || !::GetWindowRect(main, &around))
        ::SetRect(&around, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    const int width = dialogRect.right - dialogRect.left;
    const int height = dialogRect.bottom - dialogRect.top;
    ::SetWindowPos(m_dialog, nullptr, (around.left + around.right - width) / 2,
                   (around.top + around.bottom - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(m_dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    m_range = range;
    SetText(text);
    ::SendDlgItemMessageA(m_dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, range);
    SetPos(0);
    ::ShowWindow(m_dialog, SW_SHOW);
    ::UpdateWindow(m_dialog);
}

void CProgressBar::End()
{
    if (m_level <= 0)
        return;
    if (--m_level != 0)
        return;
    // Released before the dialog goes, so the activation returns to the
    // main window.
    m_hold.reset();
    if (m_dialog) {
        ::DestroyWindow(m_dialog);
        m_dialog = nullptr;
    }
}

void CProgressBar::SetPos(int32_t position)
{
    if (m_level != 1)
        return;
    PumpMessages();
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    if (m_dialog) {
        ::SendDlgItemMessageA(m_dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        ::UpdateWindow(m_dialog);
    }
    m_position = position;
}

void CProgressBar::SetText(const std::string& text)
{
    if (m_level != 1)
        return;
    PumpMessages();
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    if (m_dialog) {
        ::SetDlgItemTextA(m_dialog, IDC_PROGRESS_TEXT, text.c_str());
        ::UpdateWindow(m_dialog);
    }
    m_text = text;
}

bool CProgressBar::IsCancelled()
{
    PumpMessages();
    return m_cancelled;
}

bool CProgressBar::PumpMessages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0x3FF, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The message loop must still see it and end the program.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (m_dialog && ::IsDialogMessageA(m_dialog, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return true;
}

void CProgressBar::OnCancel()
{
    // Escape: only an operation that allows it is cancelled, and the
    // dialog stays until the operation ends.
    if (m_cancellable)
        m_cancelled = true;
}

INT_PTR CALLBACK CProgressBar::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<CProgressBar*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        if (self)
            self->OnCancel();
        return TRUE;
    }
    return FALSE;
}

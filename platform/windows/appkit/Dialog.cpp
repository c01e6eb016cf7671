#include "appkit/Dialog.h"

#include "appkit/ModalHold.h"
#include "appkit/WinApp.h"

#include <commctrl.h>

namespace {
void InitCommonControlsOnce()
{
    static bool done = false;
    if (!done) {
        INITCOMMONCONTROLSEX init{};
        init.dwSize = sizeof(init);
        init.dwICC = ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
        ::InitCommonControlsEx(&init);
        done = true;
    }
}
}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        if (CDialog* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd))) {
            return dialog->OnInitDialog();
        }
        return TRUE;
    }
    return FALSE;
}

HWND CDialog::FindOwner() const
{
    HWND owner = m_parentWnd != nullptr ? m_parentWnd->GetSafeHwnd() : nullptr;
    if (owner == nullptr && GetApp() != nullptr) {
        owner = GetApp()->GetModalOwner();
    }
    // The owner is a top-level window.
    while (owner != nullptr && (::GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD) != 0) {
        owner = ::GetParent(owner);
    }
    return owner;
}

bool CDialog::CreateFromTemplate(HWND owner)
{
    InitCommonControlsOnce();
    const HINSTANCE instance = CWinApp::GetResourceInstance();
    HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(m_templateId), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = ::LoadResource(instance, resource);
    const auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(::LockResource(loaded));
    if (dialogTemplate == nullptr) {
        return false;
    }
    return CreateWithObject([&] {
        return ::CreateDialogIndirectParamA(instance, dialogTemplate, owner, &CDialog::DialogProc, 0);
    });
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr) {
        return -1;
    }
    HWND owner = FindOwner();
    m_modal = true;
    if (!CreateFromTemplate(owner)) {
        m_modal = false;
        return -1;
    }
    int result = IDCANCEL;
    {
        // Released before the dialog goes, so the activation returns to
        // the owner when nothing else holds it.
        CModalHold hold(owner, m_hWnd);
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
        if (m_hWnd != nullptr) {
            result = RunModalLoop();
        }
    }
    if (m_hWnd != nullptr) {
        // Not to a window that takes no input: a modal panel opened
        // meanwhile has disabled the owner and is in front now.
        if (::GetActiveWindow() == m_hWnd) {
            if (const HWND target = ActivationTarget(owner)) {
                ::SetActiveWindow(target);
            }
        }
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        CWnd::DestroyWindow();
    }
    m_modal = false;
    return result;
}

bool CDialog::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd != nullptr) {
        return false;
    }
    m_templateId = templateId;
    m_parentWnd = parent;
    m_modal = false;
    return CreateFromTemplate(FindOwner());
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    if (m_modal) {
        EndModalLoop(result);
    } else {
        DestroyWindow();
    }
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // A control that handles its own notification, or a routed command.
    if (CWnd::OnCommand(wParam, lParam)) {
        return TRUE;
    }
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code == BN_CLICKED || lParam == 0) {
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // Keyboard navigation (Tab, Enter, Escape, mnemonics) inside the dialog.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd != nullptr &&
        (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        return ::IsDialogMessageA(m_hWnd, msg);
    }
    return FALSE;
}

void CDialog::SetDlgItemText(int id, const std::string& text)
{
    ::SetDlgItemTextA(m_hWnd, id, text.c_str());
}

std::string CDialog::GetDlgItemText(int id) const
{
    const HWND item = ::GetDlgItem(m_hWnd, id);
    if (item == nullptr) {
        return std::string();
    }
    const int length = ::GetWindowTextLengthA(item);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = ::GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void CDialog::SetDlgItemInt(int id, int value)
{
    ::SetDlgItemInt(m_hWnd, id, static_cast<UINT>(value), TRUE);
}

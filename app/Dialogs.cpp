#include "Dialogs.h"

#include "App.h"
#include "resource.h"

#include <cstdio>

namespace {

HWND MainWindowHandle()
{
    CWinApp* app = GetApp();
    CWnd* main = app ? app->GetMainWnd() : nullptr;
    return main ? main->GetSafeHwnd() : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// CAboutDialog
// ---------------------------------------------------------------------------

INT_PTR CAboutDialog::DoModal()
{
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), MainWindowHandle(),
                             DialogProc, 0);
}

std::string CAboutDialog::VersionText(const std::string& fileVersion, const std::string& productVersion,
                                      bool withProduct)
{
    std::string text = "Version " + fileVersion;
    if (withProduct) {
        int numbers[4] = {0, 0, 0, 0};
        std::sscanf(productVersion.c_str(), "%d,%d,%d,%d", &numbers[0], &numbers[1], &numbers[2], &numbers[3]);
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, " (%d%d%d%d)", numbers[0], numbers[1], numbers[2], numbers[3]);
        text += suffix;
    }
    return text;
}

void CAboutDialog::OnInitDialog(HWND dialog)
{
    const std::string name = GetVersionString("FileDescription");
    ::SetWindowTextA(dialog, ("About " + name).c_str());
    ::SetDlgItemTextA(dialog, IDC_ABOUT_NAME, name.c_str());
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const std::string version =
        VersionText(GetVersionString("FileVersion"), ctrl ? GetVersionString("ProductVersion") : "", ctrl);
    ::SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, version.c_str());
    ::SetDlgItemTextA(dialog, IDC_ABOUT_COPYRIGHT, GetVersionString("LegalCopyright").c_str());
}

INT_PTR CALLBACK CAboutDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

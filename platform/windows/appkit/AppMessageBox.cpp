#include "appkit/AppMessageBox.h"

#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

#include <atomic>

namespace {

std::atomic<MessageBoxHook> g_hook{nullptr};

// The window the user works in: a dialog or progress window in front of the
// main window holds it disabled, and a box must belong to that window, so
// that it disables the window in front and gives the activation back to it.
HWND FrontWindowOf(HWND main)
{
    HWND front = ::GetLastActivePopup(main);
    return front != nullptr && ::IsWindowVisible(front) ? front : main;
}

} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return g_hook.exchange(hook);
}

int ShowMessageBox(const std::string& text, unsigned type, HWND owner)
{
    CWinApp* app = GetApp();
    if (owner == nullptr && app != nullptr && app->GetMainWnd() != nullptr) {
        owner = FrontWindowOf(app->GetMainWnd()->GetSafeHwnd());
    }
    if (owner != nullptr && !::IsWindow(owner)) {
        owner = nullptr;
    }
    if (MessageBoxHook hook = g_hook.load()) {
        return hook(owner, text, type);
    }
    const std::string caption = app != nullptr ? app->GetAppName() : std::string();
    // A box without an owner would go behind a disabled main window.
    if (owner == nullptr) {
        type |= MB_TASKMODAL;
    }
    // The system enables the owner as the box closes. An owner that was
    // disabled (by an operation or a window still running below the box) is
    // left as it was found.
    const bool ownerWasDisabled = owner != nullptr && !::IsWindowEnabled(owner);
    const int answer = ::MessageBoxA(owner, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
    if (ownerWasDisabled && ::IsWindow(owner) && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
    }
    return answer;
}

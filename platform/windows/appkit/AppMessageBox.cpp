#include "appkit/AppMessageBox.h"

#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

#include <atomic>

namespace {
std::atomic<MessageBoxHook> g_hook{nullptr};
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return g_hook.exchange(hook);
}

int ShowMessageBox(const std::string& text, unsigned type, HWND owner)
{
    CWinApp* app = GetApp();
    if (owner == nullptr && app != nullptr && app->GetMainWnd() != nullptr) {
        owner = app->GetMainWnd()->GetSafeHwnd();
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
    return ::MessageBoxA(owner, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
}

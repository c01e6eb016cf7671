#include "appkit/AppMessageBox.h"

#include "appkit/ModalHold.h"
#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

#include <atomic>

namespace {

std::atomic<MessageBoxHook> g_hook{nullptr};

} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return g_hook.exchange(hook);
}

int ShowMessageBox(const std::string& text, unsigned type, HWND owner)
{
    CWinApp* app = GetApp();
    for (;;) {
        HWND boxOwner = owner;
        if (boxOwner == nullptr && app != nullptr) {
            boxOwner = app->GetModalOwner();
        }
        if (boxOwner != nullptr && !::IsWindow(boxOwner)) {
            boxOwner = nullptr;
        }
        int answer = 0;
        const MessageBoxHook hook = g_hook.load();
        if (hook) {
            // A replacement box is held like a real one; it has no window.
            CModalHold hold(boxOwner, nullptr);
            return hook(boxOwner, text, type);
        }
        {
            // A real box disables and enables its owner itself, so that the
            // activation returns to it; the hold keeps the owner's
            // companions (the other windows of its level) from input
            // meanwhile, makes the box the owner of a box shown from its
            // loop and, as the box closes, sets every window as what is
            // still open then wants it.
            CModalHold hold(boxOwner, CModalHold::SystemBox{});
            const std::string caption = app != nullptr ? app->GetAppName() : std::string();
            // A box without an owner would go behind a disabled main window.
            const unsigned boxType = boxOwner == nullptr ? type | MB_TASKMODAL : type;
            answer = ::MessageBoxA(boxOwner, text.c_str(), caption.empty() ? nullptr : caption.c_str(), boxType);
        }
        // The system gave the activation back to the owner, which a modal
        // panel opened meanwhile has disabled: it goes to the window that
        // takes input instead, as after a dialog.
        const HWND active = ::GetActiveWindow();
        if (active != nullptr && !::IsWindowEnabled(active)) {
            if (const HWND target = ActivationTarget(boxOwner))
                ::SetActiveWindow(target);
        }
        // A box goes with its owner (a modal panel closed by input that the
        // box's own loop dispatched) unanswered: it is shown again, over the
        // window now in front, unless the program is ending (the main
        // window went too, whatever panels are still open).
        const CWnd* mainWnd = app != nullptr ? app->GetMainWnd() : nullptr;
        const HWND main = mainWnd != nullptr ? mainWnd->GetSafeHwnd() : nullptr;
        if (answer != 0 || boxOwner == nullptr || ::IsWindow(boxOwner) || main == nullptr || !::IsWindow(main)) {
            return answer;
        }
        owner = nullptr;
    }
}

#include "appkit/ModalHold.h"

#include "appkit/WinApp.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The user-interface thread's holds, oldest first; a window may be held by
// several nested loops.
std::vector<const CModalHold*>& Holds()
{
    static std::vector<const CModalHold*> holds;
    return holds;
}

// The box hold waiting for its box, and the hook that catches it.
CModalHold* g_catching = nullptr;
HHOOK g_catchHook = nullptr;

} // namespace

CModalHold::CModalHold(HWND window, HWND holder) : m_window(window), m_holder(holder)
{
    Begin(false);
}

CModalHold::CModalHold(HWND window, SystemBox) : m_window(window), m_holder(nullptr)
{
    Begin(true);
    // The caller makes the box next, before its loop dispatches anything,
    // so the first dialog window the thread makes from now on is it; the
    // hook goes as it is caught.
    if (m_window != nullptr && g_catching == nullptr) {
        g_catchHook = ::SetWindowsHookExA(WH_CBT, &CModalHold::CatchBox, nullptr, ::GetCurrentThreadId());
        if (g_catchHook != nullptr)
            g_catching = this;
    }
}

void CModalHold::Begin(bool leaveToSystem)
{
    if (m_window == nullptr)
        return;
    Holds().push_back(this);
    if (!leaveToSystem)
        ::EnableWindow(m_window, FALSE);
    if (CWinApp* app = GetApp())
        app->UpdateWindowStates(leaveToSystem ? m_window : nullptr);
}

CModalHold::~CModalHold()
{
    if (g_catching == this)
        StopCatching();
    if (m_window == nullptr)
        return;
    std::vector<const CModalHold*>& holds = Holds();
    holds.erase(std::remove(holds.begin(), holds.end(), this), holds.end());
    CWinApp* app = GetApp();
    if (::IsWindow(m_window))
        ::EnableWindow(m_window, (app ? app->WantsEnabled(m_window) : !IsHeld(m_window)) ? TRUE : FALSE);
    if (app)
        app->UpdateWindowStates();
}

LRESULT CALLBACK CModalHold::CatchBox(int code, WPARAM wParam, LPARAM lParam)
{
    const HHOOK hook = g_catchHook;
    if (code == HCBT_CREATEWND && g_catching != nullptr) {
        const HWND made = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
        char name[8] = {};
        if ((create->style & WS_CHILD) == 0 && ::GetClassNameA(made, name, sizeof name) > 0 &&
            std::strcmp(name, "#32770") == 0) {
            g_catching->m_holder = made;
            StopCatching();
        }
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

void CModalHold::StopCatching()
{
    if (g_catchHook != nullptr)
        ::UnhookWindowsHookEx(g_catchHook);
    g_catchHook = nullptr;
    g_catching = nullptr;
}

bool CModalHold::IsHeld(HWND window)
{
    const std::vector<const CModalHold*>& holds = Holds();
    return std::any_of(holds.begin(), holds.end(), [window](const CModalHold* hold) { return hold->m_window == window; });
}

HWND CModalHold::InFrontOf(HWND window)
{
    const std::vector<const CModalHold*>& holds = Holds();
    // Each step goes to a newer hold, so the walk ends.
    for (auto from = holds.begin();;) {
        auto hold = std::find_if(std::make_reverse_iterator(holds.end()), std::make_reverse_iterator(from),
                                 [window](const CModalHold* each) {
                                     return each->m_window == window && each->m_holder != nullptr &&
                                            ::IsWindowVisible(each->m_holder);
                                 });
        if (hold == std::make_reverse_iterator(from))
            return window;
        window = (*hold)->m_holder;
        from = hold.base();
    }
}

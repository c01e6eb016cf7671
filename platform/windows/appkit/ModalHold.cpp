#include "appkit/ModalHold.h"

#include "appkit/WinApp.h"

#include <map>

namespace {

// The user-interface thread's holds, by window; a window may be held by
// several nested loops.
std::map<HWND, int>& Holds()
{
    static std::map<HWND, int> holds;
    return holds;
}

} // namespace

CModalHold::CModalHold(HWND window, bool leaveToSystem) : m_window(window)
{
    if (m_window == nullptr)
        return;
    ++Holds()[m_window];
    if (!leaveToSystem)
        ::EnableWindow(m_window, FALSE);
    if (CWinApp* app = GetApp())
        app->UpdateWindowStates(leaveToSystem ? m_window : nullptr);
}

CModalHold::~CModalHold()
{
    if (m_window == nullptr)
        return;
    auto held = Holds().find(m_window);
    if (held != Holds().end() && --held->second == 0)
        Holds().erase(held);
    CWinApp* app = GetApp();
    if (::IsWindow(m_window))
        ::EnableWindow(m_window, (app ? app->WantsEnabled(m_window) : !IsHeld(m_window)) ? TRUE : FALSE);
    if (app)
        app->UpdateWindowStates();
}

bool CModalHold::IsHeld(HWND window)
{
    return Holds().count(window) != 0;
}

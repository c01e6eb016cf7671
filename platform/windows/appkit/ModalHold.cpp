#include "appkit/ModalHold.h"

#include "appkit/WinApp.h"

#include <algorithm>
#include <vector>

namespace {

// The user-interface thread's holds, oldest first; a window may be held by
// several nested loops.
std::vector<const CModalHold*>& Holds()
{
    static std::vector<const CModalHold*> holds;
    return holds;
}

} // namespace

CModalHold::CModalHold(HWND window, bool leaveToSystem) : m_window(window)
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

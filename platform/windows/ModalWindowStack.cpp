#include "ModalWindowStack.h"

#include "appkit/ModalHold.h"
#include "appkit/Wnd.h"

#include <utility>

CModalWindowStack::CModalWindowStack() : m_levels(1), m_modals(1, nullptr) {}

void CModalWindowStack::Add(CWnd* window, bool modal)
{
    if (modal) {
        m_levels.emplace_back();
        m_modals.push_back(window);
    }
    m_levels.back().insert(window);
    Update();
}

void CModalWindowStack::Remove(CWnd* window)
{
    size_t holder = m_levels.size();
    for (size_t i = m_levels.size(); i-- > 0;) {
        if (m_levels[i].count(window) != 0) {
            holder = i;
            break;
        }
    }
    if (holder == m_levels.size())
        return;
    m_levels[holder].erase(window);
    if (holder != 0 && m_modals[holder] == window) {
        // The windows opened over it stay the stack's to govern until they
        // close: they join the level below, which stays under any upper
        // levels.
        m_levels[holder - 1].insert(m_levels[holder].begin(), m_levels[holder].end());
        m_levels.erase(m_levels.begin() + static_cast<std::ptrdiff_t>(holder));
        m_modals.erase(m_modals.begin() + static_cast<std::ptrdiff_t>(holder));
    }
    Update();
}

bool CModalWindowStack::IsTopHeld() const
{
    for (CWnd* window : m_levels.back())
        if (window != nullptr && CModalHold::IsHeld(window->GetSafeHwnd()))
            return true;
    return false;
}

void CModalWindowStack::Update(HWND leave)
{
    // Disabling a window may end a capture, and what its release runs may
    // open or close a panel or a box, which updates the windows itself; the
    // window being disabled is disabled only after that. So the states are
    // collected first, and collected and set again when another update ran
    // meanwhile. A window already as wanted is left alone, so each round
    // touches only what the last one left wrong.
    for (bool again = true; again;) {
        again = false;
        const unsigned update = ++m_updates;
        const bool topEnabled = !IsTopHeld();
        std::vector<std::pair<HWND, bool>> states;
        for (size_t i = 0; i < m_levels.size(); ++i) {
            const bool enable = i + 1 == m_levels.size() && topEnabled;
            for (CWnd* window : m_levels[i]) {
                const HWND hwnd = window != nullptr ? window->GetSafeHwnd() : nullptr;
                if (hwnd != nullptr && hwnd != leave)
                    states.emplace_back(hwnd, enable);
            }
        }
        for (const auto& [hwnd, enable] : states) {
            if (!::IsWindow(hwnd) || (::IsWindowEnabled(hwnd) != FALSE) == enable)
                continue;
            ::EnableWindow(hwnd, enable ? TRUE : FALSE);
            if (m_updates != update) {
                again = true;
                break;
            }
        }
    }
}

bool CModalWindowStack::WantsEnabled(HWND window) const
{
    for (CWnd* member : m_levels.back())
        if (member != nullptr && member->GetSafeHwnd() == window)
            return !IsTopHeld();
    return false;
}

bool CModalWindowStack::Contains(const CWnd* window) const
{
    for (const std::set<CWnd*>& level : m_levels) {
        if (level.count(const_cast<CWnd*>(window)) != 0) {
            return true;
        }
    }
    return false;
}

bool CModalWindowStack::Contains(HWND window) const
{
    for (const std::set<CWnd*>& level : m_levels)
        for (CWnd* member : level)
            if (member != nullptr && member->GetSafeHwnd() == window)
                return true;
    return false;
}

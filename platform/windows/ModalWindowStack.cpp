#include "ModalWindowStack.h"

#include "appkit/ModalHold.h"
#include "appkit/Wnd.h"

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

void CModalWindowStack::Remove(CWnd* window, bool modal)
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
    if (modal && holder != 0) {
        if (holder == m_levels.size() - 1) {
            // Windows opened over it are no longer the stack's to govern.
            m_levels.pop_back();
        } else {
            // A modal window below the top closed first: its level's other
            // windows join the level below, which stays under the upper levels.
            m_levels[holder - 1].insert(m_levels[holder].begin(), m_levels[holder].end());
            m_levels.erase(m_levels.begin() + static_cast<std::ptrdiff_t>(holder));
        }
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

void CModalWindowStack::Update(HWND leave) const
{
    const bool topEnabled = !IsTopHeld();
    for (size_t i = 0; i < m_levels.size(); ++i) {
        const BOOL enable = i + 1 == m_levels.size() && topEnabled ? TRUE : FALSE;
        for (CWnd* window : m_levels[i]) {
            const HWND hwnd = window != nullptr ? window->GetSafeHwnd() : nullptr;
            if (hwnd != nullptr && hwnd != leave)
                ::EnableWindow(hwnd, enable);
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

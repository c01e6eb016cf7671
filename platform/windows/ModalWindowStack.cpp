#include "ModalWindowStack.h"

#include "appkit/Wnd.h"

CModalWindowStack::CModalWindowStack() : m_levels(1) {}

void CModalWindowStack::EnableLevel(const std::set<CWnd*>& level, bool enable)
{
    for (CWnd* window : level) {
        if (window != nullptr && window->GetSafeHwnd() != nullptr) {
            ::EnableWindow(window->GetSafeHwnd(), enable ? TRUE : FALSE);
        }
    }
}

void CModalWindowStack::Add(CWnd* window, bool modal)
{
    if (modal) {
        EnableLevel(m_levels.back(), false);
        m_levels.emplace_back();
    }
    m_levels.back().insert(window);
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
    if (!modal || holder == 0 || holder == m_levels.size()) {
        // Not modal, in the bottom level, or unknown: it only leaves its level.
        if (holder < m_levels.size()) {
            m_levels[holder].erase(window);
        }
        return;
    }
    m_levels[holder].erase(window);
    if (holder == m_levels.size() - 1) {
        m_levels.pop_back();
        EnableLevel(m_levels.back(), true);
        return;
    }
    // A modal window below the top closed first: its level's other windows
    // join the level below, which stays disabled under the upper levels.
    m_levels[holder - 1].insert(m_levels[holder].begin(), m_levels[holder].end());
    m_levels.erase(m_levels.begin() + static_cast<std::ptrdiff_t>(holder));
}

void CModalWindowStack::EnableTop(bool enable)
{
    EnableLevel(m_levels.back(), enable);
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

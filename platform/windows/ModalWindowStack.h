// The application's stack of window sets. A modal root panel's window
// disables every window of the level below it and starts a level of its own;
// windows opened meanwhile join that level and stay usable. Closing the
// modal window enables the level below again.
#pragma once

#include <cstddef>
#include <set>
#include <vector>

class CWnd;

class CModalWindowStack {
public:
    CModalWindowStack();

    // Modal: disables the top level's windows and pushes a new level. Then
    // the window joins the top level.
    void Add(CWnd* window, bool modal);
    // Not modal: the window leaves whichever level holds it (a sub-window
    // closed while a modal window is open above it must not stay listed).
    // Modal: its level goes; when it was the top level, the new top level's
    // windows are enabled again; a lower level's remaining windows join the
    // level below it.
    void Remove(CWnd* window, bool modal);
    // Enables or disables every window of the top level.
    void EnableTop(bool enable);

    std::size_t GetLevelCount() const { return m_levels.size(); }
    const std::set<CWnd*>& GetTop() const { return m_levels.back(); }
    bool Contains(const CWnd* window) const;

private:
    static void EnableLevel(const std::set<CWnd*>& level, bool enable);

    std::vector<std::set<CWnd*>> m_levels;
};

// The application's stack of window sets. A modal root panel's window
// disables every window of the level below it and starts a level of its own;
// windows opened meanwhile join that level and stay usable. Closing the
// modal window enables the level below again, which the windows opened over
// it join: every window is governed until it closes.
#pragma once

#include "appkit/Win32.h"

#include <cstddef>
#include <set>
#include <vector>

class CWnd;

class CModalWindowStack {
public:
    CModalWindowStack();

    // Modal: pushes a new level, which the window begins; otherwise the
    // window joins the top level. Then the windows are updated.
    void Add(CWnd* window, bool modal);
    // A window that began a level: the level goes and its other windows
    // join the level below it. Any other window leaves whichever level
    // holds it (a sub-window closed while a modal window is open above it
    // must not stay listed). Then the windows are updated.
    void Remove(CWnd* window);
    // Enables every window of the top level unless a modal loop holds one
    // of them (a dialog or box over one window keeps the whole level from
    // input), and disables every lower level's; `leave` is left as it is.
    // When the levels or holds change meanwhile (see the definition), the
    // windows end as the stack wants them then.
    void Update(HWND leave = nullptr);
    // What Update gives the window; false for a window it doesn't hold.
    bool WantsEnabled(HWND window) const;
    // The modal window that began the top level; null at the bottom level.
    CWnd* GetTopModal() const { return m_modals.back(); }

    std::size_t GetLevelCount() const { return m_levels.size(); }
    const std::set<CWnd*>& GetTop() const { return m_levels.back(); }
    bool Contains(const CWnd* window) const;
    bool Contains(HWND window) const;

private:
    bool IsTopHeld() const;

    std::vector<std::set<CWnd*>> m_levels;
    // The window that began each level.
    std::vector<CWnd*> m_modals;
    // Counts the updates begun, so that one sees another run inside it.
    unsigned m_updates = 0;
};

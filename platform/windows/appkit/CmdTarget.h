// Command routing: a command target keeps a table of command handlers and
// update handlers by id. A menu item or tool whose id has no handler along
// the route is greyed when its state is brought up to date.
#pragma once

#include "appkit/Win32.h"

#include <functional>
#include <map>
#include <string>

class CCmdTarget;
class CWnd;

// One user-interface item (a menu item, or a control of a bar) whose state a
// command target brings up to date before it is shown.
class CCmdUI {
public:
    UINT m_nID = 0;
    HMENU m_hMenu = nullptr;   // set for a menu item
    UINT m_nIndex = 0;         // the item's position in m_hMenu
    CWnd* m_pOther = nullptr;  // set for a control window

    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true);
    virtual void SetCheck(int check = 1);   // 0 clear, 1 checked
    virtual void SetRadio(bool on = true);  // a round mark instead of a tick
    virtual void SetText(const std::string& text);

    // Asks the target (and what it routes to) for the item's state. With
    // disableIfNoHandler, an item that no one handles is greyed.
    bool DoUpdate(CCmdTarget* target, bool disableIfNoHandler);

    bool m_enableChanged = false;
};

enum CommandCode { CN_COMMAND = 0, CN_UPDATE_COMMAND_UI = 1 };

class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI&)>;

    virtual ~CCmdTarget() = default;

    // Routes one command (code CN_COMMAND, ui null) or one update request
    // (CN_UPDATE_COMMAND_UI, ui set). With query set nothing runs; the result
    // tells whether a handler exists. Derived targets route on to others.
    virtual bool OnCmdMsg(UINT id, int code, CCmdUI* ui, bool query = false);

    void AddCommand(UINT id, Handler handler);
    void AddCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
    void AddUpdateCommand(UINT id, UpdateHandler handler);
    void AddUpdateCommandRange(UINT first, UINT last, UpdateHandler handler);

    // The wait cursor, counted: shown while the count is above zero.
    static void BeginWaitCursor();
    static void EndWaitCursor();
    static void RestoreWaitCursor();
    static int WaitCursorCount();

private:
    struct Range {
        UINT last;
        std::function<void(UINT)> handler;
    };
    struct UpdateRange {
        UINT last;
        UpdateHandler handler;
    };
    std::map<UINT, Handler> m_commands;
    std::map<UINT, Range> m_commandRanges;  // by first id
    std::map<UINT, UpdateHandler> m_updates;
    std::map<UINT, UpdateRange> m_updateRanges;
};

// Shows the wait cursor for the life of the object.
class CWaitCursor {
public:
    CWaitCursor() { CCmdTarget::BeginWaitCursor(); }
    ~CWaitCursor() { CCmdTarget::EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() { CCmdTarget::RestoreWaitCursor(); }
};

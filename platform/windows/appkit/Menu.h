// An owning wrapper of a menu handle.
#pragma once

#include "appkit/Win32.h"

#include <string>

class CMenu {
public:
    CMenu() = default;
    explicit CMenu(HMENU menu) : m_hMenu(menu) {}
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }

    bool CreatePopupMenu();
    bool LoadMenu(UINT resourceId);
    // Hands the handle over (nothing is destroyed any more).
    HMENU Detach();
    bool Attach(HMENU menu);
    void DestroyMenu();

    bool AppendMenu(UINT flags, UINT_PTR idOrPopup, const std::string& text)
    {
        return ::AppendMenuA(m_hMenu, flags, idOrPopup, text.c_str()) != FALSE;
    }
    bool InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup, const std::string& text)
    {
        return ::InsertMenuA(m_hMenu, position, flags, idOrPopup, text.c_str()) != FALSE;
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }
    // The item's text (up to 1024 characters).
    std::string GetMenuString(UINT item, UINT flags) const;
    UINT CheckMenuItem(UINT item, UINT flags) { return ::CheckMenuItem(m_hMenu, item, flags); }
    UINT EnableMenuItem(UINT item, UINT flags) { return ::EnableMenuItem(m_hMenu, item, flags); }
};

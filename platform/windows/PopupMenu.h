// The pop-up menu service on Windows: a tree of menu items becomes nested
// Win32 pop-up menus, tracked modally; the answer is the chosen leaf.
#pragma once

#include "appkit/Win32.h"

#include "core/TevServices.h"

#include <vector>

class CPopupMenu : public CTevPopupMenu {
public:
    static constexpr UINT kFirstId = 1000;

    // Leaves get the ids 1000, 1001, ... depth first. Every level along the
    // path shows its item with a radio mark. "&" is shown as itself.
    int32_t TrackItems(const CTevPopupMenuItem::ItemList* items, std::vector<int32_t>& path,
                       const CTevPoint* point) override;
    int32_t TrackItemsAtIndex(const CTevPopupMenuItem::ItemList* items, int32_t leafIndex,
                              const CTevPoint* point) override;

    // One level: a pop-up menu of the items, sub-menus built recursively.
    // Null on failure (nothing left behind).
    static HMENU BuildMenu(const CTevPopupMenuItem::ItemList* items, const int32_t* path, size_t pathLength,
                           UINT& nextId);

protected:
    // Shows the menu and returns the chosen id or 0. Tests replace it.
    virtual UINT TrackMenu(HMENU menu, POINT point);
};

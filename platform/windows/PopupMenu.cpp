#include "PopupMenu.h"

#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

namespace {
std::string WithoutMnemonics(const std::string& text)
{
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        shown += c;
        if (c == '&') {
            shown += '&';
        }
    }
    return shown;
}
}  // namespace

HMENU CPopupMenu::BuildMenu(const CTevPopupMenuItem::ItemList* items, const int32_t* path, size_t pathLength,
                            UINT& nextId)
{
    HMENU menu = ::CreatePopupMenu();
    if (menu == nullptr) {
        return nullptr;
    }
    const int32_t selected = pathLength > 0 ? path[0] : -1;
    const int count = items != nullptr ? static_cast<int>(items->size()) : 0;
    for (int i = 0; i < count; ++i) {
        const CTevPopupMenuItem& item = *(*items)[static_cast<size_t>(i)];
        const std::string text = WithoutMnemonics(item.GetText());
        if (!item.IsLeaf()) {
            const bool onPath = i == selected;
            HMENU sub = BuildMenu(item.GetChildren(), onPath ? path + 1 : nullptr, onPath ? pathLength - 1 : 0,
                                  nextId);
            if (sub == nullptr || !::InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_POPUP,
                                                 reinterpret_cast<UINT_PTR>(sub), text.c_str())) {
                if (sub != nullptr) {
                    ::DestroyMenu(sub);
                }
                ::DestroyMenu(menu);  // with every sub-menu already in it
                return nullptr;
            }
        } else if (!::AppendMenuA(menu, MF_STRING, nextId++, text.c_str())) {
            ::DestroyMenu(menu);
            return nullptr;
        }
    }
    if (selected >= 0 && selected < count) {
        ::CheckMenuRadioItem(menu, 0, static_cast<UINT>(count - 1), static_cast<UINT>(selected), MF_BYPOSITION);
    }
    return menu;
}

UINT CPopupMenu::TrackMenu(HMENU menu, POINT point)
{
    HWND owner = nullptr;
    if (GetApp() != nullptr && GetApp()->GetMainWnd() != nullptr) {
        owner = GetApp()->GetMainWnd()->GetSafeHwnd();
    }
    if (owner == nullptr) {
        owner = ::GetActiveWindow();
    }
    if (owner == nullptr) {
        return 0;
    }
    return static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, point.x,
                                              point.y, 0, owner, nullptr));
}

int32_t CPopupMenu::TrackItems(const CTevPopupMenuItem::ItemList* items, std::vector<int32_t>& path,
                               const CTevPoint* point)
{
    UINT nextId = kFirstId;
    HMENU menu = BuildMenu(items, path.data(), path.size(), nextId);
    if (menu == nullptr) {
        return -1;
    }
    POINT at{};
    if (point != nullptr) {
        at = POINT{point->x, point->y};
    } else {
        ::GetCursorPos(&at);
        at.x += 10;
    }
    const UINT chosen = TrackMenu(menu, at);
    ::DestroyMenu(menu);
    if (chosen < kFirstId || chosen >= nextId) {
        return -1;
    }
    const int32_t leaf = static_cast<int32_t>(chosen - kFirstId);
    FindLeafPath(items, leaf, path);
    return leaf;
}

int32_t CPopupMenu::TrackItemsAtIndex(const CTevPopupMenuItem::ItemList* items, int32_t leafIndex,
                                      const CTevPoint* point)
{
    std::vector<int32_t> path;
    FindLeafPath(items, leafIndex, path);
    return TrackItems(items, path, point);
}

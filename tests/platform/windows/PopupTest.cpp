// The pop-up windows with real windows and input: the pop-up menu built from
// an item tree (inspected as an HMENU, tracked for real and ended from a
// timer), the pop-up edit driven by posted keys and real clicks, and the
// modal window stack.
#include "ModalWindowStack.h"
#include "appkit/AppMessageBox.h"
#include "appkit/ModalHold.h"
#include "PopupEdit.h"
#include "PopupMenu.h"
#include "appkit/WinApp.h"

#include "support/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// 128 leaves in four sub-menus of 32; leaf 3 of the first reads "A&B".
std::unique_ptr<CTevPopupMenuItem::ItemList> BankOf128()
{
    auto items = std::make_unique<CTevPopupMenuItem::ItemList>();
    for (int division = 0; division < 4; ++division) {
        auto sub = std::make_unique<CTevPopupMenuItem>(std::to_string(division * 32) + "...");
        for (int leaf = 0; leaf < 32; ++leaf) {
            const int index = division * 32 + leaf;
            sub->AppendChild(std::make_unique<CTevPopupMenuItem>(index == 3 ? "A&B" : "P" + std::to_string(index)));
        }
        items->push_back(std::move(sub));
    }
    return items;
}

bool HasRadioMark(HMENU menu, UINT position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoA(menu, position, TRUE, &info);
    return (info.fType & MFT_RADIOCHECK) != 0 && (info.fState & MFS_CHECKED) != 0;
}

// Looks at the built menu instead of showing it, and answers a set id.
class CInspectedPopupMenu : public CPopupMenu {
public:
    UINT answer = 0;
    POINT shownAt{};
    std::vector<std::string> topTexts;
    std::vector<UINT> leafIds;
    std::vector<std::pair<int, int>> radioMarks;  // (level-0 position, position in its sub-menu or -1)
    std::string leafThree;

protected:
    UINT TrackMenu(HMENU menu, POINT point) override
    {
        shownAt = point;
        char text[64] = {};
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
            topTexts.push_back(text);
            if (HasRadioMark(menu, static_cast<UINT>(i))) {
                radioMarks.emplace_back(i, -1);
            }
            HMENU sub = ::GetSubMenu(menu, i);
            for (int j = 0; sub != nullptr && j < ::GetMenuItemCount(sub); ++j) {
                leafIds.push_back(::GetMenuItemID(sub, j));
                if (HasRadioMark(sub, static_cast<UINT>(j))) {
                    radioMarks.emplace_back(i, j);
                }
            }
        }
        HMENU first = ::GetSubMenu(menu, 0);
        ::GetMenuStringA(first, 3, text, sizeof(text), MF_BYPOSITION);
        leafThree = text;
        return answer;
    }
};

class CTestWindow : public CWnd {
public:
    std::vector<UINT> buttonMessages;
    // Runs once, when the window is next told to end a capture.
    std::function<void()> onCancelMode;
    bool Make(const char* title, int x, int y, int width, int height)
    {
        const std::string cls = RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                                 reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        return CreateEx(0, cls.c_str(), title, WS_POPUP | WS_VISIBLE | WS_CAPTION, RECT{x, y, x + width, y + height},
                        nullptr, 0);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_NCLBUTTONDOWN || msg == WM_NCRBUTTONDOWN) {
            buttonMessages.push_back(msg);
        }
        if (msg == WM_CANCELMODE && onCancelMode)
            std::exchange(onCancelMode, nullptr)();
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

void TypeInto(HWND edit, const std::string& text)
{
    for (char c : text) {
        ::PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    }
}

void PressKey(HWND edit, WPARAM key)
{
    ::PostMessageA(edit, WM_KEYDOWN, key, 1);
}

}  // namespace

TEST(PopupMenu, ItemTreeBecomesNestedMenusWithMarksAlongThePath)
{
    auto items = BankOf128();
    CInspectedPopupMenu menu;
    menu.answer = CPopupMenu::kFirstId + 70;
    std::vector<int32_t> path{2, 5};
    const CTevPoint at{120, 80};
    EXPECT_EQ(menu.TrackItems(items.get(), path, &at), 70);
    EXPECT_EQ(path, (std::vector<int32_t>{2, 6}));
    EXPECT_EQ(menu.shownAt.x, 120);
    EXPECT_EQ(menu.shownAt.y, 80);
    EXPECT_EQ(menu.topTexts, (std::vector<std::string>{"0...", "32...", "64...", "96..."}));
    ASSERT_EQ(menu.leafIds.size(), 128u);
    for (UINT i = 0; i < 128; ++i) {
        EXPECT_EQ(menu.leafIds[i], CPopupMenu::kFirstId + i);
    }
    EXPECT_EQ(menu.radioMarks, (std::vector<std::pair<int, int>>{{2, -1}, {2, 5}}));
    EXPECT_EQ(menu.leafThree, "A&&B");

    // By leaf index; nothing chosen answers -1; no point: 10 pixels right of
    // the pointer.
    CInspectedPopupMenu byIndex;
    byIndex.answer = 0;
    ::SetCursorPos(300, 200);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    EXPECT_EQ(byIndex.TrackItemsAtIndex(items.get(), 33, nullptr), -1);
    EXPECT_EQ(byIndex.radioMarks, (std::vector<std::pair<int, int>>{{1, -1}, {1, 1}}));
    EXPECT_EQ(byIndex.shownAt.x, cursor.x + 10);
    EXPECT_EQ(byIndex.shownAt.y, cursor.y);
    // An index past the last leaf marks nothing.
    CInspectedPopupMenu unmarked;
    EXPECT_EQ(unmarked.TrackItemsAtIndex(items.get(), 500, &at), -1);
    EXPECT_TRUE(unmarked.radioMarks.empty());
}

TEST(PopupMenu, RealMenuTrackedAndEndedFromATimer)
{
    CWinApp app("TevPopupTest");
    CTestWindow owner;
    ASSERT_TRUE(owner.Make("Owner", 50, 50, 300, 200));
    app.SetMainWnd(&owner);
    auto items = BankOf128();

    int shownItems = -1;
    int shownLeaves = -1;
    RunLater(200, [&] {
        const HWND menuWindow = FindProcessWindow("#32768", "");
        if (menuWindow != nullptr) {
            HMENU shown = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
            shownItems = ::GetMenuItemCount(shown);
            shownLeaves = ::GetMenuItemCount(::GetSubMenu(shown, 3));
        }
        ::EndMenu();
    });
    CPopupMenu menu;
    const CTevPoint at{100, 100};
    std::vector<int32_t> path{3, 31};
    EXPECT_EQ(menu.TrackItems(items.get(), path, &at), -1);
    EXPECT_EQ(path, (std::vector<int32_t>{3, 31}));
    EXPECT_EQ(shownItems, 4);
    EXPECT_EQ(shownLeaves, 32);
    app.SetMainWnd(nullptr);
    owner.DestroyWindow();
}

TEST(PopupEdit, TypedTextConfirmedOrCancelledByKeysAndClicks)
{
    CWinApp app("TevPopupEditTest");
    CTestWindow parent;
    ASSERT_TRUE(parent.Make("Panel", 100, 100, 400, 300));
    PumpMessages(100);
    RECT client{};
    parent.GetClientRect(&client);
    POINT origin{0, 0};
    parent.ClientToScreen(&origin);
    const RECT area{origin.x + 20, origin.y + 20, origin.x + 120, origin.y + 40};

    // Enter takes the typed text; the initial text was selected and is replaced.
    {
        CPopupEdit edit;
        edit.m_text = "42";
        RunLater(100, [] {
            const HWND window = CPopupEdit::GetCurrent()->GetSafeHwnd();
            TypeInto(window, "123");
            PressKey(window, VK_RETURN);
        });
        EXPECT_TRUE(edit.Popup(area, &parent));
        EXPECT_EQ(edit.m_text, "123");
        EXPECT_EQ(edit.GetSafeHwnd(), nullptr);
        EXPECT_TRUE(parent.IsWindowEnabled());
    }
    // Escape drops it (the caller ignores the text left behind).
    {
        CPopupEdit edit;
        edit.m_text = "42";
        RunLater(100, [] {
            const HWND window = CPopupEdit::GetCurrent()->GetSafeHwnd();
            TypeInto(window, "9");
            PressKey(window, VK_ESCAPE);
        });
        EXPECT_FALSE(edit.Popup(area, &parent));
        EXPECT_EQ(edit.m_text, "9");
    }
    // Typing past the right edge widens it to the right, never narrower
    // than the area; a left click elsewhere in the window confirms, and the
    // click goes nowhere else.
    {
        CPopupEdit edit;
        edit.m_text = "";
        RECT grown{};
        RECT initial{};
        const POINT outside{origin.x + 300, origin.y + 200};
        RunLater(100, [&] {
            const HWND window = CPopupEdit::GetCurrent()->GetSafeHwnd();
            ::GetWindowRect(window, &initial);
            TypeInto(window, std::string(40, 'W'));
            RunLater(150, [&, window] {
                ::GetWindowRect(window, &grown);
                ClickAt(outside, VK_LBUTTON);
            });
        });
        parent.buttonMessages.clear();
        EXPECT_TRUE(edit.Popup(area, &parent));
        EXPECT_EQ(edit.m_text, std::string(40, 'W'));
        EXPECT_EQ(initial.left, area.left);
        EXPECT_EQ(initial.right, area.right);
        EXPECT_EQ(grown.left, area.left);
        EXPECT_GT(grown.right, area.right + 100);
        PumpMessages(100);
        EXPECT_TRUE(parent.buttonMessages.empty());
    }
    // A right click outside cancels.
    {
        CPopupEdit edit;
        edit.m_text = "7";
        const POINT outside{origin.x + 300, origin.y + 200};
        RunLater(100, [&] {
            TypeInto(CPopupEdit::GetCurrent()->GetSafeHwnd(), "8");
            RunLater(100, [&] { ClickAt(outside, VK_RBUTTON); });
        });
        EXPECT_FALSE(edit.Popup(area, &parent));
        PumpMessages(100);
        EXPECT_TRUE(parent.buttonMessages.empty());
    }
    // A box shown from the edit's loop (a failure that it dispatched)
    // belongs to the edit, and a click on the box's button answers the box
    // and leaves the edit open.
    {
        app.SetMainWnd(&parent);
        CPopupEdit edit;
        edit.m_text = "5";
        HWND window = nullptr;
        HWND boxOwner = nullptr;
        int answer = 0;
        RunLater(100, [&] {
            window = CPopupEdit::GetCurrent()->GetSafeHwnd();
            RunLater(200, [&] {
                const HWND box = FindProcessWindow("#32770", "");
                boxOwner = ::GetWindow(box, GW_OWNER);
                RECT button{};
                ::GetWindowRect(::GetDlgItem(box, IDOK), &button);
                ClickAt(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
                // Should the click go astray, the box is answered all the same.
                RunLater(3000, [box] { ::PostMessageA(box, WM_COMMAND, IDOK, 0); });
            });
            answer = ShowMessageBox("Please check the connections.");
            PressKey(window, VK_ESCAPE);
        });
        EXPECT_FALSE(edit.Popup(area, &parent));
        EXPECT_EQ(boxOwner, window);
        EXPECT_EQ(answer, IDOK);
        app.SetMainWnd(nullptr);
    }
    EXPECT_EQ(CPopupEdit::GetCurrent(), nullptr);
    parent.DestroyWindow();
}

TEST(ModalWindowStack, ModalWindowsDisableTheLevelBelowUntilTheyClose)
{
    CTestWindow main;
    CTestWindow sub;
    CTestWindow modal;
    CTestWindow opened;
    ASSERT_TRUE(main.Make("Main", 0, 0, 50, 50) && sub.Make("Sub", 60, 0, 50, 50) &&
                modal.Make("Modal", 120, 0, 50, 50) && opened.Make("Opened", 180, 0, 50, 50));
    CModalWindowStack stack;
    stack.Add(&main, false);
    stack.Add(&sub, false);
    stack.Add(&modal, true);
    EXPECT_FALSE(main.IsWindowEnabled());
    EXPECT_FALSE(sub.IsWindowEnabled());
    EXPECT_TRUE(modal.IsWindowEnabled());
    // A window opened meanwhile joins the modal level and stays usable.
    stack.Add(&opened, false);
    EXPECT_TRUE(opened.IsWindowEnabled());
    // A dialog or box over one window of the top level keeps the whole
    // level from input until it closes.
    {
        CModalHold hold(opened.GetSafeHwnd(), nullptr);
        stack.Update();
        EXPECT_FALSE(modal.IsWindowEnabled());
    }
    stack.Update();
    EXPECT_TRUE(modal.IsWindowEnabled());
    EXPECT_TRUE(opened.IsWindowEnabled());

    // The sub-window closes while the modal one is open: it leaves its own
    // (lower) level and is never enabled again after it is gone.
    stack.Remove(&sub);
    EXPECT_FALSE(stack.Contains(&sub));
    sub.DestroyWindow();

    // The window opened over the modal one stays governed: it joins the
    // level below and is disabled by the next modal window.
    stack.Remove(&modal);
    EXPECT_EQ(stack.GetLevelCount(), 1u);
    EXPECT_TRUE(main.IsWindowEnabled());
    EXPECT_TRUE(opened.IsWindowEnabled());
    stack.Add(&modal, true);
    EXPECT_FALSE(opened.IsWindowEnabled());
    stack.Remove(&modal);
    stack.Remove(&opened);

    // A modal window below the top closing first keeps the levels in order.
    stack.Add(&modal, true);
    stack.Add(&opened, true);
    stack.Remove(&modal);
    EXPECT_FALSE(main.IsWindowEnabled());
    stack.Remove(&opened);
    EXPECT_TRUE(main.IsWindowEnabled());
    EXPECT_EQ(stack.GetLevelCount(), 1u);

    // Disabling a window ends its capture, and what that runs may close the
    // modal window that disables it: the windows end as the stack then
    // wants them, also the one being disabled.
    main.onCancelMode = [&] { stack.Remove(&modal); };
    stack.Add(&modal, true);
    EXPECT_EQ(stack.GetLevelCount(), 1u);
    EXPECT_TRUE(main.IsWindowEnabled());
    for (CTestWindow* window : {&main, &modal, &opened}) {
        window->DestroyWindow();
    }
}

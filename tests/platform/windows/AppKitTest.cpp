// The application-framework layer with real windows: objects attached before
// WM_CREATE, system controls subclassed, commands routed with update states,
// the idle rules of the message loop, the modal loop, the profile and the
// message-box hook.
#include "appkit/AppMessageBox.h"
#include "appkit/FrameWnd.h"
#include "appkit/WinApp.h"
#include "appkit/WorkerThread.h"
#include "appkit/Wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {

class RecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool createdWithObject = false;
    bool destroyedPost = false;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(msg);
        if (msg == WM_CREATE) {
            createdWithObject = FromHandlePermanent(m_hWnd) == this;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override { destroyedPost = true; }
};

class TypingEdit : public CWnd {
public:
    int changes = 0;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT*) override
    {
        if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
            ++changes;
            return true;
        }
        return false;
    }
};

class CountingApp : public CWinApp {
public:
    CountingApp() : CWinApp("TevAppKitTest") {}
    std::vector<long> idleCounts;
    bool quitWhenIdle = false;
    bool OnIdle(long count) override
    {
        idleCounts.push_back(count);
        if (quitWhenIdle && count == 2) {
            ::PostQuitMessage(7);
        }
        CWinApp::OnIdle(count);
        return count < 2;
    }
};

RECT Rect(int x, int y, int w, int h)
{
    return RECT{x, y, x + w, y + h};
}

}  // namespace

TEST(AppKit, WindowObjectsRouteMessagesCommandsAndNotifications)
{
    CountingApp app;
    RecordingWnd frame;
    const std::string cls = CWnd::RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW));
    ASSERT_FALSE(cls.empty());
    EXPECT_EQ(cls, CWnd::RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW)));
    ASSERT_TRUE(frame.CreateEx(0, cls.c_str(), "Frame", WS_OVERLAPPEDWINDOW, Rect(10, 10, 300, 200),
                               nullptr, 0));
    EXPECT_TRUE(frame.createdWithObject);
    // The object saw the window's very first messages.
    EXPECT_NE(std::find(frame.seen.begin(), frame.seen.end(), static_cast<UINT>(WM_NCCREATE)), frame.seen.end());
    EXPECT_EQ(CWnd::FromHandle(frame.m_hWnd), &frame);

    // A system edit control created through the layer: its own procedure
    // does the default, its notification is reflected back to it.
    TypingEdit edit;
    ASSERT_TRUE(edit.CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, Rect(5, 5, 100, 20), &frame, 100));
    edit.SetWindowText("abc");
    EXPECT_EQ(edit.GetWindowText(), "abc");
    EXPECT_GE(edit.changes, 1);

    // Commands: a handler runs; an update handler can grey an item and then
    // the command does not run.
    int ran = 0;
    bool enabled = true;
    frame.AddCommand(200, [&] { ++ran; });
    frame.AddUpdateCommand(200, [&](CCmdUI& ui) { ui.Enable(enabled); });
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);
    EXPECT_EQ(ran, 1);
    enabled = false;
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);
    EXPECT_EQ(ran, 1);

    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 200, "Handled");
    frame.AddCommand(202, [] {});
    ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 202, "Handled without update");
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(::GetMenuState(menu, 200, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(::GetMenuState(menu, 202, MF_BYCOMMAND) & MF_GRAYED, 0u);
    ::DestroyMenu(menu);

    // The virtual DestroyWindow detaches the object; it does not delete it.
    EXPECT_TRUE(frame.DestroyWindow());
    EXPECT_TRUE(frame.destroyedPost);
    EXPECT_EQ(frame.m_hWnd, nullptr);
    EXPECT_EQ(edit.m_hWnd, nullptr);
}

TEST(AppKit, IdleRestartsAfterRealMessagesAndModalLoopEnds)
{
    CountingApp app;
    CWnd wnd;
    const std::string cls = CWnd::RegisterWndClass(0);
    ASSERT_TRUE(wnd.CreateEx(0, cls.c_str(), "Modal", WS_POPUP, Rect(0, 0, 50, 50), nullptr, 0));

    // Paint and the system timer do not restart idle processing; a mouse
    // move does only when the point changes.
    MSG msg{};
    msg.message = WM_PAINT;
    EXPECT_FALSE(CWinApp::IsIdleMessage(&msg));
    msg.message = 0x118;
    EXPECT_FALSE(CWinApp::IsIdleMessage(&msg));
    msg.message = WM_MOUSEMOVE;
    msg.pt = POINT{7, 9};
    EXPECT_TRUE(CWinApp::IsIdleMessage(&msg));
    EXPECT_FALSE(CWinApp::IsIdleMessage(&msg));
    msg.pt = POINT{8, 9};
    EXPECT_TRUE(CWinApp::IsIdleMessage(&msg));
    msg.message = WM_KEYDOWN;
    EXPECT_TRUE(CWinApp::IsIdleMessage(&msg));

    // The modal loop dispatches what is queued; EndModalLoop from a command
    // handler ends it with its result.
    wnd.AddCommand(300, [&] { wnd.EndModalLoop(42); });
    wnd.PostMessage(WM_USER + 5, 0, 0);
    wnd.PostMessage(WM_COMMAND, MAKEWPARAM(300, 0), 0);
    EXPECT_EQ(wnd.RunModalLoop(), 42);
    EXPECT_FALSE(wnd.IsInModalLoop());

    // The application's own loop idles 0, 1, 2 and ends at WM_QUIT with its code.
    app.idleCounts.clear();
    app.quitWhenIdle = true;
    EXPECT_EQ(app.Run(), 7);
    EXPECT_EQ(app.idleCounts, (std::vector<long>{0, 1, 2}));
    wnd.DestroyWindow();
}

TEST(AppKit, ProfileRoundTripsAndMessageBoxesAreReplaceable)
{
    CWinApp app("TevAppKitProfile");
    app.SetRegistryKey("TevTests");
    EXPECT_EQ(app.GetProfileString("Missing", "Entry", "fallback"), "fallback");
    EXPECT_EQ(app.GetProfileInt("Missing", "Entry", -3), -3);
    ASSERT_TRUE(app.WriteProfileString("Section", "Text", "Port A \\ 1"));
    ASSERT_TRUE(app.WriteProfileInt("Section", "Number", -17));
    EXPECT_EQ(app.GetProfileString("Section", "Text", ""), "Port A \\ 1");
    EXPECT_EQ(app.GetProfileInt("Section", "Number", 0), -17);
    // A string entry read as a number (wrong type) gives the default.
    EXPECT_EQ(app.GetProfileInt("Section", "Text", 5), 5);

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\TevTests\\TevAppKitProfile\\Section", 0,
                              KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    ::RegQueryValueExA(key, "Number", nullptr, &type, nullptr, nullptr);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ::RegQueryValueExA(key, "Text", nullptr, &type, nullptr, nullptr);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ::RegCloseKey(key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevTests");

    static std::string shown;
    static unsigned shownType = 0;
    auto hook = [](HWND, const std::string& text, unsigned type) {
        shown = text;
        shownType = type;
        return IDYES;
    };
    MessageBoxHook previous = SetMessageBoxHook(hook);
    EXPECT_EQ(ShowMessageBox("Try again?", MB_YESNO), IDYES);
    EXPECT_EQ(shown, "Try again?");
    EXPECT_EQ(shownType, static_cast<unsigned>(MB_YESNO));
    EXPECT_EQ(SetMessageBoxHook(previous), hook);
}

TEST(AppKit, WorkerThreadRunsAtItsPriority)
{
    struct Shared {
        std::atomic<int> priority{-100};
    } shared;
    CWorkerThread thread;
    ASSERT_TRUE(thread.Start(
        [](void* arg) -> unsigned {
            static_cast<Shared*>(arg)->priority = ::GetThreadPriority(::GetCurrentThread());
            return 0;
        },
        &shared, THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_FALSE(thread.Start([](void*) -> unsigned { return 0; }, nullptr));
    ASSERT_TRUE(thread.Wait(5000));
    EXPECT_EQ(shared.priority.load(), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_NE(thread.GetHandle(), nullptr);
}

namespace {

class CPane : public CWnd {
public:
    int handled = 0;
};

class CClosingFrame : public CFrameWnd {
public:
    int destroyRequests = 0;
    // Closing asks first; the window goes only when the owner destroys it.
    BOOL DestroyWindow() override
    {
        ++destroyRequests;
        return TRUE;
    }
    void Destroy() { CWnd::DestroyWindow(); }
};

}  // namespace

TEST(AppKit, FrameFromResourcesRoutesCommandsThroughPaneFrameAndApplication)
{
    CWinApp app("TevFrameTest");
    CClosingFrame frame;
    ASSERT_TRUE(frame.LoadFrame(100, WS_OVERLAPPEDWINDOW | CFrameWnd::FWS_ADDTOTITLE));
    EXPECT_EQ(frame.GetWindowText(), "Frame Title");
    HMENU menu = frame.GetMenu();
    ASSERT_NE(menu, nullptr);
    HMENU file = ::GetSubMenu(menu, 0);
    ASSERT_EQ(::GetMenuItemCount(file), 3);
    EXPECT_NE(::GetClassLongPtrA(frame.m_hWnd, GCLP_HICON), 0);

    CPane pane;
    const std::string cls = CWnd::RegisterWndClass(0);
    ASSERT_TRUE(pane.Create(cls.c_str(), "", WS_VISIBLE, RECT{0, 0, 10, 10}, &frame, CFrameWnd::kPaneFirstId));
    frame.MoveWindow(10, 10, 300, 200);
    RECT client{};
    frame.GetClientRect(&client);
    RECT paneRect{};
    pane.GetClientRect(&paneRect);
    EXPECT_EQ(paneRect.right, client.right);
    EXPECT_EQ(paneRect.bottom, client.bottom);

    // The pane, then the frame, then the application handle commands; a
    // command nobody handles is greyed when its menu opens.
    int byFrame = 0;
    int byApp = 0;
    pane.AddCommand(32800, [&] { ++pane.handled; });
    frame.AddCommand(32800, [&] { ++byFrame; });
    app.AddCommand(32827, [&] { ++byApp; });
    frame.SendMessage(WM_COMMAND, 32800, 0);
    frame.SendMessage(WM_COMMAND, 32827, 0);
    EXPECT_EQ(pane.handled, 1);
    EXPECT_EQ(byFrame, 0);
    EXPECT_EQ(byApp, 1);
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_EQ(::GetMenuState(file, 32800, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(::GetMenuState(file, 32801, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(::GetMenuState(file, 32827, MF_BYCOMMAND) & MF_GRAYED, 0u);

    // Closing only asks; the frame's owner destroys it. Destroying the main
    // window ends the message loop.
    frame.SendMessage(WM_CLOSE);
    EXPECT_EQ(frame.destroyRequests, 1);
    EXPECT_TRUE(::IsWindow(frame.m_hWnd));
    app.SetMainWnd(&frame);
    frame.Destroy();
    EXPECT_EQ(frame.m_hWnd, nullptr);
    EXPECT_EQ(app.GetMainWnd(), nullptr);
    EXPECT_EQ(app.Run(), 0);

    // The wait cursor is counted.
    CCmdTarget::BeginWaitCursor();
    {
        CWaitCursor nested;
        EXPECT_EQ(CCmdTarget::WaitCursorCount(), 2);
    }
    EXPECT_EQ(CCmdTarget::WaitCursorCount(), 1);
    CCmdTarget::EndWaitCursor();
    CCmdTarget::EndWaitCursor();
    EXPECT_EQ(CCmdTarget::WaitCursorCount(), 0);
}

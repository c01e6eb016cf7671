// The shell's windows and services with real windows under Wine: frames
// hosting root panels, the window stack, the progress dialog, the reader's
// pump, the deferred calls, the message-box sink and idle processing.
#include "App.h"
#include "Dialogs.h"
#include "Frames.h"
#include "ProgressBar.h"
#include "Services.h"
#include "resource.h"

#include "appkit/AppMessageBox.h"
#include "graphics/StateBitmap.h"
#include "midi/MidiSetup.h"
#include "midi/TevMidiManager.h"

#include "platform/windows/support/BitmapFile.h"

#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

CApp theTestApp;

std::vector<std::string> g_boxes;
bool HasQuitMessage()
{
    MSG message;
    return ::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

void DrainMessages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

const char kShellPanels[] = R"(
<panelType><type>Main</type><name>main</name><size>200,100</size><windowPosition>30,40</windowPosition>
  <control><type>probe</type><name>p</name><size>200,100</size></control>
</panelType>
<panelType><type>Tool</type><name>tool</name><size>240,60</size><windowPosition>300,40</windowPosition></panelType>
<panelType><type>Ask</type><name>ask</name><size>50,50</size><modal>1</modal></panelType>
<panelType><type>Ask2</type><name>ask2</name><size>50,50</size><modal>1</modal></panelType>
<panel><type>Main</type></panel>
<panel><type>Tool</type></panel>
<panel><type>Ask</type></panel>
<panel><type>Ask2</type></panel>
)";

const char kShellModel[] = R"(
<structType><type>Tone</type><name>tone</name><value><name>level</name></value></structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address><struct><type>Tone</type></struct></structType>
<struct><type>Module</type></struct>
)";

// Probe controls as in the framework's tests, but the shell's own windows.
class CShellWindowFactory : public CFakeViewFactory {
public:
    std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel& panel) override
    {
        return OpenPanelWindow(panel);
    }
};

class CShellFrameTest : public CViewTest {
protected:
    void SetUp() override
    {
        CViewTest::SetUp();
        Views().SetViewFactory(std::make_unique<CShellWindowFactory>());
        ASSERT_TRUE(Load(std::string(kShellModel) + kShellPanels)) << Errors();
    }
    void TearDown() override
    {
        CViewTest::TearDown();
        DrainMessages();
    }
    std::string Errors() const
    {
        auto* errors = dynamic_cast<CTevTextOutStringStream*>(Manager().GetErrorOut());
        return errors ? errors->str() : std::string();
    }
    static HWND MainFrame() { return theTestApp.GetMainWnd() ? theTestApp.GetMainWnd()->GetSafeHwnd() : nullptr; }
    static HWND MainView() { return ::GetWindow(MainFrame(), GW_CHILD); }
};

TEST_F(CShellFrameTest, MainFrameShowsThePanelAndTurnsMessagesIntoEvents)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    ASSERT_NE(MainFrame(), nullptr);
    RECT client;
    ::GetClientRect(MainView(), &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    RECT frame;
    ::GetWindowRect(MainFrame(), &frame);
    EXPECT_EQ(frame.left, 30);
    EXPECT_EQ(frame.top, 40);
    EXPECT_TRUE(::GetMenu(MainFrame()) != nullptr);

    CProbeControl* probe = Probe("main.p");
    ASSERT_NE(probe, nullptr);
    probe->takesMouse = true;
    struct {
        UINT message;
        WPARAM keys;
        int kind;
        int modifiers;
    } const mice[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, 0, 0},
        {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 3, 1},
        {WM_LBUTTONUP, MK_SHIFT | MK_CONTROL, 1, 3},
        {WM_LBUTTONDBLCLK, MK_CONTROL, 2, 2},
    };
    for (const auto& mouse : mice)
        ::SendMessageA(MainView(), mouse.message, mouse.keys, MAKELPARAM(17, 23));
    ASSERT_EQ(probe->mice.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(probe->mice[i].kind, mice[i].kind) << i;
        EXPECT_EQ(probe->mice[i].modifiers, mice[i].modifiers) << i;
        EXPECT_EQ(probe->mice[i].x, 17);
        EXPECT_EQ(probe->mice[i].y, 23);
    }

    // A key held down: one key-down however often it repeats, one key-up.
    probe->takesKeys = true;
    probe->SetActive(true);
    const LPARAM repeated = 1L << 30;
    ::SendMessageA(MainView(), WM_KEYDOWN, VK_LEFT, 0);
    ::SendMessageA(MainView(), WM_KEYDOWN, VK_LEFT, repeated);
    ::SendMessageA(MainView(), WM_KEYDOWN, VK_LEFT, repeated);
    ::SendMessageA(MainView(), WM_KEYUP, VK_LEFT, repeated | (1L << 31));
    ::SendMessageA(MainView(), WM_KEYDOWN, 'A', 0);
    ASSERT_EQ(probe->keys.size(), 3u);
    EXPECT_EQ(probe->keys[0].kind, CTevKeyInfo::kKeyDown);
    EXPECT_EQ(probe->keys[0].code, CTevKeyInfo::kLeft);
    EXPECT_EQ(probe->keys[1].kind, CTevKeyInfo::kKeyUp);
    EXPECT_EQ(probe->keys[2].code, 'A');

    // Moving the window ends the active state.
    ::SetWindowPos(MainFrame(), nullptr, 64, 72, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);

    probe->takesTicks = true;
    const int ticks = probe->ticks;
    ::SendMessageA(MainView(), WM_TIMER, 1, 0);
    EXPECT_EQ(probe->ticks, ticks + 1);

    // Closing asks the panel, which has no close value and closes: the
    // frame is gone, the position kept, and no quit is posted while no
    // message loop runs (a later load attempt would end at once).
    CTevRootPanel* main = Views().FindRootPanel("main");
    ::SendMessageA(MainFrame(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(main->IsOpen());
    EXPECT_EQ(theTestApp.GetMainWnd(), nullptr);
    EXPECT_EQ(main->GetWindowPosition().x, 64);
    EXPECT_EQ(main->GetWindowPosition().y, 72);
    EXPECT_FALSE(HasQuitMessage());
}

TEST_F(CShellFrameTest, SubFrameKeepsItsPlaceAndAModalPanelDisablesTheWindowsBelow)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    ASSERT_TRUE(Views().OpenRootPanel("tool"));
    HWND tool = ::FindWindowA(nullptr, "tool");
    ASSERT_NE(tool, nullptr);
    RECT client;
    ::GetClientRect(tool, &client);
    EXPECT_EQ(client.right, 240);
    EXPECT_EQ(client.bottom, 60);
    RECT window;
    ::GetWindowRect(tool, &window);
    EXPECT_EQ(window.left, 300);
    EXPECT_EQ(window.top, 40);
    EXPECT_TRUE((::GetWindowLongA(tool, GWL_STYLE) & WS_MINIMIZEBOX) != 0);

    ASSERT_TRUE(Views().OpenRootPanel("ask"));
    HWND ask = ::FindWindowA(nullptr, "ask");
    ASSERT_NE(ask, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(MainFrame()));
    EXPECT_FALSE(::IsWindowEnabled(tool));
    EXPECT_TRUE(::IsWindowEnabled(ask));
    EXPECT_EQ(::GetWindowLongA(ask, GWL_STYLE) & WS_MINIMIZEBOX, 0);

    // Real boxes, each with something done from inside its loop: answered
    // over the modal panel; the panel closed under it (as input it
    // dispatches may close it), which takes the box along unanswered, so it
    // is shown again; the panel opened under a box over the main window.
    // Afterwards the windows are as the panels then open want them.
    struct SUnderBox {
        HWND owner = nullptr;
        bool enabled[3] = {true, true, true};
        int shown = 0;
    };
    static SUnderBox seen;
    static std::function<void()> inside;
    const struct {
        const char* name;
        std::function<void()> action;
        int shown;
        bool mainAfter, toolAfter, askAfter;
    } boxes[] = {
        {"answered", [] {}, 1, false, false, true},
        {"panel closed", [] { ::SendMessageA(::FindWindowA(nullptr, "ask"), WM_CLOSE, 0, 0); }, 2, true, true, false},
        {"panel opened", [&] { Views().OpenRootPanel("ask"); }, 1, false, false, true},
    };
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.name);
        const HWND front = ask ? ask : MainFrame();
        seen = {};
        inside = [&] {
            HWND shown = ::FindWindowA("#32770", nullptr);
            if (!shown)
                return;
            if (seen.shown++ == 0) {
                seen.owner = ::GetWindow(shown, GW_OWNER);
                for (int i = 0; i < 3; ++i)
                    seen.enabled[i] = ::IsWindowEnabled(std::vector<HWND>{MainFrame(), tool, ask}[i]) != FALSE;
                box.action();
            }
            if (::IsWindow(shown))
                ::PostMessageA(shown, WM_COMMAND, IDOK, 0);
        };
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) { inside(); });
        EXPECT_EQ(ShowMessageBox("Undefined external error."), IDOK);
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(seen.owner, front);
        EXPECT_EQ(seen.enabled[0] || seen.enabled[1] || (ask && seen.enabled[2]), false);
        EXPECT_EQ(seen.shown, box.shown);
        ask = ::FindWindowA(nullptr, "ask");
        EXPECT_EQ(ask != nullptr, box.askAfter);
        EXPECT_EQ(::IsWindowEnabled(MainFrame()) != FALSE, box.mainAfter);
        EXPECT_EQ(::IsWindowEnabled(tool) != FALSE, box.toolAfter);
        EXPECT_TRUE(!ask || ::IsWindowEnabled(ask));
    }

    ::SendMessageA(ask, WM_CLOSE, 0, 0);
    EXPECT_EQ(::FindWindowA(nullptr, "ask"), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(MainFrame()));
    EXPECT_TRUE(::IsWindowEnabled(tool));

    // The sub-frame stores where it was as it goes.
    ::SetWindowPos(tool, nullptr, 333, 222, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SendMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(Views().FindRootPanel("tool")->GetWindowPosition().x, 333);
    EXPECT_EQ(Views().FindRootPanel("tool")->GetWindowPosition().y, 222);
}

// Until it goes, each box or dialog that shows gets `action` once, from
// inside its loop, and then OK.
class CLoopRobot {
public:
    explicit CLoopRobot(std::function<void(HWND)> action)
    {
        s_action = std::move(action);
        m_timer = ::SetTimer(nullptr, 0, 150, &Tick);
    }
    ~CLoopRobot() { ::KillTimer(nullptr, m_timer); }
    CLoopRobot(const CLoopRobot&) = delete;
    CLoopRobot& operator=(const CLoopRobot&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        const HWND shown = ::FindWindowA("#32770", nullptr);
        if (!shown || !::IsWindowVisible(shown))
            return;
        if (auto action = std::exchange(s_action, nullptr))
            action(shown);
        if (::IsWindow(shown))
            ::PostMessageA(shown, WM_COMMAND, IDOK, 0);
    }
    static inline std::function<void(HWND)> s_action;
    UINT_PTR m_timer;
};

// A window opened over a modal panel stays governed after the panel closed
// under a box or dialog; a box belongs to a window it can hold, never to a
// pop-up that only shows something, and to the box from whose loop it is
// shown; a dialog or box that ends after a modal panel opened under it
// gives the activation to that panel.
TEST_F(CShellFrameTest, EveryOpenWindowIsGovernedAndABoxBelongsToAWindowItHolds)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    ASSERT_TRUE(Views().OpenRootPanel("ask"));
    ASSERT_TRUE(Views().OpenRootPanel("tool"));
    const HWND tool = ::FindWindowA(nullptr, "tool");
    auto ask = [] { return ::FindWindowA(nullptr, "ask"); };
    auto enabled = [&] {
        return std::vector<bool>{::IsWindowEnabled(MainFrame()) != FALSE, ::IsWindowEnabled(tool) != FALSE};
    };
    const std::vector<bool> none{false, false}, both{true, true};
    HWND owner = nullptr;
    std::vector<bool> under;
    auto look = [&](HWND shown) {
        owner = ::GetWindow(shown, GW_OWNER);
        under = enabled();
    };

    // The modal panel closes under a box over it, and then under a dialog.
    for (const bool dialog : {false, true}) {
        SCOPED_TRACE(dialog ? "dialog" : "box");
        ASSERT_TRUE(ask() || Views().OpenRootPanel("ask"));
        EXPECT_EQ(enabled(), (std::vector<bool>{false, !dialog}));
        const HWND front = ask();
        CLoopRobot robot([&](HWND shown) {
            look(shown);
            ::SendMessageA(ask(), WM_CLOSE, 0, 0);
        });
        if (dialog)
            CAboutDialog().DoModal();
        else
            ShowMessageBox("Undefined external error.");
        EXPECT_EQ(owner, front);
        EXPECT_EQ(under, none);
        EXPECT_EQ(ask(), nullptr);
        EXPECT_EQ(enabled(), both);
    }

    // A box over the main window holds the tool window too, and is not
    // the pop-up's that only shows a value, though it was active last.
    const HWND tip = ::CreateWindowExA(0, "STATIC", "3", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 30, 20,
                                       MainFrame(), nullptr, nullptr, nullptr);
    // As when the closing window in front hands the activation on to it.
    ::SetActiveWindow(tip);
    ASSERT_EQ(::GetLastActivePopup(MainFrame()), tip);
    {
        CLoopRobot robot(look);
        ShowMessageBox("Undefined external error.");
    }
    EXPECT_EQ(owner, MainFrame());
    EXPECT_EQ(under, none);
    EXPECT_EQ(enabled(), both);

    // A box shown from another box's loop (a failure that loop dispatched)
    // belongs to that box: the outer box and the windows below take no
    // input under it, and the outer box is answered afterwards.
    {
        HWND outer = nullptr;
        bool outerAfter = false;
        CLoopRobot robot([&](HWND shown) {
            outer = shown;
            CLoopRobot inner([&](HWND box) {
                owner = ::GetWindow(box, GW_OWNER);
                under = {::IsWindowEnabled(outer) != FALSE, ::IsWindowEnabled(MainFrame()) != FALSE};
            });
            ShowMessageBox("Please check the connections.");
            outerAfter = ::IsWindowEnabled(outer) != FALSE;
        });
        EXPECT_EQ(ShowMessageBox("Undefined external error."), IDOK);
        EXPECT_EQ(owner, outer);
        EXPECT_EQ(under, none);
        EXPECT_TRUE(outerAfter);
    }

    // A modal panel opened under a dialog or a box takes the activation as
    // it ends.
    for (const bool dialog : {true, false}) {
        SCOPED_TRACE(dialog ? "dialog" : "box");
        {
            CLoopRobot robot([&](HWND) { Views().OpenRootPanel("ask"); });
            if (dialog)
                CAboutDialog().DoModal();
            else
                ShowMessageBox("Undefined external error.");
        }
        ASSERT_NE(ask(), nullptr);
        EXPECT_EQ(::GetActiveWindow(), ask());
        EXPECT_EQ(enabled(), none);
        ::SendMessageA(ask(), WM_CLOSE, 0, 0);
        EXPECT_EQ(enabled(), both);
    }
    ::DestroyWindow(tip);

    // With the main window gone, a box that went with its owner is not
    // shown again over a modal panel still open: the program is ending.
    ASSERT_TRUE(Views().OpenRootPanel("ask") && Views().OpenRootPanel("ask2"));
    CLoopRobot robot([](HWND) {
        ::SendMessageA(MainFrame(), WM_CLOSE, 0, 0);
        ::SendMessageA(::FindWindowA(nullptr, "ask2"), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(ShowMessageBox("Undefined external error."), 0);
    EXPECT_NE(ask(), nullptr);
}

// A saved place that the screen can't show (another monitor, a larger
// screen, a broken file) opens wholly in the work area, size kept; one on
// the screen stays put. The file written afterwards holds where the windows
// really were. The display is one 1280 x 1024 screen.
TEST_F(CShellFrameTest, SavedPlacesOpenWhollyOnTheScreenAndTheRealPlacesAreSaved)
{
    RECT area;
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    Manager().SetFolder(".\\");
    const std::string file = "WindowPosition.txt";
    // Per axis: at the saved number, at the work area's near or far edge.
    enum { kSaved, kNear, kFar };
    const struct {
        const char* main;
        int mainX, mainY;
        const char* tool;
        int toolX, toolY;
    } cases[] = {
        {"30,40", kSaved, kSaved, "300,40", kSaved, kSaved},
        {"5000,3000", kFar, kFar, "1100,300", kFar, kSaved},
        {"-500,-40", kNear, kNear, "-5,700", kNear, kSaved},
        {"99999999999,-99999999999", kFar, kNear, "-99999999999,99999999999", kNear, kFar},
    };
    for (const auto& c : cases) {
        std::ofstream(file, std::ios::binary) << "main\n" << c.main << "\ntool\n" << c.tool << "\n";
        Manager().LoadSaveWindowPositions(true);
        ASSERT_TRUE(Views().OpenRootPanel("main") && Views().OpenRootPanel("tool"));
        std::string saved;
        auto check = [&](HWND window, const char* name, const char* text, int xAt, int yAt) {
            RECT r = {};
            EXPECT_TRUE(::GetWindowRect(window, &r)) << name;
            char* comma = nullptr;
            const long long x = std::strtoll(text, &comma, 10);
            const long long y = std::strtoll(comma + 1, nullptr, 10);
            const long long wantX[] = {x, area.left, area.right - (r.right - r.left)};
            const long long wantY[] = {y, area.top, area.bottom - (r.bottom - r.top)};
            EXPECT_EQ(r.left, wantX[xAt]) << name << " " << text;
            EXPECT_EQ(r.top, wantY[yAt]) << name << " " << text;
            saved += std::string(name) + "\n" + std::to_string(r.left) + "," + std::to_string(r.top) + "\n";
        };
        check(MainFrame(), "main", c.main, c.mainX, c.mainY);
        check(::FindWindowA(nullptr, "tool"), "tool", c.tool, c.toolX, c.toolY);
        Manager().LoadSaveWindowPositions(false);
        std::ifstream written(file);
        const std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.substr(0, saved.size()), saved) << c.main;
        DrainMessages();
    }
    ::DeleteFileA(file.c_str());
    Manager().SetFolder(std::string());
}

// A main panel that carries its own bitmap, with the shell's real drawing
// and windows: the first paint already shows the open panel, also where no
// control covers the bitmap.
TEST_F(CManagerTest, AMainPanelWithItsOwnBitmapShowsItFromTheFirstPaint)
{
    const COLORREF face = RGB(0x20, 0x90, 0x60);
    ASSERT_TRUE(WriteBitmapFile("paintedFace.bmp", 160, 100, [&](int, int) { return face; }));
    ASSERT_TRUE(WriteBitmapFile("paintedDot.bmp", 20, 20, [](int, int) { return RGB(0xC0, 0x20, 0x20); }));
    SetBitmapFolder(std::string());
    Manager().m_resourceManager.SetFactory(std::make_unique<CResourceFactory>());
    Manager().m_viewManager.SetViewFactory(std::make_unique<CViewFactory>());
    std::istringstream script(std::string(kShellModel) + R"(
<bitmap><name>paintedFace</name></bitmap>
<bitmap><name>paintedDot</name></bitmap>
<panelType><type>Main</type><name>main</name><size>160,100</size><windowPosition>30,40</windowPosition>
  <bitmapRef>paintedFace</bitmapRef>
  <control><type>picture</type><name>dot</name><position>130,70</position><bitmapRef>paintedDot</bitmapRef>
    <valueRef>ms.tone.level</valueRef></control>
</panelType>
<panel><type>Main</type></panel>
)");
    ASSERT_TRUE(Manager().ReadScript(script) && Manager().Create()) << Errors();
    ASSERT_TRUE(Manager().m_viewManager.OpenRootPanel("main")) << Errors();
    DrainMessages();
    HWND view = ::GetWindow(theTestApp.GetMainWnd()->GetSafeHwnd(), GW_CHILD);
    HDC dc = ::GetDC(view);
    EXPECT_EQ(::GetPixel(dc, 10, 10), face);
    EXPECT_EQ(::GetPixel(dc, 100, 50), face);
    EXPECT_EQ(::GetPixel(dc, 140, 80), RGB(0xC0, 0x20, 0x20));
    ::ReleaseDC(view, dc);
    Manager().m_viewManager.FindRootPanel("main")->Close();
    DrainMessages();
}

TEST(CShellServicesTest, PostCallerRunsOneCallPerMessageInOrderAndDropsWhatIsLeft)
{
    std::vector<int> order;
    auto poster = std::make_unique<CFunctionPostCaller>();
    ASSERT_TRUE(poster->Create());
    const HWND window = poster->GetSafeHwnd();
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_FALSE(::IsWindowEnabled(window));
    // A message with nothing queued does nothing.
    ::SendMessageA(window, CFunctionPostCaller::kRunMessage, 0, 0);
    poster->Post([&] { order.push_back(1); });
    poster->Post([&] { order.push_back(2); });
    MSG message;
    ASSERT_TRUE(::PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    ::DispatchMessageA(&message);
    EXPECT_EQ(order, std::vector<int>{1});
    ASSERT_TRUE(::PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    ::DispatchMessageA(&message);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    // Destroyed with two calls queued: they are freed, never run.
    auto token = std::make_shared<int>(0);
    poster->Post([token, &order] { order.push_back(3); });
    poster->Post([token, &order] { order.push_back(4); });
    std::weak_ptr<int> watch = token;
    token.reset();
    EXPECT_FALSE(watch.expired());
    poster.reset();
    EXPECT_TRUE(watch.expired());
    DrainMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(CShellServicesTest, IdleShowsEachPendingCodeOnceWithItsTextAndKeepsACodeSetWhileTheBoxIsOpen)
{
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    manager.SetMessageOut(new CTextOutBox());
    manager.SetStatusOut(new CTevTextOutBuffer());
    static int reportedMeanwhile = 0;
    reportedMeanwhile = 0;
    MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string& text, unsigned) {
        g_boxes.push_back(text);
        // A read running from the box's own loop fails meanwhile.
        if (reportedMeanwhile++ == 0)
            CTevManager::Instance().SetStatusCode(3);
        return IDOK;
    });
    g_boxes.clear();
    manager.SetStatusCode(4);
    theTestApp.OnIdle(0);
    EXPECT_EQ(g_boxes, std::vector<std::string>{"Please check the connections."});
    EXPECT_EQ(manager.GetStatusCode(), 3);
    theTestApp.OnIdle(1);
    theTestApp.OnIdle(2);
    manager.SetStatusCode(5);
    theTestApp.OnIdle(3);
    EXPECT_EQ(g_boxes, (std::vector<std::string>{"Please check the connections.",
                                                 "MIDI devices aren't set up correctly.", "Undefined error."}));
    EXPECT_EQ(manager.GetStatusCode(), 0);
    SetMessageBoxHook(previous);
    manager.Destroy();
}

class CProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const RECT rect = {0, 0, 300, 200};
        ASSERT_TRUE(m_main.CreateEx(0, CWnd::RegisterWndClass(0).c_str(), "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    rect, nullptr, 0));
        theTestApp.SetMainWnd(&m_main);
    }
    void TearDown() override
    {
        theTestApp.SetMainWnd(nullptr);
        DrainMessages();
    }
    static std::string Caption(const CProgressBar& bar)
    {
        char text[256] = {};
        ::GetDlgItemTextA(bar.GetDialog(), IDC_PROGRESS_TEXT, text, sizeof text);
        return text;
    }
    static LRESULT Position(const CProgressBar& bar)
    {
        return ::SendDlgItemMessageA(bar.GetDialog(), IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0);
    }
    CWnd m_main;
};

TEST_F(CProgressTest, NestedLevelsLeaveTheOuterDisplayAndOnlyACancellableRunCancels)
{
    // Centred on the main window, and on the screen while it is minimised.
    for (const bool minimised : {false, true}) {
        ::ShowWindow(m_main.GetSafeHwnd(), minimised ? SW_MINIMIZE : SW_RESTORE);
        CProgressBar centred(IDD_PROGRESS);
        centred.Begin(10, "", false);
        RECT dialog;
        RECT around = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        ASSERT_TRUE(::GetWindowRect(centred.GetDialog(), &dialog));
        if (!minimised)
            ::GetWindowRect(m_main.GetSafeHwnd(), &around);
        EXPECT_LE(std::abs((dialog.left + dialog.right) - (around.left + around.right)), 1) << minimised;
        EXPECT_LE(std::abs((dialog.top + dialog.bottom) - (around.top + around.bottom)), 1) << minimised;
        centred.End();
    }
    ::ShowWindow(m_main.GetSafeHwnd(), SW_RESTORE);

    CProgressBar bar(IDD_PROGRESS);
    bar.BeginWithKind(200, 1, false);
    ASSERT_NE(bar.GetDialog(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(bar.GetDialog()));
    EXPECT_FALSE(::IsWindowEnabled(m_main.GetSafeHwnd()));
    EXPECT_EQ(Caption(bar), "Now, getting data.");
    bar.SetPos(50);
    EXPECT_EQ(Position(bar), 50);

    bar.BeginWithKind(10, 4, true);
    EXPECT_EQ(Caption(bar), "Now, getting data.");
    bar.SetPos(7);
    bar.SetText("inner");
    EXPECT_EQ(Position(bar), 50);
    EXPECT_EQ(bar.GetPos(), 50);
    EXPECT_EQ(Caption(bar), "Now, getting data.");
    bar.End();
    EXPECT_NE(bar.GetDialog(), nullptr);

    // Escape in a run that can't be cancelled does nothing.
    ::SendMessageA(bar.GetDialog(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(bar.IsCancelled());
    bar.End();
    EXPECT_EQ(bar.GetDialog(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(m_main.GetSafeHwnd()));

    bar.BeginWithKind(5, 2, true);
    EXPECT_EQ(Caption(bar), "");
    ::SendMessageA(bar.GetDialog(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(bar.IsCancelled());
    EXPECT_NE(bar.GetDialog(), nullptr);
    bar.End();
    EXPECT_EQ(bar.GetLevel(), 0);
}

TEST_F(CProgressTest, PumpDispatchesOrdinaryMessagesAndLeavesQuitAndPrivateOnesQueued)
{
    CProgressBar bar(IDD_PROGRESS);
    bar.Begin(10, "x", false);
    ::PostMessageA(m_main.GetSafeHwnd(), 0x401, 0, 0);
    // The highest message number below the private range.
    const UINT ordinary = 0x3FF;
    ::PostMessageA(m_main.GetSafeHwnd(), ordinary, 0, 0);
    bar.SetPos(1);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, m_main.GetSafeHwnd(), ordinary, ordinary, PM_NOREMOVE));
    // The quit of a program closed meanwhile is left for the message loop.
    ::PostQuitMessage(7);
    bar.SetPos(2);
    bar.SetText("y");
    EXPECT_TRUE(::PeekMessageA(&message, nullptr, 0x401, 0x401, PM_REMOVE));
    ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
    bar.End();
}

TEST_F(CProgressTest, ReaderWaitDropsTicksRunsDeviceMessagesKeepsInputAndSleeps)
{
    CReader reader(nullptr);
    ::SetTimer(m_main.GetSafeHwnd(), 5, 1, nullptr);
    ::Sleep(20);
    ::PostMessageA(m_main.GetSafeHwnd(), 0x400, 0, 0);
    ::PostMessageA(m_main.GetSafeHwnd(), WM_LBUTTONDOWN, 0, 0);
    reader.PumpWhileWaiting();
    ::KillTimer(m_main.GetSafeHwnd(), 5);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, 0x400, 0x400, PM_NOREMOVE));
    EXPECT_TRUE(::PeekMessageA(&message, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));

    // Waiting with nothing to do sleeps in steps of about a millisecond
    // instead of spinning.
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernelBefore, &userBefore);
    const DWORD start = ::GetTickCount();
    int calls = 0;
    while (::GetTickCount() - start < 300) {
        reader.PumpWhileWaiting();
        ++calls;
    }
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernelAfter, &userAfter);
    auto ticks = [](const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; };
    const uint64_t busy100ns = ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore);
    EXPECT_LT(busy100ns / 10000, 150u) << calls << " calls";
    EXPECT_GT(calls, 30);
}

// Works the write dialog from a timer while its modal loop runs, as a user
// would: reads what it shows, then (the first time) resizes it, widens the
// first column and picks row 41.
struct SWriteRobot {
    bool change = false;
    int rows = 0;
    std::vector<std::string> numbers;
    std::string name;
    int selected = -2;
    RECT window = {};
    int firstColumn = 0;
};
SWriteRobot g_robot;

void CALLBACK WorkWriteDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = ::FindWindowA("#32770", "Write");
    if (!dialog)
        return;
    ::KillTimer(nullptr, timer);
    HWND list = ::GetDlgItem(dialog, IDC_WRITE_LIST);
    auto text = [&](int row, int column) {
        char buffer[64] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return std::string(buffer);
    };
    g_robot.rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    g_robot.numbers = {text(0, 0), text(9, 0), text(127, 0)};
    g_robot.name = text(4, 1);
    g_robot.selected = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ::GetWindowRect(dialog, &g_robot.window);
    g_robot.firstColumn = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    if (g_robot.change) {
        ::SetWindowPos(dialog, nullptr, 20, 30, 420, 520, SWP_NOZORDER);
        ::SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, 77);
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        ::SendMessageA(list, LVM_SETITEMSTATE, 41, reinterpret_cast<LPARAM>(&state));
    } else {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    }
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(CProgressTest, WriteDialogNumbersTheNamesAndRemembersItsSizePlaceAndColumns)
{
    theTestApp.SetRegistryKey("Dravik");
    // Nothing remembered from an earlier run.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Dravik\\KappaEdit Controller\\Window");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Dravik\\KappaEdit Controller\\WriteEntityDialogListCtrl");
    std::vector<std::string> names;
    for (int i = 0; i < 128; ++i)
        names.push_back("Patch " + std::to_string(i + 1));

    CDialogFactory factory;
    g_robot = SWriteRobot{};
    g_robot.change = true;
    ::SetTimer(nullptr, 0, 50, WorkWriteDialog);
    EXPECT_EQ(factory.CreateWriteEntityDialog()->Choose(names, 4), 41);
    EXPECT_EQ(g_robot.rows, 128);
    EXPECT_EQ(g_robot.numbers, (std::vector<std::string>{"  1", " 10", "128"}));
    EXPECT_EQ(g_robot.name, "Patch 5");
    EXPECT_EQ(g_robot.selected, 4);

    // Opened again: the size, place and column width of last time; OK with
    // no row chosen writes nothing.
    g_robot = SWriteRobot{};
    ::SetTimer(nullptr, 0, 50, WorkWriteDialog);
    EXPECT_EQ(factory.CreateWriteEntityDialog()->Choose(names, -1), -1);
    EXPECT_EQ(g_robot.selected, -1);
    EXPECT_EQ(g_robot.window.left, 20);
    EXPECT_EQ(g_robot.window.top, 30);
    EXPECT_EQ(g_robot.window.right - g_robot.window.left, 420);
    EXPECT_EQ(g_robot.window.bottom - g_robot.window.top, 520);
    EXPECT_EQ(g_robot.firstColumn, 77);
}

// An input device whose closing runs a command, as stopping a real one
// pumps messages while its worker thread ends.
struct SClosingInDevice : CTevMidiInDevice {
    ~SClosingInDevice() override { whileClosing(); }
    std::function<void()> whileClosing;
};

void CALLBACK PressSetUpOk(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (HWND dialog = ::FindWindowA("#32770", "Set Up MIDI Devices")) {
        ::KillTimer(nullptr, timer);
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
}

TEST_F(CManagerTest, SetUpOkWhileTheDevicesCloseSavesNothing)
{
    theTestApp.SetRegistryKey("TevShellSetUpTests");
    std::istringstream script("<midiOut><type>output</type><name>out</name></midiOut>");
    ASSERT_TRUE(Manager().ReadScript(script) && Manager().m_midiManager.ReadMidiSection(&Manager())) << Errors();
    theTestApp.WriteProfileString("MIDIOutConnection", "MIDIOutDevice0", "Some Out");
    auto device = std::make_unique<SClosingInDevice>();
    device->whileClosing = [] {
        ::SetTimer(nullptr, 0, 50, PressSetUpOk);
        CMidiSetupDialog().DoModal();
    };
    Manager().m_midiManager.GetInputDevices().Add(std::move(device));
    EXPECT_TRUE(theTestApp.GetMidiSetup().CloseDevices());
    EXPECT_EQ(theTestApp.GetProfileString("MIDIOutConnection", "MIDIOutDevice0", ""), "Some Out");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevShellSetUpTests");
}

TEST(CAboutTest, VersionTextAddsTheProductNumbersOnlyWhenAsked)
{
    EXPECT_EQ(CAboutDialog::VersionText("1.20", "1, 2, 0, 1", false), "Version 1.20");
    EXPECT_EQ(CAboutDialog::VersionText("1.20", "1, 2, 0, 1", true), "Version 1.20 (1201)");
    EXPECT_EQ(CAboutDialog::VersionText("1.20", "3,4", true), "Version 1.20 (3400)");
    EXPECT_EQ(CAboutDialog::VersionText("", "", true), "Version  (0000)");
}

} // namespace

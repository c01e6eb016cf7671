// A panel from a script shown in a real window: a knob, a pop combo and a
// pop edit drawn through the Windows drawing services, worked with real
// mouse input and typed keys, the tip bar following the knob; a screenshot
// of it goes to the build folder. And the tip bar window on its own.
#include "PopupEdit.h"
#include "PopupMenu.h"
#include "TipBar.h"
#include "appkit/WinApp.h"
#include "graphics/StateBitmap.h"

#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevViewManager.h"

#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"
#include "support/PanelWindow.h"
#include "support/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

namespace {

const char kScript[] = R"(
<bitmap><name>knob</name><stateCount>16</stateCount></bitmap>
<textWriter><name>font</name><fontFaceName>Arial</fontFaceName><fontHeight>16</fontHeight>
  <fontColor>0,0,0</fontColor><backgroundColor>65535,61440,49152</backgroundColor></textWriter>
<stringTable><name>waves</name><table>Saw &amp; Pulse,Square,Triangle</table></stringTable>
<structType><type>Tone</type><name>tone</name>
  <value><name>level</name><default>32</default></value>
  <value><name>wave</name><range>0,2</range><default>0</default></value>
  <value><name>patch</name><type>string</type><size>08</size></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Root</type></struct>
<panelType><type>Main</type><name>main</name><size>260,110</size><windowPosition>200,150</windowPosition>
  <control><type>knob</type><name>level</name><position>16,20</position><size>48,48</size>
    <bitmapRef>knob</bitmapRef><valueRef>ms.tone.level</valueRef></control>
  <control><type>combo</type><name>wave</name><position>90,20</position><size>150,22</size>
    <valueRef>ms.tone.wave</valueRef><textWriterRef>font</textWriterRef><stringTableRef>waves</stringTableRef></control>
  <control><type>edit</type><name>patch</name><position>90,60</position><size>150,22</size>
    <valueRef>ms.tone.patch</valueRef><textWriterRef>font</textWriterRef></control>
</panelType>
<panel><type>Main</type></panel>
)";

const int kCell = 48;
const int kStates = 16;

// A knob strip: 16 cells of 48 x 48, a disc with a pointer from 30 to 330
// degrees (0 straight below, clockwise on the screen).
COLORREF KnobPixel(int x, int y)
{
    const int state = y / kCell;
    const double dx = x - 23.5;
    const double dy = (y % kCell) - 23.5;
    const double radius = std::sqrt(dx * dx + dy * dy);
    if (radius > 21) {
        return RGB(64, 72, 88);
    }
    const double degrees = 30 + 300.0 * state / (kStates - 1);
    const double radians = degrees / 57.29577951308232;
    const double px = -std::sin(radians);
    const double py = std::cos(radians);
    const double along = dx * px + dy * py;
    const double across = std::fabs(dx * py - dy * px);
    if (along > 4 && along < 19 && across < 2) {
        return RGB(255, 160, 32);
    }
    return radius > 19 ? RGB(30, 30, 36) : RGB(150, 156, 170);
}

// Chooses the second item of every menu without showing one.
class CChoosingPopupMenu : public CPopupMenu {
public:
    int shown = 0;

protected:
    UINT TrackMenu(HMENU, POINT) override
    {
        ++shown;
        return kFirstId + 1;
    }
};

class CCountingTipBar : public CTipBar {
public:
    int paints = 0;
    std::vector<UINT> mouseMessages;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_PAINT) {
            ++paints;
        }
        if (msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN) {
            mouseMessages.push_back(msg);
        }
        return CTipBar::WindowProc(msg, wParam, lParam);
    }
};

SIZE ClientSize(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int CountColor(HDC dc, const RECT& rect, COLORREF color)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            count += ::GetPixel(dc, x, y) == color ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

TEST(TipBar, FollowsItsFlagsAtTheNextUpdate)
{
    CWinApp app("TevTipBarTest");
    CCountingTipBar tip;
    ASSERT_TRUE(tip.Create());
    EXPECT_FALSE(::IsWindowVisible(tip.m_hWnd));

    tip.m_lines = {"Level", "127 (maximum)"};
    tip.m_anchor = CTevPoint{300, 200};
    tip.m_offset = CTevPoint{0, 4};
    tip.m_visible = true;
    tip.m_dirty = true;
    tip.Update();
    PumpMessages(100);
    ASSERT_TRUE(::IsWindowVisible(tip.m_hWnd));
    RECT placed{};
    ::GetWindowRect(tip.m_hWnd, &placed);
    EXPECT_EQ(placed.left, 300);
    EXPECT_EQ(placed.top, 204);
    // As wide as the longer line plus 5 and as high as both lines plus 4.
    const HDC dc = ::GetDC(tip.m_hWnd);
    const SIZE text = tip.MeasureText(dc);
    ::ReleaseDC(tip.m_hWnd, dc);
    SIZE longer{};
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ previous = ::SelectObject(screen, ::GetStockObject(DEFAULT_GUI_FONT));
    ::GetTextExtentPoint32A(screen, "127 (maximum)", 13, &longer);
    ::SelectObject(screen, previous);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(ClientSize(tip.m_hWnd).cx, longer.cx + 5);
    EXPECT_EQ(ClientSize(tip.m_hWnd).cy, text.cy + 4);
    EXPECT_EQ(text.cy, 2 * longer.cy);

    // The same text set twice before an update paints once.
    const int before = tip.paints;
    tip.m_lines = {"64"};
    tip.m_dirty = true;
    tip.m_lines = {"64"};
    tip.m_dirty = true;
    tip.Update();
    PumpMessages(100);
    EXPECT_EQ(tip.paints, before + 1);

    // A click on it neither reaches it nor activates it.
    CWnd owner;
    const std::string cls = CWnd::RegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    ASSERT_TRUE(owner.CreateEx(0, cls.c_str(), "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{600, 400, 800, 500},
                               nullptr, 0));
    ::SetForegroundWindow(owner.m_hWnd);
    PumpMessages(100);
    ::GetWindowRect(tip.m_hWnd, &placed);
    ClickAt(POINT{placed.left + 3, placed.top + 3});
    PumpMessages(150);
    EXPECT_TRUE(tip.mouseMessages.empty());
    EXPECT_NE(::GetActiveWindow(), tip.m_hWnd);

    // Hidden at the next update with its text kept; shown again in place.
    tip.m_visible = false;
    tip.Update();
    EXPECT_FALSE(::IsWindowVisible(tip.m_hWnd));
    EXPECT_EQ(tip.m_lines, (std::vector<std::string>{"64"}));
    tip.m_visible = true;
    tip.Update();
    EXPECT_TRUE(::IsWindowVisible(tip.m_hWnd));
    RECT again{};
    ::GetWindowRect(tip.m_hWnd, &again);
    EXPECT_TRUE(::EqualRect(&again, &placed));
    owner.DestroyWindow();
}

class PanelWindowTest : public CManagerTest {};

TEST_F(PanelWindowTest, KnobComboAndEditWorkedInARealWindow)
{
    CWinApp app("TevPanelTest");
    const std::string folder = TestFolder() + "panel\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBitmapFile(folder + "knob.bmp", kCell, kCell * kStates, KnobPixel));
    SetBitmapFolder(folder);

    CTevManager& manager = Manager();
    manager.m_resourceManager.SetFactory(std::make_unique<CTestResourceFactory>());
    auto views = std::make_unique<CTestViewFactory>();
    CTestViewFactory* factory = views.get();
    manager.m_viewManager.SetViewFactory(std::move(views));
    auto menu = std::make_unique<CChoosingPopupMenu>();
    CChoosingPopupMenu* choosing = menu.get();
    manager.SetPopupMenu(std::move(menu));
    auto tipBar = std::make_unique<CTipBar>();
    CTipBar* tip = tipBar.get();
    ASSERT_TRUE(tip->Create());
    manager.SetTipBar(std::move(tipBar));

    std::istringstream script(kScript);
    ASSERT_TRUE(manager.ReadScript(script) && manager.Create()) << Errors();
    CRecordingMidiOut out;
    manager.GetRootStruct("ms")->SetMidiOut(&out);
    ASSERT_TRUE(manager.m_viewManager.OpenRootPanel("main")) << Errors();
    CTestPanelWindow* window = factory->lastWindow;
    ASSERT_NE(window, nullptr);
    PumpMessages(300);
    ASSERT_GT(window->paints, 0);

    CTevValue* level = manager.FindValue("ms.tone.level");
    CTevValue* wave = manager.FindValue("ms.tone.wave");
    CTevValue* patch = manager.FindValue("ms.tone.patch");
    ASSERT_TRUE(level && wave && patch);

    // Drawn: the knob's cell of level 32 (its pointer's colour is there) and
    // the combo's text in black on its own background.
    HDC dc = ::GetDC(window->m_hWnd);
    EXPECT_GT(CountColor(dc, RECT{16, 20, 64, 68}, RGB(255, 160, 32)), 10);
    EXPECT_GT(CountColor(dc, RECT{16, 20, 64, 68}, RGB(150, 156, 170)), 500);
    const int comboBackground = CountColor(dc, RECT{90, 20, 240, 42}, RGB(255, 240, 192));
    EXPECT_GT(comboBackground, 1000);
    EXPECT_GT(CountColor(dc, RECT{90, 20, 240, 42}, RGB(0, 0, 0)), 20);
    ::ReleaseDC(window->m_hWnd, dc);

    // Drag the knob with the real mouse to its right side (270 degrees):
    // the value follows, one data set goes out, the tip bar shows it.
    POINT knob{40, 44};
    window->CWnd::ClientToScreen(&knob);
    ::SetCursorPos(knob.x, knob.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    ::SendInput(1, &input, sizeof(input));
    PumpMessages(100);
    ::SetCursorPos(knob.x + 40, knob.y);
    PumpMessages(100);
    tip->Update();
    PumpMessages(200);
    const int expected = (270 - 30) * 127 / 300 + 1;  // rounded to the nearest step
    EXPECT_NEAR(level->GetInteger(), expected, 1);
    EXPECT_FALSE(out.dataSets.empty());
    EXPECT_TRUE(::IsWindowVisible(tip->m_hWnd));
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{std::to_string(level->GetInteger())}));

    // The screenshot: window and tip bar as they are on the screen.
    RECT shot{};
    ::GetWindowRect(window->m_hWnd, &shot);
    shot.bottom += 40;
    CMemoryCanvas canvas(shot.right - shot.left, shot.bottom - shot.top, RGB(0, 0, 0));
    const HDC screen = ::GetDC(nullptr);
    ::BitBlt(canvas.GetDC(), 0, 0, shot.right - shot.left, shot.bottom - shot.top, screen, shot.left, shot.top,
             SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_TRUE(canvas.SaveBitmap(TestFolder() + "panel-window.bmp"));

    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input, sizeof(input));
    PumpMessages(100);
    if (CTevView* active = CTevView::GetActiveView()) {
        active->SetActive(false);
    }
    tip->Update();
    EXPECT_FALSE(::IsWindowVisible(tip->m_hWnd));

    // Click the combo: its menu chooses the second item; the text repaints.
    POINT combo{150, 30};
    window->CWnd::ClientToScreen(&combo);
    ClickAt(combo);
    PumpMessages(200);
    EXPECT_EQ(choosing->shown, 1);
    EXPECT_EQ(wave->GetInteger(), 1);

    // Click the edit, type a name and press Enter: the value takes it,
    // padded to its eight bytes.
    POINT edit{150, 70};
    window->CWnd::ClientToScreen(&edit);
    std::string typedInto;
    RunLater(150, [&] {
        CPopupEdit* popup = CPopupEdit::GetCurrent();
        if (popup == nullptr) {
            return;
        }
        RECT placed{};
        popup->GetWindowRect(&placed);
        POINT text{90, 60};
        window->CWnd::ClientToScreen(&text);
        // 2 pixels below the text area, as wide as it.
        typedInto = std::to_string(placed.left - text.x) + "," + std::to_string(placed.top - text.y);
        for (char c : std::string("Pad")) {
            ::PostMessageA(popup->m_hWnd, WM_CHAR, static_cast<WPARAM>(c), 1);
        }
        ::PostMessageA(popup->m_hWnd, WM_KEYDOWN, VK_RETURN, 1);
    });
    ClickAt(edit);
    PumpMessages(500);
    EXPECT_EQ(typedInto, "0,24");
    EXPECT_EQ(patch->GetString(), "Pad     ");

    manager.Destroy();
    SetBitmapFolder(std::string());
}

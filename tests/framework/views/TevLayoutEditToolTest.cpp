// The layout-edit tool as a skin author uses it on a loaded panel: switched
// on by the environment, it moves a control with the mouse (free, locked to
// an axis with Shift), resizes it with Ctrl, steps it with the arrow keys
// and their repeat, moves a node panel with its controls, keeps every view
// inside its parent and at least 4 pixels wide and high, shows the view in
// the tip bar and leaves the script text of the result on the dump output.
#include "views/TevLayoutEditTool.h"

#include "controls/TevBias.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"

#include "support/ControlTestSupport.h"
#include "support/TestSupport.h"
#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(
<structType><type>Bias</type><name>bias</name>
  <value><name>level</name><range>0,10</range><default>0</default></value>
  <value><name>position</name><range>0,10</range><default>5</default></value>
  <value><name>direction</name><range>0,3</range><default>2</default></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>00 10</size>
  <struct><type>Bias</type></struct>
</structType>
<struct><type>Root</type></struct>
<panelType><type>Edit</type><name>edit</name><position>50,40</position><size>200,120</size>
  <control><type>bias</type><name>b</name><position>10,10</position><size>40,30</size>
    <levelValueRef>ms.bias.level</levelValueRef><positionValueRef>ms.bias.position</positionValueRef>
    <directionValueRef>ms.bias.direction</directionValueRef></control>
</panelType>
<panelType><type>Main</type><name>main</name><size>300,200</size>
  <panel><type>Edit</type></panel>
</panelType>
<panel><type>Main</type></panel>
)";

enum : int { kNone = 0, kShift = CTevMouseInfo::kShift, kCtrl = CTevMouseInfo::kCtrl };

class LayoutEditToolTest : public CViewTest {
protected:
    void SetUp() override
    {
        CViewTest::SetUp();
        auto tipBar = std::make_unique<CFakeTipBar>();
        tip = tipBar.get();
        Manager().SetTipBar(std::move(tipBar));
        dump = new CTevTextOutStringStream;
        Manager().SetDumpOut(dump);
    }

    bool LoadAndOpen()
    {
        if (!Load(kScript) || !Views().OpenRootPanel("main"))
            return false;
        root = Views().GetRootPanel(0);
        CTevControl* control = nullptr;
        if (!root->FindControl("main.edit.b", control))
            return false;
        bias = dynamic_cast<CTevBiasControl*>(control);
        return bias != nullptr;
    }
    bool Mouse(int kind, int x, int y, int modifiers = kNone)
    {
        CTevMouseInfo mouse(kind, x, y, modifiers);
        return root->OnMouse(mouse);
    }
    // A press, a move and a release at the end point.
    void Drag(int x0, int y0, int x1, int y1, int modifiers = kNone)
    {
        EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, x0, y0, modifiers));
        EXPECT_TRUE(Mouse(CTevMouseInfo::kMove, x1, y1, modifiers));
        EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonUp, x1, y1, modifiers));
    }
    bool Key(int kind, int code, int modifiers = kNone)
    {
        CTevKeyInfo key;
        key.kind = kind;
        key.code = code;
        key.modifiers = modifiers;
        return root->OnKey(key);
    }
    // What the tool wrote since the last call.
    std::string Written()
    {
        std::string text = dump->str();
        dump->str(std::string());
        return text;
    }

    CFakeSystem system;
    CFakeTipBar* tip = nullptr;
    CTevTextOutStringStream* dump = nullptr;
    CTevRootPanel* root = nullptr;
    CTevBiasControl* bias = nullptr;
};

TEST_F(LayoutEditToolTest, MovesAndResizesWithTheMouseWithinTheParent)
{
    system.environment[CTevLayoutEditTool::kEnvironmentSwitch] = "1";
    ASSERT_TRUE(LoadAndOpen()) << Errors();
    CTevLayoutEditTool& tool = Views().GetLayoutEditTool();
    ASSERT_TRUE(tool.IsEnabled());
    CTevPanel* edit = nullptr;
    ASSERT_TRUE(root->FindPanel("main.edit", edit));
    // The edit panel covers (50, 40)-(250, 160), the bias (60, 50)-(100, 80).

    // A press selects the innermost view under the pointer, takes the
    // capture and shows the view in the tip bar beside the pointer.
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonDown, 70, 60));
    EXPECT_EQ(tool.GetSelectedView(), bias);
    EXPECT_TRUE(bias->IsActive());
    EXPECT_EQ(factory->windows.at(0)->captures, (std::vector<bool>{true}));
    EXPECT_TRUE(tip->m_visible);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"main.edit.b", "position : 10,10", "size : 40,30"}));
    EXPECT_EQ(tip->m_anchor, (CTevPoint{1090, 580}));

    struct {
        const char* what;
        int x, y, modifiers;
        CTevRect rect; // of the bias, after the move
    } moves[] = {
        {"left beyond the parent's edge: stops at it", 30, 65, kNone, {50, 55, 90, 85}},
        {"Shift: along the larger distance from the press, back on its row", 90, 68, kShift, {80, 50, 120, 80}},
        {"Shift, now further down than across: back on its column", 95, 120, kShift, {60, 110, 100, 140}},
        {"Shift released: free again", 90, 125, kNone, {80, 115, 120, 145}},
    };
    for (const auto& m : moves) {
        EXPECT_TRUE(Mouse(CTevMouseInfo::kMove, m.x, m.y, m.modifiers)) << m.what;
        EXPECT_EQ(bias->GetRect(), m.rect) << m.what;
    }
    // The old and the new place are repainted, and the curve moved along.
    const std::vector<CTevRect>& repainted = factory->windows.at(0)->invalidated;
    ASSERT_GE(repainted.size(), 2u);
    EXPECT_EQ(repainted.back(), (CTevRect{80, 115, 120, 145}));
    EXPECT_EQ(repainted[repainted.size() - 2], (CTevRect{60, 110, 100, 140}));
    EXPECT_EQ(bias->GetPoints()[1], (CTevPoint{99, 129}));
    EXPECT_EQ(tip->m_lines[1], "position : 30,75");
    EXPECT_EQ(Written(), "");
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonUp, 90, 125));
    EXPECT_EQ(Written(), "<position>30,75</position>");
    EXPECT_EQ(factory->windows.at(0)->captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(tool.GetMode(), CTevLayoutEditTool::kIdle);

    // Ctrl resizes: never below 4 pixels, never past the parent.
    Drag(85, 120, 10, 120, kCtrl);
    EXPECT_EQ(bias->GetRect(), (CTevRect{80, 115, 84, 145}));
    EXPECT_EQ(Written(), "<size>4,30</size>");
    Drag(82, 130, 400, 400, kCtrl);
    EXPECT_EQ(bias->GetRect(), (CTevRect{80, 115, 250, 160}));
    EXPECT_EQ(Written(), "<size>170,45</size>");

    // A press beside the bias selects the panel, which takes its controls
    // along and stays inside the root panel.
    Drag(60, 45, 0, 30);
    EXPECT_EQ(tool.GetSelectedView(), edit);
    EXPECT_EQ(edit->GetRect(), (CTevRect{0, 25, 200, 145}));
    EXPECT_EQ(bias->GetRect(), (CTevRect{30, 100, 200, 145}));
    EXPECT_EQ(Written(), "<position>0,25</position>");

    // The root panel itself can be selected but not moved.
    Drag(280, 190, 200, 100);
    EXPECT_EQ(tool.GetSelectedView(), root);
    EXPECT_EQ(root->GetRect(), (CTevRect{0, 0, 300, 200}));
    EXPECT_EQ(Written(), "<position>0,0</position>");
    Key(CTevKeyInfo::kKeyDown, CTevKeyInfo::kLeft);
    Key(CTevKeyInfo::kKeyUp, CTevKeyInfo::kLeft);
    EXPECT_EQ(root->GetRect(), (CTevRect{0, 0, 300, 200}));
    EXPECT_EQ(Written(), "");

    // Clearing the view manager turns the tool off.
    Views().Clear();
    EXPECT_FALSE(tool.IsEnabled());
    EXPECT_EQ(tool.GetSelectedView(), nullptr);
}

TEST_F(LayoutEditToolTest, ArrowKeysStepAndRepeat)
{
    system.environment[CTevLayoutEditTool::kEnvironmentSwitch] = "1";
    ASSERT_TRUE(LoadAndOpen()) << Errors();
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonDown, 70, 60));
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonUp, 70, 60));
    EXPECT_EQ(Written(), "<position>10,10</position>");

    // One step at once, the next after 150 ms, then one every 30 ms, at the
    // resolution of the ticks.
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyDown, CTevKeyInfo::kLeft));
    struct {
        uint32_t advance;
        int32_t left;
    } ticks[] = {{0, 59}, {100, 59}, {49, 59}, {1, 58}, {20, 58}, {10, 57}, {30, 56}, {50, 55}};
    for (const auto& t : ticks) {
        system.Advance(t.advance);
        EXPECT_TRUE(root->OnTick(0));
        EXPECT_EQ(bias->GetRect().left, t.left) << "after " << t.advance << " ms more";
    }
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyUp, CTevKeyInfo::kLeft));
    EXPECT_EQ(Written(), "<position>5,10</position>");
    system.Advance(200);
    root->OnTick(0);
    EXPECT_EQ(bias->GetRect().left, 55);

    // Ctrl with an arrow resizes; Home does nothing and writes nothing.
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyDown, CTevKeyInfo::kDown, CTevKeyInfo::kCtrl));
    EXPECT_EQ(bias->GetRect(), (CTevRect{55, 50, 95, 81}));
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyUp, CTevKeyInfo::kDown, CTevKeyInfo::kCtrl));
    EXPECT_EQ(Written(), "<size>40,31</size>");
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyDown, CTevKeyInfo::kHome));
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyUp, CTevKeyInfo::kHome));
    EXPECT_EQ(bias->GetRect(), (CTevRect{55, 50, 95, 81}));
    EXPECT_EQ(Written(), "");

    // An arrow let go during a mouse drag ends the gesture: the rest of the
    // drag moves nothing and writes nothing.
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonDown, 70, 60));
    ASSERT_TRUE(Mouse(CTevMouseInfo::kMove, 72, 60));
    EXPECT_TRUE(Key(CTevKeyInfo::kKeyUp, CTevKeyInfo::kRight));
    EXPECT_EQ(Written(), "<position>7,10</position>");
    ASSERT_TRUE(Mouse(CTevMouseInfo::kMove, 90, 70));
    ASSERT_TRUE(Mouse(CTevMouseInfo::kButtonUp, 90, 70));
    EXPECT_EQ(bias->GetRect(), (CTevRect{57, 50, 97, 81}));
    EXPECT_EQ(Written(), "");
}

TEST_F(LayoutEditToolTest, OffUnlessTheEnvironmentAsks)
{
    for (const char* setting : {"", "0", "yes"}) {
        system.environment[CTevLayoutEditTool::kEnvironmentSwitch] = setting;
        ASSERT_TRUE(LoadAndOpen()) << Errors();
        EXPECT_FALSE(Views().GetLayoutEditTool().IsEnabled()) << setting;
        // The bias takes no input of its own: the press goes nowhere.
        EXPECT_FALSE(Mouse(CTevMouseInfo::kButtonDown, 70, 60)) << setting;
        EXPECT_EQ(bias->GetRect(), (CTevRect{60, 50, 100, 80}));
        // A fresh start for the next setting.
        TearDown();
        SetUp();
    }
}

} // namespace

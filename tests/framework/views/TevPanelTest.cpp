// Panels built from script text: the tree with its macros, offsets and
// paths; opening and closing by conditions; mouse, tick and key routing
// with capture; drawing into the update area; the close request; reader
// failures; moving; serialisation.
#include "views/TevPanel.h"

#include "core/TevTextOut.h"
#include "views/TevViewManager.h"

#include "support/FakeDrawing.h"
#include "support/MemoryArchive.h"
#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kModel[] = R"(
<bitmap><name>back</name><stateCount>1</stateCount></bitmap>
<structType><type>Tone</type><name>tone</name>
  <value><name>mode</name><default>0</default></value>
  <value><name>level</name></value>
  <value><name>cut</name></value>
  <value><name>sel</name><default>0</default></value>
  <value><name>shown</name><range>0,1</range><default>1</default></value>
</structType>
<structType><type>Cell</type><name>b</name><address>$adr</address><value><name>e</name></value></structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address>
  <struct><type>Tone</type></struct>
  <struct><type>Cell</type><adr>10</adr><adr>11</adr><adr>12</adr></struct>
</structType>
<struct><type>Module</type></struct>
)";

// main (0,0,300,200) with bitmap "back"
//   osc  (10,20,110,70), open while mode == 0; control cut (15,25,25,35) on ms.tone.cut
//     inner (11,21,16,26), no condition
//   lfo  (10,20,110,70), open while mode == 1; control cut on ms.tone.level
//   controls: cover (10,20,110,70), level (200,100,220,120), cell on ms.b[sel].e over level
// edit: closes through ms.tone.shown; plain: no references
const char kPanels[] = R"(
<panelType><type>Inner</type><name>inner</name><position>1,1</position><size>5,5</size></panelType>
<panelType><type>Osc</type><name>$part</name><position>10,20</position><size>100,50</size>
  <openCondition>ms.tone.mode,$mode,==</openCondition>
  <panel><type>Inner</type></panel>
  <control><type>probe</type><name>cut</name><position>5,5</position><size>10,10</size><valueRef>ms.tone.$val</valueRef></control>
</panelType>
<panelType><type>Main</type><name>main</name><size>300,200</size><bitmapRef>back</bitmapRef><windowPosition>40,60</windowPosition>
  <panel><type>Osc</type><part>osc</part><mode>$first</mode><val>cut</val></panel>
  <panel><type>Osc</type><part>lfo</part><mode>1</mode><val>level</val></panel>
  <control><type>probe</type><name>cover</name><position>10,20</position><size>100,50</size></control>
  <control><type>probe</type><name>level</name><position>200,100</position><size>20,20</size><valueRef>ms.tone.level</valueRef></control>
  <control><type>probe</type><name>cell</name><position>200,100</position><size>20,20</size><valueRef>ms.b[ms.tone.sel].e</valueRef></control>
</panelType>
<panelType><type>Edit</type><name>edit</name><size>50,50</size><openCondition>ms.tone.shown</openCondition>
  <closeValueRef>ms.tone.shown</closeValueRef><closeValue>0</closeValue><modal>2</modal>
  <control><type>probe</type><name>ok</name><size>10,10</size></control>
</panelType>
<panelType><type>Plain</type><name>plain</name><size>10,10</size></panelType>
<panel><type>Main</type><first>0</first></panel>
<panel><type>Edit</type></panel>
<panel><type>Plain</type></panel>
)";

class PanelTest : public CViewTest {
protected:
    void SetUp() override
    {
        CViewTest::SetUp();
        ASSERT_TRUE(Load(std::string(kModel) + kPanels)) << Errors();
        main = Views().FindRootPanel("main");
        ASSERT_NE(main, nullptr);
        osc = Panel("main.osc");
        lfo = Panel("main.lfo");
        inner = Panel("main.osc.inner");
        cut = Probe("main.osc.cut");
        lfoCut = Probe("main.lfo.cut");
        cover = Probe("main.cover");
        level = Probe("main.level");
        cell = Probe("main.cell");
        ASSERT_TRUE(osc && lfo && inner && cut && lfoCut && cover && level && cell);
        Journal(*main);
    }

    CTevRootPanel* main = nullptr;
    CTevPanel* osc = nullptr;
    CTevPanel* lfo = nullptr;
    CTevPanel* inner = nullptr;
    CProbeControl* cut = nullptr;
    CProbeControl* lfoCut = nullptr;
    CProbeControl* cover = nullptr;
    CProbeControl* level = nullptr;
    CProbeControl* cell = nullptr;
};

TEST_F(PanelTest, TheScriptBuildsTheTree)
{
    ASSERT_EQ(Views().GetRootPanelCount(), 3u);
    EXPECT_EQ(Views().GetRootPanel(1)->GetName(), "edit");
    // The definitions go once the tree is built.
    EXPECT_TRUE(Views().m_panelTypeDefinitions.empty());
    EXPECT_TRUE(Views().m_rootPanelDefinitions.empty());

    EXPECT_EQ(main->GetRect(), (CTevRect{0, 0, 300, 200}));
    EXPECT_EQ(main->GetWindowPosition(), (CTevPoint{40, 60}));
    ASSERT_NE(main->GetBitmap(), nullptr);
    EXPECT_EQ(main->GetBitmap()->GetName(), "back");
    // Offsets add up through the levels.
    EXPECT_EQ(osc->GetRect(), (CTevRect{10, 20, 110, 70}));
    EXPECT_EQ(inner->GetRect(), (CTevRect{11, 21, 16, 26}));
    EXPECT_EQ(cut->GetRect(), (CTevRect{15, 25, 25, 35}));
    EXPECT_EQ(cut->GetRelativeRect(), (CTevRect{5, 5, 15, 15}));
    EXPECT_EQ(cut->GetPath(), "main.osc.cut");
    EXPECT_EQ(inner->GetParent(), osc);
    EXPECT_TRUE(osc->IsNodePanel());
    EXPECT_FALSE(main->IsNodePanel());

    // Macro values flow from the root entry into the child entries, and
    // from them into the child's own type and its controls.
    EXPECT_EQ(osc->GetOpenCondition(), "ms.tone.mode,0,==");
    EXPECT_EQ(lfo->GetOpenCondition(), "ms.tone.mode,1,==");
    EXPECT_EQ(inner->GetOpenCondition(), "1");
    EXPECT_EQ(cut->GetValue(0), Value("ms.tone.cut"));
    EXPECT_EQ(lfoCut->GetValue(0), Value("ms.tone.level"));
    EXPECT_EQ(cell->GetValue(0), Value("ms.b[0].e"));
    // The condition's values are the panel's references.
    ASSERT_EQ(osc->GetValueRefCount(), 1);
    EXPECT_EQ(osc->GetValue(0), Value("ms.tone.mode"));
    EXPECT_TRUE(osc->GetConditionResult());
    EXPECT_FALSE(lfo->GetConditionResult());

    // Paths: the first component names the panel.
    CTevControl* found = nullptr;
    EXPECT_FALSE(main->FindControl("osc.cut", found));
    EXPECT_FALSE(main->FindControl("main.osc.nothing", found));
    CTevPanel* panel = nullptr;
    EXPECT_TRUE(main->FindPanel("main", panel));
    EXPECT_EQ(panel, main);
    EXPECT_FALSE(main->FindPanel("main.cut", panel));

    // Nothing is open before the shell opens a root panel.
    EXPECT_FALSE(main->IsOpen());
    EXPECT_FALSE(osc->IsOpen());
    EXPECT_EQ(Errors(), "");
}

TEST_F(PanelTest, ConditionsOpenAndCloseThePanels)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    EXPECT_TRUE(main->IsOpen());
    EXPECT_TRUE(osc->IsOpen());
    EXPECT_FALSE(lfo->IsOpen());
    // Without a condition a node panel follows its parent.
    EXPECT_TRUE(inner->IsOpen());
    EXPECT_TRUE(cut->IsOpen());
    EXPECT_FALSE(lfoCut->IsOpen());
    // The bitmap is held while the panel is open.
    EXPECT_EQ(main->GetBitmap()->GetReferenceCount(), 1);

    Set(Value("ms.tone.mode"), 1);
    EXPECT_FALSE(osc->IsOpen());
    EXPECT_FALSE(inner->IsOpen());
    EXPECT_FALSE(cut->IsOpen());
    EXPECT_TRUE(lfo->IsOpen());
    EXPECT_TRUE(lfoCut->IsOpen());

    // A closed panel hands no list to its controls, an open one does.
    cut->lists.clear();
    lfoCut->lists.clear();
    Set(Value("ms.tone.cut"), 5);
    Set(Value("ms.tone.level"), 5);
    EXPECT_TRUE(cut->lists.empty());
    EXPECT_EQ(lfoCut->reactions, 1);
    EXPECT_EQ(level->reactions, 1);

    // When the root closes, its children close at the next broadcast
    // whatever their conditions; the bitmap is released.
    main->Close();
    EXPECT_EQ(main->GetBitmap()->GetReferenceCount(), 0);
    EXPECT_TRUE(lfo->IsOpen());
    Set(Value("ms.tone.mode"), 1);
    EXPECT_FALSE(lfo->IsOpen());

    // Reopening lets the children settle by their conditions again.
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    EXPECT_TRUE(lfo->IsOpen());
    EXPECT_FALSE(osc->IsOpen());
    EXPECT_EQ(main->GetBitmap()->GetReferenceCount(), 1);
    EXPECT_EQ(Errors(), "");
}

TEST_F(PanelTest, MouseEventsGoToTheFirstTakerUnlessCaptured)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    cut->takesMouse = cover->takesMouse = level->takesMouse = cell->takesMouse = true;

    // Child panels are offered the event before the panel's controls.
    CTevMouseInfo press(CTevMouseInfo::kButtonDown, 16, 26, 0);
    EXPECT_TRUE(main->OnMouse(press));
    EXPECT_EQ(journal, (std::vector<std::string>{"cut:mouse"}));
    // Overlapping controls: the first in definition order takes it.
    journal.clear();
    CTevMouseInfo onLevel(CTevMouseInfo::kButtonDown, 205, 105, 0);
    EXPECT_TRUE(main->OnMouse(onLevel));
    EXPECT_EQ(journal, (std::vector<std::string>{"level:mouse"}));
    level->takesMouse = false;
    journal.clear();
    EXPECT_TRUE(main->OnMouse(onLevel));
    EXPECT_EQ(journal, (std::vector<std::string>{"cell:mouse"}));

    // Outside the root's rect nothing is asked.
    journal.clear();
    CTevMouseInfo outside(CTevMouseInfo::kMove, 400, 10, 0);
    EXPECT_FALSE(main->OnMouse(outside));
    EXPECT_TRUE(journal.empty());

    // A control that holds the capture gets the events outside as well; the
    // capture goes up the chain to the window.
    cut->SetCapture(true);
    EXPECT_TRUE(osc->HasCapture());
    EXPECT_TRUE(main->HasCapture());
    ASSERT_FALSE(factory->windows.empty());
    EXPECT_EQ(factory->windows.back()->captures, std::vector<bool>{true});
    EXPECT_TRUE(main->OnMouse(outside));
    EXPECT_EQ(journal, (std::vector<std::string>{"cut:mouse"}));
    cut->SetCapture(false);
    EXPECT_FALSE(main->HasCapture());

    // A window that lost the mouse ends the gesture holding it: the holder
    // gets a release outside every view, and the window lets go.
    cut->mice.clear();
    main->CancelCapture();
    EXPECT_TRUE(cut->mice.empty());
    cut->SetCapture(true);
    main->CancelCapture();
    ASSERT_EQ(cut->mice.size(), 1u);
    EXPECT_EQ(cut->mice[0].kind, CTevMouseInfo::kButtonUp);
    EXPECT_FALSE(main->GetRect().Contains(cut->mice[0].GetPoint()));
    EXPECT_FALSE(main->HasCapture());
    EXPECT_EQ(factory->windows.back()->captures, (std::vector<bool>{true, false, true, false}));
    cut->SetCapture(false);

    // Closed panels take nothing.
    journal.clear();
    Set(Value("ms.tone.mode"), 1);
    journal.clear();
    EXPECT_TRUE(main->OnMouse(press)); // now the cover takes it
    EXPECT_EQ(journal, (std::vector<std::string>{"cover:mouse"}));
    main->Close();
    EXPECT_FALSE(main->OnMouse(press));
}

TEST_F(PanelTest, TicksAndKeys)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    // Every open view is offered the tick until one takes it; closed panels
    // and their controls are skipped.
    EXPECT_FALSE(main->OnTick(0));
    EXPECT_EQ(journal, (std::vector<std::string>{"cut:tick", "cover:tick", "level:tick", "cell:tick"}));
    journal.clear();
    cover->takesTicks = true;
    EXPECT_TRUE(main->OnTick(0));
    EXPECT_EQ(journal, (std::vector<std::string>{"cut:tick", "cover:tick"}));

    // Keys go to the active view only.
    const CTevKeyInfo up{CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, 0};
    journal.clear();
    EXPECT_FALSE(main->OnKey(up));
    EXPECT_TRUE(journal.empty());
    level->takesKeys = true;
    level->SetActive(true);
    EXPECT_TRUE(main->OnKey(up));
    // Even through another root panel.
    EXPECT_TRUE(Views().FindRootPanel("plain")->OnKey(up));
    EXPECT_EQ(level->keys.size(), 2u);
    main->SetActive(true);
    EXPECT_FALSE(main->OnKey(up));
    main->SetActive(false);
}

TEST_F(PanelTest, DrawingPaintsOnlyWhatTheUpdateAreaMeets)
{
    CRecordingGraphDrawer drawer;
    for (CProbeControl* probe : {cut, lfoCut, cover, level, cell})
        probe->drawer = &drawer;
    auto* bitmap = static_cast<CFakeStateBitmap*>(main->GetBitmap());

    // Closed: nothing at all.
    CFakeDrawInfo all;
    main->Draw(all);
    EXPECT_TRUE(bitmap->cells.empty());
    EXPECT_TRUE(drawer.calls.empty());

    ASSERT_TRUE(Views().OpenRootPanel("main"));
    main->Draw(all);
    ASSERT_EQ(bitmap->cells.size(), 1u);
    EXPECT_EQ(bitmap->cells[0].position, (CTevPoint{0, 0}));
    EXPECT_EQ(bitmap->cells[0].size, (CTevPoint{300, 200}));
    // The background first, then child panels, then controls in order (so
    // the later of two overlapping controls is on top); lfo is closed.
    EXPECT_EQ(journal, (std::vector<std::string>{"cut:draw", "cover:draw", "level:draw", "cell:draw"}));

    // Only the views whose rect meets the update area paint.
    journal.clear();
    drawer.calls.clear();
    CFakeDrawInfo corner({{205, 105, 206, 106}});
    main->Draw(corner);
    EXPECT_EQ(journal, (std::vector<std::string>{"level:draw", "cell:draw"}));
    ASSERT_EQ(drawer.calls.size(), 2u);
    EXPECT_EQ(drawer.calls[0].rect, level->GetRect());
    // The node panel's rect was asked and refused: its control wasn't.
    EXPECT_NE(std::find(corner.queries.begin(), corner.queries.end(), osc->GetRect()), corner.queries.end());
    EXPECT_EQ(std::find(corner.queries.begin(), corner.queries.end(), cut->GetRect()), corner.queries.end());

    // An area outside the panel: not even the background.
    journal.clear();
    CFakeDrawInfo away({{400, 400, 410, 410}});
    main->Draw(away);
    EXPECT_EQ(bitmap->cells.size(), 2u);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(away.queries, std::vector<CTevRect>{main->GetRect()});
}

TEST_F(PanelTest, RepaintsGoUpToTheWindow)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    ASSERT_EQ(factory->windows.size(), 1u);
    CRecordingPanelWindow* window = factory->windows[0];
    window->invalidated.clear();
    Set(Value("ms.tone.cut"), 9);
    // The control asks its node panel, which asks the root, which asks the
    // window.
    EXPECT_EQ(window->invalidated, std::vector<CTevRect>{cut->GetRect()});
    EXPECT_EQ(main->ClientToScreen({1, 2}), (CTevPoint{1001, 502}));
    EXPECT_EQ(cut->ClientToScreen({1, 2}), (CTevPoint{1001, 502}));

    // A panel whose condition reacted repaints its whole rect.
    window->invalidated.clear();
    Set(Value("ms.tone.mode"), 1);
    EXPECT_NE(std::find(window->invalidated.begin(), window->invalidated.end(), osc->GetRect()),
              window->invalidated.end());

    // Closing deletes the window; repaints then go nowhere.
    bool destroyed = false;
    window->destroyed = &destroyed;
    window->position = {7, 8};
    main->Close();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(main->GetWindow(), nullptr);
    EXPECT_EQ(main->GetWindowPosition(), (CTevPoint{7, 8}));
    main->Invalidate(nullptr);
    EXPECT_EQ(main->ClientToScreen({1, 2}), (CTevPoint{1, 2}));
}

TEST_F(PanelTest, CloseRequests)
{
    CTevRootPanel* edit = Views().FindRootPanel("edit");
    CTevRootPanel* plain = Views().FindRootPanel("plain");
    ASSERT_TRUE(edit && plain);
    EXPECT_TRUE(edit->IsModal());
    EXPECT_EQ(edit->GetCloseValue(), 0);
    // The close reference comes after the condition's.
    ASSERT_EQ(edit->GetValueRefCount(), 2);
    EXPECT_EQ(edit->GetCloseValueRefIndex(), 1);
    CTevValue* shown = Value("ms.tone.shown");
    EXPECT_EQ(edit->GetValue(1), shown);

    // Without references the panel closes at once.
    ASSERT_TRUE(Views().OpenRootPanel("plain"));
    plain->RequestClose();
    EXPECT_FALSE(plain->IsOpen());

    // With them the close value is written and sent, and the panel goes
    // because its condition turned false.
    ASSERT_TRUE(Views().OpenRootPanel("edit"));
    edit->RequestClose();
    EXPECT_EQ(shown->GetInteger(), 0);
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_FALSE(edit->IsOpen());
    EXPECT_EQ(edit->GetWindow(), nullptr);
    EXPECT_TRUE(Manager().GetChanges().empty());

    // The value coming back from anywhere opens it again.
    Set(shown, 1);
    EXPECT_TRUE(edit->IsOpen());
    ASSERT_NE(edit->GetWindow(), nullptr);

    // A panel whose condition stays true stays open.
    const std::string script = std::string(kModel) +
                               "<panelType><type>Stay</type><name>stay</name><openCondition>ms.tone.level,0,&gt;</openCondition>"
                               "<closeValue>3</closeValue></panelType><panel><type>Stay</type></panel>";
    CViewTest::SetUp();
    ASSERT_TRUE(Load(script)) << Errors();
    CTevRootPanel* stay = Views().FindRootPanel("stay");
    ASSERT_TRUE(Views().OpenRootPanel("stay"));
    // No "closeValueRef": the first reference takes the close value.
    stay->RequestClose();
    EXPECT_EQ(Value("ms.tone.level")->GetInteger(), 3);
    EXPECT_TRUE(stay->IsOpen());
}

TEST_F(PanelTest, ReaderFailures)
{
    struct SCase {
        const char* attributes;
        const char* message;
    };
    const SCase cases[] = {
        {"<name>p</name><modal>x</modal>", "Modal is invalid for root panel. : p : x\n"},
        {"<name>p</name><windowPosition>1</windowPosition>", "Window position is invalid for root panel. : p : 1\n"},
        {"<name>p</name><closeValue>a</closeValue>", "Close value is invalid for root panel. : p : a\n"},
        {"<name>p</name><bitmapRef>none</bitmapRef>", "Unable to find bitmap for panel. : p : none\n"},
        {"<name>p</name><openCondition>ms.tone.nothing</openCondition>",
         "Unable to interpret open condition for panel. : p : ms.tone.nothing\n"},
        {"<name>p</name><size>4</size>", "Size is invalid for view. : p : 4\n"},
    };
    for (const SCase& item : cases) {
        CViewTest::SetUp();
        const std::string script = std::string(kModel) + "<panelType><type>T</type>" + item.attributes +
                                   "</panelType><panel><type>T</type></panel>";
        EXPECT_FALSE(Load(script)) << item.attributes;
        EXPECT_EQ(Errors(), std::string(item.message) +
                                "Unable to convert panel from element definitions T.\n"
                                "Unable to convert root panel definition T to root panel.\n"
                                "Unable to create view manager.\n")
            << item.attributes;
    }

    // A number other than 0 makes the panel modal; numbers follow the
    // script rules.
    CViewTest::SetUp();
    ASSERT_TRUE(Load(std::string(kModel) +
                     "<panelType><type>T</type><name>p</name><modal>0x10</modal><closeValue>-3</closeValue>"
                     "<windowPosition>-5,7</windowPosition></panelType><panel><type>T</type></panel>"))
        << Errors();
    CTevRootPanel* panel = Views().FindRootPanel("p");
    EXPECT_TRUE(panel->IsModal());
    EXPECT_EQ(panel->GetCloseValue(), -3);
    EXPECT_EQ(panel->GetWindowPosition(), (CTevPoint{-5, 7}));
    EXPECT_EQ(panel->GetValueRefCount(), 0);
}

TEST_F(PanelTest, MovingAPanelMovesItsChildren)
{
    osc->SetRect({20, 40, 120, 90});
    EXPECT_EQ(inner->GetRect(), (CTevRect{21, 41, 26, 46}));
    EXPECT_EQ(cut->GetRect(), (CTevRect{25, 45, 35, 55}));
    EXPECT_EQ(cover->GetRect(), (CTevRect{10, 20, 110, 70}));
    main->SetRect({5, 5, 305, 205});
    EXPECT_EQ(cut->GetRect(), (CTevRect{30, 50, 40, 60}));
    EXPECT_EQ(level->GetRect(), (CTevRect{205, 105, 225, 125}));
}

TEST_F(PanelTest, DumpsListTheTree)
{
    CTevTextOutStringStream out;
    osc->DumpName(out);
    EXPECT_EQ(out.str(), "    main.osc\n        main.osc.inner\n        main.osc.cut\n");
    out.str(std::string());
    inner->Dump(out);
    EXPECT_EQ(out.str(), "    main.osc.inner, position=11 21, size=5 5, openCondition=1\n"
                         "    <!--child panels-->\n"
                         "    <!--child controls-->\n");
    out.str(std::string());
    main->Dump(out);
    const std::string head = "    main, position=0 0, size=300 200, bitmap=back, openCondition=1\n"
                             "    <!--child panels-->\n"
                             "        main.osc, position=10 20, size=100 50, openCondition=ms.tone.mode,0,==\n";
    EXPECT_EQ(out.str().substr(0, head.size()), head);
}

// A control of a type that no factory knows.
class CGhostControl : public CProbeControl {
public:
    std::string GetTypeName() const override { return "ghost"; }
};

TEST_F(PanelTest, SerialiseRoundTrip)
{
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    // Each object registered as the kind through which the views refer to it.
    std::vector<CTevValue*> registered;
    for (const char* path : {"ms.tone.mode", "ms.tone.level", "ms.tone.cut", "ms.tone.sel", "ms.b[0].e"})
        registered.push_back(Value(path));
    CTevStateBitmap* bitmap = main->GetBitmap();
    auto graph = [&registered, bitmap](CTevRootPanel& panel) {
        return [&registered, bitmap, &panel](CTevArchive& archive) {
            for (CTevValue* object : registered)
                archive.RegisterObject(object);
            archive.RegisterObject(bitmap);
            archive.RegisterObject(static_cast<CTevView*>(&panel));
            return panel.Serialize(archive);
        };
    };
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(TevSaveGraph(graph(*main), bytes));

    CTevRootPanel loaded;
    ASSERT_TRUE(TevLoadGraph(graph(loaded), bytes)) << Errors();
    EXPECT_EQ(loaded.GetName(), "main");
    EXPECT_EQ(loaded.GetWindowPosition(), (CTevPoint{40, 60}));
    EXPECT_EQ(loaded.GetBitmap(), main->GetBitmap());
    ASSERT_EQ(loaded.GetChildPanels().size(), 2u);
    ASSERT_EQ(loaded.GetChildControls().size(), 3u);
    CTevPanel* loadedOsc = loaded.GetChildPanels()[0].get();
    EXPECT_TRUE(loadedOsc->IsNodePanel());
    EXPECT_EQ(loadedOsc->GetParent(), &loaded);
    EXPECT_EQ(loadedOsc->GetOpenCondition(), "ms.tone.mode,0,==");
    EXPECT_EQ(loadedOsc->GetValue(0), Value("ms.tone.mode"));
    EXPECT_FALSE(loaded.GetChildPanels()[1]->GetConditionResult());
    CTevControl* loadedCut = nullptr;
    ASSERT_TRUE(loaded.FindControl("main.osc.cut", loadedCut));
    EXPECT_EQ(loadedCut->GetTypeName(), "probe");
    EXPECT_EQ(loadedCut->GetRect(), cut->GetRect());
    EXPECT_EQ(loadedCut->GetParent(), loadedOsc);
    EXPECT_EQ(loaded.GetChildControls()[2]->GetValue(0), Value("ms.b[0].e"));

    // Every shorter input fails rather than leaving a partial tree.
    for (size_t size = 0; size < bytes.size(); size += 7) {
        CTevRootPanel partial;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(TevLoadGraph(graph(partial), cut)) << size;
    }

    // A control whose type the factory can't make ends the load with false
    // instead of leaving a null child.
    auto ghost = std::make_unique<CGhostControl>();
    ghost->SetName("ghost");
    inner->AppendChildControl(std::move(ghost));
    ASSERT_TRUE(TevSaveGraph(graph(*main), bytes));
    CTevRootPanel broken;
    EXPECT_FALSE(TevLoadGraph(graph(broken), bytes));
    const CTevPanel& brokenInner = *broken.GetChildPanels()[0]->GetChildPanels()[0];
    EXPECT_TRUE(brokenInner.GetChildControls().empty());

    // A stored panel kind other than root or node makes none.
    EXPECT_EQ(factory->CreatePanelOfKind(2), nullptr);
    EXPECT_TRUE(factory->CreatePanelOfKind(1)->IsNodePanel());
    EXPECT_FALSE(factory->CreatePanelOfKind(0)->IsNodePanel());
}

} // namespace

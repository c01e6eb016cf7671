// The view factory's control table, the conversion of panel definitions and
// its failure messages, opening root panels, the broadcast in chunks with
// the progress bar, the index that follows re-resolved references, the
// reload, and window positions through the root panels.
#include "views/TevViewManager.h"

#include "controls/TevKnob.h"
#include "core/TevTextOut.h"

#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kModel[] = R"(
<bitmap><name>strip</name><stateCount>2</stateCount></bitmap>
<structType><type>Tone</type><name>tone</name>
  <value><name>mode</name><default>0</default></value>
  <value><name>level</name></value>
  <value><name>sel</name><default>0</default></value>
  <value><name>flag</name><range>0,1</range><default>0</default></value>
</structType>
<structType><type>Cell</type><name>b</name><address>$adr</address><value><name>e</name></value></structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address>
  <struct><type>Tone</type></struct>
  <struct><type>Cell</type><adr>10</adr><adr>11</adr><adr>12</adr><adr>13</adr></struct>
</structType>
<struct><type>Module</type></struct>
)";

// main
//   osc (mode == 0): probe near on ms.b[sel].e, probe lvl on ms.tone.level
//   lfo (mode == 1): probe far on ms.b[sel,1,+].e
//   probes level on ms.tone.level, cell on ms.b[sel].e
// sub: probe lv on ms.tone.level
const char kPanels[] = R"(
<panelType><type>Osc</type><name>osc</name><size>100,100</size><openCondition>ms.tone.mode,0,==</openCondition>
  <control><type>probe</type><name>near</name><size>10,10</size><valueRef>ms.b[ms.tone.sel].e</valueRef></control>
  <control><type>probe</type><name>lvl</name><size>10,10</size><valueRef>ms.tone.level</valueRef></control>
</panelType>
<panelType><type>Lfo</type><name>lfo</name><size>100,100</size><openCondition>ms.tone.mode,1,==</openCondition>
  <control><type>probe</type><name>far</name><size>10,10</size><valueRef>ms.b[ms.tone.sel,1,+].e</valueRef></control>
</panelType>
<panelType><type>Main</type><name>main</name><size>300,200</size><windowPosition>40,60</windowPosition>
  <panel><type>Osc</type></panel>
  <panel><type>Lfo</type></panel>
  <control><type>probe</type><name>level</name><size>10,10</size><valueRef>ms.tone.level</valueRef></control>
  <control><type>probe</type><name>cell</name><size>10,10</size><valueRef>ms.b[ms.tone.sel].e</valueRef></control>
</panelType>
<panelType><type>Sub</type><name>sub</name><size>10,10</size>
  <control><type>probe</type><name>lv</name><size>5,5</size><valueRef>ms.tone.level</valueRef></control>
</panelType>
<panel><type>Main</type></panel>
<panel><type>Sub</type></panel>
)";

std::string Script(const std::string& panels)
{
    return std::string(kModel) + panels;
}

class ViewManagerTest : public CViewTest {
protected:
    bool LoadDefault()
    {
        if (!Load(Script(kPanels)))
            return false;
        main = Views().FindRootPanel("main");
        Journal(*main);
        return main != nullptr;
    }

    CTevRootPanel* main = nullptr;
};

TEST_F(ViewManagerTest, TheFactoryMakesControlsByExactTypeName)
{
    CTevViewFactory factory;
    CTevElementDefinition definition;
    definition.type = "probe";
    EXPECT_EQ(factory.CreateControl(definition), nullptr);
    // The framework's own controls are known from the start.
    const std::vector<std::string> own = factory.GetControlTypeNames();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.front(), "knob");
    for (const char* builtIn : {"combo", "bias", "envelope", "fadeRange", "lfo"})
        EXPECT_TRUE(factory.IsControlRegistered(builtIn)) << builtIn;

    int made = 0;
    factory.RegisterControl("probe", TevCreateControl<CProbeControl>);
    factory.RegisterControl(CTevKnobControl::kTypeName, TevCreateControl<CTevKnobControl>);
    // Registering a name again replaces its creator and keeps its place.
    factory.RegisterControl("probe", [&made]() {
        ++made;
        return std::make_unique<CProbeControl>();
    });
    std::vector<std::string> withProbe = own;
    withProbe.push_back("probe");
    EXPECT_EQ(factory.GetControlTypeNames(), withProbe);
    auto control = factory.CreateControl(definition);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(control->GetTypeName(), "probe");
    definition.type = "knob";
    EXPECT_EQ(factory.CreateControl(definition)->GetTypeName(), "knob");
    definition.type = "Knob";
    EXPECT_EQ(factory.CreateControl(definition), nullptr);
    EXPECT_TRUE(factory.IsControlRegistered("knob"));
    EXPECT_FALSE(factory.IsControlRegistered("Knob"));

    // Panels and windows of the framework's own.
    CTevRootPanel panel;
    EXPECT_NE(factory.CreatePanelWindow(panel), nullptr);
    EXPECT_FALSE(factory.CreateRootPanel()->IsNodePanel());
    EXPECT_TRUE(factory.CreateNodePanel()->IsNodePanel());
}

TEST_F(ViewManagerTest, ConversionFailuresStopStartUp)
{
    struct SCase {
        const char* panels;
        const char* messages;
    };
    const char* const tail = "Unable to convert root panel definition Main to root panel.\n"
                             "Unable to create view manager.\n";
    const SCase cases[] = {
        {"<panelType><type>Main</type><name>main</name><panel><type>Gone</type></panel></panelType>",
         "Unable to find child panel type definition Gone.\n"},
        {"<panelType><type>Main</type><name>$who</name></panelType>", "Unable to resolve macros Main.\n"},
        {"<panelType><type>Main</type><name>main</name><panel><type>Main</type><x>$who</x></panel></panelType>",
         "Unable to resolve macros Main.\n"},
        {"<panelType><type>Main</type><name>main</name><control><type>Probe</type><name>c</name></control>"
         "</panelType>",
         "Unable to create child control Probe.\n"},
        {"<panelType><type>Main</type><name>main</name><control><type>probe</type><name>c</name>"
         "<colour>1</colour><valueRef>ms.tone.level</valueRef><shade>2</shade></control></panelType>",
         "Control c unknown tags. : colour, shade, \n"},
        {"<panelType><type>Main</type><name>main</name><colour>1</colour></panelType>",
         "Panel main unknown tags. : colour, \n"},
        {"<panelType><type>Main</type><name>main</name><control><type>probe</type><name>c</name>"
         "<position>1</position></control></panelType>",
         "Position is invalid for view. : c : 1\n"
         "Unable to convert child control from element definitions probe.\n"},
        {"<panelType><type>Osc</type><name>osc</name><bitmapRef>none</bitmapRef></panelType>"
         "<panelType><type>Main</type><name>main</name><panel><type>Osc</type></panel></panelType>",
         "Unable to find bitmap for panel. : osc : none\n"
         "Unable to convert panel from element definitions Osc.\n"
         "Unable to convert child panel definition Osc to child panel.\n"},
    };
    for (const SCase& item : cases) {
        CViewTest::SetUp();
        EXPECT_FALSE(Load(Script(item.panels) + "<panel><type>Main</type></panel>")) << item.panels;
        EXPECT_EQ(Errors(), std::string(item.messages) + tail) << item.panels;
        // What was built stays owned until the manager is cleared, and so do
        // the definitions.
        EXPECT_EQ(Views().GetRootPanelCount(), 1u);
        EXPECT_FALSE(Views().m_rootPanelDefinitions.empty());
    }

    // A panel type that contains itself, directly or further down, is
    // refused instead of being expanded without end.
    CViewTest::SetUp();
    EXPECT_FALSE(Load(Script("<panelType><type>A</type><name>a</name><panel><type>B</type></panel></panelType>"
                             "<panelType><type>B</type><name>b</name><panel><type>A</type></panel></panelType>"
                             "<panel><type>A</type></panel>")));
    EXPECT_EQ(Errors(), "Panel type A contains itself.\n"
                        "Unable to convert child panel definition A to child panel.\n"
                        "Unable to convert child panel definition B to child panel.\n"
                        "Unable to convert root panel definition A to root panel.\n"
                        "Unable to create view manager.\n");

    // A reference that names no value fails the creation.
    CViewTest::SetUp();
    EXPECT_FALSE(Load(Script("<panelType><type>Main</type><name>main</name><control><type>probe</type>"
                             "<name>c</name><valueRef>ms.tone.none</valueRef></control></panelType>"
                             "<panel><type>Main</type></panel>")));
    EXPECT_EQ(Errors(), "Unable to convert value reference name ms.tone.none to value.\n"
                        "Unable to associate view c.\n"
                        "Unable to create control c.\n"
                        "Unable to create child control c.\n"
                        "Unable to create root panel main.\n"
                        "Unable to create view manager.\n");

    // Macro values of the root entry reach the grandchildren's controls.
    CViewTest::SetUp();
    ASSERT_TRUE(Load(Script("<panelType><type>Leaf</type><name>leaf</name><control><type>probe</type>"
                            "<name>c</name><valueRef>ms.tone.$v</valueRef></control></panelType>"
                            "<panelType><type>Mid</type><name>mid</name><panel><type>Leaf</type><v>$w</v></panel>"
                            "</panelType>"
                            "<panelType><type>Main</type><name>main</name><panel><type>Mid</type><w>$x</w></panel>"
                            "</panelType><panel><type>Main</type><x>flag</x></panel>")))
        << Errors();
    EXPECT_EQ(Probe("main.mid.leaf.c")->GetValue(0), Value("ms.tone.flag"));
}

TEST_F(ViewManagerTest, OpeningRootPanels)
{
    ASSERT_TRUE(LoadDefault()) << Errors();
    EXPECT_FALSE(Views().OpenRootPanel("Main"));
    EXPECT_FALSE(Views().OpenRootPanel(""));
    EXPECT_FALSE(main->IsOpen());
    EXPECT_TRUE(factory->windows.empty());

    // A window that can't be made leaves the panel closed.
    factory->failWindows = true;
    EXPECT_FALSE(Views().OpenRootPanel("main"));
    EXPECT_FALSE(main->IsOpen());
    EXPECT_FALSE(Panel("main.osc")->IsOpen());
    EXPECT_FALSE(Probe("main.level")->IsOpen());

    factory->failWindows = false;
    EXPECT_TRUE(Views().OpenRootPanel("main"));
    EXPECT_TRUE(Panel("main.osc")->IsOpen());
    EXPECT_FALSE(Panel("main.lfo")->IsOpen());
    EXPECT_FALSE(Views().FindRootPanel("sub")->IsOpen());
}

TEST_F(ViewManagerTest, BroadcastInChunksWithTheProgressBar)
{
    ASSERT_TRUE(LoadDefault()) << Errors();
    auto bar = std::make_unique<CFakeProgressBar>();
    CFakeProgressBar* progress = bar.get();
    Manager().SetProgressBar(std::move(bar));
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    CProbeControl* level = Probe("main.level");
    CTevValue* levelValue = Value("ms.tone.level");
    CTevValue* unused = Value("ms.b[3].e");
    level->lists.clear();

    // Nothing to offer.
    EXPECT_FALSE(Views().BroadcastValuesChanged({}));
    EXPECT_FALSE(Views().BroadcastValuesChanged({unused, unused}));
    EXPECT_TRUE(level->lists.empty());

    // 8192 values are one chunk, without progress.
    std::vector<CTevValue*> list(8192, unused);
    list[0] = list[8191] = levelValue;
    EXPECT_TRUE(Views().BroadcastValuesChanged(list));
    EXPECT_TRUE(progress->calls.empty());
    // The view is handed only its own part of the chunk.
    EXPECT_EQ(level->lists, (std::vector<CTevValueList>{{levelValue, levelValue}}));

    // 8193 values are two chunks, 8192 and 1.
    level->lists.clear();
    list.push_back(levelValue);
    EXPECT_TRUE(Views().BroadcastValuesChanged(list));
    EXPECT_EQ(level->lists, (std::vector<CTevValueList>{{levelValue, levelValue}, {levelValue}}));
    EXPECT_EQ(progress->calls, (std::vector<std::string>{"begin 2 kind 4", "pos 1", "pos 2", "end"}));
    EXPECT_EQ(progress->depth, 0);

    // Inside an operation with its own progress the broadcast only nests.
    progress->calls.clear();
    progress->Begin(10, "Reading.", true);
    progress->SetPos(5);
    list.assign(8192 * 2 + 1, unused);
    EXPECT_FALSE(Views().BroadcastValuesChanged(list));
    EXPECT_EQ(progress->calls, (std::vector<std::string>{"begin 10 Reading. cancellable", "pos 5", "begin 3 kind 4",
                                                         "pos 6", "pos 6", "pos 6", "end"}));
    EXPECT_EQ(progress->depth, 1);
    EXPECT_EQ(progress->GetPos(), 5);
    EXPECT_EQ(progress->GetRange(), 10);
    progress->End();

    // Every root panel gets every chunk, whatever the ones before answered.
    ASSERT_TRUE(Views().OpenRootPanel("sub"));
    CProbeControl* lv = Probe("sub.lv");
    lv->lists.clear();
    const int levelBefore = level->reactions;
    list.assign(8193, unused);
    list[8192] = levelValue;
    EXPECT_TRUE(Views().BroadcastValuesChanged(list));
    EXPECT_EQ(level->reactions, levelBefore + 1);
    EXPECT_EQ(lv->reactions, 1);
    EXPECT_EQ(lv->lists, (std::vector<CTevValueList>{{levelValue}}));
}

TEST_F(ViewManagerTest, TheIndexFollowsReResolvedReferences)
{
    ASSERT_TRUE(LoadDefault()) << Errors();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    CProbeControl* cell = Probe("main.cell");
    CProbeControl* near = Probe("main.osc.near");
    CProbeControl* far = Probe("main.lfo.far");
    CTevValue* b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = Value("ms.b[" + std::to_string(i) + "].e");

    Set(b[1], 5);
    EXPECT_EQ(cell->reactions, 0);
    // The index value changes: the cell re-resolves to b[1] and follows it
    // from then on, and no longer b[0].
    Set(Value("ms.tone.sel"), 1);
    EXPECT_EQ(cell->reactions, 1);
    EXPECT_EQ(cell->GetValue(0), b[1]);
    Set(b[0], 5);
    EXPECT_EQ(cell->reactions, 1);
    Set(b[1], 6);
    EXPECT_EQ(cell->reactions, 2);

    // A closed panel's controls miss the change of the index value, and
    // resolve again when their panel opens; the index follows that too.
    Set(Value("ms.tone.mode"), 1);
    EXPECT_FALSE(near->IsOpen());
    EXPECT_EQ(far->GetValue(0), b[2]);
    Set(Value("ms.tone.sel"), 2);
    EXPECT_EQ(near->GetValue(0), b[1]);
    EXPECT_EQ(far->GetValue(0), b[3]);
    Set(Value("ms.tone.mode"), 0);
    EXPECT_EQ(near->GetValue(0), b[2]);
    const int before = near->reactions;
    Set(b[1], 7);
    EXPECT_EQ(near->reactions, before);
    Set(b[2], 7);
    EXPECT_EQ(near->reactions, before + 1);
    EXPECT_EQ(Errors(), "");
}

// Every probe of a tree in depth-first order: child panels' first, as the
// dumps list them.
void CollectProbes(const CTevPanel& panel, std::vector<CProbeControl*>& probes, std::vector<const CTevPanel*>& panels)
{
    panels.push_back(&panel);
    for (const auto& child : panel.GetChildPanels())
        CollectProbes(*child, probes, panels);
    for (const auto& control : panel.GetChildControls())
        probes.push_back(dynamic_cast<CProbeControl*>(control.get()));
}

TEST_F(ViewManagerTest, TheIndexedBroadcastReactsAsThePlainWalk)
{
    ASSERT_TRUE(LoadDefault()) << Errors();
    // A second copy of the tree, built from the same definitions but not
    // held by the manager: it gets every list through the panels' own walk.
    std::istringstream again(kPanels);
    ASSERT_TRUE(Manager().ReadScript(again));
    std::unique_ptr<CTevRootPanel> twin = factory->CreateRootPanel();
    ASSERT_TRUE(Views().ConvertPanelDefinition(*Views().m_rootPanelDefinitions[0], *twin)) << Errors();
    ASSERT_TRUE(twin->Create(nullptr)) << Errors();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    ASSERT_TRUE(twin->Open());
    twin->OnValuesChanged({});

    std::vector<CProbeControl*> probes;
    std::vector<CProbeControl*> twinProbes;
    std::vector<const CTevPanel*> panels;
    std::vector<const CTevPanel*> twinPanels;
    CollectProbes(*main, probes, panels);
    CollectProbes(*twin, twinProbes, twinPanels);
    ASSERT_EQ(probes.size(), twinProbes.size());

    std::vector<CTevValue*> values;
    for (const char* path : {"ms.tone.mode", "ms.tone.level", "ms.tone.sel", "ms.tone.flag", "ms.b[0].e", "ms.b[1].e",
                             "ms.b[2].e", "ms.b[3].e"})
        values.push_back(Value(path));
    std::mt19937 random(12345);
    for (int round = 0; round < 1000; ++round) {
        // The model changes under both trees alike, and both get the same
        // list.
        values[0]->SetInteger(static_cast<int32_t>(random() % 3));
        values[2]->SetInteger(static_cast<int32_t>(random() % 3));
        std::vector<CTevValue*> list;
        const size_t length = random() % 6;
        for (size_t i = 0; i < length; ++i)
            list.push_back(values[random() % values.size()]);
        const bool indexed = Views().BroadcastValuesChanged(list);
        const bool plain = twin->OnValuesChanged(list);
        ASSERT_EQ(indexed, plain) << round;
        for (size_t i = 0; i < probes.size(); ++i) {
            ASSERT_EQ(probes[i]->reactions, twinProbes[i]->reactions) << round << " " << probes[i]->GetPath();
            ASSERT_EQ(probes[i]->invalidations, twinProbes[i]->invalidations) << round;
            ASSERT_EQ(probes[i]->IsOpen(), twinProbes[i]->IsOpen()) << round;
            ASSERT_EQ(probes[i]->GetValue(0), twinProbes[i]->GetValue(0)) << round;
        }
        for (size_t i = 0; i < panels.size(); ++i)
            ASSERT_EQ(panels[i]->IsOpen(), twinPanels[i]->IsOpen()) << round;
    }
    // The comparison saw reactions of every kind.
    EXPECT_GT(Probe("main.cell")->reactions, 10);
    EXPECT_GT(Probe("main.lfo.far")->reactions, 10);
}

TEST_F(ViewManagerTest, AReloadLeavesNoActiveView)
{
    ASSERT_TRUE(LoadDefault()) << Errors();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    CProbeControl* level = Probe("main.level");
    level->takesKeys = true;
    level->SetActive(true);
    const CTevKeyInfo key{CTevKeyInfo::kKeyDown, 'A', 0};
    EXPECT_TRUE(main->OnKey(key));

    // The active view is told before it goes.
    journal.clear();
    Manager().Destroy();
    EXPECT_EQ(journal, std::vector<std::string>{"level:inactive"});
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);
    EXPECT_EQ(Views().GetRootPanelCount(), 0u);
    EXPECT_EQ(Views().GetRootWindowCount(), 0u);
    EXPECT_FALSE(Views().HasViewFactory());

    // The same script again: keys reach no view until one is made active.
    CViewTest::SetUp();
    ASSERT_TRUE(LoadDefault()) << Errors();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    EXPECT_FALSE(main->OnKey(key));
    EXPECT_TRUE(Probe("main.level")->keys.empty());
}

TEST_F(ViewManagerTest, WindowPositionsGoThroughTheRootPanels)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tev-views-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    Manager().SetFolder(folder.string() + "/");
    {
        std::ofstream file(folder / "WindowPosition.txt");
        file << "sub\n5,6\n";
    }
    ASSERT_TRUE(LoadDefault()) << Errors();
    ASSERT_EQ(Views().GetRootWindowCount(), 2u);
    EXPECT_EQ(Views().GetRootWindow(0)->GetWindowName(), "main");
    // The file's position replaces the script's; the others keep theirs.
    EXPECT_EQ(Views().FindRootPanel("sub")->GetWindowPosition(), (CTevPoint{5, 6}));
    EXPECT_EQ(main->GetWindowPosition(), (CTevPoint{40, 60}));

    // Saving closes the open panels first, so that their windows store
    // where they are.
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    factory->windows.back()->position = {70, 80};
    Manager().Destroy();
    std::stringstream text;
    {
        // Closed before the folder goes (Windows won't remove an open file).
        std::ifstream file(folder / "WindowPosition.txt");
        text << file.rdbuf();
    }
    EXPECT_EQ(text.str(), "main\n70,80\nsub\n5,6\n");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(ViewManagerTest, AKnobInAPanelFollowsItsValue)
{
    factory->RegisterControl(CTevKnobControl::kTypeName, TevCreateControl<CTevKnobControl>);
    ASSERT_TRUE(Load(Script("<panelType><type>Main</type><name>main</name><size>300,300</size>"
                            "<control><type>knob</type><name>k</name><valueRef>ms.tone.flag</valueRef>"
                            "<bitmapRef>strip</bitmapRef></control></panelType><panel><type>Main</type></panel>")))
        << Errors();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    CTevControl* control = nullptr;
    ASSERT_TRUE(Views().FindRootPanel("main")->FindControl("main.k", control));
    auto* knob = dynamic_cast<CTevKnobControl*>(control);
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->GetFrame(), 0);
    factory->windows.back()->invalidated.clear();
    Set(Value("ms.tone.flag"), 1);
    EXPECT_EQ(knob->GetFrame(), 1);
    EXPECT_EQ(factory->windows.back()->invalidated, std::vector<CTevRect>{knob->GetRect()});
}

} // namespace

// A knob on a panel loaded from a script, driven the way a person drives it:
// the mouse goes through the root panel, the drag's change travels through
// the root struct's MIDI output to the simulated module as one data set,
// and the module's own data set for the same parameter moves the drawn
// knob without being sent back. A node panel follows its open condition
// whether the host or the module changes the value, and a keyboard or a
// button in it that holds the mouse as it closes lets go.
#include "controls/TevKnob.h"
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "midi/TevMidi.h"
#include "midi/TevMidiManager.h"
#include "views/TevPanel.h"
#include "views/TevViewManager.h"

#include "support/ControlTestSupport.h"
#include "support/FakeDrawing.h"
#include "support/FakeMidiDevices.h"
#include "support/FakeResources.h"
#include "support/SimulatedModule.h"
#include "support/TestSupport.h"
#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const char kScript[] = R"(<?xml version="1.0" encoding="Shift_JIS"?>
<script>
<bitmap><name>strip</name><stateCount>51</stateCount></bitmap>
<bitmap><name>keys</name></bitmap>
<structType><type>Tone</type><name>tone</name><address>00 00</address>
  <value><name>mode</name><range>0,1</range><default>0</default></value>
  <value><name>level</name><default>64</default></value>
  <value><name>octave</name></value>
  <value><name>velocity</name></value>
</structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Module</type></struct>
<midiStruct><type>channels</type><name>midi</name></midiStruct>
<midiIn><type>input</type><name>in</name><modelID>42</modelID><rootStruct>ms</rootStruct><midiStructRef>midi</midiStructRef></midiIn>
<midiOut><type>output</type><name>out</name><modelID>42</modelID><rootStruct>ms</rootStruct><midiStructRef>midi</midiStructRef></midiOut>
<panelType><type>Edit</type><name>edit</name><position>200,0</position><size>100,100</size>
  <openCondition>ms.tone.mode,1,==</openCondition>
  <control><type>keyboard</type><name>keys</name><bitmapRef>keys</bitmapRef><physicalKeyRange>48,60</physicalKeyRange>
    <valueRef>midi.ch[0].note</valueRef><octaveValueRef>ms.tone.octave</octaveValueRef><onVelocityValueRef>ms.tone.velocity</onVelocityValueRef>
    <cKeyUpsideRectangle>0,0,8,40</cKeyUpsideRectangle> <dKeyUpsideRectangle>8,0,12,40</dKeyUpsideRectangle>
    <eKeyUpsideRectangle>12,0,20,40</eKeyUpsideRectangle> <fKeyUpsideRectangle>20,0,28,40</fKeyUpsideRectangle>
    <gKeyUpsideRectangle>28,0,32,40</gKeyUpsideRectangle> <aKeyUpsideRectangle>32,0,36,40</aKeyUpsideRectangle>
    <bKeyUpsideRectangle>36,0,44,40</bKeyUpsideRectangle> <ebonyKeyRectangle>44,0,52,40</ebonyKeyRectangle>
    <highestKeyUpsideRectangle>52,0,64,40</highestKeyUpsideRectangle> <ivoryKeyDownsideRectangle>0,40,12,60</ivoryKeyDownsideRectangle>
    <highestKeyDownsideRectangle>52,40,64,60</highestKeyDownsideRectangle> <cKeyUpsideRectanglePressed>0,0,8,40</cKeyUpsideRectanglePressed>
    <dKeyUpsideRectanglePressed>8,0,12,40</dKeyUpsideRectanglePressed> <eKeyUpsideRectanglePressed>12,0,20,40</eKeyUpsideRectanglePressed>
    <fKeyUpsideRectanglePressed>20,0,28,40</fKeyUpsideRectanglePressed> <gKeyUpsideRectanglePressed>28,0,32,40</gKeyUpsideRectanglePressed>
    <aKeyUpsideRectanglePressed>32,0,36,40</aKeyUpsideRectanglePressed> <bKeyUpsideRectanglePressed>36,0,44,40</bKeyUpsideRectanglePressed>
    <ebonyKeyRectanglePressed>44,0,52,40</ebonyKeyRectanglePressed> <highestKeyUpsideRectanglePressed>52,0,64,40</highestKeyUpsideRectanglePressed>
    <ivoryKeyDownsideRectanglePressed>0,40,12,60</ivoryKeyDownsideRectanglePressed>
    <highestKeyDownsideRectanglePressed>52,40,64,60</highestKeyDownsideRectanglePressed></control>
  <control><type>latchButton</type><name>latch</name><position>0,60</position><bitmapRef>strip</bitmapRef><valueRef>ms.tone.velocity</valueRef></control>
</panelType>
<panelType><type>Main</type><name>main</name><size>300,200</size>
  <panel><type>Edit</type></panel>
  <control><type>knob</type><name>k</name><position>10,20</position><size>5,5</size><bitmapRef>strip</bitmapRef><valueRef>ms.tone.level</valueRef></control>
</panelType>
<panel><type>Main</type></panel>
</script>
)";

const int32_t kCell = 40;          // the strip's cells are 40 x 40
const int32_t kMode = 0x40000;     // ms (10 00 00) + tone (00 00) + mode
const int32_t kLevel = kMode + 1;  // the byte after mode

class KnobEndToEndTest : public CViewTest {
protected:
    void SetUp() override
    {
        CViewTest::SetUp();
        resources->bitmapImageSize = {kCell, kCell * 51};
        Manager().SetStatusOut(new CTevTextOutBuffer);
        std::istringstream script(kScript);
        ASSERT_TRUE(Manager().ReadScript(script)) << Errors();
        ASSERT_TRUE(Manager().Create()) << Errors();

        CTevMidiManager& midi = Manager().m_midiManager;
        CTevMidiIn* inPort = midi.FindMidiInByName("in");
        CTevMidiOut* outPort = midi.FindMidiOutByName("out");
        ASSERT_NE(inPort, nullptr);
        ASSERT_NE(outPort, nullptr);
        outDevice = static_cast<CFakeMidiOutDevice*>(
            midi.GetOutputDevices().Add(std::make_unique<CFakeMidiOutDevice>()));
        inDevice =
            static_cast<CFakeMidiInDevice*>(midi.GetInputDevices().Add(std::make_unique<CFakeMidiInDevice>()));
        outPort->SetDevice(outDevice);
        ASSERT_TRUE(inDevice->AddListener(inPort));

        CTevStruct* root = Manager().FindStruct("ms");
        ASSERT_NE(root, nullptr);
        module.AddLeavesOf(*root);
        module.ConnectTo(*outDevice, *inDevice);

        mode = Value("ms.tone.mode");
        level = Value("ms.tone.level");
        ASSERT_TRUE(mode && level);
        main = Views().FindRootPanel("main");
        ASSERT_NE(main, nullptr);
        strip = static_cast<CFakeStateBitmap*>(Manager().m_resourceManager.m_bitmaps.FindByName("strip"));
        ASSERT_NE(strip, nullptr);
    }
    void TearDown() override
    {
        // No knob may stay the process's active view.
        if (CTevView* active = CTevView::GetActiveView())
            active->SetActive(false);
        CViewTest::TearDown();
        // The next test finds an empty manager.
        EXPECT_EQ(Manager().FindStruct("ms"), nullptr);
        EXPECT_EQ(Manager().m_viewManager.FindRootPanel("main"), nullptr);
    }

    CTevKnobControl* Knob() const
    {
        CTevControl* control = nullptr;
        if (!main->FindControl("main.k", control))
            return nullptr;
        return dynamic_cast<CTevKnobControl*>(control);
    }
    // A point far from the knob's centre (30, 40), half a degree past the
    // angle so that truncation gives the angle itself.
    static CTevPoint PointAt(double degrees)
    {
        const double radians = (degrees + 0.5) / 57.29577951308232;
        return CTevPoint{static_cast<int32_t>(std::lround(30 - 10000 * std::sin(radians))),
                         static_cast<int32_t>(std::lround(40 + 10000 * std::cos(radians)))};
    }
    bool Mouse(int kind, const CTevPoint& point)
    {
        CTevMouseInfo mouse(kind, point.x, point.y, 0);
        return main->OnMouse(mouse);
    }
    // The cells the whole root panel draws now.
    std::vector<CFakeStateBitmap::CCell> DrawAll()
    {
        strip->cells.clear();
        CFakeDrawInfo all;
        main->Draw(all);
        return strip->cells;
    }
    // What the module sends reaches the host.
    void Deliver(size_t expected)
    {
        EXPECT_EQ(module.DeliverDue(), expected);
        EXPECT_EQ(inDevice->DeliverPending(), expected);
    }

    CFakeSystem clock;
    CSimulatedModule module;
    CFakeMidiOutDevice* outDevice = nullptr;
    CFakeMidiInDevice* inDevice = nullptr;
    CTevRootPanel* main = nullptr;
    CFakeStateBitmap* strip = nullptr;
    CTevValue* mode = nullptr;
    CTevValue* level = nullptr;
};

TEST_F(KnobEndToEndTest, DragReachesTheModuleAndTheModulesChangeMovesTheKnobWithoutEcho)
{
    auto tipBar = std::make_unique<CFakeTipBar>();
    CFakeTipBar* tip = tipBar.get();
    Manager().SetTipBar(std::move(tipBar));
    ASSERT_TRUE(Views().OpenRootPanel("main")) << Errors();
    CTevKnobControl* knob = Knob();
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->GetRect(), (CTevRect{10, 20, 10 + kCell, 20 + kCell}));
    EXPECT_EQ(level->GetInteger(), 64);

    // 128 steps on 51 cells: 64 shows cell 25, at the knob's corner.
    std::vector<CFakeStateBitmap::CCell> cells = DrawAll();
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].position, (CTevPoint{10, 20}));
    EXPECT_EQ(cells[0].size, (CTevPoint{kCell, kCell}));
    EXPECT_EQ(cells[0].sourceY, 25 * kCell);

    // Press on the knob: it takes the capture up to the window, and
    // nothing is sent yet.
    ASSERT_FALSE(factory->windows.empty());
    CRecordingPanelWindow* window = factory->windows.back();
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, {25, 50}));
    EXPECT_TRUE(knob->HasCapture());
    EXPECT_EQ(window->captures, (std::vector<bool>{true}));
    EXPECT_TRUE(outDevice->sent.empty());

    // Far outside the root's rect, the move still reaches the captured
    // knob. Angle 170 is index 59: one data set, byte for byte.
    EXPECT_TRUE(Mouse(CTevMouseInfo::kMove, PointAt(170)));
    // Address 00 10 00 01, data 59 (0x3B); checksum
    // 128 - (0x10 + 0x01 + 0x3B) % 128 = 0x34.
    const Bytes expected{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x10, 0x00, 0x01, 0x3B, 0x34, 0xF7};
    ASSERT_EQ(outDevice->sent.size(), 1u);
    EXPECT_EQ(outDevice->sent[0], expected);
    ASSERT_EQ(module.GetReceived().size(), 1u);
    EXPECT_EQ(module.GetReceived()[0].bytes, expected);
    const auto dataSets = module.GetVendorMessages(CSimulatedModule::kDataSetCommand);
    ASSERT_EQ(dataSets.size(), 1u);
    EXPECT_EQ(dataSets[0].address, kLevel);
    EXPECT_EQ(dataSets[0].body, Bytes{59});
    EXPECT_EQ(module.GetRejectedCount(), 0);
    EXPECT_EQ(module.ByteAt(kLevel), 59);
    EXPECT_EQ(module.ByteAt(kMode), 0);
    EXPECT_EQ(level->GetInteger(), 59);
    EXPECT_TRUE(Manager().GetChanges().empty());

    // The same angle again sends nothing; the release ends the drag.
    EXPECT_TRUE(Mouse(CTevMouseInfo::kMove, PointAt(170)));
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonUp, PointAt(170)));
    EXPECT_FALSE(knob->HasCapture());
    EXPECT_EQ(window->captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(outDevice->sent.size(), 1u);
    EXPECT_EQ(module.GetReceived().size(), 1u);
    cells = DrawAll();
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].sourceY, 23 * kCell);

    // The module's own data set for the parameter: the knob follows (100
    // is cell 39) and nothing goes back to the module.
    const size_t invalidatedBefore = window->invalidated.size();
    module.SendDataSet(kLevel, {100});
    Deliver(1);
    EXPECT_EQ(level->GetInteger(), 100);
    EXPECT_EQ(knob->GetFrame(), 39);
    EXPECT_GT(window->invalidated.size(), invalidatedBefore);
    cells = DrawAll();
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].position, (CTevPoint{10, 20}));
    EXPECT_EQ(cells[0].sourceY, 39 * kCell);
    EXPECT_EQ(outDevice->sent.size(), 1u);
    EXPECT_EQ(module.GetReceived().size(), 1u);
    EXPECT_TRUE(Manager().GetChanges().empty());
    EXPECT_EQ(Manager().GetStatusCode(), 0);

    // The value tip is up; a box takes the activation, which ends the
    // knob's active state, and the window closes under the box: the tip
    // goes with it, though the box's loop runs no idle time.
    EXPECT_TRUE(knob->IsActive());
    tip->Update();
    ASSERT_TRUE(tip->shown);
    main->SetActive(false);
    EXPECT_FALSE(knob->IsActive());
    main->RequestClose();
    EXPECT_FALSE(main->IsOpen());
    EXPECT_FALSE(tip->shown);

    // The close box, clicked while the knob is still active, takes no
    // activation: the knob stops being active as the window closes, and
    // the tip goes at once.
    ASSERT_TRUE(Views().OpenRootPanel("main")) << Errors();
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, {25, 50}));
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonUp, {25, 50}));
    ASSERT_TRUE(knob->IsActive());
    tip->Update();
    ASSERT_TRUE(tip->shown);
    main->RequestClose();
    EXPECT_FALSE(knob->IsActive());
    EXPECT_FALSE(tip->shown);
}

TEST_F(KnobEndToEndTest, TheNodePanelFollowsItsConditionFromEitherSide)
{
    ASSERT_TRUE(Views().OpenRootPanel("main")) << Errors();
    CTevPanel* edit = Panel("main.edit");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(main->IsOpen());
    EXPECT_FALSE(edit->IsOpen());

    // The host sets the condition value: the panel opens and the module
    // gets the one byte.
    Set(mode, 1);
    EXPECT_TRUE(edit->IsOpen());
    ASSERT_EQ(module.GetReceived().size(), 1u);
    EXPECT_EQ(module.GetReceived()[0].bytes,
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x10, 0x00, 0x00, 0x01, 0x6F, 0xF7}));
    EXPECT_EQ(module.ByteAt(kMode), 1);

    // The module sets it back: the panel closes, the knob stays open, and
    // nothing is echoed.
    module.SendDataSet(kMode, {0});
    Deliver(1);
    EXPECT_EQ(mode->GetInteger(), 0);
    EXPECT_FALSE(edit->IsOpen());
    EXPECT_TRUE(main->IsOpen());
    ASSERT_NE(Knob(), nullptr);
    EXPECT_TRUE(Knob()->IsOpen());
    EXPECT_EQ(module.GetReceived().size(), 1u);

    // And opens it again.
    module.SendDataSet(kMode, {1});
    Deliver(1);
    EXPECT_TRUE(edit->IsOpen());
    EXPECT_EQ(module.GetReceived().size(), 1u);
    EXPECT_EQ(outDevice->sent.size(), 1u);

    // A key held in the panel as the module closes it: the note off goes
    // out alone, the module's change is not echoed.
    outDevice->sent.clear();
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, {202, 50}));
    module.SendDataSet(kMode, {0});
    Deliver(1);
    EXPECT_EQ(outDevice->sent, (std::vector<Bytes>{{0x90, 48, 64}, {0x80, 48, 64}}));

    // A button held as it closes lets go: once the panel is open again, a
    // press elsewhere is the knob's.
    Set(mode, 1);
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, {210, 70}));
    module.SendDataSet(kMode, {0});
    Deliver(1);
    Set(mode, 1);
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonDown, {25, 50}) && Knob()->HasCapture());
    EXPECT_TRUE(Mouse(CTevMouseInfo::kButtonUp, {25, 50}));
}

} // namespace

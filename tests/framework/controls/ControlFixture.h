#pragma once
// A fixture for the tests of single controls: one model with values of
// every kind, the MIDI channels, skin bitmaps of chosen cell sizes, a text
// writer and tables, loaded into the process-wide manager. Controls are
// read, created and opened inside a stand-in panel at (100, 50), and every
// broadcast of the change protocol reaches them as the panel tree would
// hand it on. Data sets and short messages sent are recorded.
#include "controls/TevControl.h"
#include "core/TevManager.h"
#include "midi/TevMessage.h"

#include "support/ControlTestSupport.h"
#include "support/FakeResources.h"
#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace control_fixture {

const char kScript[] = R"(
<numberTable><name>steps</name><table>10,20,40</table></numberTable>
<stringTable><name>waves</name><table>Saw,Square,Tri</table></stringTable>
<textWriter><name>font</name></textWriter>
<bitmap><name>one</name><stateCount>1</stateCount></bitmap>
<bitmap><name>two</name><stateCount>2</stateCount></bitmap>
<bitmap><name>four</name><stateCount>4</stateCount></bitmap>
<bitmap><name>many</name><stateCount>22</stateCount></bitmap>
<bitmap><name>cap</name><stateCount>1</stateCount></bitmap>
<bitmap><name>keys</name><stateCount>1</stateCount></bitmap>
<structType><type>Tone</type><name>tone</name>
  <value><name>level</name></value>
  <value><name>flag</name><range>0,1</range><default>0</default></value>
  <value><name>mode</name><range>0,3</range><default>0</default></value>
  <value><name>big</name><type>int2x7</type><range>0,149</range><default>0</default></value>
  <value><name>wave</name><numberTableRef>steps</numberTableRef><default>20</default></value>
  <value><name>odd</name><numberTableRef>steps</numberTableRef><default>30</default></value>
  <value><name>single</name><range>5,5</range><default>5</default></value>
  <value><name>octave</name><range>60,68</range><default>64</default></value>
  <value><name>velocity</name><default>100</default></value>
  <value><name>label</name><type>string</type><size>06</size></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Root</type></struct>
<midiStruct><type>channels</type><name>midi</name></midiStruct>
)";

// Records the short messages of the MIDI channels as bytes, and the
// data sets of the parameter model. A short message fails, unrecorded,
// when `failing` is set: the function runs in its place, as the box about
// the failure would, and is then forgotten.
class CRecordingOut : public CRecordingMidiOut {
public:
    bool SendShortMessage(const CTevShortMessage& message) override
    {
        if (std::function<void()> failure = std::exchange(failing, nullptr)) {
            failure();
            return false;
        }
        shorts.push_back(message.GetBytes());
        return true;
    }
    std::vector<std::vector<uint8_t>> shorts;
    std::function<void()> failing;
};

class ControlTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        Manager().m_resourceManager.SetFactory(std::make_unique<CFakeResourceFactory>());
        auto tipBar = std::make_unique<CFakeTipBar>();
        tip = tipBar.get();
        Manager().SetTipBar(std::move(tipBar));
        std::istringstream stream(kScript);
        ASSERT_TRUE(Manager().ReadScript(stream) && Manager().m_resourceManager.Create() &&
                    Manager().CreateFromDefinitions(&forward, &Manager().m_resourceManager))
            << Errors();
        Manager().GetRootStruct("ms")->SetMidiOut(&out);
        Manager().GetRootStruct("midi")->SetMidiOut(&out);
        // Cells: buttons 30 x 20, "many" 16 x 12, the slider's knob 20 x 10.
        const std::map<std::string, CTevPoint> sizes{{"one", {30, 20}}, {"two", {30, 40}}, {"four", {30, 80}},
                                                     {"many", {16, 264}}, {"cap", {20, 10}}, {"keys", {200, 100}}};
        for (const auto& [name, size] : sizes)
            Bitmap(name)->imageSize = size;
    }
    void TearDown() override
    {
        if (CTevView* active = CTevView::GetActiveView())
            active->SetActive(false);
        CManagerTest::TearDown();
    }

    static CFakeStateBitmap* Bitmap(const std::string& name)
    {
        return static_cast<CFakeStateBitmap*>(Manager().m_resourceManager.m_bitmaps.FindByName(name));
    }
    static CFakeTextWriter* Writer()
    {
        return static_cast<CFakeTextWriter*>(Manager().m_resourceManager.m_textWriters.FindByName("font"));
    }
    static CTevValue* Value(const std::string& name) { return Manager().FindValue(name); }

    // Reads, creates and opens a control; null on failure, with the
    // messages in Errors(). Every attribute must be understood.
    template <class T>
    T* Make(CTevPairList attributes)
    {
        auto control = std::make_unique<T>();
        if (!control->ReadAttributes(attributes) || !control->Create(&panel))
            return nullptr;
        EXPECT_TRUE(attributes.empty()) << attributes.front().first;
        control->Open();
        forward.controls.push_back(control.get());
        controls.push_back(std::move(control));
        return static_cast<T*>(controls.back().get());
    }
    // The messages of a control that fails to read or create.
    template <class T>
    std::string Refusal(CTevPairList attributes)
    {
        ClearErrors();
        EXPECT_EQ(Make<T>(std::move(attributes)), nullptr);
        return Errors();
    }
    static bool Mouse(CTevView& view, int kind, CTevPoint point, int modifiers = 0)
    {
        CTevMouseInfo mouse(kind, point.x, point.y, modifiers);
        return view.OnMouse(mouse);
    }
    // Sets a value as the device does: stored, announced, broadcast.
    static void Receive(CTevValue* value, int32_t integer)
    {
        value->SetInteger(integer);
        Manager().NotifyValuesReceived({value});
        Manager().DispatchChanges();
        Manager().ClearChanges();
    }
    // The data bytes of every data set sent so far, then forgets them.
    std::vector<std::vector<uint8_t>> TakeSent()
    {
        std::vector<std::vector<uint8_t>> sent;
        for (const auto& dataSet : out.dataSets)
            sent.push_back(dataSet.data);
        out.dataSets.clear();
        return sent;
    }

    using Bytes = std::vector<std::vector<uint8_t>>;

    CFakeSystem clock;
    CForwardingViewManager forward;
    CRecordingOut out;
    CTestParentView panel{CTevPoint{1000, 2000}};
    CFakeTipBar* tip = nullptr;
    std::vector<std::unique_ptr<CTevControl>> controls;
};

} // namespace control_fixture

// The control base and the drag control on a hand-made drag control: value
// references, the four calls, invalidation and capture through the parent,
// the mouse routing with its key-operator notice, activation and the
// operators' set-active calls, closing, dumps.
#include "controls/TevControl.h"

#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include "support/ControlTestSupport.h"
#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(
<structType><type>Tone</type><name>tone</name>
  <value><name>a</name></value>
  <value><name>b</name><range>0,9</range><default>0</default></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>00 10</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Root</type></struct>
)";

// Records what the operators are told.
class CRecordingKeyOperator : public CTevKeyOperator {
public:
    CRecordingKeyOperator(CTevDragControl* control, std::vector<std::string>& log)
        : CTevKeyOperator(control), m_log(log)
    {
    }
    bool ReadAttributes(CTevPairList& attributes) override
    {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (it->first == "keys") {
                const bool ok = it->second == "ok";
                attributes.erase(it);
                return ok;
            }
        }
        return true;
    }
    bool Create() override { return true; }
    bool OnMouse(const CTevMouseInfo& mouse) override
    {
        m_log.push_back("key mouse " + std::to_string(mouse.kind));
        return false;
    }
    bool OnKey(const CTevKeyInfo& key) override
    {
        m_log.push_back("key " + std::to_string(key.code));
        return key.code == CTevKeyInfo::kUp;
    }
    bool OnTick(int) override { return false; }
    void SetActive(bool active) override { m_log.push_back(active ? "key active" : "key inactive"); }
    bool Serialize(CTevArchive&) override { return true; }

private:
    std::vector<std::string>& m_log;
};

class CRecordingTipBarOperator : public CTevTipBarOperator {
public:
    CRecordingTipBarOperator(CTevDragControl* control, std::vector<std::string>& log)
        : CTevTipBarOperator(control), m_log(log)
    {
    }
    int ReadAttributes(CTevPairList& attributes) override
    {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (it->first == "tip") {
                const int answer = std::stoi(it->second);
                attributes.erase(it);
                return answer;
            }
        }
        return kKeep;
    }
    bool Create() override { return true; }
    void SetActive(bool active) override { m_log.push_back(active ? "tip active" : "tip inactive"); }
    void showValueOnTipBar() override { m_log.push_back("tip value"); }
    bool Serialize(CTevArchive&) override { return true; }

private:
    std::vector<std::string>& m_log;
};

class CTestDragControl : public CTevDragControl {
public:
    void Draw(CTevDrawInfo&) override {}
    std::unique_ptr<CTevKeyOperator> CreateKeyOperator() override
    {
        return std::make_unique<CRecordingKeyOperator>(this, log);
    }
    std::unique_ptr<CTevTipBarOperator> CreateTipBarOperator() override
    {
        return std::make_unique<CRecordingTipBarOperator>(this, log);
    }
    void BeginDrag(CTevMouseInfo& mouse) override { log.push_back("begin " + std::to_string(mouse.x)); }
    void EndDrag(CTevMouseInfo& mouse) override { log.push_back("end " + std::to_string(mouse.x)); }
    void Drag(CTevMouseInfo& mouse) override { log.push_back("drag " + std::to_string(mouse.x)); }
    void Update() override { log.push_back("update"); }

    std::vector<std::string> log;
};

class ControlTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        Manager().GetRootStruct("ms")->SetMidiOut(&out);
        a = Manager().FindValue("ms.tone.a");
        b = Manager().FindValue("ms.tone.b");
        ASSERT_TRUE(a && b);
    }
    void TearDown() override
    {
        if (CTevView* active = CTevView::GetActiveView())
            active->SetActive(false);
        CManagerTest::TearDown();
    }
    std::unique_ptr<CTestDragControl> Make(CTevPairList attributes)
    {
        auto control = std::make_unique<CTestDragControl>();
        attributes.push_front({"position", "10,20"});
        attributes.push_front({"size", "30,40"});
        if (!control->ReadAttributes(attributes) || !control->Create(&parent))
            return nullptr;
        control->log.clear();
        return control;
    }
    static bool Mouse(CTevView& view, int kind, int x, int y)
    {
        CTevMouseInfo mouse(kind, x, y, 0);
        return view.OnMouse(mouse);
    }

    CFakeSystem clock;
    CRecordingMidiOut out;
    CTestParentView parent{CTevPoint{7, 9}};
    CTevValue* a = nullptr;
    CTevValue* b = nullptr;
};

using Log = std::vector<std::string>;

TEST_F(ControlTest, ReferencesInScriptOrderAndTheFourCalls)
{
    auto control = Make({{"valueRef", "ms.tone.b"}, {"name", "c"}, {"valueRef", "ms.tone.a"}, {"other", "x"}});
    ASSERT_NE(control, nullptr) << Errors();
    EXPECT_EQ(control->GetValue(-1), b);
    EXPECT_EQ(control->GetValue(1), a);
    EXPECT_EQ(control->GetRect(), (CTevRect{110, 70, 140, 110}));
    EXPECT_EQ(control->GetParent(), &parent);
    EXPECT_EQ(control->GetPath(), "main.c");
    EXPECT_EQ(control->GetTypeName(), "");
    EXPECT_EQ(control->ClientToScreen({1, 2}), (CTevPoint{8, 11}));

    // An index sends once; the same index again sends nothing.
    control->setValueIndex(4);
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].data, (std::vector<uint8_t>{4}));
    EXPECT_EQ(views.broadcasts, (std::vector<std::vector<CTevValue*>>{{b}}));
    EXPECT_TRUE(Manager().GetChanges().empty());
    control->setValueIndex(4);
    EXPECT_EQ(out.dataSets.size(), 1u);
    EXPECT_FALSE(CTevControl::SendValueIndex(nullptr, 1));

    // An integer always goes through all four calls.
    CTevControl::SendIntegerValue(a, 99);
    CTevControl::SendIntegerValue(a, 99);
    CTevControl::SendIntegerValue(nullptr, 1);
    ASSERT_EQ(out.dataSets.size(), 3u);
    EXPECT_EQ(out.dataSets[2].data, (std::vector<uint8_t>{99}));
    EXPECT_EQ(views.broadcasts.size(), 3u);
    EXPECT_TRUE(Manager().GetChanges().empty());

    // A values-changed call that concerns the control updates it and tells
    // the tip bar; one that doesn't, neither.
    EXPECT_TRUE(control->OnValuesChanged({a}));
    EXPECT_EQ(control->log, (Log{"update", "tip value"}));
    control->log.clear();
    EXPECT_FALSE(control->OnValuesChanged({}));
    EXPECT_TRUE(control->log.empty());

    // Open resolves, repaints through the parent and updates.
    parent.invalidated.clear();
    EXPECT_TRUE(control->Open());
    EXPECT_TRUE(control->IsOpen());
    EXPECT_EQ(parent.invalidated, (std::vector<CTevRect>{{110, 70, 140, 110}}));
    EXPECT_EQ(control->log, (Log{"update"}));

    CTevTextOutStringStream dump;
    control->Dump(dump);
    control->DumpName(dump);
    EXPECT_EQ(dump.str(), "    main.c, position=110 70, size=30 40, \n    main.c\n");
}

TEST_F(ControlTest, MouseRoutingWithCaptureAndActivation)
{
    auto control = Make({{"valueRef", "ms.tone.a"}});
    ASSERT_NE(control, nullptr) << Errors();

    EXPECT_FALSE(Mouse(*control, CTevMouseInfo::kButtonDown, 5, 5));
    EXPECT_FALSE(Mouse(*control, CTevMouseInfo::kMove, 120, 80)); // inside, no capture
    EXPECT_FALSE(Mouse(*control, CTevMouseInfo::kButtonUp, 120, 80));
    EXPECT_EQ(control->log, (Log{"key mouse 3", "key mouse 1"}));
    control->log.clear();

    EXPECT_TRUE(Mouse(*control, CTevMouseInfo::kButtonDown, 120, 80));
    EXPECT_TRUE(control->IsActive());
    EXPECT_TRUE(control->HasCapture());
    EXPECT_EQ(control->log, (Log{"key mouse 0", "key active", "tip active", "begin 120"}));
    control->log.clear();
    // Captured: moves and the release anywhere are the control's.
    EXPECT_TRUE(Mouse(*control, CTevMouseInfo::kMove, 900, 900));
    EXPECT_TRUE(Mouse(*control, CTevMouseInfo::kButtonUp, 901, 901));
    EXPECT_FALSE(control->HasCapture());
    EXPECT_EQ(parent.captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(control->log, (Log{"key mouse 3", "drag 900", "key mouse 1", "end 901"}));
    control->log.clear();
    // A second press on the active control does not activate it again.
    EXPECT_TRUE(Mouse(*control, CTevMouseInfo::kDoubleClick, 120, 80));
    EXPECT_EQ(control->log, (Log{"key mouse 2", "begin 120"}));

    // Keys go to the key operator.
    CTevKeyInfo up{CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, 0};
    CTevKeyInfo home{CTevKeyInfo::kKeyDown, CTevKeyInfo::kHome, 0};
    EXPECT_TRUE(control->OnKey(up));
    EXPECT_FALSE(control->OnKey(home));

    // Made inactive while captured: the capture goes, both operators hear.
    control->log.clear();
    control->SetActive(false);
    EXPECT_FALSE(control->HasCapture());
    EXPECT_EQ(parent.captures, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(control->log, (Log{"key inactive", "tip inactive"}));
}

TEST_F(ControlTest, ActivationMovesBetweenControlsAndCloseDeactivates)
{
    auto first = Make({});
    auto second = Make({});
    ASSERT_TRUE(first && second) << Errors();
    first->SetActive(true);
    second->SetActive(true);
    EXPECT_EQ(first->log, (Log{"key active", "tip active", "key inactive", "tip inactive"}));
    EXPECT_EQ(CTevView::GetActiveView(), second.get());

    // Closing an inactive control leaves the active one alone.
    first->log.clear();
    EXPECT_TRUE(first->Close());
    EXPECT_TRUE(first->log.empty());
    EXPECT_TRUE(second->IsActive());
    second->log.clear();
    EXPECT_TRUE(second->Close());
    EXPECT_FALSE(second->IsOpen());
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);
    EXPECT_EQ(second->log, (Log{"key inactive", "tip inactive"}));
}

TEST_F(ControlTest, OperatorReadingAndFailures)
{
    // A tip-bar operator that is not wanted is deleted; one that fails
    // fails the control; so does a key operator that fails.
    auto none = Make({{"tip", "1"}});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetTipBarOperator(), nullptr);
    EXPECT_NE(none->GetKeyOperator(), nullptr);
    EXPECT_FALSE(none->OnValuesChanged({a}));

    CTestDragControl failing;
    CTevPairList attributes{{"name", "x"}, {"tip", "0"}};
    EXPECT_FALSE(failing.ReadAttributes(attributes));
    EXPECT_EQ(failing.GetTipBarOperator(), nullptr);
    EXPECT_EQ(Errors(), "Unable to convert tip bar operator for drag control. : x\n");
    ClearErrors();
    CTevPairList keys{{"name", "y"}, {"keys", "bad"}, {"tip", "2"}};
    EXPECT_FALSE(failing.ReadAttributes(keys));
    EXPECT_EQ(failing.GetKeyOperator(), nullptr);
    EXPECT_EQ(Errors(), "Unable to convert key operator for drag control. : y\n");
    // Left for the unknown-tag report.
    EXPECT_EQ(keys, (CTevPairList{{"tip", "2"}}));

    ClearErrors();
    CTestDragControl unresolved;
    CTevPairList refs{{"name", "z"}, {"valueRef", "ms.tone.none"}};
    ASSERT_TRUE(unresolved.ReadAttributes(refs));
    EXPECT_FALSE(unresolved.Create(&parent));
    // The view failed before the parent was stored: the path is the name.
    EXPECT_EQ(Errors(), "Unable to convert value reference name ms.tone.none to value.\n"
                        "Unable to associate view z.\n"
                        "Unable to create control z.\n"
                        "Unable to create drag control. : z\n");
    EXPECT_EQ(unresolved.GetParent(), nullptr);
}

} // namespace

// The knob and its two companions on a model loaded from a script: the
// angle, index and bitmap-cell mapping, drags that send exactly the changes
// expected through the root's MIDI output, Ctrl-press to the default, the
// arrow keys with their repeat timing and focus time-out, and the tip bar.
#include "controls/TevKnob.h"

#include "controls/TevControl.h"
#include "controls/TevSingleKeyOperator.h"
#include "controls/TevTipBarOperator.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevValue.h"

#include "support/ControlTestSupport.h"
#include "support/FakeDrawing.h"
#include "support/FakeResources.h"
#include "support/ManagerTestSupport.h"
#include "support/MemoryArchive.h"
#include "support/ModelTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(
<numberTable><name>steps</name><table>10,20,40</table></numberTable>
<stringTable><name>waves</name><table>Saw,Square,Tri</table></stringTable>
<bitmap><name>strip</name><stateCount>51</stateCount></bitmap>
<structType><type>Tone</type><name>tone</name>
  <value><name>level</name></value>
  <value><name>wave</name><numberTableRef>steps</numberTableRef><default>20</default></value>
  <value><name>odd</name><numberTableRef>steps</numberTableRef><default>30</default></value>
  <value><name>pan</name><range>0,14</range><default>7</default></value>
  <value><name>flag</name><range>0,1</range><default>0</default></value>
  <value><name>single</name><range>5,5</range><default>5</default></value>
  <value><name>label</name><type>string</type><size>04</size></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Root</type></struct>
)";

const int32_t kBase = 0x10 << 14;
const int32_t kCell = 40; // the strip's cells are 40 x 40

class KnobTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        auto factory = std::make_unique<CFakeResourceFactory>();
        factory->bitmapImageSize = {kCell, kCell * 51};
        Manager().m_resourceManager.SetFactory(std::move(factory));
        auto tipBar = std::make_unique<CFakeTipBar>();
        tip = tipBar.get();
        Manager().SetTipBar(std::move(tipBar));

        std::istringstream stream(kScript);
        ASSERT_TRUE(Manager().ReadScript(stream) && Manager().m_resourceManager.Create() &&
                    Manager().CreateFromDefinitions(&forward, &Manager().m_resourceManager))
            << Errors();
        ITevRootStruct* root = Manager().GetRootStruct("ms");
        ASSERT_NE(root, nullptr);
        root->SetMidiOut(&out);
        level = Manager().FindValue("ms.tone.level");
        wave = Manager().FindValue("ms.tone.wave");
        odd = Manager().FindValue("ms.tone.odd");
        pan = Manager().FindValue("ms.tone.pan");
        flag = Manager().FindValue("ms.tone.flag");
        ASSERT_TRUE(level && wave && odd && pan && flag);
        strip = static_cast<CFakeStateBitmap*>(Manager().m_resourceManager.m_bitmaps.FindByName("strip"));
        ASSERT_NE(strip, nullptr);
    }
    void TearDown() override
    {
        // No knob may stay the process's active view.
        CTevView* active = CTevView::GetActiveView();
        if (active)
            active->SetActive(false);
        CManagerTest::TearDown();
    }

    // Reads and creates a knob at (10, 20) in the panel, with the given
    // extra attributes; null (with the messages in Errors()) on failure.
    CTevKnobControl* MakeKnob(const std::string& name, std::initializer_list<CTevPair> extra)
    {
        auto knob = std::make_unique<CTevKnobControl>();
        CTevPairList attributes{{"name", name}, {"position", "10,20"}, {"size", "5,5"}, {"bitmapRef", "strip"}};
        attributes.insert(attributes.end(), extra.begin(), extra.end());
        if (!knob->ReadAttributes(attributes) || !knob->Create(&panel))
            return nullptr;
        EXPECT_TRUE(attributes.empty());
        knob->Open();
        forward.controls.push_back(knob.get());
        knobs.push_back(std::move(knob));
        return knobs.back().get();
    }

    // A point far from the centre of a 40 x 40 knob at (110, 70), half a
    // degree past the given angle so that truncation gives the angle itself.
    static CTevPoint PointAt(double degrees, double radius = 10000)
    {
        const double radians = (degrees + 0.5) / 57.29577951308232;
        return CTevPoint{static_cast<int32_t>(std::lround(130 - radius * std::sin(radians))),
                         static_cast<int32_t>(std::lround(90 + radius * std::cos(radians)))};
    }
    static CTevMouseInfo Mouse(int kind, const CTevPoint& point, int modifiers = 0)
    {
        return CTevMouseInfo(kind, point.x, point.y, modifiers);
    }
    static bool Press(CTevKnobControl& knob, const CTevPoint& point, int modifiers = 0)
    {
        CTevMouseInfo mouse = Mouse(CTevMouseInfo::kButtonDown, point, modifiers);
        return knob.OnMouse(mouse);
    }
    static bool MoveTo(CTevKnobControl& knob, const CTevPoint& point)
    {
        CTevMouseInfo mouse = Mouse(CTevMouseInfo::kMove, point);
        return knob.OnMouse(mouse);
    }
    static bool Release(CTevKnobControl& knob, const CTevPoint& point)
    {
        CTevMouseInfo mouse = Mouse(CTevMouseInfo::kButtonUp, point);
        return knob.OnMouse(mouse);
    }
    static bool Key(CTevKnobControl& knob, int kind, int code, int modifiers = 0)
    {
        CTevKeyInfo key;
        key.kind = kind;
        key.code = code;
        key.modifiers = modifiers;
        return knob.OnKey(key);
    }
    // Sets a value as the device would, without sending anything.
    void SetQuietly(CTevValue* value, int32_t integer)
    {
        value->SetInteger(integer);
        for (auto& knob : knobs)
            knob->Update();
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
    int32_t Address(const CTevValue* value) const { return kBase + value->GetRange().begin; }
    // The bitmap cell the knob draws now.
    int32_t DrawnCell(CTevKnobControl& knob)
    {
        strip->cells.clear();
        CFakeDrawInfo everything;
        knob.Draw(everything);
        EXPECT_EQ(strip->cells.size(), 1u);
        return strip->cells.empty() ? -1 : strip->cells.back().sourceY / kCell;
    }

    using Sent = std::vector<std::vector<uint8_t>>;

    CFakeSystem clock;
    CForwardingViewManager forward;
    CRecordingMidiOut out;
    CTestParentView panel{CTevPoint{1000, 2000}};
    CFakeTipBar* tip = nullptr;
    CFakeStateBitmap* strip = nullptr;
    CTevValue* level = nullptr;
    CTevValue* wave = nullptr;
    CTevValue* odd = nullptr;
    CTevValue* pan = nullptr;
    CTevValue* flag = nullptr;
    std::vector<std::unique_ptr<CTevKnobControl>> knobs;
};

// ---------------------------------------------------------------------------
// Geometry and mapping
// ---------------------------------------------------------------------------

TEST_F(KnobTest, CreationSizesTheKnobToOneCellAndSetRectKeepsIt)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    EXPECT_EQ(knob->GetRect(), (CTevRect{110, 70, 150, 110}));
    EXPECT_EQ(knob->GetPath(), "main.k");
    EXPECT_EQ(strip->GetReferenceCount(), 1);
    EXPECT_EQ(knob->GetTypeName(), "knob");

    knob->SetRect({200, 100, 210, 300});
    EXPECT_EQ(knob->GetRect(), (CTevRect{200, 100, 240, 140}));
    // Invalidation goes to the panel with the knob's own rect.
    panel.invalidated.clear();
    knob->Invalidate(nullptr);
    EXPECT_EQ(panel.invalidated, (std::vector<CTevRect>{{200, 100, 240, 140}}));
}

TEST_F(KnobTest, AngleOfPointAboutTheCentre)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    // Centre (130, 90).
    EXPECT_EQ(knob->angleOfPoint({130, 90}), 270);
    EXPECT_EQ(knob->angleOfPoint({131, 90}), 270);
    EXPECT_EQ(knob->angleOfPoint({129, 90}), 90);
    EXPECT_EQ(knob->angleOfPoint({130, 95}), 0);
    EXPECT_EQ(knob->angleOfPoint({130, 85}), 180);
    EXPECT_EQ(knob->angleOfPoint({120, 100}), 45);   // below left
    EXPECT_EQ(knob->angleOfPoint({140, 100}), 315);  // below right
    for (int degrees : {0, 1, 29, 30, 90, 179, 180, 181, 270, 330, 359})
        EXPECT_EQ(knob->angleOfPoint(PointAt(degrees)), degrees) << degrees;
}

TEST_F(KnobTest, AngleToIndexToCell)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    EXPECT_EQ(knob->GetStepCount(), 128);
    EXPECT_EQ(knob->angleToIndex(0), 0);
    EXPECT_EQ(knob->angleToIndex(30), 0);
    EXPECT_EQ(knob->angleToIndex(180), 64);
    EXPECT_EQ(knob->angleToIndex(330), 127);
    EXPECT_EQ(knob->angleToIndex(359), 127);
    EXPECT_EQ(knob->angleToIndex(170), 59);
    SetQuietly(level, 17);
    EXPECT_EQ(knob->angleToIndex(-1), 17); // a negative angle keeps the index

    // 51 cells for 128 steps: index 64 shows cell 25, the ends the end cells.
    EXPECT_EQ(knob->indexToFrame(64), 25);
    EXPECT_EQ(knob->indexToFrame(0), 0);
    EXPECT_EQ(knob->indexToFrame(127), 50);
    EXPECT_EQ(knob->indexToFrame(500), 50);
    EXPECT_EQ(knob->indexToFrame(-9), 0);

    // The drawn cell follows the value, at the knob's corner.
    SetQuietly(level, 64);
    EXPECT_EQ(DrawnCell(*knob), 25);
    EXPECT_EQ(strip->cells.back().position, (CTevPoint{110, 70}));
    EXPECT_EQ(strip->cells.back().size, (CTevPoint{kCell, kCell}));
    SetQuietly(level, 127);
    EXPECT_EQ(DrawnCell(*knob), 50);

    // Nothing is drawn outside the update area.
    strip->cells.clear();
    CFakeDrawInfo elsewhere({{300, 300, 310, 310}});
    knob->Draw(elsewhere);
    EXPECT_TRUE(strip->cells.empty());

    // A narrower range maps the same angles to other indices.
    CTevKnobControl* narrow = MakeKnob("n", {{"valueRef", "ms.tone.pan"}, {"angleRange", "90,270"}});
    ASSERT_NE(narrow, nullptr) << Errors();
    EXPECT_EQ(narrow->angleToIndex(90), 0);
    EXPECT_EQ(narrow->angleToIndex(180), 7);
    EXPECT_EQ(narrow->angleToIndex(45), 0);
    EXPECT_EQ(narrow->angleToIndex(300), 14);
    // 15 steps on 51 cells.
    EXPECT_EQ(narrow->indexToFrame(7), 25);
    EXPECT_EQ(narrow->indexToFrame(1), 4);
}

// ---------------------------------------------------------------------------
// Dragging
// ---------------------------------------------------------------------------

TEST_F(KnobTest, DragSendsEachChangedIndexOnce)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    ASSERT_EQ(level->GetInteger(), 64);

    // A press outside the knob is refused; one inside activates and
    // captures, and sends nothing yet.
    EXPECT_FALSE(Press(*knob, {200, 200}));
    EXPECT_FALSE(knob->IsActive());
    EXPECT_TRUE(Press(*knob, {125, 100}));
    EXPECT_TRUE(knob->IsActive());
    EXPECT_TRUE(knob->HasCapture());
    EXPECT_EQ(panel.captures, (std::vector<bool>{true}));
    EXPECT_TRUE(out.dataSets.empty());

    // Angle 180 is index 64, the current one: nothing.
    EXPECT_TRUE(MoveTo(*knob, PointAt(180)));
    EXPECT_TRUE(out.dataSets.empty());
    // Angle 170: index 59, sent at once and shown.
    EXPECT_TRUE(MoveTo(*knob, PointAt(170)));
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].address, Address(level));
    EXPECT_EQ(TakeSent(), (Sent{{59}}));
    EXPECT_EQ(level->GetInteger(), 59);
    EXPECT_EQ(knob->GetFrame(), 23);
    EXPECT_EQ(DrawnCell(*knob), 23);
    EXPECT_EQ(forward.broadcasts.size(), 1u);
    // The same point again, and another point at the same angle: nothing.
    EXPECT_TRUE(MoveTo(*knob, PointAt(170)));
    EXPECT_TRUE(MoveTo(*knob, PointAt(170, 5000)));
    EXPECT_TRUE(out.dataSets.empty());
    // Angle 200: index 72.
    EXPECT_TRUE(MoveTo(*knob, PointAt(200)));
    EXPECT_EQ(TakeSent(), (Sent{{72}}));
    EXPECT_EQ(Manager().GetChanges().size(), 0u);

    // The release far outside still ends the drag: the knob holds the
    // capture.
    EXPECT_TRUE(Release(*knob, {900, 900}));
    EXPECT_FALSE(knob->HasCapture());
    EXPECT_EQ(panel.captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(CTevKnobControl::GetLastDragPosition(), CTevKnobControl::kNoPosition);
    // Without the capture, moves and releases are not the knob's.
    EXPECT_FALSE(MoveTo(*knob, PointAt(100)));
    EXPECT_FALSE(MoveTo(*knob, {130, 80}));
    EXPECT_FALSE(Release(*knob, {130, 80}));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_EQ(level->GetInteger(), 72);
}

TEST_F(KnobTest, MovesAcrossTheGapAreIgnoredUntilThePointerIsBack)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    EXPECT_TRUE(Press(*knob, PointAt(300, 10)));
    EXPECT_TRUE(MoveTo(*knob, PointAt(350)));
    EXPECT_EQ(TakeSent(), (Sent{{127}}));
    // From 350 across the bottom to 10, then to 100: both over 180 degrees
    // from the last accepted point.
    EXPECT_TRUE(MoveTo(*knob, PointAt(10)));
    EXPECT_TRUE(MoveTo(*knob, PointAt(100)));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_EQ(level->GetInteger(), 127);
    // Within 180 degrees of 350 again.
    EXPECT_TRUE(MoveTo(*knob, PointAt(200)));
    EXPECT_EQ(TakeSent(), (Sent{{72}}));
    EXPECT_TRUE(Release(*knob, PointAt(200)));
}

TEST_F(KnobTest, CtrlPressSetsTheDefaultOnceAndEndsTheDrag)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    SetQuietly(level, 10);

    EXPECT_TRUE(Press(*knob, {125, 100}, CTevMouseInfo::kCtrl));
    EXPECT_EQ(TakeSent(), (Sent{{64}}));
    EXPECT_EQ(knob->GetFrame(), 25);
    EXPECT_TRUE(knob->IsActive());
    EXPECT_FALSE(knob->HasCapture());
    EXPECT_EQ(panel.captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(CTevKnobControl::GetLastDragPosition(), CTevKnobControl::kNoPosition);
    // The button up that follows is not the end of a drag, nor are moves.
    EXPECT_FALSE(MoveTo(*knob, PointAt(300)));
    EXPECT_FALSE(Release(*knob, {125, 100}));
    // Already at the default: nothing is sent.
    EXPECT_TRUE(Press(*knob, {125, 100}, CTevMouseInfo::kCtrl));
    EXPECT_TRUE(out.dataSets.empty());

    // Ctrl with Shift is an ordinary press: a drag begins, nothing is set.
    SetQuietly(level, 10);
    EXPECT_TRUE(Press(*knob, {125, 100}, CTevMouseInfo::kCtrl | CTevMouseInfo::kShift));
    EXPECT_TRUE(knob->HasCapture());
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(MoveTo(*knob, PointAt(180)));
    EXPECT_EQ(TakeSent(), (Sent{{64}}));
    EXPECT_TRUE(Release(*knob, PointAt(180)));

    // A double click without Ctrl acts as a press; with Ctrl it sets the
    // default.
    SetQuietly(level, 10);
    CTevMouseInfo twice = Mouse(CTevMouseInfo::kDoubleClick, {125, 100});
    EXPECT_TRUE(knob->OnMouse(twice));
    EXPECT_TRUE(knob->HasCapture());
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(Release(*knob, {125, 100}));
    CTevMouseInfo ctrlTwice = Mouse(CTevMouseInfo::kDoubleClick, {125, 100}, CTevMouseInfo::kCtrl);
    EXPECT_TRUE(knob->OnMouse(ctrlTwice));
    EXPECT_EQ(TakeSent(), (Sent{{64}}));
    EXPECT_FALSE(knob->HasCapture());
}

TEST_F(KnobTest, CtrlPressWithADefaultOutsideTheNumberTableChangesNothing)
{
    // wave: table 10, 20, 40 with default 20 (index 1); odd: the same table
    // with default 30, which has no index in it.
    CTevKnobControl* waveKnob = MakeKnob("w", {{"valueRef", "ms.tone.wave"}});
    CTevKnobControl* oddKnob = MakeKnob("o", {{"valueRef", "ms.tone.odd"}});
    ASSERT_TRUE(waveKnob && oddKnob) << Errors();
    SetQuietly(wave, 40);
    SetQuietly(odd, 40);

    EXPECT_TRUE(Press(*waveKnob, {125, 100}, CTevMouseInfo::kCtrl));
    EXPECT_EQ(TakeSent(), (Sent{{20}}));
    EXPECT_EQ(wave->GetIndex(), 1);

    EXPECT_TRUE(Press(*oddKnob, {125, 100}, CTevMouseInfo::kCtrl));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_EQ(odd->GetInteger(), 40);
    EXPECT_TRUE(Manager().GetChanges().empty());
    // The press still ends there, as every Ctrl-press does.
    EXPECT_FALSE(oddKnob->HasCapture());
    EXPECT_TRUE(oddKnob->IsActive());
}

// ---------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------

TEST_F(KnobTest, ArrowKeysStepWithRepeatTiming)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    EXPECT_TRUE(Press(*knob, {125, 100}));
    EXPECT_TRUE(Release(*knob, {125, 100}));
    TakeSent();

    // First step at once.
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp));
    EXPECT_EQ(TakeSent(), (Sent{{65}}));
    // Ticks before 200 ms take no step; at 200, 250 and 300 one each.
    for (int t = 50; t < 200; t += 50) {
        clock.Advance(50);
        EXPECT_FALSE(knob->OnTick(0));
    }
    EXPECT_TRUE(out.dataSets.empty());
    clock.Advance(49);
    knob->OnTick(0);
    EXPECT_TRUE(out.dataSets.empty());
    clock.Advance(1); // 200
    knob->OnTick(0);
    EXPECT_EQ(TakeSent(), (Sent{{66}}));
    clock.Advance(30); // 230
    knob->OnTick(0);
    EXPECT_TRUE(out.dataSets.empty());
    clock.Advance(20); // 250
    knob->OnTick(0);
    EXPECT_EQ(TakeSent(), (Sent{{67}}));
    clock.Advance(49); // 299
    knob->OnTick(0);
    EXPECT_TRUE(out.dataSets.empty());
    clock.Advance(1); // 300
    knob->OnTick(0);
    EXPECT_EQ(TakeSent(), (Sent{{68}}));
    // A late tick takes one step, and the next is due 50 ms after it.
    clock.Advance(80); // 380
    knob->OnTick(0);
    clock.Advance(49); // 429
    knob->OnTick(0);
    EXPECT_EQ(TakeSent(), (Sent{{69}}));
    clock.Advance(1); // 430
    knob->OnTick(0);
    EXPECT_EQ(TakeSent(), (Sent{{70}}));

    // The key-up of any arrow ends the repeat at once.
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kLeft));
    clock.Advance(50);
    knob->OnTick(0);
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(knob->IsActive());

    // Down and Left step down; Home and other keys are not the operator's.
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kLeft));
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kLeft));
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kDown));
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kDown));
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kRight));
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kRight));
    EXPECT_EQ(TakeSent(), (Sent{{69}, {68}, {69}}));
    EXPECT_FALSE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kHome));
    EXPECT_FALSE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kHome));
    EXPECT_FALSE(Key(*knob, CTevKeyInfo::kKeyDown, 'A'));
    EXPECT_TRUE(out.dataSets.empty());
}

TEST_F(KnobTest, ShiftStepsByHalfTheStepsAtMostTenAndEndsAreClamped)
{
    CTevKnobControl* big = MakeKnob("big", {{"valueRef", "ms.tone.level"}});
    CTevKnobControl* mid = MakeKnob("mid", {{"valueRef", "ms.tone.pan"}});
    CTevKnobControl* two = MakeKnob("two", {{"valueRef", "ms.tone.flag"}});
    ASSERT_TRUE(big && mid && two) << Errors();
    const int kShift = CTevKeyInfo::kShift;
    const int kCtrl = CTevKeyInfo::kCtrl;

    EXPECT_TRUE(Key(*big, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, kShift));
    EXPECT_TRUE(Key(*big, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, kCtrl)); // Ctrl changes nothing
    EXPECT_EQ(TakeSent(), (Sent{{74}, {75}}));

    SetQuietly(pan, 0);
    EXPECT_TRUE(Key(*mid, CTevKeyInfo::kKeyDown, CTevKeyInfo::kRight, kShift));
    EXPECT_TRUE(Key(*mid, CTevKeyInfo::kKeyDown, CTevKeyInfo::kRight, kShift));
    EXPECT_TRUE(Key(*mid, CTevKeyInfo::kKeyDown, CTevKeyInfo::kRight, kShift)); // 21, clamped to 14
    EXPECT_TRUE(Key(*mid, CTevKeyInfo::kKeyDown, CTevKeyInfo::kRight, kShift)); // at the end
    EXPECT_EQ(TakeSent(), (Sent{{7}, {14}}));

    EXPECT_TRUE(Key(*two, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, kShift));
    EXPECT_EQ(TakeSent(), (Sent{{1}}));

    // Holding Down at index 0 sends nothing, neither at once nor on repeat.
    SetQuietly(level, 0);
    big->SetActive(true);
    EXPECT_TRUE(Key(*big, CTevKeyInfo::kKeyDown, CTevKeyInfo::kDown));
    for (int i = 0; i < 10; ++i) {
        clock.Advance(50);
        big->OnTick(0);
    }
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(Manager().GetChanges().empty());
}

TEST_F(KnobTest, KeyFocusIsDroppedAfterFourSecondsWithoutInput)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();

    // Clicked once and left alone.
    EXPECT_TRUE(Press(*knob, {125, 100}));
    clock.Advance(10);
    EXPECT_TRUE(Release(*knob, {125, 100})); // the idle time starts here
    EXPECT_TRUE(tip->m_visible);
    clock.Advance(3999);
    knob->OnTick(0);
    EXPECT_TRUE(knob->IsActive());
    clock.Advance(1);
    knob->OnTick(0);
    EXPECT_FALSE(knob->IsActive());
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);
    EXPECT_FALSE(tip->m_visible);

    // Held in a drag for longer, it stays active; the idle time starts at
    // the release.
    EXPECT_TRUE(Press(*knob, {125, 100}));
    clock.Advance(6000);
    knob->OnTick(0);
    EXPECT_TRUE(knob->IsActive());
    EXPECT_TRUE(MoveTo(*knob, PointAt(170)));
    clock.Advance(100);
    EXPECT_TRUE(Release(*knob, PointAt(170)));
    clock.Advance(3999);
    knob->OnTick(0);
    EXPECT_TRUE(knob->IsActive());
    clock.Advance(1);
    knob->OnTick(0);
    EXPECT_FALSE(knob->IsActive());

    // Holding an arrow keeps the focus; its key-up starts the idle time.
    knob->SetActive(true);
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp));
    for (int i = 0; i < 100; ++i) { // 5000 ms of repeats
        clock.Advance(50);
        knob->OnTick(0);
    }
    EXPECT_TRUE(knob->IsActive());
    EXPECT_EQ(level->GetInteger(), 127);
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyUp, CTevKeyInfo::kUp));
    clock.Advance(3999);
    knob->OnTick(0);
    EXPECT_TRUE(knob->IsActive());
    clock.Advance(1);
    knob->OnTick(0);
    EXPECT_FALSE(knob->IsActive());

    // An inactive knob ignores ticks altogether.
    const size_t sent = out.dataSets.size();
    clock.Advance(10000);
    EXPECT_FALSE(knob->OnTick(0));
    EXPECT_EQ(out.dataSets.size(), sent);
}

TEST_F(KnobTest, AnotherKnobTakingTheFocusStopsTheFirstOnesRepeat)
{
    CTevKnobControl* first = MakeKnob("a", {{"valueRef", "ms.tone.level"}});
    CTevKnobControl* second = MakeKnob("b", {{"valueRef", "ms.tone.pan"}, {"position", "60,20"}});
    ASSERT_TRUE(first && second) << Errors();
    first->SetActive(true);
    EXPECT_TRUE(Key(*first, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp));
    TakeSent();
    second->SetActive(true);
    EXPECT_FALSE(first->IsActive());
    auto* firstKeys = static_cast<CTevSingleKeyOperator*>(first->GetKeyOperator());
    EXPECT_EQ(firstKeys->GetStep(), 0);
    clock.Advance(500);
    first->OnTick(0);
    second->OnTick(0);
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(second->IsActive());
}

// ---------------------------------------------------------------------------
// Tip bar
// ---------------------------------------------------------------------------

TEST_F(KnobTest, TipBarShowsTheActiveKnobsValueOnly)
{
    CTevKnobControl* plain = MakeKnob("plain", {{"valueRef", "ms.tone.level"}});
    CTevKnobControl* offset = MakeKnob("offset", {{"valueRef", "ms.tone.pan"}, {"offsetValue", "-7"}});
    CTevKnobControl* named = MakeKnob("named", {{"valueRef", "ms.tone.wave"}, {"stringTableRef", "waves"}});
    ASSERT_TRUE(plain && offset && named) << Errors();
    EXPECT_FALSE(tip->m_visible);

    // Becoming active shows the bar below the knob, in screen coordinates.
    EXPECT_TRUE(Press(*plain, {125, 100}));
    EXPECT_TRUE(tip->m_visible);
    EXPECT_TRUE(tip->m_dirty);
    EXPECT_EQ(tip->m_anchor, (CTevPoint{1110, 2110}));
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"64"}));
    tip->m_dirty = false;
    // A change of the active knob's value rewrites the text.
    EXPECT_TRUE(MoveTo(*plain, PointAt(170)));
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"59"}));
    EXPECT_TRUE(tip->m_dirty);
    EXPECT_TRUE(Release(*plain, PointAt(170)));
    EXPECT_EQ(TakeSent(), (Sent{{59}}));

    // A change of another knob's value (from the device, say) leaves the
    // active knob's text alone.
    tip->m_dirty = false;
    pan->SetInteger(3);
    ASSERT_TRUE(Manager().NotifyValuesReceived({pan}));
    Manager().DispatchChanges();
    Manager().ClearChanges();
    EXPECT_EQ(offset->GetFrame(), offset->indexToFrame(3)); // the knob itself did update
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"59"}));
    EXPECT_FALSE(tip->m_dirty);
    EXPECT_TRUE(tip->m_visible);
    EXPECT_TRUE(out.dataSets.empty()); // received values are not sent back

    // The offset is added to the number shown.
    offset->SetActive(true);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"-4"}));
    EXPECT_TRUE(tip->m_visible);
    // A string table shows the entry at the value's index, clamped.
    named->SetActive(true);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"Square"}));
    EXPECT_TRUE(Key(*named, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp));
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"Tri"}));
    SetQuietly(wave, 30); // not in the number table
    EXPECT_EQ(static_cast<CTevSingleTipBarOperator*>(named->GetTipBarOperator())->GetValueText(), "Tri");

    // Inactive, the bar hides; closing the active knob does the same.
    named->SetActive(false);
    EXPECT_FALSE(tip->m_visible);
    plain->SetActive(true);
    EXPECT_TRUE(tip->m_visible);
    EXPECT_TRUE(plain->Close());
    EXPECT_FALSE(plain->IsActive());
    EXPECT_FALSE(tip->m_visible);
}

TEST_F(KnobTest, TipBarAttributes)
{
    CTevKnobControl* without = MakeKnob("none", {{"valueRef", "ms.tone.level"}, {"useTipBar", "0"}});
    ASSERT_NE(without, nullptr) << Errors();
    EXPECT_EQ(without->GetTipBarOperator(), nullptr);
    EXPECT_NE(without->GetKeyOperator(), nullptr);
    EXPECT_TRUE(Press(*without, {125, 100}));
    EXPECT_TRUE(MoveTo(*without, PointAt(170)));
    EXPECT_TRUE(Release(*without, PointAt(170)));
    EXPECT_FALSE(tip->m_visible);
    EXPECT_TRUE(tip->m_lines.empty());

    // "useTipBar" 0 still checks the other tip-bar attributes.
    EXPECT_EQ(MakeKnob("bad", {{"valueRef", "ms.tone.level"}, {"useTipBar", "0"}, {"stringTableRef", "nope"}}),
              nullptr);
    EXPECT_NE(Errors().find("Unable to find string table for tip bar. : bad : nope\n"), std::string::npos);
    EXPECT_NE(Errors().find("Unable to convert tip bar operator for drag control. : bad\n"), std::string::npos);
    ClearErrors();
    EXPECT_EQ(MakeKnob("two", {{"valueRef", "ms.tone.level"}, {"useTipBar", "2"}}), nullptr);
    EXPECT_NE(Errors().find("Use tip bar value must be 0 or 1. : two : 2\n"), std::string::npos);
    ClearErrors();
    EXPECT_EQ(MakeKnob("abc", {{"valueRef", "ms.tone.level"}, {"useTipBar", "abc"}}), nullptr);
    EXPECT_NE(Errors().find("Use tip bar description is invalid. : abc : abc\n"), std::string::npos);
    ClearErrors();
    EXPECT_EQ(MakeKnob("off", {{"valueRef", "ms.tone.level"}, {"offsetValue", "x"}}), nullptr);
    EXPECT_NE(Errors().find("Offset value is invalid for tip bar. : off : x\n"), std::string::npos);
    ClearErrors();

    // A string table on a string value fails at creation (the knob's own
    // integer check comes after its operators').
    EXPECT_EQ(MakeKnob("text", {{"valueRef", "ms.tone.label"}, {"stringTableRef", "waves"}}), nullptr);
    EXPECT_NE(Errors().find("Referred value type must be integer when string table is referred for tip bar. : "
                            "main.text\n"),
              std::string::npos);
    EXPECT_NE(Errors().find("Unable to create tip bar operator for drag control. : main.text\n"),
              std::string::npos);
    EXPECT_NE(Errors().find("Unable to create knob. : main.text\n"), std::string::npos);
}

TEST_F(KnobTest, TipBarOfAControlWithoutAValueReadsNoTable)
{
    auto knob = std::make_unique<CTevKnobControl>();
    CTevPairList attributes{{"name", "lost"}, {"bitmapRef", "strip"}, {"stringTableRef", "waves"}};
    ASSERT_TRUE(knob->ReadAttributes(attributes)) << Errors();
    // The missing reference is the knob's message, not the tip bar's.
    EXPECT_FALSE(knob->Create(&panel));
    EXPECT_EQ(Errors(), "Value references are necessary for knob. : main.lost.\n");

    auto* tipOperator = static_cast<CTevSingleTipBarOperator*>(knob->GetTipBarOperator());
    ASSERT_NE(tipOperator, nullptr);
    EXPECT_EQ(tipOperator->GetValueText(), "");
    knob->SetActive(true);
    EXPECT_TRUE(tip->m_visible);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{""}));
    // Nor does the key operator find anything to step.
    EXPECT_TRUE(Key(*knob, CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp));
    EXPECT_TRUE(out.dataSets.empty());
    knob->SetActive(false);
}

// ---------------------------------------------------------------------------
// Reading and creating
// ---------------------------------------------------------------------------

TEST_F(KnobTest, ReadingAndCreatingFailures)
{
    struct SCase {
        std::vector<CTevPair> pairs;
        std::string message;
    };
    const std::vector<SCase> cases = {
        {{{"valueRef", "ms.tone.level"}, {"angleRange", "200,100"}},
         "Angle max must be greater than angle min for knob. : k : 200,100\n"},
        {{{"valueRef", "ms.tone.level"}, {"angleRange", "200"}}, "Angle range is invalid for knob. : k : 200\n"},
        {{{"valueRef", "ms.tone.level"}, {"bitmapRef", "nothing"}},
         "Unable to find bitmap for knob. : k : nothing\n"},
        {{{"valueRef", "ms.tone.single"}}, "Referred value range must be greater than 1 for knob. : main.k\n"},
        {{{"valueRef", "ms.tone.label"}}, "Referred value must be integer for knob. : main.k\n"},
        // Creation failed before the parent was stored: the control alone.
        {{{"valueRef", "ms.tone.nothing"}}, "Unable to create drag control. : k\nUnable to create knob. : k\n"},
    };
    for (const SCase& c : cases) {
        ClearErrors();
        auto knob = std::make_unique<CTevKnobControl>();
        CTevPairList attributes{{"name", "k"}, {"bitmapRef", "strip"}};
        attributes.insert(attributes.end(), c.pairs.begin(), c.pairs.end());
        const bool ok = knob->ReadAttributes(attributes) && knob->Create(&panel);
        EXPECT_FALSE(ok) << c.message;
        EXPECT_NE(Errors().find(c.message), std::string::npos) << Errors();
    }

    ClearErrors();
    auto noBitmap = std::make_unique<CTevKnobControl>();
    CTevPairList attributes{{"name", "k"}, {"valueRef", "ms.tone.level"}, {"other", "1"}};
    EXPECT_FALSE(noBitmap->ReadAttributes(attributes));
    EXPECT_EQ(Errors(), "There is no bitmap reference for knob. : k.\n");
    // Unknown pairs stay for the panel's report.
    EXPECT_EQ(attributes, (CTevPairList{{"other", "1"}}));

    ClearErrors();
    strip->failLoad = true;
    strip->Release(); // nobody holds it now, so the next acquire loads
    EXPECT_EQ(MakeKnob("k", {{"valueRef", "ms.tone.level"}}), nullptr);
    EXPECT_EQ(Errors(), "Unable to create bitmap for knob. : main.k\n");
}

TEST_F(KnobTest, TwoValueReferencesInScriptOrderAndTheFirstIsUsed)
{
    CTevKnobControl* knob = MakeKnob("k", {{"valueRef", "ms.tone.pan"}, {"valueRef", "ms.tone.level"}});
    ASSERT_NE(knob, nullptr) << Errors();
    ASSERT_EQ(knob->GetValueRefCount(), 2);
    EXPECT_EQ(knob->GetValue(-1), pan);
    EXPECT_EQ(knob->GetValue(0), pan);
    EXPECT_EQ(knob->GetValue(1), level);
    EXPECT_EQ(knob->GetStepCount(), 15);
}

// ---------------------------------------------------------------------------
// Serialising
// ---------------------------------------------------------------------------

TEST_F(KnobTest, SerialiseRoundTripKeepsOperatorsAndAttributes)
{
    CTevKnobControl* knob = MakeKnob(
        "k", {{"valueRef", "ms.tone.wave"}, {"angleRange", "45,315"}, {"stringTableRef", "waves"}, {"offsetValue", "3"}});
    CTevKnobControl* bare = MakeKnob("b", {{"valueRef", "ms.tone.level"}, {"useTipBar", "0"}});
    ASSERT_TRUE(knob && bare) << Errors();
    CTevStringTable* waves = Manager().m_resourceManager.m_stringTables.FindByName("waves");

    // The objects the knob refers to are registered by their owners'
    // serialisation; here directly, in the same order in both directions.
    auto with = [&](CTevKnobControl& target) {
        return [&, self = &target](CTevArchive& archive) {
            archive.RegisterObject(static_cast<CTevView*>(&panel));
            archive.RegisterObject(wave);
            archive.RegisterObject(level);
            archive.RegisterObject(static_cast<CTevStateBitmap*>(strip));
            archive.RegisterObject(waves);
            return self->Serialize(archive);
        };
    };
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(TevSaveGraph(with(*knob), bytes));
    CTevKnobControl loaded;
    ASSERT_TRUE(TevLoadGraph(with(loaded), bytes));
    EXPECT_EQ(loaded.GetName(), "k");
    EXPECT_EQ(loaded.GetRect(), knob->GetRect());
    EXPECT_EQ(loaded.GetParent(), &panel);
    EXPECT_EQ(loaded.GetValue(-1), wave);
    EXPECT_EQ(loaded.GetBitmap(), strip);
    EXPECT_EQ(loaded.GetAngleMin(), 45);
    EXPECT_EQ(loaded.GetAngleMax(), 315);
    ASSERT_NE(loaded.GetKeyOperator(), nullptr);
    auto* tipOperator = static_cast<CTevSingleTipBarOperator*>(loaded.GetTipBarOperator());
    ASSERT_NE(tipOperator, nullptr);
    EXPECT_EQ(tipOperator->GetOffsetValue(), 3);
    EXPECT_EQ(tipOperator->GetStringTable(), waves);

    // A knob stored without a tip-bar operator loads without one, even into
    // a knob that had one.
    ASSERT_TRUE(TevSaveGraph(with(*bare), bytes));
    ASSERT_TRUE(TevLoadGraph(with(loaded), bytes));
    EXPECT_EQ(loaded.GetTipBarOperator(), nullptr);
    EXPECT_NE(loaded.GetKeyOperator(), nullptr);
    EXPECT_EQ(loaded.GetValue(-1), level);
    EXPECT_EQ(loaded.GetAngleMin(), 30);

    // Every shorter input fails.
    for (size_t size = 0; size < bytes.size(); size += 5) {
        CTevKnobControl partial;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(TevLoadGraph(with(partial), cut)) << size;
    }
}

} // namespace

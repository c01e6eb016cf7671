// The three buttons: what they refuse, the unlatch button's command on
// press or on release, the latch button's four states and toggle, and the
// increment button's steps with their repeat timing.
#include "controls/TevButton.h"
#include "controls/TevIncrementButton.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class CCommand : public CTevFunctionManager::IFunctor {
public:
    explicit CCommand(std::vector<std::string>& calls) : m_calls(calls) {}
    bool Execute(const std::string& arguments) override
    {
        m_calls.push_back(arguments);
        return true;
    }

private:
    std::vector<std::string>& m_calls;
};

class ButtonTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        Manager().GetFunctionManager().Register("Go", std::make_unique<CCommand>(calls));
    }
    // The state the button draws now (cells are 20 high).
    static int32_t Drawn(CTevButton& button)
    {
        auto* bitmap = static_cast<CFakeStateBitmap*>(button.GetBitmap());
        bitmap->cells.clear();
        CFakeDrawInfo everything;
        button.Draw(everything);
        return bitmap->cells.size() == 1 ? bitmap->cells[0].sourceY / 20 : -1;
    }

    std::vector<std::string> calls;
};

TEST_F(ButtonTest, ButtonsWithoutWhatTheyNeedAreRefused)
{
    // Messages of the reading give the name, those of the creation the path.
    struct SCase {
        char type;
        CTevPairList attributes;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {'u', {{"name", "b"}, {"bitmapRef", "one"}}, "Unlatch button bitmap must have 2 states. : main.b\n"},
        {'l', {{"name", "b"}, {"bitmapRef", "four"}}, "There is no value reference for latch button. : b\n"},
        {'l', {{"name", "b"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.flag"}, {"valueRef", "ms.tone.mode"}},
         "There is no value reference for latch button. : b\n"},
        {'l', {{"name", "b"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.label"}},
         "Referred value type must be integer for latch button. : main.b\n"},
        {'i', {{"name", "b"}, {"bitmapRef", "two"}}, "There is no value reference for increment button. : main.b\n"},
    };
    for (const SCase& c : cases) {
        const std::string errors = c.type == 'u'   ? Refusal<CTevUnlatchButton>(c.attributes)
                                   : c.type == 'l' ? Refusal<CTevLatchButton>(c.attributes)
                                                   : Refusal<CTevIncrementButton>(c.attributes);
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.message << " in: " << errors;
    }
}

TEST_F(ButtonTest, UnlatchButtonRunsItsCommandOnPressOrOnARelease)
{
    struct SCase {
        const char* action;
        CTevPoint release;
        size_t callsAfterPress;
        size_t callsAfterRelease;
    };
    // The button lies at (110, 70)..(140, 90), whatever "size" says.
    const std::vector<SCase> cases = {
        {"0", {120, 80}, 1, 1},   // on the press; the release is not the button's
        {"1", {120, 80}, 0, 1},   // on a release over the button
        {"1", {300, 300}, 0, 0},  // a release outside cancels
    };
    for (const SCase& c : cases) {
        calls.clear();
        auto* button = Make<CTevUnlatchButton>({{"name", "b"}, {"position", "10,20"}, {"size", "99,99"},
                                                {"bitmapRef", "two"}, {"function", "Go"},
                                                {"arguments", "up 1"}, {"action", c.action}});
        ASSERT_NE(button, nullptr) << Errors();
        EXPECT_EQ(button->GetRect(), (CTevRect{110, 70, 140, 90}));
        EXPECT_FALSE(Mouse(*button, CTevMouseInfo::kButtonDown, {300, 300}));
        EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kButtonDown, {115, 75}));
        EXPECT_EQ(calls.size(), c.callsAfterPress) << c.action;
        const bool held = c.callsAfterPress == 0;
        EXPECT_EQ(Drawn(*button), held ? 1 : 0);
        EXPECT_EQ(button->HasCapture(), held);
        if (held) {  // shown up while the pointer is away
            EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kMove, {300, 300}));
            EXPECT_EQ(Drawn(*button), 0);
            EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kMove, {118, 78}));
            EXPECT_EQ(Drawn(*button), 1);
        }
        EXPECT_EQ(Mouse(*button, CTevMouseInfo::kButtonUp, c.release), held);
        EXPECT_EQ(calls, std::vector<std::string>(c.callsAfterRelease, "up 1")) << c.action;
        EXPECT_EQ(Drawn(*button), 0);
        EXPECT_FALSE(button->HasCapture() || button->IsActive());
    }
    // Moved, it keeps the size of a cell.
    controls.back()->SetRect({0, 0, 5, 5});
    EXPECT_EQ(controls.back()->GetRect(), (CTevRect{0, 0, 30, 20}));
}

TEST_F(ButtonTest, LatchButtonTogglesThroughItsFourStates)
{
    CTevValue* flag = Value("ms.tone.flag");
    auto* button = Make<CTevLatchButton>(
        {{"name", "l"}, {"position", "10,20"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.flag"}});
    ASSERT_NE(button, nullptr) << Errors();
    struct SStep {
        int kind;
        CTevPoint point;
        int32_t value;
        int32_t state;
    };
    const CTevPoint in{115, 75};
    const CTevPoint away{300, 75};
    const std::vector<SStep> steps = {
        {CTevMouseInfo::kButtonDown, in, 0, 1},  // off and pressed
        {CTevMouseInfo::kButtonUp, in, 1, 2},    // switched on, up
        {CTevMouseInfo::kButtonDown, in, 1, 3},  // on and pressed
        {CTevMouseInfo::kMove, away, 1, 2},      // pointer away: up
        {CTevMouseInfo::kMove, in, 1, 3},        // back: pressed
        {CTevMouseInfo::kButtonUp, in, 0, 0},    // switched off
        {CTevMouseInfo::kButtonDown, in, 0, 1},
        {CTevMouseInfo::kButtonUp, away, 0, 0},  // released away: no change
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        Mouse(*button, steps[i].kind, steps[i].point);
        EXPECT_EQ(flag->GetInteger(), steps[i].value) << "step " << i;
        EXPECT_EQ(Drawn(*button), steps[i].state) << "step " << i;
    }
    EXPECT_EQ(TakeSent(), (Bytes{{1}, {0}}));
    Receive(flag, 1);  // from the device
    EXPECT_EQ(button->GetState(), 2);

    // An on value beyond the range 0..3 writes 3, which then reads as off,
    // so every click writes 3 again.
    auto* stuck = Make<CTevLatchButton>({{"name", "s"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.mode"},
                                         {"onValue", "5"}, {"offValue", "0"}});
    ASSERT_NE(stuck, nullptr) << Errors();
    for (int click = 0; click < 2; ++click) {
        Mouse(*stuck, CTevMouseInfo::kButtonDown, {105, 55});
        Mouse(*stuck, CTevMouseInfo::kButtonUp, {105, 55});
        EXPECT_EQ(Value("ms.tone.mode")->GetInteger(), 3);
        EXPECT_EQ(stuck->GetState(), 0);
    }
}

TEST_F(ButtonTest, IncrementButtonStepsAtOnceAfter200MsThenEvery50Ms)
{
    CTevValue* level = Value("ms.tone.level");
    Receive(level, 0);
    // A one-state bitmap: pressed, the button still draws its only state.
    auto* button = Make<CTevIncrementButton>({{"name", "i"}, {"bitmapRef", "one"}, {"valueRef", "ms.tone.level"}});
    ASSERT_NE(button, nullptr) << Errors();
    EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kButtonDown, {105, 55}));
    EXPECT_EQ(Drawn(*button), 0);
    // Held for 1000 ms with a tick every 10 ms: steps at 0, 200, then every
    // 50 ms.
    std::vector<int32_t> levels;
    for (int elapsed = 10; elapsed <= 1000; elapsed += 10) {
        clock.Advance(10);
        EXPECT_FALSE(button->OnTick(elapsed));
        levels.push_back(level->GetInteger());
    }
    EXPECT_EQ(levels[18], 1);  // 190 ms
    EXPECT_EQ(levels[19], 2);  // 200 ms
    EXPECT_EQ(levels[24], 3);  // 250 ms
    EXPECT_EQ(level->GetInteger(), 18);
    // Outside the button the repeat pauses; the release ends it.
    for (int kind : {CTevMouseInfo::kMove, CTevMouseInfo::kButtonUp}) {
        Mouse(*button, kind, {300, 300});
        clock.Advance(100);
        button->OnTick(0);
    }
    EXPECT_EQ(TakeSent().size(), 18u);

    // A delta of -5 from index 3 stops at 0 and then sends nothing.
    Receive(level, 3);
    auto* down = Make<CTevIncrementButton>(
        {{"name", "d"}, {"bitmapRef", "two"}, {"valueRef", "ms.tone.level"}, {"deltaValue", "-5"}});
    ASSERT_NE(down, nullptr) << Errors();
    Mouse(*down, CTevMouseInfo::kButtonDown, {105, 55});
    for (int tick = 0; tick < 20; ++tick) {
        clock.Advance(50);
        down->OnTick(tick);
    }
    EXPECT_EQ(TakeSent(), (Bytes{{0}}));
}

} // namespace

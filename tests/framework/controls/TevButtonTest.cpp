// The three buttons: how they are refused, the unlatch button's command on
// press or on release, the latch button's four states and toggle, and the
// increment button's steps with their repeat timing.
#include "controls/TevButton.h"
#include "controls/TevIncrementButton.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class ButtonTest : public ControlTest {
protected:
    // Counts the calls of the command "Go" and keeps their arguments.
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

    void SetUp() override
    {
        ControlTest::SetUp();
        Manager().GetFunctionManager().Register("Go", std::make_unique<CCommand>(calls));
    }
    // The state the button draws now.
    int32_t Drawn(CTevButton& button)
    {
        CFakeStateBitmap* bitmap = static_cast<CFakeStateBitmap*>(button.GetBitmap());
        bitmap->cells.clear();
        CFakeDrawInfo everything;
        button.Draw(everything);
        EXPECT_EQ(bitmap->cells.size(), 1u);
        return bitmap->cells.empty() ? -1 : bitmap->cells.back().sourceY / 20;
    }

    std::vector<std::string> calls;
};

TEST_F(ButtonTest, ButtonsWithoutWhatTheyNeedAreRefused)
{
    struct SCase {
        const char* type;
        CTevPairList attributes;
        const char* message;
    };
    // Messages of the reading give the name, those of the creation the path
    // in the panel.
    const std::vector<SCase> cases = {
        {"unlatch", {{"name", "b"}}, "There is no bitmap reference for button. : b\n"},
        {"unlatch", {{"name", "b"}, {"bitmapRef", "none"}}, "Unable to find bitmap for button. : b : none\n"},
        {"unlatch", {{"name", "b"}, {"bitmapRef", "one"}}, "Unlatch button bitmap must have 2 states. : main.b\n"},
        {"latch", {{"name", "b"}, {"bitmapRef", "four"}}, "There is no value reference for latch button. : b\n"},
        {"latch",
         {{"name", "b"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.flag"}, {"valueRef", "ms.tone.mode"}},
         "There is no value reference for latch button. : b\n"},
        {"latch", {{"name", "b"}, {"bitmapRef", "two"}, {"valueRef", "ms.tone.flag"}},
         "Latch button bitmap must have 4 states. : main.b\n"},
        {"latch", {{"name", "b"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.label"}},
         "Referred value type must be integer for latch button. : main.b\n"},
        {"latch", {{"name", "b"}, {"bitmapRef", "four"}, {"valueRef", "ms.tone.flag"}, {"onValue", "1,+"}},
         "Unable to interpret on value for latch button. : b : 1,+\n"},
        {"increment", {{"name", "b"}, {"bitmapRef", "two"}, {"valueRef", "ms.tone.level"}, {"deltaValue", "up"}},
         "Increment button delta value is invalid. : b : up\n"},
        {"increment", {{"name", "b"}, {"bitmapRef", "two"}},
         "There is no value reference for increment button. : main.b\n"},
    };
    for (const SCase& c : cases) {
        const std::string type = c.type;
        std::string errors;
        if (type == "unlatch")
            errors = Refusal<CTevUnlatchButton>(c.attributes);
        else if (type == "latch")
            errors = Refusal<CTevLatchButton>(c.attributes);
        else
            errors = Refusal<CTevIncrementButton>(c.attributes);
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.message << " in: " << errors;
    }
}

TEST_F(ButtonTest, UnlatchButtonRunsItsCommandOnPressOrOnARelease)
{
    struct SCase {
        const char* action;
        CTevPoint release;
        int callsAfterPress;
        int callsAfterRelease;
        bool releaseTaken;
    };
    // The button lies at (110, 70)..(140, 90) whatever "size" says.
    const std::vector<SCase> cases = {
        {"0", {120, 80}, 1, 1, false},  // on the press; the release is not the button's
        {"1", {120, 80}, 0, 1, true},   // on a release over the button
        {"1", {300, 300}, 0, 0, true},  // a release outside cancels
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
        EXPECT_EQ(int(calls.size()), c.callsAfterPress) << c.action;
        // Held (action 1) it shows pressed, up while the pointer is away.
        EXPECT_EQ(Drawn(*button), c.callsAfterPress ? 0 : 1);
        EXPECT_EQ(button->HasCapture(), !c.callsAfterPress);
        if (!c.callsAfterPress) {
            EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kMove, {300, 300}));
            EXPECT_EQ(Drawn(*button), 0);
            EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kMove, {118, 78}));
            EXPECT_EQ(Drawn(*button), 1);
        }
        EXPECT_EQ(Mouse(*button, CTevMouseInfo::kButtonUp, c.release), c.releaseTaken);
        EXPECT_EQ(int(calls.size()), c.callsAfterRelease) << c.action;
        EXPECT_EQ(Drawn(*button), 0);
        EXPECT_FALSE(button->HasCapture());
        EXPECT_FALSE(button->IsActive());
        for (const std::string& arguments : calls)
            EXPECT_EQ(arguments, "up 1");
    }
    // Moving keeps the size of a cell.
    CTevButton& button = *static_cast<CTevButton*>(controls.back().get());
    button.SetRect({0, 0, 5, 5});
    EXPECT_EQ(button.GetRect(), (CTevRect{0, 0, 30, 20}));
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
    const CTevPoint inside{115, 75};
    const CTevPoint outside{300, 75};
    const std::vector<SStep> steps = {
        {CTevMouseInfo::kButtonDown, inside, 0, 1},  // off and pressed
        {CTevMouseInfo::kButtonUp, inside, 1, 2},    // switched on, up
        {CTevMouseInfo::kButtonDown, inside, 1, 3},  // on and pressed
        {CTevMouseInfo::kMove, outside, 1, 2},       // pointer away: up
        {CTevMouseInfo::kMove, inside, 1, 3},        // back: pressed
        {CTevMouseInfo::kButtonUp, inside, 0, 0},    // switched off
        {CTevMouseInfo::kButtonDown, inside, 0, 1},
        {CTevMouseInfo::kButtonUp, outside, 0, 0},   // released away: no change
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        Mouse(*button, steps[i].kind, steps[i].point);
        EXPECT_EQ(flag->GetInteger(), steps[i].value) << "step " << i;
        EXPECT_EQ(button->GetState(), steps[i].state) << "step " << i;
        EXPECT_EQ(Drawn(*button), steps[i].state) << "step " << i;
    }
    EXPECT_EQ(TakeSent(), (Bytes{{1}, {0}}));
    // The device switching the value shows at once.
    Receive(flag, 1);
    EXPECT_EQ(button->GetState(), 2);
    EXPECT_TRUE(out.dataSets.empty());

    // An on value beyond the range writes the range's end, which then reads
    // as off, so every click writes the end again.
    Receive(Value("ms.tone.mode"), 0);
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
    // A one-state bitmap: the pressed button still draws its only state.
    auto* button = Make<CTevIncrementButton>({{"name", "i"}, {"bitmapRef", "one"}, {"valueRef", "ms.tone.level"}});
    ASSERT_NE(button, nullptr) << Errors();
    EXPECT_TRUE(Mouse(*button, CTevMouseInfo::kButtonDown, {105, 55}));
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(Drawn(*button), 0);
    EXPECT_EQ(level->GetInteger(), 1);
    // Held for 1000 ms with a tick every 10 ms: at 0, 200, then every 50.
    for (int elapsed = 10; elapsed <= 1000; elapsed += 10) {
        clock.Advance(10);
        EXPECT_FALSE(button->OnTick(elapsed));
        if (elapsed == 190) {
            EXPECT_EQ(level->GetInteger(), 1);
        } else if (elapsed == 200) {
            EXPECT_EQ(level->GetInteger(), 2);
        }
    }
    EXPECT_EQ(level->GetInteger(), 18);
    // Outside the button the repeat pauses; the release ends it.
    Mouse(*button, CTevMouseInfo::kMove, {300, 300});
    clock.Advance(100);
    button->OnTick(0);
    EXPECT_EQ(level->GetInteger(), 18);
    Mouse(*button, CTevMouseInfo::kButtonUp, {300, 300});
    clock.Advance(100);
    button->OnTick(0);
    EXPECT_EQ(level->GetInteger(), 18);
    EXPECT_EQ(out.dataSets.size(), 18u);

    // A delta of -5 from index 3 stops at 0 and then sends nothing.
    Receive(level, 3);
    out.dataSets.clear();
    auto* down = Make<CTevIncrementButton>(
        {{"name", "d"}, {"bitmapRef", "two"}, {"valueRef", "ms.tone.level"}, {"deltaValue", "-5"}});
    ASSERT_NE(down, nullptr) << Errors();
    Mouse(*down, CTevMouseInfo::kButtonDown, {105, 55});
    for (int tick = 0; tick < 20; ++tick) {
        clock.Advance(50);
        down->OnTick(tick);
    }
    Mouse(*down, CTevMouseInfo::kButtonUp, {105, 55});
    EXPECT_EQ(level->GetInteger(), 0);
    EXPECT_EQ(TakeSent(), (Bytes{{0}}));
}

} // namespace

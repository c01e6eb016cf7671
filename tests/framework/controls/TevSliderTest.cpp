// The slider on a vertical 20 x 100 track with a 20 x 10 knob and on a
// horizontal one: knob positions, grabbing, track presses, the widened
// travel beside the track, Ctrl-press, the arrow keys and the tip bar, and
// what is refused.
#include "controls/TevSlider.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class SliderTest : public ControlTest {
protected:
    // A vertical slider whose rect is (0, 0, 20, 100) in the panel's
    // coordinates: the stand-in panel lies at (100, 50), so it is placed
    // at -100, -50.
    CTevSliderControl* Vertical(const std::string& value = "ms.tone.level")
    {
        return Make<CTevSliderControl>({{"name", "v"}, {"position", "-100,-50"}, {"size", "20,100"},
                                        {"bitmapRef", "cap"}, {"valueRef", value}});
    }
};

TEST_F(SliderTest, VerticalTrackOfTheWorkedExample)
{
    CTevValue* level = Value("ms.tone.level");
    CTevSliderControl* slider = Vertical();
    ASSERT_NE(slider, nullptr) << Errors();
    ASSERT_EQ(slider->GetRect(), (CTevRect{0, 0, 20, 100}));

    struct SPosition {
        int32_t index;
        int32_t y;
    };
    for (const SPosition& p : std::vector<SPosition>{{0, 90}, {64, 45}, {127, 0}, {1, 89}, {126, 1}}) {
        EXPECT_EQ(slider->knobPositionOfIndex(p.index), (CTevPoint{0, p.y})) << p.index;
    }
    // Holding the knob by its middle at y = 50 gives 64 back while the
    // pointer stays within half the slider's width of its sides.
    Receive(level, 64);
    EXPECT_EQ(slider->GetKnobPosition(), (CTevPoint{0, 45}));
    ASSERT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {10, 50}));
    EXPECT_EQ(CTevSliderControl::GetGrabOffset(), (CTevPoint{10, 5}));
    EXPECT_TRUE(out.dataSets.empty());
    for (int32_t x : {-10, 0, 10, 29, 30})
        EXPECT_EQ(slider->indexOfPointer({x, 50}), 64) << x;
    // Farther away the travel widens: the same pointer height is nearer the
    // middle.
    EXPECT_EQ(slider->indexOfPointer({10, 10}), 120);
    EXPECT_EQ(slider->indexOfPointer({80, 10}), 90);
    EXPECT_EQ(slider->indexOfPointer({-300, 10}), 71);

    // Moves on one pixel, or to the same index, send nothing.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 50}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {12, 50}));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 10}));
    EXPECT_EQ(TakeSent(), (Bytes{{120}}));
    EXPECT_EQ(slider->GetKnobPosition(), (CTevPoint{0, 5}));
    // Far beyond the ends the value stops at the ends.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, -500}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 900}));
    EXPECT_EQ(TakeSent(), (Bytes{{127}, {0}}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {10, 900}));
    EXPECT_EQ(CTevSliderControl::GetLastDragPosition(), CTevSliderControl::kNoPosition);

    // The knob is drawn at its place, cell 0.
    CFakeStateBitmap* cap = Bitmap("cap");
    cap->cells.clear();
    CFakeDrawInfo everything;
    slider->Draw(everything);
    ASSERT_EQ(cap->cells.size(), 1u);
    EXPECT_EQ(cap->cells[0].position, (CTevPoint{0, 90}));
    EXPECT_EQ(cap->cells[0].sourceY, 0);
}

TEST_F(SliderTest, TrackPressesCtrlPressKeysAndTipBar)
{
    CTevValue* level = Value("ms.tone.level");
    CTevSliderControl* slider = Vertical();
    ASSERT_NE(slider, nullptr) << Errors();
    Receive(level, 0);

    // A press on the track puts the knob's middle under the pointer.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {3, 50}));
    EXPECT_EQ(CTevSliderControl::GetGrabOffset(), (CTevPoint{3, 5}));
    EXPECT_EQ(TakeSent(), (Bytes{{64}}));
    EXPECT_TRUE(slider->IsActive());
    EXPECT_TRUE(tip->m_visible);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"64"}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {3, 50}));

    // The arrow keys step it while it is the active view.
    CTevKeyInfo up;
    up.kind = CTevKeyInfo::kKeyDown;
    up.code = CTevKeyInfo::kUp;
    EXPECT_TRUE(slider->OnKey(up));
    up.kind = CTevKeyInfo::kKeyUp;
    EXPECT_TRUE(slider->OnKey(up));
    EXPECT_EQ(TakeSent(), (Bytes{{65}}));
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"65"}));

    // Ctrl alone sets the default once and ends the drag; Ctrl with Shift
    // is a plain press.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {3, 90}, CTevMouseInfo::kCtrl));
    EXPECT_EQ(TakeSent(), (Bytes{{64}}));
    EXPECT_FALSE(slider->HasCapture());
    EXPECT_FALSE(Mouse(*slider, CTevMouseInfo::kButtonUp, {3, 90}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {3, 90}, CTevMouseInfo::kCtrl));
    EXPECT_TRUE(out.dataSets.empty());

    // A default outside the value's number table leaves the value alone.
    Receive(Value("ms.tone.odd"), 40);
    CTevSliderControl* odd = Make<CTevSliderControl>({{"name", "o"}, {"position", "-100,-50"}, {"size", "20,100"},
                                                      {"bitmapRef", "cap"}, {"valueRef", "ms.tone.odd"}});
    ASSERT_NE(odd, nullptr) << Errors();
    EXPECT_TRUE(Mouse(*odd, CTevMouseInfo::kButtonDown, {3, 90}, CTevMouseInfo::kCtrl));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_EQ(Value("ms.tone.odd")->GetInteger(), 40);
}

TEST_F(SliderTest, HorizontalTrackAndASliderShrunkToItsKnob)
{
    CTevValue* level = Value("ms.tone.level");
    // Horizontal, "0x1": rect (0, 0, 100, 20), knob 20 x 10 centred across.
    auto* slider = Make<CTevSliderControl>({{"name", "h"}, {"position", "-100,-50"}, {"size", "100,20"},
                                            {"bitmapRef", "cap"}, {"valueRef", "ms.tone.level"},
                                            {"direction", "0x1"}});
    ASSERT_NE(slider, nullptr) << Errors();
    Receive(level, 0);
    EXPECT_TRUE(slider->IsHorizontal());
    EXPECT_EQ(slider->knobPositionOfIndex(0), (CTevPoint{0, 5}));
    EXPECT_EQ(slider->knobPositionOfIndex(127), (CTevPoint{80, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {50, 10}));
    EXPECT_EQ(TakeSent(), (Bytes{{64}}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {50, 10}));

    // Shrunk to its knob by the layout tool, the slider has no travel: the
    // pointer keeps the current index instead of dividing by zero.
    slider->SetRect({0, 0, 20, 10});
    EXPECT_EQ(slider->GetKnobPosition(), (CTevPoint{0, 0}));
    EXPECT_EQ(slider->indexOfPointer({15, 5}), 64);
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {5, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {90, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {90, 5}));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_EQ(level->GetInteger(), 64);
}

TEST_F(SliderTest, WhatIsRefused)
{
    struct SCase {
        CTevPairList extra;
        const char* size;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {{{"valueRef", "ms.tone.level"}, {"direction", "2"}}, "20,100",
         "Direction must be 0 or 1 for slider. : s : 2\n"},
        {{{"valueRef", "ms.tone.level"}, {"direction", "up"}}, "20,100", "Direction is invalid for slider. : s : up\n"},
        {{{"valueRef", "ms.tone.single"}}, "20,100", "Referred value range must be greater than 1 for slider. : main.s\n"},
        {{{"valueRef", "ms.tone.label"}}, "20,100", "Referred value must be integer for slider. : main.s\n"},
        {{}, "20,100", "Value references are necessary for slider. : main.s.\n"},
        {{{"valueRef", "ms.tone.level"}, {"direction", "1"}}, "20,100",
         "Knob width must be less than base width for slider. : main.s\n"},
        {{{"valueRef", "ms.tone.level"}}, "20,10", "Knob height must be less than base height for slider. : main.s\n"},
    };
    for (const SCase& c : cases) {
        CTevPairList attributes{{"name", "s"}, {"size", c.size}, {"bitmapRef", "cap"}};
        attributes.insert(attributes.end(), c.extra.begin(), c.extra.end());
        const std::string errors = Refusal<CTevSliderControl>(attributes);
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.message << " in: " << errors;
    }
    // The same cell in a vertical slider taller than it is accepted.
    EXPECT_NE(Make<CTevSliderControl>({{"name", "ok"}, {"size", "20,11"}, {"bitmapRef", "cap"},
                                       {"valueRef", "ms.tone.level"}}),
              nullptr)
        << Errors();
}

} // namespace

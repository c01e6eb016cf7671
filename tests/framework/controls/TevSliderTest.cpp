// The slider on the vertical 20 x 100 track with a 20 x 10 knob, and on a
// horizontal one: knob positions, grabbing, track presses, the widened
// travel beside the track, Ctrl-press, keys and tip bar, and refusals.
#include "controls/TevSlider.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class SliderTest : public ControlTest {
protected:
    // The stand-in panel lies at (100, 50): this slider's rect is
    // (0, 0, 20, 100) or (0, 0, 100, 20).
    CTevSliderControl* Slider(const std::string& value, const char* size = "20,100", const char* direction = "0")
    {
        return Make<CTevSliderControl>({{"name", "s"}, {"position", "-100,-50"}, {"size", size}, {"bitmapRef", "cap"},
                                        {"valueRef", value}, {"direction", direction}});
    }
};

TEST_F(SliderTest, VerticalTrackOfTheWorkedExample)
{
    CTevSliderControl* slider = Slider("ms.tone.level");
    ASSERT_NE(slider, nullptr) << Errors();
    for (auto [index, y] : std::vector<std::pair<int32_t, int32_t>>{{0, 90}, {64, 45}, {127, 0}, {1, 89}})
        EXPECT_EQ(slider->knobPositionOfIndex(index), (CTevPoint{0, y})) << index;
    // Held by its middle at y = 50, the knob gives 64 back while the pointer
    // stays within half the slider's width of its sides; farther away the
    // travel widens, so the same height lies nearer the middle.
    ASSERT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {10, 50}));
    EXPECT_EQ(CTevSliderControl::GetGrabOffset(), (CTevPoint{10, 5}));
    EXPECT_TRUE(out.dataSets.empty());
    for (int32_t x : {-10, 0, 10, 30})
        EXPECT_EQ(slider->indexOfPointer({x, 50}), 64) << x;
    EXPECT_EQ(slider->indexOfPointer({10, 10}), 120);
    EXPECT_EQ(slider->indexOfPointer({80, 10}), 90);
    EXPECT_EQ(slider->indexOfPointer({-300, 10}), 71);

    // The same pixel, or the same index, sends nothing.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {12, 50}));
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 10}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 10}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {10, 900}));
    EXPECT_EQ(TakeSent(), (Bytes{{120}, {0}}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {10, 900}));
    EXPECT_EQ(CTevSliderControl::GetLastDragPosition(), CTevSliderControl::kNoPosition);
    CFakeDrawInfo everything;
    slider->Draw(everything);
    ASSERT_EQ(Bitmap("cap")->cells.size(), 1u);
    EXPECT_EQ(Bitmap("cap")->cells[0].position, (CTevPoint{0, 90}));

    // A press on the track puts the knob's middle under the pointer; the
    // tip bar shows the value while the slider is active, and the arrows
    // step it.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {3, 50}));
    EXPECT_EQ(CTevSliderControl::GetGrabOffset(), (CTevPoint{3, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {3, 50}));
    CTevKeyInfo up{CTevKeyInfo::kKeyDown, CTevKeyInfo::kUp, 0};
    EXPECT_TRUE(slider->OnKey(up));
    EXPECT_EQ(TakeSent(), (Bytes{{64}, {65}}));
    EXPECT_TRUE(tip->m_visible);
    EXPECT_EQ(tip->m_lines, (std::vector<std::string>{"65"}));
    // Ctrl alone sets the default and ends the drag.
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {3, 90}, CTevMouseInfo::kCtrl));
    EXPECT_FALSE(Mouse(*slider, CTevMouseInfo::kButtonUp, {3, 90}));
    EXPECT_EQ(TakeSent(), (Bytes{{64}}));
}

TEST_F(SliderTest, HorizontalTrackDefaultsAndASliderShrunkToItsKnob)
{
    // A default outside the value's number table leaves the value alone.
    Receive(Value("ms.tone.odd"), 40);
    CTevSliderControl* odd = Slider("ms.tone.odd");
    ASSERT_NE(odd, nullptr) << Errors();
    EXPECT_TRUE(Mouse(*odd, CTevMouseInfo::kButtonDown, {3, 90}, CTevMouseInfo::kCtrl));
    EXPECT_TRUE(out.dataSets.empty());

    Receive(Value("ms.tone.level"), 0);
    CTevSliderControl* slider = Slider("ms.tone.level", "100,20", "0x1");
    ASSERT_NE(slider, nullptr) << Errors();
    EXPECT_EQ(slider->knobPositionOfIndex(0), (CTevPoint{0, 5}));
    EXPECT_EQ(slider->knobPositionOfIndex(127), (CTevPoint{80, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {50, 10}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonUp, {50, 10}));
    EXPECT_EQ(TakeSent(), (Bytes{{64}}));
    // Shrunk to its knob by the layout tool it has no travel: the pointer
    // keeps the index instead of dividing by zero.
    slider->SetRect({0, 0, 20, 10});
    EXPECT_EQ(slider->GetKnobPosition(), (CTevPoint{0, 0}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kButtonDown, {5, 5}));
    EXPECT_TRUE(Mouse(*slider, CTevMouseInfo::kMove, {90, 5}));
    EXPECT_TRUE(out.dataSets.empty());
}

TEST_F(SliderTest, WhatIsRefused)
{
    struct SCase {
        const char* value;
        const char* size;
        const char* direction;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {"ms.tone.level", "20,100", "2", "Direction must be 0 or 1 for slider. : s : 2\n"},
        {"ms.tone.level", "20,100", "up", "Direction is invalid for slider. : s : up\n"},
        {"ms.tone.single", "20,100", "0", "Referred value range must be greater than 1 for slider. : main.s\n"},
        {"ms.tone.label", "20,100", "0", "Referred value must be integer for slider. : main.s\n"},
        {"ms.tone.level", "20,100", "1", "Knob width must be less than base width for slider. : main.s\n"},
        {"ms.tone.level", "20,10", "0", "Knob height must be less than base height for slider. : main.s\n"},
    };
    for (const SCase& c : cases) {
        ClearErrors();
        EXPECT_EQ(Slider(c.value, c.size, c.direction), nullptr);
        EXPECT_NE(Errors().find(c.message), std::string::npos) << c.message << " in: " << Errors();
    }
    EXPECT_NE(Slider("ms.tone.level", "20,11"), nullptr) << Errors();
}

} // namespace

// The picture, the static text and the static-text picture: what each shows
// for every kind of value, their offsets, units and string tables, where
// they draw, and what they refuse.
#include "controls/TevStaticControls.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class StaticControlsTest : public ControlTest {};

TEST_F(StaticControlsTest, PictureShowsTheIndexPlusItsOffsetClamped)
{
    CTevValue* mode = Value("ms.tone.mode"); // 0..3
    struct SCase {
        const char* offset;
        std::vector<int32_t> states; // for the values 0, 1, 2, 3
    };
    for (const SCase& c : std::vector<SCase>{{"1", {1, 2, 3, 3}}, {"-1", {0, 0, 1, 2}}, {"0", {0, 1, 2, 3}}}) {
        auto* picture = Make<CTevPictureControl>({{"name", "p"}, {"position", "10,20"}, {"size", "99,99"},
                                                  {"bitmapRef", "four"}, {"valueRef", "ms.tone.mode"},
                                                  {"offsetIndex", c.offset}});
        ASSERT_NE(picture, nullptr) << Errors();
        for (int32_t value = 0; value < 4; ++value) {
            Receive(mode, value);
            EXPECT_EQ(picture->GetState(), c.states[size_t(value)]) << c.offset << " at " << value;
        }
    }
    // It takes one cell's size and keeps it when moved; it draws its state
    // at its corner.
    auto* picture = static_cast<CTevPictureControl*>(controls.back().get());
    EXPECT_EQ(picture->GetRect(), (CTevRect{110, 70, 140, 90}));
    picture->SetRect({0, 0, 5, 5});
    EXPECT_EQ(picture->GetRect(), (CTevRect{0, 0, 30, 20}));
    CFakeStateBitmap* four = Bitmap("four");
    four->cells.clear();
    CFakeDrawInfo everything;
    picture->Draw(everything);
    ASSERT_EQ(four->cells.size(), 1u);
    EXPECT_EQ(four->cells[0].position, (CTevPoint{0, 0}));
    EXPECT_EQ(four->cells[0].sourceY, 3 * 20);

    // A bitmap that does not load is no error, and nothing is drawn.
    Bitmap("many")->failLoad = true;
    auto* blind = Make<CTevPictureControl>({{"name", "b"}, {"bitmapRef", "many"}, {"valueRef", "ms.tone.mode"}});
    ASSERT_NE(blind, nullptr) << Errors();
    blind->Draw(everything);
    EXPECT_TRUE(Bitmap("many")->cells.empty());
}

TEST_F(StaticControlsTest, StaticTextShowsEveryKindOfValue)
{
    Value("ms.tone.label")->SetString(" a b  ");
    Receive(Value("ms.tone.level"), 0);
    struct SCase {
        CTevPairList extra;
        std::string text;
    };
    const std::vector<SCase> cases = {
        {{{"valueRef", "ms.tone.level"}, {"offsetValue", "1"}}, "1"},
        {{{"valueRef", "ms.tone.level"}, {"offsetValue", "-12"}}, "-12"},
        {{{"valueRef", "ms.tone.label"}}, " a b  "},
        {{{"valueRef", "ms.tone.wave"}, {"stringTableRef", "waves"}}, "Square"},  // index 1
        {{{"valueRef", "ms.tone.mode"}, {"stringTableRef", "waves"}}, "Saw"},
        {{{"valueRef", "midi.ch[0].note"}}, ""},  // neither number nor text
    };
    for (const SCase& c : cases) {
        CTevPairList attributes{{"name", "t"}, {"position", "10,20"}, {"size", "50,12"}, {"textWriterRef", "font"}};
        attributes.insert(attributes.end(), c.extra.begin(), c.extra.end());
        auto* text = Make<CTevStaticTextControl>(attributes);
        ASSERT_NE(text, nullptr) << Errors();
        EXPECT_EQ(text->GetText(), c.text);
    }
    // The table's last entry stands for every index past it.
    Receive(Value("ms.tone.mode"), 3);
    auto* last = static_cast<CTevStaticTextControl*>(controls[4].get());
    EXPECT_EQ(last->GetText(), "Tri");
    // The text fills the given rect.
    CFakeDrawInfo everything;
    last->Draw(everything);
    ASSERT_FALSE(Writer()->texts.empty());
    EXPECT_EQ(Writer()->texts.back().rect, (CTevRect{110, 70, 160, 82}));
    EXPECT_EQ(Writer()->texts.back().text, "Tri");
}

TEST_F(StaticControlsTest, StaticTextPictureShowsPicturesForTheTopSteps)
{
    // 150 steps and 22 states: indices 0..127 as text, 128..149 as states.
    CTevValue* big = Value("ms.tone.big");
    auto* control = Make<CTevStaticTextPictureControl>({{"name", "tp"}, {"position", "10,20"}, {"size", "60,30"},
                                                        {"textWriterRef", "font"}, {"bitmapRef", "many"},
                                                        {"valueRef", "ms.tone.big"}, {"unit", "ms"},
                                                        {"offsetValue", "1"}});
    ASSERT_NE(control, nullptr) << Errors();
    struct SCase {
        int32_t value;
        std::string text;
        int32_t state;
    };
    for (const SCase& c : std::vector<SCase>{{0, "1ms", -1}, {127, "128ms", -1}, {128, "", 0}, {149, "", 21}}) {
        Receive(big, c.value);
        EXPECT_EQ(control->GetText(), c.text) << c.value;
        EXPECT_EQ(control->GetPictureState(), c.state) << c.value;
    }
    // A picture is right-aligned and centred across: 16 x 12 in (110, 70,
    // 170, 100).
    CFakeStateBitmap* many = Bitmap("many");
    many->cells.clear();
    CFakeDrawInfo everything;
    control->Draw(everything);
    ASSERT_EQ(many->cells.size(), 1u);
    EXPECT_EQ(many->cells[0].position, (CTevPoint{154, 79}));
    EXPECT_EQ(many->cells[0].sourceY, 21 * 12);
    EXPECT_TRUE(Writer()->texts.empty());

    // More states than steps: only pictures.
    auto* pictures = Make<CTevStaticTextPictureControl>(
        {{"name", "m"}, {"textWriterRef", "font"}, {"bitmapRef", "many"}, {"valueRef", "ms.tone.mode"}});
    ASSERT_NE(pictures, nullptr) << Errors();
    for (int32_t value = 0; value < 4; ++value) {
        Receive(Value("ms.tone.mode"), value);
        EXPECT_EQ(pictures->GetPictureState(), 18 + value);
    }
}

TEST_F(StaticControlsTest, WhatIsRefused)
{
    EXPECT_EQ(Refusal<CTevPictureControl>({{"name", "p"}, {"bitmapRef", "four"}}),
              "There is no value reference for picture control main.p.\n");
    EXPECT_EQ(Refusal<CTevPictureControl>({{"name", "p"}, {"valueRef", "ms.tone.mode"}}),
              "There is no bitmap reference for picture control main.p.\n");
    EXPECT_EQ(Refusal<CTevPictureControl>({{"name", "p"}, {"offsetIndex", "x"}}),
              "Offset index is invalid for picture. : p : x\n");
    EXPECT_EQ(Refusal<CTevStaticTextControl>({{"name", "t"}, {"textWriterRef", "font"}}),
              "There is no value reference.\n");
    EXPECT_EQ(Refusal<CTevStaticTextControl>({{"name", "t"}, {"valueRef", "ms.tone.mode"}}),
              "There is no text writer reference.\n");
    EXPECT_EQ(Refusal<CTevStaticTextControl>({{"name", "t"}, {"stringTableRef", "x"}}),
              "Unable to find string table x.\n");
    EXPECT_EQ(Refusal<CTevStaticTextPictureControl>(
                  {{"name", "tp"}, {"textWriterRef", "font"}, {"valueRef", "ms.tone.mode"}}),
              "There is no bitmap reference for static text picture. : main.tp\n");
    Bitmap("many")->failLoad = true;
    EXPECT_EQ(Refusal<CTevStaticTextPictureControl>(
                  {{"name", "tp"}, {"textWriterRef", "font"}, {"bitmapRef", "many"}, {"valueRef", "ms.tone.mode"}}),
              "Unable to create bitmap for static text picture. : main.tp\n");
}

} // namespace

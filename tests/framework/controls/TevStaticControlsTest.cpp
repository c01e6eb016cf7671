// The picture, the static text and the static-text picture: what each shows
// for every kind of value with its offsets, units and tables, where it
// draws, and what it refuses.
#include "controls/TevStaticControls.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

namespace {

using namespace control_fixture;

class StaticControlsTest : public ControlTest {
protected:
    CFakeDrawInfo everything;
};

TEST_F(StaticControlsTest, PictureShowsTheIndexPlusItsOffsetClamped)
{
    CTevValue* mode = Value("ms.tone.mode");  // 0..3, on a 4-state bitmap
    for (auto [offset, states] : std::vector<std::pair<const char*, std::vector<int32_t>>>{
             {"1", {1, 2, 3, 3}}, {"-1", {0, 0, 1, 2}}}) {
        auto* picture = Make<CTevPictureControl>({{"name", "p"}, {"position", "10,20"}, {"size", "99,99"},
                                                  {"bitmapRef", "four"}, {"valueRef", "ms.tone.mode"},
                                                  {"offsetIndex", offset}});
        ASSERT_NE(picture, nullptr) << Errors();
        for (int32_t value = 0; value < 4; ++value) {
            Receive(mode, value);
            EXPECT_EQ(picture->GetState(), states[size_t(value)]) << offset << " at " << value;
        }
        // One cell's size, kept when moved.
        EXPECT_EQ(picture->GetRect(), (CTevRect{110, 70, 140, 90}));
        picture->SetRect({0, 0, 5, 5});
        EXPECT_EQ(picture->GetRect(), (CTevRect{0, 0, 30, 20}));
    }
    controls.back()->Draw(everything);
    ASSERT_EQ(Bitmap("four")->cells.size(), 1u);
    EXPECT_EQ(Bitmap("four")->cells[0].sourceY, 2 * 20);
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
    Receive(Value("ms.tone.mode"), 3);
    const std::vector<std::pair<CTevPairList, std::string>> cases = {
        {{{"valueRef", "ms.tone.level"}, {"offsetValue", "1"}}, "1"},
        {{{"valueRef", "ms.tone.label"}}, " a b  "},
        {{{"valueRef", "ms.tone.wave"}, {"stringTableRef", "waves"}}, "Square"},
        {{{"valueRef", "ms.tone.mode"}, {"stringTableRef", "waves"}}, "Tri"},  // past the table's end
        {{{"valueRef", "midi.ch[0].note"}}, ""},                              // neither number nor text
    };
    for (const auto& [extra, expected] : cases) {
        CTevPairList attributes{{"name", "t"}, {"position", "10,20"}, {"size", "50,12"}, {"textWriterRef", "font"}};
        attributes.insert(attributes.end(), extra.begin(), extra.end());
        auto* text = Make<CTevStaticTextControl>(attributes);
        ASSERT_NE(text, nullptr) << Errors();
        EXPECT_EQ(text->GetText(), expected);
        text->Draw(everything);
        EXPECT_EQ(Writer()->texts.back(), (CFakeTextWriter::CText{&everything, {110, 70, 160, 82}, expected}));
    }
}

TEST_F(StaticControlsTest, StaticTextPictureShowsPicturesForTheTopSteps)
{
    // 150 steps and 22 states: indices 0..127 as text, 128..149 as states.
    auto* control = Make<CTevStaticTextPictureControl>({{"name", "tp"}, {"position", "10,20"}, {"size", "60,30"},
                                                        {"textWriterRef", "font"}, {"bitmapRef", "many"},
                                                        {"valueRef", "ms.tone.big"}, {"unit", "ms"},
                                                        {"offsetValue", "1"}});
    ASSERT_NE(control, nullptr) << Errors();
    for (auto [value, text, state] : std::vector<std::tuple<int32_t, std::string, int32_t>>{
             {0, "1ms", -1}, {127, "128ms", -1}, {128, "", 0}, {149, "", 21}}) {
        Receive(Value("ms.tone.big"), value);
        EXPECT_EQ(control->GetText(), text) << value;
        EXPECT_EQ(control->GetPictureState(), state) << value;
    }
    // Right-aligned and centred across: 16 x 12 in (110, 70, 170, 100).
    control->Draw(everything);
    ASSERT_EQ(Bitmap("many")->cells.size(), 1u);
    EXPECT_EQ(Bitmap("many")->cells[0].position, (CTevPoint{154, 79}));
    EXPECT_TRUE(Writer()->texts.empty());
    // More states than steps: only pictures.
    auto* pictures = Make<CTevStaticTextPictureControl>(
        {{"name", "m"}, {"textWriterRef", "font"}, {"bitmapRef", "many"}, {"valueRef", "ms.tone.mode"}});
    ASSERT_NE(pictures, nullptr) << Errors();
    EXPECT_EQ(pictures->GetPictureState(), 18);
}

TEST_F(StaticControlsTest, WhatIsRefused)
{
    EXPECT_EQ(Refusal<CTevPictureControl>({{"name", "p"}, {"bitmapRef", "four"}}),
              "There is no value reference for picture control main.p.\n");
    EXPECT_EQ(Refusal<CTevStaticTextControl>({{"name", "t"}, {"textWriterRef", "font"}}),
              "There is no value reference.\n");
    Bitmap("many")->failLoad = true;
    EXPECT_EQ(Refusal<CTevStaticTextPictureControl>(
                  {{"name", "tp"}, {"textWriterRef", "font"}, {"bitmapRef", "many"}, {"valueRef", "ms.tone.mode"}}),
              "Unable to create bitmap for static text picture. : main.tp\n");
}

} // namespace

// The keyboard of 61 keys (36..96) over 36 white keys: the octave laid out
// from the key images, hit testing on black and white keys, notes held,
// moved and released through the MIDI channel model, keys drawn pressed
// also for notes from outside, and the layouts and references refused.
#include "controls/TevKeyboard.h"

#include "core/TevHelpers.h"
#include "midi/TevMidiStruct.h"

#include "support/FakeDrawing.h"

#include "ControlFixture.h"

#include <utility>

namespace {

using namespace control_fixture;

// Released images on the left of the skin, pressed ones 100 pixels to the
// right. White upper parts C 8, D 4, E 8, F 8, G 4, A 4, B 8 wide, black
// keys 8, all 40 high; white lower parts 12 x 20; the highest key (a C at
// the end) is a full 12 wide.
CTevPairList Layout(const std::string& range = "36,96")
{
    struct SRect {
        const char* name;
        int32_t left, top, right, bottom;
    };
    const SRect rects[] = {
        {"cKeyUpsideRectangle", 0, 0, 8, 40},       {"dKeyUpsideRectangle", 8, 0, 12, 40},
        {"eKeyUpsideRectangle", 12, 0, 20, 40},     {"fKeyUpsideRectangle", 20, 0, 28, 40},
        {"gKeyUpsideRectangle", 28, 0, 32, 40},     {"aKeyUpsideRectangle", 32, 0, 36, 40},
        {"bKeyUpsideRectangle", 36, 0, 44, 40},     {"ebonyKeyRectangle", 44, 0, 52, 40},
        {"highestKeyUpsideRectangle", 52, 0, 64, 40}, {"ivoryKeyDownsideRectangle", 0, 40, 12, 60},
        {"highestKeyDownsideRectangle", 52, 40, 64, 60},
    };
    CTevPairList pairs{{"name", "kb"}, {"position", "0,0"}, {"bitmapRef", "keys"}, {"physicalKeyRange", range},
                       {"valueRef", "midi.ch[0].note"}, {"octaveValueRef", "ms.tone.octave"},
                       {"onVelocityValueRef", "ms.tone.velocity"}};
    for (const SRect& r : rects) {
        pairs.emplace_back(r.name, FormatString("%d,%d,%d,%d", r.left, r.top, r.right, r.bottom));
        pairs.emplace_back(std::string(r.name) + "Pressed",
                           FormatString("%d,%d,%d,%d", r.left + 100, r.top, r.right + 100, r.bottom));
    }
    return pairs;
}

// The layout without the tag, and with the text for it when one is given.
CTevPairList With(const std::string& tag, const char* text = nullptr, CTevPairList pairs = Layout())
{
    pairs.remove_if([&tag](const CTevPair& pair) { return pair.first == tag; });
    if (text)
        pairs.emplace_back(tag, text);
    return pairs;
}

class KeyboardTest : public ControlTest {
protected:
    // Short messages sent so far, then forgets them.
    Bytes TakeNotes() { return std::exchange(out.shorts, {}); }
    // Where the pressed images are drawn.
    std::vector<CTevPoint> Pressed(CTevKeyboardControl& keyboard)
    {
        Bitmap("keys")->cells.clear();
        keyboard.Draw(everything);
        std::vector<CTevPoint> pressed;
        for (const auto& cell : Bitmap("keys")->cells) {
            if (cell.sourceX >= 100)
                pressed.push_back(cell.position);
        }
        return pressed;
    }

    CFakeDrawInfo everything;
};

TEST_F(KeyboardTest, SixtyOneKeysOverThirtySixWhiteKeys)
{
    auto* keyboard = Make<CTevKeyboardControl>(Layout());
    ASSERT_NE(keyboard, nullptr) << Errors();
    EXPECT_EQ(keyboard->GetOctaveWidth(), 84);
    EXPECT_EQ(keyboard->GetRect(), (CTevRect{100, 50, 100 + 36 * 12, 110}));
    EXPECT_EQ(keyboard->GetKeyShapes()[1].upper, (CTevRect{8, 0, 16, 40}));   // C sharp
    EXPECT_EQ(keyboard->GetKeyShapes()[5].lower, (CTevRect{36, 40, 48, 60}));  // F

    // Points relative to the keyboard's corner.
    struct SHit {
        int32_t x, y, key;
    };
    const std::vector<SHit> hits = {
        {2, 10, 36},   {10, 10, 37},  // C, the black key
        {10, 45, 36},  {14, 45, 38},  // below the black key: the C under it; D
        {17, 10, 38},  {86, 10, 48},  // D's narrow upper part; the next octave's C
        {430, 10, 96}, {432, 10, -1}, // the highest key's full-width upper part; past it
    };
    for (const SHit& h : hits)
        EXPECT_EQ(keyboard->HitTest({100 + h.x, 50 + h.y}), h.key) << h.x << "," << h.y;

    // Every key is drawn once, white keys in two parts; the highest key
    // from its own image.
    CFakeStateBitmap* keys = Bitmap("keys");
    keyboard->Draw(everything);
    EXPECT_EQ(keys->cells.size(), size_t(61 + 36));
    EXPECT_EQ(keys->cells.back().position, (CTevPoint{100 + 420, 90}));
    EXPECT_EQ(keys->cells.back().size, (CTevPoint{12, 20}));
    EXPECT_EQ(keys->cells.back().sourceX, 52);
}

TEST_F(KeyboardTest, PressHoldsDragMovesReleaseReleases)
{
    CTevValue* octave = Value("ms.tone.octave");
    // The channel follows a value, as the receive channel does; 0 here.
    auto* keyboard = Make<CTevKeyboardControl>(With("valueRef", "midi.ch[ms.tone.mode].note"));
    ASSERT_NE(keyboard, nullptr) << Errors();
    auto* channels = dynamic_cast<ITevMidiStruct*>(Manager().FindStruct("midi"));
    ASSERT_NE(channels, nullptr);

    // The first C sounds 36 with the octave at 64, 48 at 65.
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    EXPECT_TRUE(keyboard->HasCapture());
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 36, 100}}));
    EXPECT_EQ(Pressed(*keyboard), (std::vector<CTevPoint>{{100, 50}, {100, 90}}));  // C, both parts
    // Dragging to D: the C's note off first, in a round of its own.
    const size_t rounds = forward.broadcasts.size();
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kMove, {114, 95}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x80, 36, 100}, {0x90, 38, 100}}));
    EXPECT_EQ(forward.broadcasts.size(), rounds + 2);
    EXPECT_EQ(Pressed(*keyboard), (std::vector<CTevPoint>{{116, 50}, {112, 90}}));
    // Between the keys, nothing is held; the release far outside is still
    // the keyboard's.
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kMove, {105, 200}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x80, 38, 100}}));
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonUp, {900, 900}));
    EXPECT_FALSE(keyboard->HasCapture() || Mouse(*keyboard, CTevMouseInfo::kButtonUp, {102, 60}));
    EXPECT_TRUE(TakeNotes().empty());

    Receive(octave, 65);
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 48, 100}}));
    // The octave moving while the key is held leaves no hanging note: the
    // note the keyboard turned on is released, though it is now out of
    // the shown range.
    Receive(octave, 68);
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonUp, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x80, 48, 100}}));
    EXPECT_TRUE(keyboard->GetPlayedNotes().empty());

    // A keyboard closed under a held key lets the note go; a later move
    // without the button plays nothing.
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 84, 100}}));
    keyboard->Close();
    EXPECT_EQ(TakeNotes(), (Bytes{{0x80, 84, 100}}));
    EXPECT_FALSE(keyboard->HasCapture() || Mouse(*keyboard, CTevMouseInfo::kMove, {114, 95}));
    EXPECT_TRUE(TakeNotes().empty());
    keyboard->Open();

    // The C's note off fails as the drag reaches D, and the box about it
    // takes the button's release: the gesture ends there, no D follows.
    // Once the box is answered the note off goes out.
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    out.failing = [&] { Mouse(*keyboard, CTevMouseInfo::kButtonUp, {900, 900}); };
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kMove, {114, 95}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 84, 100}, {0x80, 84, 100}}));
    EXPECT_TRUE(Pressed(*keyboard).empty());
    keyboard->Close();
    EXPECT_TRUE(TakeNotes().empty());
    keyboard->Open();

    // Two notes from outside end as the C is pressed; the first note off
    // fails, and in its box the drag goes on to D and is let go, which
    // writes every key state back while the second note off waits. Each
    // note off goes out once, the failed one with the drag's round.
    for (const uint8_t note : {88, 91})
        EXPECT_TRUE(channels->ReceiveShortMessage(CTevShortMessage(std::vector<uint8_t>{0x90, note, 90})));
    out.failing = [&] {
        Mouse(*keyboard, CTevMouseInfo::kMove, {114, 95});
        Mouse(*keyboard, CTevMouseInfo::kButtonUp, {114, 95});
    };
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 86, 100}, {0x80, 88, 100}, {0x80, 91, 100}, {0x80, 86, 100}}));
    EXPECT_TRUE(Pressed(*keyboard).empty());

    // The channel changes under a held key: the note ends on its own.
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonDown, {102, 60}));
    Receive(Value("ms.tone.mode"), 1);
    EXPECT_TRUE(Mouse(*keyboard, CTevMouseInfo::kButtonUp, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 84, 100}, {0x80, 84, 100}}));
    Receive(Value("ms.tone.mode"), 0);

    // A note from outside for a shown key is drawn pressed.
    Receive(octave, 64);
    EXPECT_TRUE(channels->ReceiveShortMessage(CTevShortMessage(std::vector<uint8_t>{0x90, 40, 90})));
    Manager().DispatchChanges();
    Manager().ClearChanges();
    EXPECT_EQ(Pressed(*keyboard), (std::vector<CTevPoint>{{128, 50}, {124, 90}}));  // E
    EXPECT_TRUE(TakeNotes().empty());
}

TEST_F(KeyboardTest, LayoutsAndReferencesRefused)
{
    const std::string noLayout;  // a rejected layout has no message of its own
    struct SCase {
        CTevPairList attributes;
        std::string message;
    };
    const std::vector<SCase> cases = {
        {With("physicalKeyRange", "0,129"), "Keyboard physicalKeyRange is invalid. : 0,129\n"},
        {With("physicalKeyRange", "10,5"), "Keyboard physicalKeyRange is invalid. : 10,5\n"},
        {With("physicalKeyRange", "-1,5"), "Keyboard physicalKeyRange is invalid. : -1,5\n"},
        {With("cKeyUpsideRectangle", "0,0,8"), "Keyboard cKeyUpsideRectangle is invalid. : 0,0,8\n"},
        {With("bitmapRef"), "Keyboard control kb needs bitmap. : bitmapRef\n"},
        // Only one of the lowest key's two images; a pressed C of another
        // size than the released one; no pressed black key.
        {With("lowestKeyUpsideRectangle", "0,0,8,40"), noLayout},
        {With("cKeyUpsideRectanglePressed", "100,0,109,40"), noLayout},
        {With("ebonyKeyRectanglePressed"), noLayout},
        // The highest C taken from the plain C: narrower above than below.
        {With("highestKeyUpsideRectangle", nullptr, With("highestKeyUpsideRectanglePressed")), noLayout},
        // The note value must be reference 0, and a MIDI channel's.
        {With("valueRef"), "There is no value reference for keyboard. : kb\n"},
        {With("octaveValueRef"), "There is no octave value reference for keyboard. : kb\n"},
        {With("onVelocityValueRef"), "There is no velocity value reference for keyboard. : kb\n"},
        {With("valueRef", "ms.tone.level"),
         "Referred value must be the note value of a MIDI channel for keyboard. : main.kb\n"},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(Refusal<CTevKeyboardControl>(c.attributes), c.message) << c.message;

    // An octave without width: every rectangle empty.
    CTevPairList empty = Layout("36,36");
    for (CTevPair& pair : empty) {
        if (pair.first.find("Rectangle") != std::string::npos)
            pair.second = "0,0,0,0";
    }
    EXPECT_EQ(Refusal<CTevKeyboardControl>(empty), noLayout);

    // The whole MIDI range is accepted.
    CTevKeyboardControl whole;
    CTevPairList attributes{{"physicalKeyRange", "0,128"}};
    whole.ReadAttributes(attributes);
    EXPECT_EQ(whole.GetLastKey(), 128);

    // A skin that does not load leaves a keyboard that plays but draws
    // nothing.
    Bitmap("keys")->failLoad = true;
    auto* blind = Make<CTevKeyboardControl>(Layout());
    ASSERT_NE(blind, nullptr) << Errors();
    EXPECT_TRUE(Pressed(*blind).empty() && Bitmap("keys")->cells.empty());
    EXPECT_TRUE(Mouse(*blind, CTevMouseInfo::kButtonDown, {102, 60}));
    EXPECT_EQ(TakeNotes(), (Bytes{{0x90, 36, 100}}));
}

} // namespace

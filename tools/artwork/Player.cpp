#include "Player.h"

namespace art {

namespace {

constexpr int kWideButton = 52;
constexpr int kSmallButton = 20;
constexpr int kButtonHeight = 20;
constexpr int kSkinPictureWidth = 64;
constexpr int kFaderCapWidth = 20;
constexpr int kFaderCapHeight = 10;
constexpr int kKeysWidth = 200;
constexpr int kKeysHeight = 60;

TextStyle CaptionStyle()
{
    TextStyle style;
    style.capHeight = 6.0f;
    style.stroke = 1.2f;
    return style;
}

// A raised face, sunk by a pixel and darker while pressed.
void PaintFace(Canvas& c, const Skin& skin, float top, float width, bool pressed)
{
    const Rgb faceTop = pressed ? Scale(skin.buttonBottom, 0.9f) : skin.buttonTop;
    const Rgb faceBottom = pressed ? skin.buttonTop : skin.buttonBottom;
    c.Fill(0, top, width, top + kButtonHeight,
           [&](float x, float y) { return RoundRectDistance(x, y, 0.5f, top + 0.5f, width - 0.5f, top + kButtonHeight - 0.5f, 3.0f); },
           [&](float, float y) { return Mix(faceTop, faceBottom, (y - top) / kButtonHeight); });
}

// Two states, up and pressed, with a caption.
Canvas PaintCaptionButton(const Skin& skin, int width, const std::string& caption)
{
    Canvas strip(width, 2 * kButtonHeight, skin.plate);
    for (int state = 0; state < 2; ++state) {
        const float top = static_cast<float>(state * kButtonHeight);
        PaintFace(strip, skin, top, static_cast<float>(width), state == 1);
        DrawText(strip, caption, width / 2.0f, top + 7.0f + state, 1, CaptionStyle(), skin.arrow);
    }
    return strip;
}

// Four states: the lamp lit in states 2 and 3, pressed in 1 and 3.
Canvas PaintSwitch(const Skin& skin, const std::string& caption)
{
    Canvas strip(kWideButton, 4 * kButtonHeight, skin.plate);
    for (int state = 0; state < 4; ++state) {
        const float top = static_cast<float>(state * kButtonHeight);
        const bool pressed = (state & 1) != 0;
        const bool on = (state & 2) != 0;
        PaintFace(strip, skin, top, kWideButton, pressed);
        const float cy = top + kButtonHeight / 2.0f + (pressed ? 1 : 0);
        strip.Fill(4, top, 14, top + kButtonHeight, [&](float x, float y) { return CircleDistance(x, y, 9, cy, 3.2f); },
                   on ? skin.arc : Scale(skin.plateDark, 0.8f));
        DrawText(strip, caption, 14, top + 7.0f + (pressed ? 1 : 0), 0, CaptionStyle(), skin.arrow);
    }
    return strip;
}

Canvas PaintFaderCap(const Skin& skin)
{
    Canvas cap(kFaderCapWidth, kFaderCapHeight, skin.plate);
    cap.Fill(0, 0, 20, 10, [](float x, float y) { return RoundRectDistance(x, y, 0.5f, 0.5f, 19.5f, 9.5f, 2.0f); },
             [&](float, float y) { return Mix(skin.bodyTop, skin.bodyBottom, y / 10.0f); });
    cap.Fill(0, 0, 20, 10, [](float x, float y) { return SegmentDistance(x, y, 3, 5, 17, 5) - 0.6f; }, skin.pointer);
    return cap;
}

// The key images: released on the left, pressed 100 pixels to the right.
// Upper parts are 40 high: C 8, D 4, E 8, F 8, G 4, A 4, B 8 wide, the
// black key 8, the highest key (a C with no black key after it) 12; the
// white keys' lower parts are 12 x 20.
Canvas PaintKeys(const Skin& skin)
{
    Canvas keys(kKeysWidth, kKeysHeight, skin.plate);
    const Rgb ivory = Hex("f6f1e4");
    const Rgb edge = Hex("8a8272");
    const Rgb ebony = Hex("1c1a18");
    auto box = [&](float l, float t, float r, float b, const Rgb& color) {
        keys.Fill(l, t, r, b, [=](float x, float y) { return RoundRectDistance(x, y, l, t, r, b, 0.0f); }, color);
    };
    for (int pressed = 0; pressed < 2; ++pressed) {
        const float o = pressed ? 100.0f : 0.0f;
        const Rgb white = pressed ? Mix(ivory, skin.arc, 0.45f) : ivory;
        const Rgb black = pressed ? Mix(ebony, skin.arc, 0.6f) : ebony;
        // C, D, E, F, G, A, B upper parts side by side, then the black key
        // and the highest key.
        const float widths[7] = {8, 4, 8, 8, 4, 4, 8};
        float x = o;
        for (int i = 0; i < 7; ++i) {
            box(x, 0, x + widths[i], 40, white);
            if (i == 2 || i == 6)  // E and B meet the next white key above too
                box(x + widths[i] - 1, 0, x + widths[i], 40, edge);
            x += widths[i];
        }
        box(o + 44, 0, o + 52, 40, black);
        box(o + 45, 0, o + 51, 36, Mix(black, ivory, 0.12f));
        box(o + 52, 0, o + 64, 40, white);
        box(o + 63, 0, o + 64, 40, edge);
        // The lower parts: the common one and the highest key's.
        for (float l : {o, o + 52}) {
            box(l, 40, l + 12, 60, white);
            box(l + 11, 40, l + 12, 60, edge);
            box(l, 59, l + 12, 60, edge);
        }
    }
    return keys;
}

// The colours of a skin the tool doesn't paint, for its cell of the skin
// picture: neutral greys that suit any look.
Skin Plain(const std::string& name)
{
    Skin skin;
    skin.name = name;
    skin.display = Hex("c8c8c8");
    skin.displayEdge = Hex("505050");
    skin.displayText = Hex("202020");
    skin.headerTop = Hex("9a9a9a");
    skin.headerBottom = Hex("6a6a6a");
    return skin;
}

} // namespace

std::vector<NamedCanvas> PaintPlayerBitmaps(const Skin& skin)
{
    return {
        {skin.name + "ReadButton", PaintCaptionButton(skin, kWideButton, "READ")},
        {skin.name + "WriteButton", PaintCaptionButton(skin, kWideButton, "WRITE")},
        {skin.name + "SelectButton", PaintCaptionButton(skin, kWideButton, "SELECT")},
        {skin.name + "MinusButton", PaintCaptionButton(skin, kSmallButton, "-")},
        {skin.name + "PlusButton", PaintCaptionButton(skin, kSmallButton, "+")},
        {skin.name + "Switch", PaintSwitch(skin, "EFFECTS")},
        {skin.name + "Fader", PaintFaderCap(skin)},
        {skin.name + "Keys", PaintKeys(skin)},
    };
}

NamedCanvas PaintSkinPicture(const std::vector<std::string>& cells)
{
    Canvas picture(kSkinPictureWidth, kButtonHeight * static_cast<int>(cells.size()), Rgb{});
    for (size_t i = 0; i < cells.size(); ++i) {
        size_t painted = 0;
        const Skin skin = FindSkin(cells[i], painted) ? Skins()[painted] : Plain(cells[i]);
        const int top = kButtonHeight * static_cast<int>(i);
        // A flat window with a sharp dark edge, like the displays: it shows
        // the skin, nothing to press.
        for (int y = top; y < top + kButtonHeight; ++y)
            for (int x = 0; x < kSkinPictureWidth; ++x) {
                const bool edge = y == top || y == top + kButtonHeight - 1 || x == 0 || x == kSkinPictureWidth - 1;
                const Rgb& c = edge ? skin.displayEdge : skin.display;
                picture.At(x, y) = {c.r, c.g, c.b, 1.0f};
            }
        const float t = static_cast<float>(top);
        picture.Fill(4, t + 5, 14, t + 15, [&](float x, float y) { return RoundRectDistance(x, y, 4, t + 5, 14, t + 15, 0); },
                     skin.displayEdge);
        picture.Fill(5, t + 6, 13, t + 14, [&](float x, float y) { return RoundRectDistance(x, y, 5, t + 6, 13, t + 14, 0); },
                     [&](float, float y) { return Mix(skin.headerTop, skin.headerBottom, (y - t - 6) / 8.0f); });
        DrawText(picture, skin.name, 18, t + 7, 0, CaptionStyle(), skin.displayText);
    }
    return {kSkinPicture, picture};
}

void PaintSliderSlots(Canvas& window, const Skin& skin, const Face& face)
{
    for (const Section& section : face.sections)
        for (const Item& item : section.items) {
            if (item.kind != Kind::Slider)
                continue;
            // The cap's centre travels from half a cap below the top to
            // half a cap above the bottom.
            const float cx = (item.rect.left + item.rect.right) / 2.0f;
            const float top = static_cast<float>(item.rect.top + kFaderCapHeight / 2);
            const float bottom = static_cast<float>(item.rect.bottom - kFaderCapHeight / 2);
            window.Fill(cx - 3, top - 2, cx + 3, bottom + 2,
                        [=](float x, float y) { return RoundRectDistance(x, y, cx - 2, top - 1, cx + 2, bottom + 1, 2.0f); },
                        skin.track);
        }
}

void PaintedCellSize(const std::string& bitmap, int& width, int& height)
{
    struct Cell {
        std::string suffix;
        int width, height;
    };
    const Cell cells[] = {{"ReadButton", kWideButton, kButtonHeight},  {"WriteButton", kWideButton, kButtonHeight},
                          {"SelectButton", kWideButton, kButtonHeight}, {"Switch", kWideButton, kButtonHeight},
                          {"MinusButton", kSmallButton, kButtonHeight}, {"PlusButton", kSmallButton, kButtonHeight},
                          {"Fader", kFaderCapWidth, kFaderCapHeight},
                          {"Knob", kKnobCell, kKnobCell},               {"CentreKnob", kKnobCell, kKnobCell},
                          {"Button", kButtonSize, kButtonSize}};
    width = height = 0;
    if (bitmap == kSkinPicture) {
        width = kSkinPictureWidth;
        height = kButtonHeight;
        return;
    }
    for (const Skin& skin : Skins())
        for (const Cell& cell : cells)
            if (bitmap == skin.name + cell.suffix) {
                width = cell.width;
                height = cell.height;
                return;
            }
}

} // namespace art

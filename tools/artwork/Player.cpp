#include "Player.h"

#include <algorithm>

namespace art {

namespace {

constexpr int kWideButton = 52;
constexpr int kSmallButton = 20;
constexpr int kButtonHeight = 20;

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
    Canvas cap(20, 10, skin.plate);
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
    Canvas keys(200, 60, skin.plate);
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

NamedCanvas PaintSkinPicture()
{
    const auto& skins = Skins();
    Canvas picture(64, 20 * static_cast<int>(skins.size()), Rgb{});
    for (size_t i = 0; i < skins.size(); ++i) {
        const Skin& skin = skins[i];
        const float top = 20.0f * static_cast<float>(i);
        picture.Fill(0, top, 64, top + 20, [&](float x, float y) { return RoundRectDistance(x, y, 0.5f, top + 0.5f, 63.5f, top + 19.5f, 3.0f); },
                     [&](float, float y) { return Mix(skin.headerTop, skin.headerBottom, (y - top) / 20.0f); });
        DrawText(picture, skin.name, 32, top + 7, 1, CaptionStyle(), skin.headerText);
    }
    return {"skinPicture", picture};
}

void PaintPlayerPlate(Canvas& window, const Skin& skin, const Window& layout)
{
    for (const Section& section : layout.sections) {
        if (section.name != "player")
            continue;
        const Rect plate = PlateRect(section);
        for (int fx : kFaderX) {
            const float cx = static_cast<float>(plate.left + fx + 10);
            const float top = static_cast<float>(plate.top + kPlayerRow2 + 5);
            const float bottom = top + kFaderHeight - 10;
            window.Fill(cx - 3, top - 2, cx + 3, bottom + 2,
                        [=](float x, float y) { return RoundRectDistance(x, y, cx - 2, top - 1, cx + 2, bottom + 1, 2.0f); },
                        skin.track);
        }
    }
}

} // namespace art

#pragma once
// The player's plate of both main windows: the patch buttons and displays,
// the effects switch, the skin picture, two faders and a keyboard of five
// octaves. Its controls are placed by the script's own panel type; the
// artwork paints their bitmaps and the fader slots on the plate, all at the
// places given here.
#include "Canvas.h"
#include "Layout.h"
#include "Skins.h"

#include <string>
#include <vector>

namespace art {

// The plate, spanning `width` at (x, y); two rows of slots high.
inline Section PlayerSection(int x, int y, int width)
{
    return {"player", "PATCH & KEYBOARD", x, y, 1, 2, 0, width, {}};
}

// Places of the controls on the plate (relative to it).
constexpr int kPlayerRow1 = 30;
constexpr int kPlayerRow2 = 58;
constexpr int kFaderHeight = 80;
constexpr int kFaderX[2] = {14, 42};

// One bitmap to write: its name (without ".bmp") and picture.
struct NamedCanvas {
    std::string name;
    Canvas canvas;
};

// The bitmaps of one skin: "<skin>ReadButton", "<skin>WriteButton",
// "<skin>SelectButton" (52 x 20, up and pressed), "<skin>MinusButton" and
// "<skin>PlusButton" (20 x 20), "<skin>Switch" (52 x 20, four states: off,
// off pressed, on, on pressed), "<skin>Fader" (the 20 x 10 cap) and
// "<skin>Keys" (the key images of the keyboard).
std::vector<NamedCanvas> PaintPlayerBitmaps(const Skin& skin);
// "skinPicture": one 64 x 20 state per skin, its swatch and name.
NamedCanvas PaintSkinPicture();
// The fader slots on the plate of a window that has one.
void PaintPlayerPlate(Canvas& window, const Skin& skin, const Window& layout);

} // namespace art

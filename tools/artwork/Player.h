#pragma once
// The bitmaps of the player's plate of both main windows: the patch buttons,
// the effects switch, the skin picture, the fader cap and the keys; and the
// fader slots, painted on the window under each slider of the script.
#include "Canvas.h"
#include "Layout.h"
#include "Skins.h"

#include <string>
#include <vector>

namespace art {

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
constexpr const char* kSkinPicture = "skinPicture";
// kSkinPicture: a 64 x 20 state for each of these skin names, in this order
// (Edition::skinCells), with the skin's swatch and name, drawn as an
// indicator window set into the plate, not as a button. A skin the tool
// doesn't paint gets a plain grey cell with its name.
NamedCanvas PaintSkinPicture(const std::vector<std::string>& cells);
// The fader slot under every slider of the face.
void PaintSliderSlots(Canvas& window, const Skin& skin, const Face& face);

// The cell size of every bitmap the artwork paints, by name (0, 0 for one it
// doesn't paint): the size of the knobs, buttons and pictures the script
// places without one. (The keyboard's size follows from its keys, not from
// its bitmap: it is left empty.)
void PaintedCellSize(const std::string& bitmap, int& width, int& height);

} // namespace art

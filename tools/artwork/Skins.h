#pragma once
// The skins and everything painted in them: knob strips, combo buttons,
// window backgrounds, the splash picture and the icons.
#include "Canvas.h"
#include "Layout.h"

#include <string>
#include <vector>

namespace art {

struct Skin {
    std::string name; // prefixes its bitmaps and text writers
    Rgb windowTop, windowBottom;
    Rgb headerTop, headerBottom, headerText, headerLine;
    Rgb plate, plateLight, plateDark, title, label, divider;
    Rgb display, displayText, displayEdge;
    Rgb track, arc;
    Rgb bodyTop, bodyBottom, rim, pointer;
    float gloss = 0.0f; // a lacquered cap shows a highlight
    Rgb buttonTop, buttonBottom, arrow;
};

// The skins the tool can paint: "classic" (ivory and walnut) and
// "midnight" (graphite and amber). A program gets those its script names.
const std::vector<Skin>& Skins();
// The index in Skins() of the skin of this name; false when the tool
// doesn't paint it.
bool FindSkin(const std::string& name, size_t& index);

// The bitmap names a skin uses.
// A window's background in a skin: "<skin><Window>" ("classicMain").
std::string WindowBitmapName(const Skin& skin, const std::string& window);
std::string KnobBitmapName(const Skin& skin, Kind kind);
std::string ButtonBitmapName(const Skin& skin);

// A vertical strip of kKnobCells cells of kKnobCell pixels.
Canvas PaintKnobStrip(const Skin& skin, bool centred);
// Two cells of kButtonSize pixels: released, pressed.
Canvas PaintButton(const Skin& skin);
// The background of one face of a window, in the face's skin: the header
// with its caption and field labels, and every section's plate.
Canvas PaintFace(const Window& window, const Face& face);

// `accentTop`/`accentBottom` colour the program's tile.
struct Brand {
    std::string product;
    Rgb accentTop, accentBottom;
};
Brand BrandOf(const Edition& edition);
Canvas PaintSplash(const Brand& brand);
std::vector<Canvas> PaintProgramIcons(const Brand& brand);
std::vector<Canvas> PaintDocumentIcons(const Brand& brand);

} // namespace art

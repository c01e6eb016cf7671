#pragma once
// What the artwork paints for one program: every window face of its script
// (one per skin) with the header's fields, the sections (the node panels,
// painted as engraved plates with a title) and the controls on them, all
// placed where the script puts them. The script is the one source of the
// geometry; this tool adds only what a script does not hold: the titles and
// labels (Labels.cpp, keyed by the names the script uses) and the looks.
#include "Script.h"

#include <set>
#include <string>
#include <vector>

namespace art {

enum class Kind {
    Knob,       // a knob whose arc grows from the left end
    CentreKnob, // a knob for signed values: the arc grows from the top
    Combo,      // a pop-up list of named choices
    Edit,       // a pop-up text editor
    Display,    // a static text
    Slider,
    Curve,      // an envelope, LFO, bias or fade-range display
    Button,     // its caption is painted on its own bitmap
    Picture,
    Keyboard,
};

struct Item {
    Kind kind = Kind::Knob;
    std::string path;  // the control's path below the face: "filter.vcfreq", or "patchName" in the header
    std::string label; // engraved beside it; empty when it needs none
    Rect rect;         // window coordinates
    Rect labelAnchor;  // the rect the label is placed against (its own, unless the label names another)
    Kind anchorKind = Kind::Knob;
};

struct Section {
    std::string name;  // node panel name
    std::string title; // engraved title
    Rect rect;         // window coordinates
    std::vector<Item> items;
};

// One skin's face of a window; only the skins the tool paints have theirs
// here.
struct Face {
    size_t skin = 0;    // index into Skins()
    std::string bitmap; // the background bitmap it names
    std::vector<Item> header;
    std::vector<Section> sections;
};

struct Window {
    std::string name;    // root panel name ("main", "Effects")
    std::string caption; // the big engraved name in the header
    int width = 0, height = 0;
    std::vector<Face> faces;
};

// A skin that the window faces of the script name (their "skin"), with
// every bitmap those faces use.
struct NamedSkin {
    std::string name; // "classic"
    std::set<std::string> bitmaps;
};

struct Edition {
    std::string id;      // "kappa" or "sigma"
    std::string product; // "KappaEdit"
    std::vector<Window> windows;
    // In the order the faces first name them, painted by the tool or not.
    std::vector<NamedSkin> skins;
    // The skin of each cell of the skin picture: cell i is shown at skin
    // value minimum + i, and is the skin of the faces that open at that
    // value. The skins' order above when the build can't tell (then told
    // among the problems).
    std::vector<std::string> skinCells;
    // Every bitmap the script declares.
    std::set<std::string> declaredBitmaps;
    // Controls and sections that need a label or title and have none, and
    // labels that name no control: told to the skin author, never painted.
    std::vector<std::string> problems;
};

constexpr int kHeaderHeight = 52;
constexpr int kKnobCell = 40;
constexpr int kKnobCells = 64;
constexpr int kButtonSize = 14;

// The edition's panels from its script. False, with the reason in `errors`,
// when the script can't be read.
bool ReadEdition(const std::string& id, std::istream& script, Edition& edition, std::string& errors);
bool ReadEditionFile(const std::string& id, const std::string& path, Edition& edition, std::string& errors);

// Where an item's label is painted: the top of its capitals, the x it is
// aligned to (align 0 left of x, 1 centred), and the box it covers.
struct LabelPlace {
    float x = 0, top = 0;
    int align = 1;
    Rect box;
};
LabelPlace PlaceLabel(const Item& item, bool inHeader);

} // namespace art

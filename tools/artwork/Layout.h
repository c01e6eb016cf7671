#pragma once
// The panels of both programs as one description: windows, their sections
// (engraved plates with a title), and the controls on a grid of slots. The
// artwork draws the plates, labels and display boxes from it, and the
// script's panel definitions are written from it, so the two always agree.
#include <string>
#include <vector>

namespace art {

enum class Kind {
    Knob,        // a knob whose arc grows from the left end
    CentreKnob,  // a knob for signed values: the arc grows from the top
    Combo,       // a pop-up list of named choices
    Edit,        // a pop-up text editor
};

struct Item {
    Kind kind = Kind::Knob;
    std::string name;     // the control's name in the script
    std::string label;    // engraved under or above it
    std::string valueRef; // the value it shows
    int col = 0, row = 0; // slot in the section grid (header fields: pixels)
    int span = 1;         // slots wide (combos)
    std::string table;    // a combo's string table, if any
};

struct Section {
    std::string name;  // node panel name
    std::string title; // engraved title
    int x = 0, y = 0;  // plate position in the window
    int cols = 1, rows = 1;
    int minHeight = 0; // stretch the plate to line up with its neighbours
    int minWidth = 0;
    std::vector<Item> items;
};

struct Window {
    std::string name;     // root panel name ("main", ...)
    std::string caption;  // the big engraved name in the header
    std::string openCondition;
    std::string closeValueRef;
    int closeValue = 0;
    int windowX = 0, windowY = 0;
    std::vector<Item> header; // fields in the header bar, positions in pixels
    std::vector<Section> sections;
};

struct StringTable {
    std::string name;
    std::string entries; // as the script writes them: comma separated
};

struct Edition {
    std::string id;      // "kappa" or "sigma": prefixes the panel types
    std::string product; // "KappaEdit"
    std::vector<Window> windows;
    std::vector<StringTable> tables;
};

// Grid geometry shared by the painter and the script writer.
constexpr int kSlotWidth = 52;
constexpr int kSlotHeight = 58;
constexpr int kPlatePad = 8;
constexpr int kTitleHeight = 24;
constexpr int kHeaderHeight = 52;
constexpr int kMargin = 10;
constexpr int kKnobCell = 40;
constexpr int kKnobCells = 64;
constexpr int kButtonSize = 14;
constexpr int kFieldHeight = 18;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

Rect PlateRect(const Section& section);
// A control's rect relative to its plate (sections) or window (header).
Rect ItemRect(const Item& item, bool inHeader);
// The window's size: everything plus the margin.
int WindowWidth(const Window& window);
int WindowHeight(const Window& window);

const Edition& KappaEdition();
const Edition& SigmaEdition();

} // namespace art

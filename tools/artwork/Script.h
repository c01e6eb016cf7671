#pragma once
// The panels of a script as the program builds them: every root panel with
// its tree of node panels and controls, macros resolved, each rect in the
// window's coordinates. It is read with the framework's own script reader,
// so the artwork is painted where the program puts the controls.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace art {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

struct ScriptControl {
    std::string type;   // "knob", "combo", "slider", ...
    std::string name;
    Rect rect;          // window coordinates
    std::string bitmap; // "bitmapRef", macros resolved
};

struct ScriptPanel {
    std::string name;
    Rect rect;          // window coordinates
    std::string bitmap; // "bitmapRef", macros resolved; empty when none
    std::string skin;   // the "skin" its entry gives (a window face's skin); empty when none
    std::string openCondition = "1"; // macros resolved; a panel without one is always open
    std::vector<ScriptPanel> panels;
    std::vector<ScriptControl> controls;
};

// The size a control without a "size" takes from its bitmap (a knob, a
// button, a picture): the cell size of the named bitmap, or 0, 0 when the
// bitmap is not known.
using CellSize = std::function<void(const std::string& bitmap, int& width, int& height)>;

// The value whose number the programs choose their skin by.
constexpr const char* kSkinValue = "vs.misc.skin";

// What the script declares besides its panels.
struct ScriptDeclarations {
    // The "stateCount" of every bitmap, by name (1 when it gives none).
    std::map<std::string, int> stateCounts;
    // The "range" of kSkinValue as written, "0,127" when the value gives
    // none; empty when the script has no such value.
    std::string skinRange;
    // The "numberTableRef" of kSkinValue; empty when it gives none.
    std::string skinTable;
    // The entries of every number table that reads as numbers, by name.
    std::map<std::string, std::vector<int32_t>> numberTables;
};

// Reads every root panel of the script, in script order, and what it
// declares. False, with the reason in `errors`, when the script or a panel
// in it can't be read.
bool ReadScriptPanels(std::istream& script, const CellSize& cellSize, std::vector<ScriptPanel>& rootPanels,
                      ScriptDeclarations& declarations, std::string& errors);

} // namespace art

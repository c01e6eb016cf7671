#pragma once
// The key layout of the keyboard tests, as script attributes: 61 keys
// (36..96) over 36 white keys by default.
#include "core/TevHelpers.h"
#include "core/TevScript.h"

#include <string>

namespace control_fixture {

// Released images on the left of the skin, pressed ones 100 pixels to the
// right. White upper parts C 8, D 4, E 8, F 8, G 4, A 4, B 8 wide, black
// keys 8, all 40 high; white lower parts 12 x 20; the highest key (a C at
// the end) is a full 12 wide.
inline CTevPairList Layout(const std::string& range = "36,96")
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

// The attributes as the script's control element of the type.
inline std::string ControlElement(const std::string& type, const CTevPairList& attributes)
{
    std::string element = "<control><type>" + type + "</type>";
    for (const auto& [tag, text] : attributes)
        element += "<" + tag + ">" + text + "</" + tag + ">";
    return element + "</control>";
}

} // namespace control_fixture

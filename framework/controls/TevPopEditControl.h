#pragma once
// The pop edit (script type "edit"): a click opens a one-line editor below
// the text area; the typed text becomes the value. The editor window is the
// platform's: it derives from this class and implements OpenPopup.
#include "controls/TevPopControl.h"

#include <cstdint>
#include <string>

class CTevPopEditControl : public CTevPopControl {
public:
    static constexpr const char* kTypeName = "edit";

    // The pop control's create, the defaults (button top-left, text to its
    // right) and the checks; string values are allowed.
    bool Create(CTevView* parent) override;
    std::string GetTypeName() const override { return kTypeName; }
    // A string value's text; a numeric value's table entry or number plus
    // the offset value.
    void Update() override;
    void OpenPopup() override = 0;

    // Turns the typed text into the value and sends it through the four
    // calls of the change protocol: a table entry nearest to the text, a
    // number (unreadable: the minimum) clamped to the range, or a string cut
    // or padded to the value's size with bytes outside 0x20..0x7F blanked.
    virtual void CommitText(const std::string& text);
};

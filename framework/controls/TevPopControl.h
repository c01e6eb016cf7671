#pragma once
// The base of the pop controls: the current value of one parameter shown as
// text in a text area of the panel, optionally with a button picture beside
// it; a click opens a pop-up (a menu or an editor) that picks or types a new
// value. The pop-up is modal: the click's handling returns when it closes.
#include "controls/TevControl.h"

#include <cstdint>
#include <string>

class CTevStateBitmap;
class CTevStringTable;
class CTevTextWriter;

class CTevPopControl : public CTevControl {
public:
    CTevPopControl() = default;
    ~CTevPopControl() override = default;

    // The control attributes, then "textPosition", "textSize",
    // "buttonPosition", "textWriterRef", "bitmapRef", "stringTableRef" and
    // "offsetValue". Unknown references and an unreadable offset fail.
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference and a text writer; acquires the button
    // bitmap; a string table needs a numeric value. The text rect and button
    // position become panel coordinates.
    bool Create(CTevView* parent) override;
    // The text into the text rect, then the button (pressed or not).
    void Draw(CTevDrawInfo& drawInfo) override;
    // A press or double click inside (on the button, when there is one)
    // makes the control active, shows the button pressed and opens the
    // pop-up.
    bool OnMouse(CTevMouseInfo& mouse) override;
    // Each edge of the text rect moves with the same edge of the control;
    // the button moves with the top-left corner.
    void SetRect(const CTevRect& rect) override;
    bool Serialize(CTevArchive& archive) override;

    // The text shown.
    virtual std::string GetText() const { return m_text; }
    // Shows the pop-up and returns when it has closed; it ends with
    // ReleaseButton and SetActive(false).
    virtual void OpenPopup() = 0;

    // The button is drawn released again.
    void ReleaseButton();
    // The button's rect: one cell of the bitmap at the button position; the
    // empty rect there without a bitmap.
    CTevRect GetButtonRect() const;

    CTevStateBitmap* GetButtonBitmap() const { return m_buttonBitmap; }
    const CTevPoint& GetButtonPosition() const { return m_buttonPosition; }
    const CTevRect& GetTextRect() const { return m_textRect; }
    CTevTextWriter* GetTextWriter() const { return m_textWriter; }
    CTevStringTable* GetStringTable() const { return m_stringTable; }
    int32_t GetOffsetValue() const { return m_offsetValue; }
    bool IsPressed() const { return m_pressed; }

protected:
    // The kinds' defaults for what the script left out, then the checks;
    // kind is "combo" or "edit" for the messages. buttonTopRight: a missing
    // button goes to the top-right corner (the combo) instead of the
    // top-left (the edit).
    bool ApplyDefaultsAndCheck(const char* kind, bool buttonTopRight);

    // Owned by the resource manager.
    CTevStateBitmap* m_buttonBitmap = nullptr;
    CTevPoint m_buttonPosition{-1, -1};
    CTevRect m_textRect{-1, -1, -1, -1};
    CTevTextWriter* m_textWriter = nullptr;
    CTevStringTable* m_stringTable = nullptr;
    int32_t m_offsetValue = 0;
    bool m_pressed = false;
    std::string m_text;
};

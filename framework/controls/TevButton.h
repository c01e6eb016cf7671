#pragma once
// Bitmap buttons: the shared base that draws one state of a multi-state
// skin bitmap and turns mouse presses into press and release operations,
// the unlatch button ("unlatchButton") that runs a named command, and the
// latch button ("latchButton") that toggles a value between two numbers.
//
// Bit 0 of the drawn state is the pressed bit. The latch button adds bit 1
// for "the value equals the on value", which gives its four states: 0 off
// and up, 1 off and pressed, 2 on and up, 3 on and pressed. The unlatch
// button uses states 0 (up) and 1 (pressed).
#include "controls/TevControl.h"

#include <cstdint>
#include <string>

class CTevStateBitmap;

class CTevButton : public CTevControl {
public:
    CTevButton() = default;
    ~CTevButton() override = default;

    // The control attributes, then "bitmapRef" (required).
    bool ReadAttributes(CTevPairList& attributes) override;
    // The control's create, then the bitmap is loaded and the rect becomes
    // one cell of it, whatever "size" said.
    bool Create(CTevView* parent) override;
    // The current state (clamped to the bitmap's states) at the top-left
    // corner, when the rect needs repainting.
    void Draw(CTevDrawInfo& drawInfo) override;
    // A press inside shows the button pressed, makes it active, takes the
    // capture and calls OnPress. While captured, moves show it pressed
    // inside and up outside; the release shows it up, releases the capture,
    // calls OnRelease and makes it inactive.
    bool OnMouse(CTevMouseInfo& mouse) override;
    // Moves only: the size stays one cell.
    void SetRect(const CTevRect& rect) override;
    // The control part, then the bitmap.
    bool Serialize(CTevArchive& archive) override;

    virtual void OnPress(CTevMouseInfo& mouse) { (void)mouse; }
    virtual void OnRelease(CTevMouseInfo& mouse) { (void)mouse; }

    CTevStateBitmap* GetBitmap() const { return m_bitmap; }
    bool IsPressed() const { return m_pressed; }
    int32_t GetState() const { return m_state; }

protected:
    void ShowPressed();
    void ShowUp();

    // Owned by the resource manager.
    CTevStateBitmap* m_bitmap = nullptr;
    bool m_pressed = false;
    int32_t m_state = 0;
};

// Runs "function" with "arguments" through the function manager: on the
// press when "action" is 0 (the default), else on a release over the
// button (a release outside cancels).
class CTevUnlatchButton : public CTevButton {
public:
    static constexpr const char* kTypeName = "unlatchButton";

    // The button's attributes, then "function", "arguments" and "action".
    bool ReadAttributes(CTevPairList& attributes) override;
    // The button's create; the bitmap needs at least 2 states.
    bool Create(CTevView* parent) override;
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    void OnPress(CTevMouseInfo& mouse) override;
    void OnRelease(CTevMouseInfo& mouse) override;

    const std::string& GetFunction() const { return m_function; }
    const std::string& GetArguments() const { return m_arguments; }
    int32_t GetAction() const { return m_action; }

private:
    void CallFunction();

    std::string m_function;
    std::string m_arguments;
    int32_t m_action = 0;
};

// Toggles its one integer value between "onValue" and "offValue" (condition
// expressions, by default 1 and 0) on a release over the button, and shows
// whether the value equals the on value.
class CTevLatchButton : public CTevButton {
public:
    static constexpr const char* kTypeName = "latchButton";

    // The button's attributes with exactly one "valueRef", then "onValue"
    // and "offValue"; the values the expressions name become further
    // references after the first.
    bool ReadAttributes(CTevPairList& attributes) override;
    // The button's create; the bitmap needs at least 4 states and the value
    // must be numeric.
    bool Create(CTevView* parent) override;
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The on bit from the value and the on expression.
    void Update() override;
    // Over the button: the off value when the value equals the on value,
    // else the on value, clamped to the value's range and sent.
    void OnRelease(CTevMouseInfo& mouse) override;

    const std::string& GetOnValue() const { return m_onValue; }
    const std::string& GetOffValue() const { return m_offValue; }

private:
    std::string m_onValue = "1";
    std::string m_offValue = "0";
    // The last results of the two expressions; kept when one fails to
    // evaluate later.
    int32_t m_on = 1;
    int32_t m_off = 0;
};

#pragma once
// Shows a drag control's value in the manager's tip bar while the user
// works the control: the bar appears below the control when it becomes the
// active view, follows its value and disappears when it stops being active.
#include "core/TevScript.h"

#include <cstdint>
#include <string>

class CTevArchive;
class CTevDragControl;
class CTevStringTable;

class CTevTipBarOperator {
public:
    // Results of ReadAttributes.
    enum : int { kReadFailed = 0, kNotWanted = 1, kKeep = 2 };

    explicit CTevTipBarOperator(CTevDragControl* control) : m_control(control) {}
    CTevTipBarOperator(const CTevTipBarOperator&) = delete;
    CTevTipBarOperator& operator=(const CTevTipBarOperator&) = delete;
    virtual ~CTevTipBarOperator() = default;

    // Takes its own attributes from the control's list: kReadFailed (the
    // control fails to read), kNotWanted (the control deletes the operator)
    // or kKeep.
    virtual int ReadAttributes(CTevPairList& attributes) = 0;
    // Checks the attributes against the control's value; false fails the
    // control's creation.
    virtual bool Create() = 0;
    // Called by the control when it becomes active or inactive.
    virtual void SetActive(bool active) = 0;
    // Called by the control whenever it reacted to a change of its values.
    virtual void showValueOnTipBar() = 0;
    virtual bool Serialize(CTevArchive& archive) = 0;

    // Not owned: the control owns the operator.
    CTevDragControl* GetControl() const { return m_control; }

protected:
    CTevDragControl* m_control;
};

// Shows the control's first value: an integer as "%d" of the value plus
// "offsetValue", or as the entry of "stringTableRef" at the value's index;
// any other value as its string.
class CTevSingleTipBarOperator : public CTevTipBarOperator {
public:
    explicit CTevSingleTipBarOperator(CTevDragControl* control) : CTevTipBarOperator(control) {}

    // "useTipBar" (0 or 1, default 1), "offsetValue" and "stringTableRef";
    // each understood pair is removed, others stay for the control. A bad
    // attribute is reported with the control's path and the text, and the
    // result is kReadFailed; else kKeep, or kNotWanted for "useTipBar" 0.
    int ReadAttributes(CTevPairList& attributes) override;
    // With a string table the value must be an integer.
    bool Create() override;
    // True: the bar is anchored at the control's bottom-left corner (in
    // screen coordinates), marked dirty and given the value's text. Both:
    // the bar's visible flag becomes the flag.
    void SetActive(bool active) override;
    // Writes the value's text into the bar, but only while the control is
    // the active view: the bar shows one control's value at a time, and a
    // change that reaches an inactive control (from the device, say) must
    // not overwrite the text of the control the user is working.
    void showValueOnTipBar() override;
    // The offset, then the string table as an object reference.
    bool Serialize(CTevArchive& archive) override;

    // The text shown for the control's first value; empty without one.
    std::string GetValueText() const;

    int32_t GetOffsetValue() const { return m_offsetValue; }
    const CTevStringTable* GetStringTable() const { return m_stringTable; }

private:
    int32_t m_offsetValue = 0;
    // Owned by the resource manager.
    CTevStringTable* m_stringTable = nullptr;
};

#pragma once
// The pop combo (script type "combo"): a click opens a menu of every
// selectable value of a numeric parameter, split into sub-menus of at most
// 32 items; the chosen item becomes the value.
#include "controls/TevPopControl.h"
#include "views/TevPopupMenu.h"

#include <cstdint>
#include <string>

class CTevPopComboControl : public CTevPopControl {
public:
    static constexpr const char* kTypeName = "combo";
    static constexpr int32_t kItemsPerDivision = 32;

    // Prints the text of one index for the menu's leaves.
    class CPrinter : public CTevStringTablePopupMenuUtility::IPrinter {
    public:
        explicit CPrinter(const CTevPopComboControl& combo) : m_combo(combo) {}
        std::string Print(int32_t index) override { return m_combo.TextOfIndex(index); }

    private:
        const CTevPopComboControl& m_combo;
    };

    // The pop control's attributes, then "divisionItemOffset".
    bool ReadAttributes(CTevPairList& attributes) override;
    // The pop control's create, the defaults (button top-right, text to its
    // left), the checks, and a numeric value.
    bool Create(CTevView* parent) override;
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The text of the value's current index.
    void Update() override;
    // The menu below the text area, the current index marked; a choice goes
    // to SetValueIndex.
    void OpenPopup() override;

    // The four calls of the change protocol with the index, also when the
    // value is already there.
    virtual void SetValueIndex(int32_t index);

    // The string table's entry at the index (clamped to the table), or the
    // index plus the offset value as a number.
    std::string TextOfIndex(int32_t index) const;
    // The number of items the menu offers: the value's steps, no more than
    // the string table's entries.
    int32_t GetItemCount() const;
    int32_t GetDivisionItemOffset() const { return m_divisionItemOffset; }

private:
    int32_t m_divisionItemOffset = 0;
};

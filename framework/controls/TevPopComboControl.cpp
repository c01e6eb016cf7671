#include "controls/TevPopComboControl.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include <algorithm>
#include <memory>

namespace {

// Decimal digits of a positive number.
int32_t DigitCount(int64_t x)
{
    int32_t digits = 1;
    while (x >= 10) {
        x /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

bool CTevPopComboControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevPopControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first != "divisionItemOffset") {
            ++it;
            continue;
        }
        if (!ScanLong(it->second, m_divisionItemOffset)) {
            ErrorLog().Printf("Division item offset value is invalid for pop combo control. : %s : %s\n",
                              GetPath().c_str(), it->second.c_str());
            return false;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevPopComboControl::Create(CTevView* parent)
{
    if (!CTevPopControl::Create(parent)) {
        ErrorLog().Printf("Unable to create combo. : %s\n", GetPath().c_str());
        return false;
    }
    if (!ApplyDefaultsAndCheck("combo", true))
        return false;
    const CTevValue* value = GetValue(-1);
    if (!value || value->GetKind() != CTevValueSpec::kNumeric) {
        ErrorLog().Printf("Referred value type must be integer for combo. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevPopComboControl::Serialize(CTevArchive& archive)
{
    return CTevPopControl::Serialize(archive) && archive.SerializeInt(m_divisionItemOffset);
}

std::string CTevPopComboControl::TextOfIndex(int32_t index) const
{
    return m_stringTable ? TableEntry(*m_stringTable, index) : OffsetNumberText(index, m_offsetValue);
}

void CTevPopComboControl::Update()
{
    if (const CTevValue* value = GetValue(-1))
        m_text = TextOfIndex(value->GetIndex());
}

int32_t CTevPopComboControl::GetItemCount() const
{
    const CTevValue* value = GetValue(-1);
    int32_t count = value && value->GetSpec() ? value->GetSpec()->GetCount() : 0;
    if (m_stringTable)
        count = std::min(count, m_stringTable->GetCount());
    return count;
}

void CTevPopComboControl::OpenPopup()
{
    const CTevValue* value = GetValue(-1);
    const int32_t count = GetItemCount();
    const int32_t digits =
        DigitCount(std::max<int64_t>(1, static_cast<int64_t>(count) + m_divisionItemOffset - 1));

    using Utility = CTevStringTablePopupMenuUtility;
    std::unique_ptr<Utility::CDivisionItemCreator> divisions;
    if (!m_stringTable) {
        divisions = std::make_unique<Utility::CDivisionItemCreator>(
            std::make_unique<Utility::CDivisionItemPrinter>(digits, m_offsetValue), count, kItemsPerDivision);
    } else if (m_divisionItemOffset == 0 || m_divisionItemOffset == 1) {
        divisions = std::make_unique<Utility::CDivisionItemCreator>(
            std::make_unique<Utility::CDivisionItemPrinter>(digits, m_divisionItemOffset), count,
            kItemsPerDivision);
    } else {
        divisions = std::make_unique<Utility::CDivisionItemCreator>(*m_stringTable, count, kItemsPerDivision);
    }
    Utility::Builder builder;
    builder.AddCreator(std::make_unique<Utility::CElementItemCreator>(std::make_unique<CPrinter>(*this)));
    builder.AddCreator(std::move(divisions));
    CTevPopupMenuItem root;
    CCountingIterator keys(0, count);
    buildPopupMenu(builder, root, keys);
    CollapseSingleSubmenus(root);

    const int32_t current = value ? value->GetIndex() : -1;
    const int32_t preselected = current >= 0 && current < count ? current : -1;
    CTevPoint anchor = ClientToScreen(CTevPoint{m_textRect.left, m_textRect.top});
    anchor.y += m_textRect.Height() + 2;

    int32_t chosen = -1;
    if (CTevPopupMenu* menu = CTevManager::Instance().GetPopupMenu())
        chosen = menu->TrackItemsAtIndex(root.GetChildren(), preselected, &anchor);
    if (chosen != -1)
        SetValueIndex(chosen);
    ReleaseButton();
    SetActive(false);
}

void CTevPopComboControl::SetValueIndex(int32_t index)
{
    CTevValue* value = GetValue(-1);
    if (!value)
        return;
    CTevManager& manager = CTevManager::Instance();
    manager.SetValueByIndex(value, index);
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
}

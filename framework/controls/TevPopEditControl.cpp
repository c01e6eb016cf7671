#include "controls/TevPopEditControl.h"

#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include <algorithm>

bool CTevPopEditControl::Create(CTevView* parent)
{
    if (!CTevPopControl::Create(parent)) {
        ErrorLog().Printf("Unable to create edit. : %s\n", GetPath().c_str());
        return false;
    }
    return ApplyDefaultsAndCheck("edit", false);
}

void CTevPopEditControl::Update()
{
    const CTevValue* value = GetValue(-1);
    if (!value)
        return;
    switch (value->GetKind()) {
    case CTevValueSpec::kText:
        m_text = value->GetString();
        break;
    case CTevValueSpec::kNumeric:
        m_text = m_stringTable ? TableEntry(*m_stringTable, value->GetIndex())
                               : OffsetNumberText(value->GetInteger(), m_offsetValue);
        break;
    default:
        break;
    }
}

void CTevPopEditControl::CommitText(const std::string& text)
{
    CTevValue* value = GetValue(-1);
    if (!value)
        return;
    CTevManager& manager = CTevManager::Instance();
    const CTevValueSpec* spec = value->GetSpec();
    if (value->GetKind() == CTevValueSpec::kNumeric && spec) {
        if (m_stringTable) {
            // Only indexes that both the table and the value have, as the
            // combo offers them.
            const int32_t count = std::min(m_stringTable->GetCount(), spec->GetCount());
            if (count > 0)
                manager.SetValueByIndex(value, std::clamp(m_stringTable->FindNearestIndex(text), 0, count - 1));
        } else {
            int32_t typed = 0;
            int64_t number = ScanLong(text, typed) ? typed : int64_t(spec->GetMinimum()) + m_offsetValue;
            number -= m_offsetValue;
            number = std::clamp<int64_t>(number, spec->GetMinimum(), spec->GetMaximum());
            manager.SetIntegerValue(value, static_cast<int32_t>(number));
        }
    } else if (value->GetKind() == CTevValueSpec::kText) {
        const int32_t size = std::max(0, value->GetRange().GetSize());
        std::string stored = text;
        stored.resize(static_cast<size_t>(size), ' ');
        for (char& c : stored) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte > 0x7F)
                c = ' ';
        }
        manager.SetStringValue(value, stored);
    }
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
}

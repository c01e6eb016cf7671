#include "controls/TevTipBarOperator.h"

#include "controls/TevControl.h"
#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevValue.h"

#include <algorithm>

namespace {

bool IsIntegerType(int32_t type)
{
    return type >= CTevValueSpec::kInt1x7 && type <= CTevValueSpec::kInt4x4;
}

CTevTipBar* TipBar()
{
    return CTevManager::Instance().GetTipBar();
}

} // namespace

int CTevSingleTipBarOperator::ReadAttributes(CTevPairList& attributes)
{
    CTevTextOut& errors = CTevManager::Instance().ErrorReporter();
    const std::string path = m_control ? m_control->GetPath() : std::string();
    int32_t useTipBar = 1;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "useTipBar") {
            int32_t number = 0;
            if (!ScanLong(text, number)) {
                errors.Printf("Use tip bar description is invalid. : %s : %s\n", path.c_str(), text.c_str());
                return kReadFailed;
            }
            if (number != 0 && number != 1) {
                errors.Printf("Use tip bar value must be 0 or 1. : %s : %s\n", path.c_str(), text.c_str());
                return kReadFailed;
            }
            useTipBar = number;
        } else if (tag == "offsetValue") {
            if (!ScanLong(text, m_offsetValue)) {
                errors.Printf("Offset value is invalid for tip bar. : %s : %s\n", path.c_str(), text.c_str());
                return kReadFailed;
            }
        } else if (tag == "stringTableRef") {
            m_stringTable = CTevControl::Resources().m_stringTables.FindByName(text);
            if (!m_stringTable) {
                errors.Printf("Unable to find string table for tip bar. : %s : %s\n", path.c_str(), text.c_str());
                return kReadFailed;
            }
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return useTipBar == 1 ? kKeep : kNotWanted;
}

bool CTevSingleTipBarOperator::Create()
{
    if (!m_stringTable || !m_control)
        return true;
    // A control without a value has nothing to check here; its own create
    // reports the missing reference.
    const CTevValue* value = m_control->GetValue(-1);
    if (!value || !value->GetSpec())
        return true;
    if (!IsIntegerType(value->GetSpec()->GetType())) {
        CTevManager::Instance().ErrorReporter().Printf(
            "Referred value type must be integer when string table is referred for tip bar. : %s\n",
            m_control->GetPath().c_str());
        return false;
    }
    return true;
}

void CTevSingleTipBarOperator::SetActive(bool active)
{
    CTevTipBar* tipBar = TipBar();
    if (!tipBar)
        return;
    if (active && m_control) {
        const CTevRect& rect = m_control->GetRect();
        tipBar->m_anchor = m_control->ClientToScreen(CTevPoint{rect.left, rect.bottom});
        tipBar->m_dirty = true;
        // The control has just become the active view.
        tipBar->m_lines.assign(1, GetValueText());
    }
    tipBar->m_visible = active;
}

void CTevSingleTipBarOperator::showValueOnTipBar()
{
    CTevTipBar* tipBar = TipBar();
    if (!tipBar || !m_control || !m_control->IsActive())
        return;
    tipBar->m_lines.assign(1, GetValueText());
    tipBar->m_dirty = true;
}

bool CTevSingleTipBarOperator::Serialize(CTevArchive& archive)
{
    return archive.SerializeInt(m_offsetValue) && archive.SerializeObjectRef(m_stringTable);
}

std::string CTevSingleTipBarOperator::GetValueText() const
{
    // No value, no index: nothing to look up in the table.
    const CTevValue* value = m_control ? m_control->GetValue(-1) : nullptr;
    if (!value || !value->GetSpec())
        return std::string();
    if (!IsIntegerType(value->GetSpec()->GetType()))
        return value->GetString();
    if (m_stringTable) {
        const int32_t count = m_stringTable->GetCount();
        if (count < 1)
            return std::string();
        return m_stringTable->GetAt(std::clamp(value->GetIndex(), 0, count - 1));
    }
    // Wraps like the 32-bit sum it is.
    const int32_t shown = static_cast<int32_t>(static_cast<uint32_t>(value->GetInteger()) +
                                               static_cast<uint32_t>(m_offsetValue));
    return FormatString("%d", static_cast<int>(shown));
}

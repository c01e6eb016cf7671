#include "controls/TevButton.h"

#include "core/TevArchive.h"
#include "core/TevCondition.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"

#include <algorithm>

bool CTevLatchButton::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevButton::ReadAttributes(attributes))
        return false;
    if (m_valueRefs.size() != 1) {
        ErrorLog().Printf("There is no value reference for latch button. : %s\n", GetPath().c_str());
        return false;
    }
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "onValue") {
            m_onValue = text;
            if (!BindAndEvaluateCondition(m_onValue, m_on, m_valueRefs)) {
                ErrorLog().Printf("Unable to interpret on value for latch button. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
        } else if (tag == "offValue") {
            m_offValue = text;
            if (!BindAndEvaluateCondition(m_offValue, m_off, m_valueRefs)) {
                ErrorLog().Printf("Unable to interpret off value for latch button. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevLatchButton::Create(CTevView* parent)
{
    if (!CTevButton::Create(parent)) {
        ErrorLog().Printf("Unable to create latch button. : %s", GetPath().c_str());
        return false;
    }
    if (m_bitmap->GetStateCount() <= 3) {
        ErrorLog().Printf("Latch button bitmap must have 4 states. : %s\n", GetPath().c_str());
        return false;
    }
    const CTevValue* value = GetValue(0);
    if (!value || value->GetKind() != CTevValueSpec::kNumeric) {
        ErrorLog().Printf("Referred value type must be integer for latch button. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevLatchButton::Serialize(CTevArchive& archive)
{
    return CTevButton::Serialize(archive) && archive.SerializeString(m_onValue) &&
           archive.SerializeString(m_offValue);
}

void CTevLatchButton::Update()
{
    ReevaluateCondition(m_onValue, m_on, m_valueRefs);
    const CTevValue* value = GetValue(0);
    const bool on = value && value->GetInteger() == m_on;
    m_state = (m_pressed ? 1 : 0) + (on ? 2 : 0);
}

void CTevLatchButton::OnRelease(CTevMouseInfo& mouse)
{
    if (!m_rect.Contains(mouse.GetPoint()))
        return;
    CTevValue* value = GetValue(0);
    if (!value || !value->GetSpec())
        return;
    ReevaluateCondition(m_onValue, m_on, m_valueRefs);
    ReevaluateCondition(m_offValue, m_off, m_valueRefs);
    const int32_t target = value->GetInteger() == m_on ? m_off : m_on;
    const int32_t minimum = value->GetSpec()->GetMinimum();
    const int32_t maximum = value->GetSpec()->GetMaximum();
    SendIntegerValue(value, std::clamp(target, std::min(minimum, maximum), std::max(minimum, maximum)));
}

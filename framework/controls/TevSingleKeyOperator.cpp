#include "controls/TevSingleKeyOperator.h"

#include "controls/TevControl.h"
#include "core/TevArchive.h"
#include "core/TevValue.h"

#include <algorithm>

bool TevStepValueIndex(CTevValue* value, int32_t step)
{
    if (!value || !value->GetSpec())
        return false;
    const int32_t count = value->GetSpec()->GetCount();
    if (count < 1)
        return false;
    const int32_t current = value->GetIndex();
    // 64 bits: neither a large step nor an index outside the table wraps.
    const int64_t target = std::clamp<int64_t>(int64_t(current) + step, 0, int64_t(count) - 1);
    return CTevControl::SendValueIndex(value, static_cast<int32_t>(target));
}

bool CTevSingleKeyOperator::ReadAttributes(CTevPairList& attributes)
{
    (void)attributes;
    return true;
}

bool CTevSingleKeyOperator::Create()
{
    return true;
}

bool CTevSingleKeyOperator::OnMouse(const CTevMouseInfo& mouse)
{
    switch (mouse.kind) {
    case CTevMouseInfo::kButtonDown:
    case CTevMouseInfo::kDoubleClick:
        return true;
    case CTevMouseInfo::kButtonUp:
    case CTevMouseInfo::kMove:
        if (!m_control || !m_control->HasCapture())
            return false;
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevIdlePhase]);
        return true;
    default:
        return false;
    }
}

namespace {

bool IsArrow(int code)
{
    return code >= CTevKeyInfo::kUp && code <= CTevKeyInfo::kRight;
}

} // namespace

bool CTevSingleKeyOperator::OnKey(const CTevKeyInfo& key)
{
    if (key.kind == CTevKeyInfo::kKeyDown) {
        int32_t size = 1;
        if (key.modifiers & CTevKeyInfo::kShift)
            size = std::min(GetStepCount() / 2, 10);
        switch (key.code) {
        case CTevKeyInfo::kUp:
        case CTevKeyInfo::kRight:
            m_step = size;
            break;
        case CTevKeyInfo::kDown:
        case CTevKeyInfo::kLeft:
            m_step = -size;
            break;
        default:
            return false;
        }
        stepValue();
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevFirstRepeatPhase]);
        return true;
    }
    if (key.kind == CTevKeyInfo::kKeyUp && IsArrow(key.code)) {
        m_step = 0;
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevIdlePhase]);
        return true;
    }
    return false;
}

bool CTevSingleKeyOperator::OnTick(int tick)
{
    (void)tick;
    if (!m_control || !m_control->IsActive())
        return false;
    if (!m_control->HasCapture() && m_step == 0 && m_timers.IsDue(kTimerId)) {
        // Calls back SetActive(false) on this operator.
        m_control->SetActive(false);
        return false;
    }
    if (m_step != 0 && m_timers.IsDue(kTimerId)) {
        stepValue();
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevRepeatPhase]);
    }
    return false;
}

void CTevSingleKeyOperator::SetActive(bool active)
{
    if (active)
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevIdlePhase]);
    else
        m_timers.Stop(kTimerId);
    m_step = 0;
}

bool CTevSingleKeyOperator::Serialize(CTevArchive& archive)
{
    return archive.SerializeInt(m_step);
}

int32_t CTevSingleKeyOperator::GetStepCount() const
{
    const CTevValue* value = m_control ? m_control->GetValue(-1) : nullptr;
    return value && value->GetSpec() ? value->GetSpec()->GetCount() : 0;
}

bool CTevSingleKeyOperator::stepValue()
{
    return TevStepValueIndex(m_control ? m_control->GetValue(-1) : nullptr, m_step);
}

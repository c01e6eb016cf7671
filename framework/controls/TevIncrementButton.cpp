#include "controls/TevIncrementButton.h"

#include "controls/TevSingleKeyOperator.h"
#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevTextOut.h"

bool CTevIncrementButton::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevButton::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first != "deltaValue") {
            ++it;
            continue;
        }
        if (!ScanLong(it->second, m_delta)) {
            ErrorLog().Printf("Increment button delta value is invalid. : %s : %s\n", GetPath().c_str(),
                              it->second.c_str());
            return false;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevIncrementButton::Create(CTevView* parent)
{
    if (!CTevButton::Create(parent))
        return false;
    if (!GetValue(-1)) {
        ErrorLog().Printf("There is no value reference for increment button. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevIncrementButton::OnTick(int tick)
{
    if (CTevView::OnTick(tick))
        return true;
    if (IsActive() && m_pressed && m_timers.IsDue(kTimerId)) {
        stepValue();
        m_timers.Start(kTimerId, kTevRepeatIntervals[kTevRepeatPhase]);
    }
    return false;
}

bool CTevIncrementButton::Serialize(CTevArchive& archive)
{
    return CTevButton::Serialize(archive) && archive.SerializeInt(m_delta);
}

void CTevIncrementButton::OnPress(CTevMouseInfo& mouse)
{
    (void)mouse;
    stepValue();
    m_timers.Start(kTimerId, kTevRepeatIntervals[kTevFirstRepeatPhase]);
}

void CTevIncrementButton::OnRelease(CTevMouseInfo& mouse)
{
    (void)mouse;
    m_timers.Stop(kTimerId);
}

bool CTevIncrementButton::stepValue()
{
    return TevStepValueIndex(GetValue(-1), m_delta);
}

#include "views/TevTickTimers.h"

#include "core/TevSystem.h"

#include <limits>

namespace {

constexpr int kAllTimers = -1;

} // namespace

void CTevTickTimers::Start(int id, int intervalMs)
{
    CTimer& timer = m_timers[id];
    timer.start = TevGetTickCount();
    timer.interval = intervalMs > 0 ? static_cast<uint32_t>(intervalMs) : 0;
}

void CTevTickTimers::Stop(int id)
{
    if (id == kAllTimers)
        m_timers.clear();
    else
        m_timers.erase(id);
}

bool CTevTickTimers::IsDue(int id) const
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return true;
    // Unsigned arithmetic: correct across the wrap of the tick count.
    const uint32_t elapsed = TevGetTickCount() - found->second.start;
    return elapsed >= found->second.interval;
}

int CTevTickTimers::GetElapsed(int id) const
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return 0;
    const uint32_t elapsed = TevGetTickCount() - found->second.start;
    constexpr uint32_t kMax = static_cast<uint32_t>(std::numeric_limits<int>::max());
    return static_cast<int>(elapsed > kMax ? kMax : elapsed);
}

#pragma once
// One-shot deadlines on the platform's millisecond tick count. Nothing calls
// back: the owner polls its timers, as a rule from the frames' periodic tick
// or from a waiting loop. One owner on the user-interface thread; no lock.
#include <cstdint>
#include <map>

class CTevTickTimers {
public:
    // (Re)arms id with the start at the current tick. A negative interval
    // counts as 0.
    void Start(int id, int intervalMs);
    // Removes id; the id -1 removes every timer.
    void Stop(int id);
    // True when the interval has run out since the start; an id that is not
    // armed counts as due. The tick count wraps at 2^32, so the elapsed time
    // is the unsigned difference of now and start.
    bool IsDue(int id) const;
    // Milliseconds since the start (at most 2147483647); 0 for an id that is
    // not armed.
    int GetElapsed(int id) const;

private:
    struct CTimer {
        uint32_t start = 0;
        uint32_t interval = 0;
    };
    std::map<int, CTimer> m_timers;
};

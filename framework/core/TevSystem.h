#pragma once
// The framework's only contact with the operating system: the millisecond
// tick count, sleeping, the wait cursor and the process environment. The Windows shell installs its
// own implementation at start-up; tests install a fake clock.
#include <cstdint>
#include <string>

class ITevSystem {
public:
    virtual ~ITevSystem() = default;
    // Milliseconds since some fixed point; wraps at 2^32 like GetTickCount.
    virtual uint32_t GetTickCount() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // Turns the platform's wait cursor on (true) or off (false).
    virtual void SetWaitCursor(bool on) = 0;
    // The text of an environment variable; empty when it is not set. The
    // standard library's environment unless a system knows better.
    virtual std::string GetEnvironmentSetting(const std::string& name);
};

// The system in force: the installed one, or a default built on the
// standard library (steady clock, this_thread::sleep_for, no cursor).
ITevSystem& TevSystem();

// Installs a system (not owned) and returns the previous one; nullptr
// restores the default.
ITevSystem* TevSetSystem(ITevSystem* system);

inline uint32_t TevGetTickCount() { return TevSystem().GetTickCount(); }
inline void TevSleep(uint32_t milliseconds) { TevSystem().Sleep(milliseconds); }

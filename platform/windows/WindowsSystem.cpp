#include "WindowsSystem.h"

#include "TipBar.h"

uint32_t CWindowsSystem::GetTickCount()
{
    return ::GetTickCount();
}

void CWindowsSystem::Sleep(uint32_t milliseconds)
{
    SleepMilliseconds(milliseconds);
}

void CWindowsSystem::SetWaitCursor(bool on)
{
    if (on) {
        BeginWaitCursor();
    } else {
        EndWaitCursor();
    }
}

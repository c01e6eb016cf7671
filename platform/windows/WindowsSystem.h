// The framework's operating-system seam on Windows: the tick count, sleeping
// and the application's counted wait cursor. The shell installs one at
// start-up (TevSetSystem).
#pragma once

#include "core/TevSystem.h"

class CWindowsSystem : public ITevSystem {
public:
    uint32_t GetTickCount() override;
    void Sleep(uint32_t milliseconds) override;
    void SetWaitCursor(bool on) override;
};

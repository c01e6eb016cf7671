#include "core/TevSystem.h"

#include <chrono>
#include <cstdlib>
#include <thread>

std::string ITevSystem::GetEnvironmentSetting(const std::string& name)
{
    const char* text = std::getenv(name.c_str());
    return text ? std::string(text) : std::string();
}

namespace {

class CDefaultSystem final : public ITevSystem {
public:
    uint32_t GetTickCount() override
    {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void Sleep(uint32_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void SetWaitCursor(bool) override {}
};

CDefaultSystem g_defaultSystem;
ITevSystem* g_system = &g_defaultSystem;

} // namespace

ITevSystem& TevSystem() { return *g_system; }

ITevSystem* TevSetSystem(ITevSystem* system)
{
    ITevSystem* previous = g_system == &g_defaultSystem ? nullptr : g_system;
    g_system = system ? system : &g_defaultSystem;
    return previous;
}

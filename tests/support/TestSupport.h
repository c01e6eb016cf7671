#pragma once
// Shared test doubles.
#include "core/TevSystem.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A manual clock: time moves only when a test (or a Sleep call) moves it.
// Its environment holds only what the test puts there. Installed for the
// lifetime of the object.
class CFakeSystem : public ITevSystem {
public:
    CFakeSystem();
    ~CFakeSystem() override;
    uint32_t GetTickCount() override { return now; }
    void Sleep(uint32_t milliseconds) override { sleeps.push_back(milliseconds); now += milliseconds; }
    void SetWaitCursor(bool on) override { cursorChanges.push_back(on); }
    void Advance(uint32_t milliseconds) { now += milliseconds; }
    std::string GetEnvironmentSetting(const std::string& name) override
    {
        const auto it = environment.find(name);
        return it == environment.end() ? std::string() : it->second;
    }

    uint32_t now = 1000;
    std::vector<uint32_t> sleeps;
    std::vector<bool> cursorChanges;
    std::map<std::string, std::string> environment;

private:
    ITevSystem* m_previous;
};

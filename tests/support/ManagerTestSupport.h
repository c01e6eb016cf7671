#pragma once
// Helpers for tests that load scripts into the process-wide manager: a
// fixture that starts and ends every test with an empty manager and
// collects its error reports, and a view manager that records broadcasts.
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "views/TevViewManager.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// Records every list handed to the broadcast.
class CRecordingViewManager : public CTevViewManager {
public:
    bool BroadcastValuesChanged(const std::vector<CTevValue*>& values) override
    {
        broadcasts.push_back(values);
        return !values.empty();
    }

    std::vector<std::vector<CTevValue*>> broadcasts;
};

class CManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CTevManager& manager = CTevManager::Instance();
        manager.Destroy();
        manager.SetFolder(std::string());
        m_errors = new CTevTextOutStringStream;
        manager.SetErrorOut(m_errors);
    }
    void TearDown() override
    {
        CTevManager& manager = CTevManager::Instance();
        manager.Destroy();
        manager.SetFolder(std::string());
        m_errors = nullptr;
    }

    static CTevManager& Manager() { return CTevManager::Instance(); }

    // Reads the script and builds the resources and the parameter model,
    // with broadcasts going to `views`.
    bool LoadModel(const std::string& script)
    {
        std::istringstream stream(script);
        CTevManager& manager = Manager();
        return manager.ReadScript(stream) && manager.m_resourceManager.Create()
               && manager.CreateFromDefinitions(&views, &manager.m_resourceManager);
    }

    std::string Errors() const { return m_errors ? m_errors->str() : std::string(); }
    void ClearErrors()
    {
        if (m_errors)
            m_errors->str(std::string());
    }

    CRecordingViewManager views;

private:
    CTevTextOutStringStream* m_errors = nullptr;
};

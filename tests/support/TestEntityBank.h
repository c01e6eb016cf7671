#pragma once
// A bank of entities for tests: the framework's two id mappers plus an
// information mapper over names kept in memory.
#include "core/TevEntity.h"

#include <memory>
#include <string>
#include <vector>

class CTestInformation : public CTevEntityManager::IInformation {
public:
    explicit CTestInformation(std::string name, bool isNull = false) : m_name(std::move(name)), m_isNull(isNull) {}
    void SetName(const std::string& name) override
    {
        if (!m_isNull)
            m_name = name;
    }
    void SetUserData(IObject*) override {}
    std::string GetName() override { return m_name; }
    IObject* GetUserData() const override { return nullptr; }
    bool IsNull() const override { return m_isNull; }

private:
    std::string m_name;
    bool m_isNull;
};

// One information per name; indices outside the list give a null
// information with an empty name. Its count is the number of names (set
// count is ignored, as the edition's mapper does).
class CTestInformationMapper : public CTevEntityManager::IInformationMapper {
public:
    explicit CTestInformationMapper(const std::vector<std::string>& names);
    void PushBack(const IObject&, const IObject&) override {}
    void PushBack(int32_t, const IObject&) override {}
    void PushBack(const IObject&) override {}
    void SetCount(int32_t) override {}
    int32_t GetCount() const override { return static_cast<int32_t>(m_items.size()); }
    int32_t GetInformationCount() const override { return GetCount(); }
    CTevEntityManager::IInformation* GetInformation(int32_t index) override;

private:
    std::vector<std::unique_ptr<CTestInformation>> m_items;
    CTestInformation m_null{"", true};
};

class CTestEntityBank : public CTevEntityManager::CBank {
public:
    // Entity ids from baseId, program ids from baseProgramId (MSB, first
    // LSB, offset) with perBank programs per LSB; one name per entry.
    CTestEntityBank(const CTevEntityId& baseId, const CTevProgramId& baseProgramId, int32_t perBank, int32_t count,
                    const std::vector<std::string>& names);
    ~CTestEntityBank() override;

    // Counts the bank's destruction into *counter (not owned).
    void SetDestroyCounter(int* counter) { m_destroyCounter = counter; }

private:
    int* m_destroyCounter = nullptr;
};

// prefix + "0", prefix + "1", ... (count names).
std::vector<std::string> TestEntityNames(const std::string& prefix, int32_t count);

#include "support/TestEntityBank.h"

CTestInformationMapper::CTestInformationMapper(const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        m_items.push_back(std::make_unique<CTestInformation>(name));
}

CTevEntityManager::IInformation* CTestInformationMapper::GetInformation(int32_t index)
{
    if (index < 0 || index >= GetCount())
        return &m_null;
    return m_items[static_cast<size_t>(index)].get();
}

CTestEntityBank::CTestEntityBank(const CTevEntityId& baseId, const CTevProgramId& baseProgramId, int32_t perBank,
                                 int32_t count, const std::vector<std::string>& names)
    : CBank(std::make_unique<CTevEntityManager::CEntityIdMapper>(baseId, count),
            std::make_unique<CTevEntityManager::CSequentialProgramIdMapper>(baseProgramId, perBank, count),
            std::make_unique<CTestInformationMapper>(names))
{
}

CTestEntityBank::~CTestEntityBank()
{
    if (m_destroyCounter)
        ++*m_destroyCounter;
}

std::vector<std::string> TestEntityNames(const std::string& prefix, int32_t count)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i));
    return names;
}

#include "core/TevEntity.h"

#include <iterator>

namespace {

// Results of the 64-bit arithmetic below that fit an index.
int32_t IndexIfInRange(int64_t index, int32_t count)
{
    return (index >= 0 && index < count) ? static_cast<int32_t>(index) : -1;
}

} // namespace

// ---------------------------------------------------------------------------
// CTevEntityManager::CEntityIdMapper

int32_t CTevEntityManager::CEntityIdMapper::IdToIndex(const CTevEntityId& id) const
{
    if (!id.IsValid())
        return -1;
    if (id.GetGroupA() != m_baseId.GetGroupA() || id.GetGroupB() != m_baseId.GetGroupB() ||
        id.GetGroupC() != m_baseId.GetGroupC())
        return -1;
    return IndexIfInRange(static_cast<int64_t>(id.GetNumber()) - m_baseId.GetNumber(), m_count);
}

CTevEntityId CTevEntityManager::CEntityIdMapper::IndexToId(int32_t index) const
{
    if (index < 0 || index >= m_count)
        return CTevEntityId();
    return CTevEntityId(m_baseId.GetGroupA(), m_baseId.GetGroupB(), m_baseId.GetGroupC(),
                        static_cast<int32_t>(static_cast<int64_t>(m_baseId.GetNumber()) + index));
}

bool CTevEntityManager::CEntityIdMapper::Matches(const CTevEntityId& query) const
{
    if (m_count <= 0)
        return false;
    auto groupMatches = [](int32_t queried, int32_t base) { return queried == CTevEntityId::Any || queried == base; };
    if (!groupMatches(query.GetGroupA(), m_baseId.GetGroupA()) ||
        !groupMatches(query.GetGroupB(), m_baseId.GetGroupB()) ||
        !groupMatches(query.GetGroupC(), m_baseId.GetGroupC()))
        return false;
    if (query.GetNumber() == CTevEntityId::Any)
        return true;
    const int64_t first = m_baseId.GetNumber();
    return query.GetNumber() >= first && query.GetNumber() < first + m_count;
}

// ---------------------------------------------------------------------------
// CTevEntityManager::CSequentialProgramIdMapper

int32_t CTevEntityManager::CSequentialProgramIdMapper::ProgramIdToIndex(const CTevProgramId& id) const
{
    if (!id.IsValid() || id.GetMsb() != m_baseId.GetMsb() || id.GetProgram() >= m_entriesPerBank)
        return -1;
    const int64_t index = static_cast<int64_t>(id.GetProgram()) +
                          static_cast<int64_t>(m_entriesPerBank) * (static_cast<int64_t>(id.GetLsb()) - m_baseId.GetLsb()) -
                          m_baseId.GetProgram();
    return IndexIfInRange(index, m_count);
}

CTevProgramId CTevEntityManager::CSequentialProgramIdMapper::IndexToProgramId(int32_t index) const
{
    // A mapper without entries per bank has no program to give.
    if (index < 0 || index >= m_count || m_entriesPerBank <= 0)
        return CTevProgramId();
    const int64_t k = static_cast<int64_t>(index) + m_baseId.GetProgram();
    return CTevProgramId(m_baseId.GetMsb(), static_cast<int32_t>(k / m_entriesPerBank + m_baseId.GetLsb()),
                         static_cast<int32_t>(k % m_entriesPerBank));
}

// ---------------------------------------------------------------------------
// CTevEntityManager::CBank

void CTevEntityManager::CBank::SetCount(int32_t count)
{
    m_entityIdMapper->SetCount(count);
    m_programIdMapper->SetCount(count);
    m_informationMapper->SetCount(count);
}

// ---------------------------------------------------------------------------
// CTevEntityManager

bool CTevEntityManager::CompareEntityIds(const CTevEntityId& a, const CTevEntityId& b)
{
    if (a.GetGroupA() != b.GetGroupA())
        return a.GetGroupA() < b.GetGroupA();
    if (a.GetGroupB() != b.GetGroupB())
        return a.GetGroupB() < b.GetGroupB();
    if (a.GetGroupC() != b.GetGroupC())
        return a.GetGroupC() < b.GetGroupC();
    return a.GetNumber() < b.GetNumber();
}

bool CTevEntityManager::AddBank(std::unique_ptr<IBank> bank)
{
    if (!bank)
        return false;
    // The set keeps the bank it has; the newcomer dies with the argument.
    if (m_banks.find(bank->GetBaseEntityId()) != m_banks.end())
        return false;
    m_banks.insert(std::move(bank));
    return true;
}

void CTevEntityManager::DeleteBanks()
{
    while (!m_banks.empty())
        m_banks.erase(m_banks.begin());
}

CTevEntityManager::BankPosition CTevEntityManager::FindBankByEntityId(const CTevEntityId& query) const
{
    for (auto it = m_banks.begin(); it != m_banks.end(); ++it) {
        if ((*it)->MatchesEntityId(query))
            return it;
    }
    return m_banks.end();
}

CTevEntityManager::BankPosition CTevEntityManager::FindBankByProgramId(const CTevProgramId& id) const
{
    for (auto it = m_banks.begin(); it != m_banks.end(); ++it) {
        if ((*it)->ContainsProgramId(id))
            return it;
    }
    return m_banks.end();
}

CTevProgramId CTevEntityManager::GetProgramId(const CTevEntityId& id) const
{
    if (!id.IsValid())
        return CTevProgramId();
    const BankPosition bank = FindBankByEntityId(id);
    if (bank == m_banks.end())
        return CTevProgramId();
    return (*bank)->GetProgramId(id);
}

CTevEntityId CTevEntityManager::GetEntityId(const CTevProgramId& id) const
{
    if (!id.IsValid())
        return CTevEntityId();
    const BankPosition bank = FindBankByProgramId(id);
    if (bank == m_banks.end())
        return CTevEntityId();
    return (*bank)->GetEntityId(id);
}

std::unique_ptr<CTevEntityIterator> CTevEntityManager::CreateIterator(const CTevEntityId& query) const
{
    return std::make_unique<CTevEntityIterator>(query, *this, FindBankByEntityId(query));
}

// ---------------------------------------------------------------------------
// CTevEntityIterator

CTevEntityIterator::CTevEntityIterator(const CTevEntityId& query, const CTevEntityManager& manager,
                                       CTevEntityManager::BankPosition bank)
    : CTevEntityId(query), m_manager(&manager), m_bank(bank)
{
    Seek();
}

void CTevEntityIterator::Seek()
{
    if (IsEnd())
        return;
    if (GetNumber() == Any) {
        m_index = 0;
        return;
    }
    // The index follows from the number relative to the bank's first number.
    // The bank's own id-to-index refuses a query whose groups are wildcards,
    // which would lose the one entity such a query names.
    const CTevEntityManager::IBank& bank = **m_bank;
    const int64_t index = static_cast<int64_t>(GetNumber()) - bank.GetBaseEntityId().GetNumber();
    m_index = IndexIfInRange(GetNumber() < 0 ? -1 : index, bank.GetCount());
}

CTevEntityId CTevEntityIterator::GetEntityId() const
{
    if (IsEnd())
        return CTevEntityId();
    return (*m_bank)->IndexToEntityId(m_index);
}

CTevEntityManager::IInformation* CTevEntityIterator::GetInformation() const
{
    if (IsEnd())
        return nullptr;
    return (*m_bank)->IndexToInformation(m_index);
}

void CTevEntityIterator::Next()
{
    if (IsEnd())
        return;
    if (GetNumber() != Any) {
        m_bank = m_manager->End();
        return;
    }
    ++m_index;
    if (m_index < (*m_bank)->GetCount())
        return;
    const CTevEntityManager::BankPosition end = m_manager->End();
    do {
        ++m_bank;
    } while (m_bank != end && !(*m_bank)->MatchesEntityId(*this));
    Seek();
}

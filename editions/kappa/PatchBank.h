#pragma once
// The bank of the device's 128 user patches. Entity ids, program ids and
// names come from three mappers; the names are not kept in the bank but
// read from and written to the device-memory mirror, one name value per
// patch, through an accessor object.
#include "core/TevEntity.h"
#include "kappa/Edition.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

// ---------------------------------------------------------------------------
// Information objects. They are the same for both editions, so they are
// defined inline here and shared by every program that includes this file.
// ---------------------------------------------------------------------------

// A name kept in the object itself.
class CTevEntityManager::CNameInformation : public CTevEntityManager::IInformation {
public:
    CNameInformation() = default;
    explicit CNameInformation(std::string name) : m_name(std::move(name)) {}

    void SetName(const std::string& name) override { m_name = name; }
    void SetUserData(IObject*) override {}
    std::string GetName() override { return m_name; }
    IObject* GetUserData() const override { return nullptr; }
    bool IsNull() const override { return false; }

protected:
    std::string m_name;
};

// The information of an index outside a bank: an empty name that cannot be
// changed.
class CTevEntityManager::CNullNameInformation : public CTevEntityManager::CNameInformation {
public:
    static CNullNameInformation& Instance()
    {
        static CNullNameInformation instance;
        return instance;
    }

    void SetName(const std::string&) override {}
    bool IsNull() const override { return true; }
};

// Hands out one shared information object whose name lives outside the
// bank, reached through TAccessor's GetName and SetName (index, name). The
// object answered for one index becomes that of the next index asked for:
// a caller uses an information before it asks again. The count is fixed.
template <class TAccessor>
class CTevEntityManager::CExternalInformationMapper : public CTevEntityManager::IInformationMapper {
public:
    class CInformation : public CTevEntityManager::IInformation {
    public:
        explicit CInformation(TAccessor& accessor) : m_accessor(&accessor) {}

        void SetName(const std::string& name) override { m_accessor->SetName(m_index, name); }
        void SetUserData(IObject*) override {}
        std::string GetName() override
        {
            m_name = m_accessor->GetName(m_index);
            return m_name;
        }
        IObject* GetUserData() const override { return nullptr; }
        bool IsNull() const override { return false; }

        void SetIndex(int32_t index) { m_index = index; }
        int32_t GetIndex() const { return m_index; }

    private:
        TAccessor* m_accessor;
        int32_t m_index = 0;
        std::string m_name;
    };

    CExternalInformationMapper(int32_t count, std::unique_ptr<TAccessor> accessor)
        : m_count(count), m_accessor(std::move(accessor)), m_information(*m_accessor)
    {
    }

    void PushBack(const IObject&, const IObject&) override {}
    void PushBack(int32_t, const IObject&) override {}
    void PushBack(const IObject&) override {}
    // The count stays as built.
    void SetCount(int32_t) override {}
    int32_t GetCount() const override { return m_count; }
    int32_t GetInformationCount() const override { return m_count; }
    IInformation* GetInformation(int32_t index) override
    {
        if (index < 0 || index >= m_count)
            return &CNullNameInformation::Instance();
        m_information.SetIndex(index);
        return &m_information;
    }

private:
    int32_t m_count;
    std::unique_ptr<TAccessor> m_accessor;
    CInformation m_information;
};

// TCount entities from a base entity id and a base program id (128
// programs per bank select LSB), their names through a TAccessor.
template <class TAccessor, int32_t TCount>
class CTevEntityManager::CExternalInformationBank : public CTevEntityManager::CBank {
public:
    CExternalInformationBank(const CTevEntityId& baseEntityId, const CTevProgramId& baseProgramId,
                             std::unique_ptr<TAccessor> accessor)
        : CBank(std::make_unique<CEntityIdMapper>(baseEntityId, TCount),
                std::make_unique<CSequentialProgramIdMapper>(baseProgramId, kProgramsPerBank, TCount),
                std::make_unique<CExternalInformationMapper<TAccessor>>(TCount, std::move(accessor)))
    {
    }

    static constexpr int32_t kProgramsPerBank = 128;
};

namespace Quorva::TEV_EDITION {

// The user-patch names in the mirror: user patch k's name is the value
// "ms.usr.names[k].name".
class CPatchNameAccessor {
public:
    // The value's text as stored (fixed width, not trimmed); empty when the
    // script lacks the value.
    std::string GetName(int32_t index) const;
    // Right-aligned in the value's width (blank fill on the left; a longer
    // text is kept whole and cut by the value), set through the buffer
    // manager so that the views follow. Nothing is transmitted.
    void SetName(int32_t index, const std::string& name);
};

using CPatchBank = CTevEntityManager::CExternalInformationBank<CPatchNameAccessor, kUserPatchCount>;

// The bank of the user patches: entity (0, 0, 0, k), program (87, 0, k).
std::unique_ptr<CPatchBank> CreatePatchBank();

// The query for all user patches.
inline CTevEntityId AllUserPatches() { return CTevEntityId(0, 0, CTevEntityId::Any, CTevEntityId::Any); }
inline CTevEntityId UserPatch(int32_t index) { return CTevEntityId(0, 0, 0, index); }

} // namespace Quorva::TEV_EDITION

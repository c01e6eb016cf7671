#pragma once
// Stored things of the device (patches, ...) named two ways at once: by an
// entity id that menus and selections work with, and by the MIDI program id
// (bank select MSB, LSB, program number) that the device understands. Banks
// bundle the mappers of one range of entities; the entity manager holds the
// banks, converts ids across them and iterates over the entities that match
// a query with wildcards.
#include <cstdint>
#include <memory>
#include <set>
#include <string>

// Root of the id and information classes.
class IObject {
public:
    IObject() = default;
    IObject(const IObject&) = default;
    IObject& operator=(const IObject&) = default;
    virtual ~IObject() = default;
};

class ITevNullable {
public:
    virtual ~ITevNullable() = default;
    // True for the null object of a family.
    virtual bool IsNull() const = 0;
};

// Items that can be appended to. Every implementation in this program
// ignores all three operations.
class IPushBackable {
public:
    virtual ~IPushBackable() = default;
    virtual void PushBack(const IObject& first, const IObject& second) = 0;
    virtual void PushBack(int32_t index, const IObject& item) = 0;
    virtual void PushBack(const IObject& item) = 0;
};

// Group a, group b, group c, number. All -1 is the null entity id; in a
// query -2 in a field means "any". An id with a negative field identifies
// nothing.
class CTevEntityId : public IObject {
public:
    static constexpr int32_t None = -1;
    static constexpr int32_t Any = -2;

    CTevEntityId() = default;
    CTevEntityId(int32_t groupA, int32_t groupB, int32_t groupC, int32_t number)
        : m_groupA(groupA), m_groupB(groupB), m_groupC(groupC), m_number(number) {}

    int32_t GetGroupA() const { return m_groupA; }
    int32_t GetGroupB() const { return m_groupB; }
    int32_t GetGroupC() const { return m_groupC; }
    int32_t GetNumber() const { return m_number; }
    void SetGroupA(int32_t value) { m_groupA = value; }
    void SetGroupB(int32_t value) { m_groupB = value; }
    void SetGroupC(int32_t value) { m_groupC = value; }
    void SetNumber(int32_t value) { m_number = value; }

    // All four fields are 0 or more.
    bool IsValid() const { return m_groupA >= 0 && m_groupB >= 0 && m_groupC >= 0 && m_number >= 0; }

    bool operator==(const CTevEntityId& other) const
    {
        return m_groupA == other.m_groupA && m_groupB == other.m_groupB && m_groupC == other.m_groupC &&
               m_number == other.m_number;
    }

private:
    int32_t m_groupA = None;
    int32_t m_groupB = None;
    int32_t m_groupC = None;
    int32_t m_number = None;
};

// Bank select MSB, bank select LSB, program number. All -1 is the null
// program id.
class CTevProgramId : public IObject {
public:
    static constexpr int32_t None = -1;

    CTevProgramId() = default;
    CTevProgramId(int32_t msb, int32_t lsb, int32_t program) : m_msb(msb), m_lsb(lsb), m_program(program) {}

    int32_t GetMsb() const { return m_msb; }
    int32_t GetLsb() const { return m_lsb; }
    int32_t GetProgram() const { return m_program; }

    // All three fields are 0 or more.
    bool IsValid() const { return m_msb >= 0 && m_lsb >= 0 && m_program >= 0; }

    bool operator==(const CTevProgramId& other) const
    {
        return m_msb == other.m_msb && m_lsb == other.m_lsb && m_program == other.m_program;
    }

private:
    int32_t m_msb = None;
    int32_t m_lsb = None;
    int32_t m_program = None;
};

class CTevEntityIterator;

class CTevEntityManager {
public:
    class IMapper : public IPushBackable {
    public:
        virtual void SetCount(int32_t count) = 0;
        virtual int32_t GetCount() const = 0;
    };

    class IEntityIdMapper : public IMapper {
    public:
        virtual CTevEntityId GetBaseId() const = 0;
        virtual int32_t IdToIndex(const CTevEntityId& id) const = 0;
        virtual CTevEntityId IndexToId(int32_t index) const = 0;
        // -2 fields of the query are wildcards.
        virtual bool Matches(const CTevEntityId& query) const = 0;
    };

    class IProgramIdMapper : public IMapper {
    public:
        virtual int32_t ProgramIdToIndex(const CTevProgramId& id) const = 0;
        virtual CTevProgramId IndexToProgramId(int32_t index) const = 0;
        virtual bool IsValid(const CTevProgramId& id) const = 0;
    };

    // Per-entity information (a name).
    class IInformation : public IObject, public ITevNullable {
    public:
        virtual void SetName(const std::string& name) = 0;
        // Attaches further data; every implementation ignores it.
        virtual void SetUserData(IObject* data) = 0;
        virtual std::string GetName() = 0;
        // Further data; every implementation returns null.
        virtual IObject* GetUserData() const = 0;
    };

    class IInformationMapper : public IMapper {
    public:
        virtual int32_t GetInformationCount() const = 0;
        // Never null: an index outside the range gives a null information.
        virtual IInformation* GetInformation(int32_t index) = 0;
    };

    // Base entity id (a, b, c, first) and a count: index i is
    // (a, b, c, first + i).
    class CEntityIdMapper : public IEntityIdMapper {
    public:
        CEntityIdMapper(const CTevEntityId& baseId, int32_t count) : m_baseId(baseId), m_count(count) {}

        void PushBack(const IObject&, const IObject&) override {}
        void PushBack(int32_t, const IObject&) override {}
        void PushBack(const IObject&) override {}
        void SetCount(int32_t count) override { m_count = count; }
        int32_t GetCount() const override { return m_count; }

        CTevEntityId GetBaseId() const override { return m_baseId; }
        // -1 for an id with a negative field, another group, or a number
        // outside the range.
        int32_t IdToIndex(const CTevEntityId& id) const override;
        // The null entity id outside [0, count).
        CTevEntityId IndexToId(int32_t index) const override;
        // False when count <= 0.
        bool Matches(const CTevEntityId& query) const override;

    private:
        CTevEntityId m_baseId;
        int32_t m_count;
    };

    // Base program id read as (MSB, first LSB, offset), entries per LSB bank
    // and a count: consecutive indices fill the programs of one LSB bank,
    // then continue in the next, starting at program "offset" of the first.
    class CSequentialProgramIdMapper : public IProgramIdMapper {
    public:
        CSequentialProgramIdMapper(const CTevProgramId& baseId, int32_t entriesPerBank, int32_t count)
            : m_baseId(baseId), m_entriesPerBank(entriesPerBank), m_count(count) {}

        void PushBack(const IObject&, const IObject&) override {}
        void PushBack(int32_t, const IObject&) override {}
        void PushBack(const IObject&) override {}
        void SetCount(int32_t count) override { m_count = count; }
        int32_t GetCount() const override { return m_count; }

        // -1 for an id with a negative field, another MSB, a program number
        // not below the entries per bank, or an index outside the range.
        int32_t ProgramIdToIndex(const CTevProgramId& id) const override;
        // The null program id outside [0, count).
        CTevProgramId IndexToProgramId(int32_t index) const override;
        bool IsValid(const CTevProgramId& id) const override { return ProgramIdToIndex(id) != -1; }

    private:
        CTevProgramId m_baseId;
        int32_t m_entriesPerBank;
        int32_t m_count;
    };

    // A range of entities.
    class IBank {
    public:
        virtual ~IBank() = default;
        virtual IEntityIdMapper* GetEntityIdMapper() const = 0;
        virtual IProgramIdMapper* GetProgramIdMapper() const = 0;
        virtual IInformationMapper* GetInformationMapper() const = 0;
        virtual void SetCount(int32_t count) = 0;
        virtual int32_t GetCount() const = 0;
        virtual int32_t GetInformationCount() const = 0;
        virtual CTevEntityId GetBaseEntityId() const = 0;
        virtual CTevEntityId IndexToEntityId(int32_t index) const = 0;
        virtual CTevProgramId IndexToProgramId(int32_t index) const = 0;
        virtual IInformation* IndexToInformation(int32_t index) const = 0;
        virtual int32_t ProgramIdToIndex(const CTevProgramId& id) const = 0;
        virtual int32_t EntityIdToIndex(const CTevEntityId& id) const = 0;
        virtual bool ContainsProgramId(const CTevProgramId& id) const = 0;
        virtual bool MatchesEntityId(const CTevEntityId& query) const = 0;

        CTevProgramId GetProgramId(const CTevEntityId& id) const { return IndexToProgramId(EntityIdToIndex(id)); }
        CTevEntityId GetEntityId(const CTevProgramId& id) const { return IndexToEntityId(ProgramIdToIndex(id)); }
    };

    // The bank base: owns its three mappers and forwards every operation to
    // them. The count is the entity-id mapper's; SetCount goes to all three.
    class CBank : public IBank {
    public:
        IEntityIdMapper* GetEntityIdMapper() const override { return m_entityIdMapper.get(); }
        IProgramIdMapper* GetProgramIdMapper() const override { return m_programIdMapper.get(); }
        IInformationMapper* GetInformationMapper() const override { return m_informationMapper.get(); }
        void SetCount(int32_t count) override;
        int32_t GetCount() const override { return m_entityIdMapper->GetCount(); }
        int32_t GetInformationCount() const override { return m_informationMapper->GetInformationCount(); }
        CTevEntityId GetBaseEntityId() const override { return m_entityIdMapper->GetBaseId(); }
        CTevEntityId IndexToEntityId(int32_t index) const override { return m_entityIdMapper->IndexToId(index); }
        CTevProgramId IndexToProgramId(int32_t index) const override
        {
            return m_programIdMapper->IndexToProgramId(index);
        }
        IInformation* IndexToInformation(int32_t index) const override
        {
            return m_informationMapper->GetInformation(index);
        }
        int32_t ProgramIdToIndex(const CTevProgramId& id) const override
        {
            return m_programIdMapper->ProgramIdToIndex(id);
        }
        int32_t EntityIdToIndex(const CTevEntityId& id) const override { return m_entityIdMapper->IdToIndex(id); }
        bool ContainsProgramId(const CTevProgramId& id) const override
        {
            return m_programIdMapper->ProgramIdToIndex(id) != -1;
        }
        bool MatchesEntityId(const CTevEntityId& query) const override { return m_entityIdMapper->Matches(query); }

    protected:
        // All three mappers must be given (not null).
        CBank(std::unique_ptr<IEntityIdMapper> entityIdMapper, std::unique_ptr<IProgramIdMapper> programIdMapper,
              std::unique_ptr<IInformationMapper> informationMapper)
            : m_entityIdMapper(std::move(entityIdMapper)),
              m_programIdMapper(std::move(programIdMapper)),
              m_informationMapper(std::move(informationMapper)) {}

    private:
        std::unique_ptr<IEntityIdMapper> m_entityIdMapper;
        std::unique_ptr<IProgramIdMapper> m_programIdMapper;
        std::unique_ptr<IInformationMapper> m_informationMapper;
    };

    // Edition-specific banks and information (defined where they are used).
    class CNameInformation;
    class CNullNameInformation;
    template <class TAccessor>
    class CExternalInformationMapper;
    template <class TAccessor, int32_t TCount>
    class CExternalInformationBank;

    // Field by field (group a, b, c, number) as signed integers.
    static bool CompareEntityIds(const CTevEntityId& a, const CTevEntityId& b);
    // The order of banks: by their base entity ids.
    static bool CompareBanks(const IBank& a, const IBank& b)
    {
        return CompareEntityIds(a.GetBaseEntityId(), b.GetBaseEntityId());
    }

    struct BankOrder {
        using is_transparent = void;
        bool operator()(const std::unique_ptr<IBank>& a, const std::unique_ptr<IBank>& b) const
        {
            return CompareBanks(*a, *b);
        }
        bool operator()(const std::unique_ptr<IBank>& a, const CTevEntityId& b) const
        {
            return CompareEntityIds(a->GetBaseEntityId(), b);
        }
        bool operator()(const CTevEntityId& a, const std::unique_ptr<IBank>& b) const
        {
            return CompareEntityIds(a, b->GetBaseEntityId());
        }
    };
    using BankSet = std::set<std::unique_ptr<IBank>, BankOrder>;
    using BankPosition = BankSet::const_iterator;

    CTevEntityManager() = default;
    CTevEntityManager(const CTevEntityManager&) = delete;
    CTevEntityManager& operator=(const CTevEntityManager&) = delete;
    ~CTevEntityManager() { DeleteBanks(); }

    // Takes ownership. A null bank, or one whose base entity id is already
    // held, is not added (the latter is deleted) and gives false.
    bool AddBank(std::unique_ptr<IBank> bank);
    // Deletes every bank in set order.
    void Clear() { DeleteBanks(); }

    const BankSet& GetBanks() const { return m_banks; }
    BankPosition End() const { return m_banks.end(); }

    // The first bank in set order that matches the query / contains the
    // program id; End() if none.
    BankPosition FindBankByEntityId(const CTevEntityId& query) const;
    BankPosition FindBankByProgramId(const CTevProgramId& id) const;

    // The null program id for an id with a negative field or no bank.
    CTevProgramId GetProgramId(const CTevEntityId& id) const;
    // The null entity id for an id with a negative field or no bank.
    CTevEntityId GetEntityId(const CTevProgramId& id) const;

    // A new iterator (owned by the caller) at the first matching bank.
    std::unique_ptr<CTevEntityIterator> CreateIterator(const CTevEntityId& query) const;

private:
    void DeleteBanks();

    BankSet m_banks;
};

// Walks the entities that match a query: with a wildcard number every entity
// of every matching bank in set order, otherwise the one entity of that
// number in the first matching bank.
class CTevEntityIterator : public CTevEntityId {
public:
    CTevEntityIterator(const CTevEntityId& query, const CTevEntityManager& manager,
                       CTevEntityManager::BankPosition bank);

    // The null entity id / null pointer at the end.
    CTevEntityId GetEntityId() const;
    CTevEntityManager::IInformation* GetInformation() const;
    void Next();
    bool IsEnd() const { return m_bank == m_manager->End(); }

private:
    void Seek();

    const CTevEntityManager* m_manager;
    CTevEntityManager::BankPosition m_bank;
    int32_t m_index = 0;
};

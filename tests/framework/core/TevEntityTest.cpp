#include "core/TevEntity.h"

#include "support/TestEntityBank.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Id = CTevEntityId;
using Pid = CTevProgramId;
constexpr int32_t Any = CTevEntityId::Any;

std::unique_ptr<CTestEntityBank> MakeBank(const Id& base, int32_t count, const std::string& prefix = "n",
                                          const Pid& programBase = Pid(87, 0, 0), int32_t perBank = 128)
{
    return std::make_unique<CTestEntityBank>(base, programBase, perBank, count, TestEntityNames(prefix, count));
}

struct SVisit {
    std::vector<Id> ids;
    std::vector<std::string> names;
};

SVisit Walk(const CTevEntityManager& manager, const Id& query)
{
    SVisit visit;
    std::unique_ptr<CTevEntityIterator> it = manager.CreateIterator(query);
    for (int guard = 0; !it->IsEnd() && guard < 1000; ++guard, it->Next()) {
        visit.ids.push_back(it->GetEntityId());
        CTevEntityManager::IInformation* information = it->GetInformation();
        visit.names.push_back(information ? information->GetName() : "<none>");
    }
    return visit;
}

} // namespace

TEST(TevEntityId, DefaultsAreNull)
{
    EXPECT_EQ(Id(), Id(-1, -1, -1, -1));
    EXPECT_FALSE(Id().IsValid());
    EXPECT_FALSE(Id(0, 0, Any, 0).IsValid());
    EXPECT_TRUE(Id(0, 0, 0, 0).IsValid());
    EXPECT_EQ(Pid(), Pid(-1, -1, -1));
    EXPECT_FALSE(Pid(87, -1, 0).IsValid());
}

TEST(TevEntityIdMapper, IndexConversionsAndMatching)
{
    CTevEntityManager::CEntityIdMapper mapper(Id(1, 2, 3, 10), 5);
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 3, 10)), 0);
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 3, 14)), 4);
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 3, 15)), -1);
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 3, 9)), -1);
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 4, 10)), -1);
    EXPECT_EQ(mapper.IdToIndex(Id(Any, 2, 3, 12)), -1);
    EXPECT_EQ(mapper.IndexToId(0), Id(1, 2, 3, 10));
    EXPECT_EQ(mapper.IndexToId(4), Id(1, 2, 3, 14));
    EXPECT_EQ(mapper.IndexToId(5), Id());
    EXPECT_EQ(mapper.IndexToId(-1), Id());

    EXPECT_TRUE(mapper.Matches(Id(1, 2, 3, 12)));
    EXPECT_TRUE(mapper.Matches(Id(Any, Any, Any, Any)));
    EXPECT_TRUE(mapper.Matches(Id(1, Any, 3, 14)));
    EXPECT_FALSE(mapper.Matches(Id(1, 2, 3, 15)));
    EXPECT_FALSE(mapper.Matches(Id(1, 2, 3, -1)));
    EXPECT_FALSE(mapper.Matches(Id(0, Any, Any, Any)));

    mapper.SetCount(0);
    EXPECT_FALSE(mapper.Matches(Id(Any, Any, Any, Any)));
    EXPECT_FALSE(mapper.Matches(Id(1, 2, 3, 10)));
    EXPECT_EQ(mapper.IdToIndex(Id(1, 2, 3, 10)), -1);
    EXPECT_EQ(mapper.IndexToId(0), Id());
}

TEST(TevProgramIdMapper, SequentialArithmetic)
{
    // The edition's patch bank.
    CTevEntityManager::CSequentialProgramIdMapper patches(Pid(87, 0, 0), 128, 128);
    EXPECT_EQ(patches.IndexToProgramId(0), Pid(87, 0, 0));
    EXPECT_EQ(patches.IndexToProgramId(127), Pid(87, 0, 127));
    EXPECT_EQ(patches.IndexToProgramId(128), Pid());
    EXPECT_EQ(patches.IndexToProgramId(-1), Pid());
    EXPECT_EQ(patches.ProgramIdToIndex(Pid(87, 0, 127)), 127);
    EXPECT_EQ(patches.ProgramIdToIndex(Pid(87, 1, 0)), -1);
    EXPECT_EQ(patches.ProgramIdToIndex(Pid(87, 0, 128)), -1);
    EXPECT_EQ(patches.ProgramIdToIndex(Pid(86, 0, 5)), -1);
    EXPECT_EQ(patches.ProgramIdToIndex(Pid(87, -1, 5)), -1);
    EXPECT_TRUE(patches.IsValid(Pid(87, 0, 5)));
    EXPECT_FALSE(patches.IsValid(Pid(87, 0, 200)));

    // With an offset the indices start inside the first LSB bank.
    CTevEntityManager::CSequentialProgramIdMapper offset(Pid(87, 2, 10), 128, 300);
    EXPECT_EQ(offset.IndexToProgramId(0), Pid(87, 2, 10));
    EXPECT_EQ(offset.IndexToProgramId(117), Pid(87, 2, 127));
    EXPECT_EQ(offset.IndexToProgramId(118), Pid(87, 3, 0));
    EXPECT_EQ(offset.IndexToProgramId(299), Pid(87, 4, 53));
    EXPECT_EQ(offset.ProgramIdToIndex(Pid(87, 3, 0)), 118);
    EXPECT_EQ(offset.ProgramIdToIndex(Pid(87, 4, 53)), 299);
    EXPECT_EQ(offset.ProgramIdToIndex(Pid(87, 4, 54)), -1);
    EXPECT_EQ(offset.ProgramIdToIndex(Pid(87, 2, 9)), -1);
    EXPECT_EQ(offset.ProgramIdToIndex(Pid(87, 1, 127)), -1);

    // No entries per bank: nothing to convert, and no division by zero.
    CTevEntityManager::CSequentialProgramIdMapper empty(Pid(87, 0, 0), 0, 10);
    EXPECT_EQ(empty.IndexToProgramId(0), Pid());
    EXPECT_EQ(empty.ProgramIdToIndex(Pid(87, 0, 0)), -1);
}

TEST(TevEntityManager, ConvertsIdsThroughTheMatchingBank)
{
    CTevEntityManager manager;
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 0, 0), 128)));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(1, 0, 0, 0), 16, "x", Pid(90, 3, 0), 8)));

    EXPECT_EQ(manager.GetProgramId(Id(0, 0, 0, 127)), Pid(87, 0, 127));
    EXPECT_EQ(manager.GetProgramId(Id(0, 0, 0, 128)), Pid());
    EXPECT_EQ(manager.GetProgramId(Id(1, 0, 0, 9)), Pid(90, 4, 1));
    EXPECT_EQ(manager.GetProgramId(Id(0, 0, Any, 5)), Pid());
    EXPECT_EQ(manager.GetProgramId(Id(2, 0, 0, 0)), Pid());
    EXPECT_EQ(manager.GetEntityId(Pid(87, 0, 5)), Id(0, 0, 0, 5));
    EXPECT_EQ(manager.GetEntityId(Pid(90, 4, 7)), Id(1, 0, 0, 15));
    EXPECT_EQ(manager.GetEntityId(Pid(87, 0, 200)), Id());
    EXPECT_EQ(manager.GetEntityId(Pid(87, 1, 0)), Id());
    EXPECT_EQ(manager.GetEntityId(Pid(-1, 0, 0)), Id());

    EXPECT_EQ(manager.FindBankByProgramId(Pid(90, 3, 0)), std::next(manager.GetBanks().begin()));
    EXPECT_EQ(manager.FindBankByEntityId(Id(3, Any, Any, Any)), manager.End());

    // Reducing a bank's count shrinks both id ranges; the information
    // mapper keeps its own count.
    CTevEntityManager::IBank& bank = **manager.GetBanks().begin();
    bank.SetCount(64);
    EXPECT_EQ(bank.GetCount(), 64);
    EXPECT_EQ(bank.GetInformationCount(), 128);
    EXPECT_EQ(manager.GetProgramId(Id(0, 0, 0, 64)), Pid());
    EXPECT_EQ(manager.GetEntityId(Pid(87, 0, 64)), Id());
    EXPECT_EQ(manager.GetEntityId(Pid(87, 0, 63)), Id(0, 0, 0, 63));
}

TEST(TevEntityManager, OwnsItsBanksAndRefusesDuplicates)
{
    int firstDeleted = 0, duplicateDeleted = 0, otherDeleted = 0;
    {
        CTevEntityManager manager;
        auto first = MakeBank(Id(0, 0, 0, 0), 4, "first");
        first->SetDestroyCounter(&firstDeleted);
        auto duplicate = MakeBank(Id(0, 0, 0, 0), 8, "dup");
        duplicate->SetDestroyCounter(&duplicateDeleted);
        EXPECT_TRUE(manager.AddBank(std::move(first)));
        EXPECT_FALSE(manager.AddBank(std::move(duplicate)));
        EXPECT_EQ(duplicateDeleted, 1);
        EXPECT_FALSE(manager.AddBank(nullptr));
        ASSERT_EQ(manager.GetBanks().size(), 1u);
        // The bank already held is the one that stays in use.
        EXPECT_EQ(Walk(manager, Id(0, 0, 0, Any)).names, (std::vector<std::string>{"first0", "first1", "first2", "first3"}));

        manager.Clear();
        EXPECT_EQ(firstDeleted, 1);
        EXPECT_TRUE(manager.GetBanks().empty());
        EXPECT_TRUE(manager.CreateIterator(Id(Any, Any, Any, Any))->IsEnd());

        auto other = MakeBank(Id(0, 0, 0, 0), 2);
        other->SetDestroyCounter(&otherDeleted);
        EXPECT_TRUE(manager.AddBank(std::move(other)));
    }
    EXPECT_EQ(otherDeleted, 1);
    EXPECT_EQ(firstDeleted, 1);
}

TEST(TevEntityIterator, WildcardNumberWalksMatchingBanksInOrder)
{
    CTevEntityManager manager;
    // Added out of order; the empty bank in the middle matches nothing.
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 2, 0), 2, "c")));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 1, 0, 0), 3, "other")));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 1, 0), 0, "empty")));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 0, 0), 3, "a")));

    const SVisit visit = Walk(manager, Id(0, 0, Any, Any));
    EXPECT_EQ(visit.ids, (std::vector<Id>{Id(0, 0, 0, 0), Id(0, 0, 0, 1), Id(0, 0, 0, 2), Id(0, 0, 2, 0),
                                          Id(0, 0, 2, 1)}));
    EXPECT_EQ(visit.names, (std::vector<std::string>{"a0", "a1", "a2", "c0", "c1"}));

    // Every group a wildcard: the bank with the larger group b comes last.
    EXPECT_EQ(Walk(manager, Id(Any, Any, Any, Any)).ids.size(), 8u);
    EXPECT_EQ(Walk(manager, Id(Any, Any, Any, Any)).ids.back(), Id(0, 1, 0, 2));

    // A bank whose numbers do not start at 0 yields its own numbers.
    CTevEntityManager offset;
    ASSERT_TRUE(offset.AddBank(MakeBank(Id(0, 0, 0, 10), 3, "o")));
    EXPECT_EQ(Walk(offset, Id(0, 0, 0, Any)).ids, (std::vector<Id>{Id(0, 0, 0, 10), Id(0, 0, 0, 11), Id(0, 0, 0, 12)}));
}

TEST(TevEntityIterator, ExactNumberYieldsOneEntity)
{
    CTevEntityManager manager;
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 0, 0), 128, "p")));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 1, 0), 8, "q")));
    ASSERT_TRUE(manager.AddBank(MakeBank(Id(0, 0, 2, 10), 5, "r")));

    SVisit visit = Walk(manager, Id(0, 0, 0, 5));
    EXPECT_EQ(visit.ids, std::vector<Id>{Id(0, 0, 0, 5)});
    EXPECT_EQ(visit.names, std::vector<std::string>{"p5"});

    // Wildcard groups with an exact number: the entity of that number in the
    // first matching bank, and nothing of the later banks.
    visit = Walk(manager, Id(0, 0, Any, 5));
    EXPECT_EQ(visit.ids, std::vector<Id>{Id(0, 0, 0, 5)});
    EXPECT_EQ(visit.names, std::vector<std::string>{"p5"});
    visit = Walk(manager, Id(Any, Any, Any, 1));
    EXPECT_EQ(visit.ids, std::vector<Id>{Id(0, 0, 0, 1)});

    // The index is relative to the bank's first number.
    visit = Walk(manager, Id(0, 0, Any, 12));
    EXPECT_EQ(visit.ids, std::vector<Id>{Id(0, 0, 0, 12)});
    visit = Walk(manager, Id(0, Any, 2, 12));
    EXPECT_EQ(visit.ids, std::vector<Id>{Id(0, 0, 2, 12)});
    EXPECT_EQ(visit.names, std::vector<std::string>{"r2"});

    // No bank holds the number: the walk is empty.
    std::unique_ptr<CTevEntityIterator> none = manager.CreateIterator(Id(0, 0, 1, 8));
    EXPECT_TRUE(none->IsEnd());
    EXPECT_EQ(none->GetEntityId(), Id());
    EXPECT_EQ(none->GetInformation(), nullptr);
    none->Next();
    EXPECT_TRUE(none->IsEnd());
}

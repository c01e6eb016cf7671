// The bank of user patches: ids both ways, names kept in the mirror.
#include "EditionTestSupport.h"

#include "kappa/PatchBank.h"

namespace {

using PatchBankTest = CEditionTest;

TEST_F(PatchBankTest, IdsMapBothWaysAndNamesLiveInTheMirror)
{
    LoadAndStart();
    CTevEntityManager& entities = Accessor().GetEntityManager();
    struct SCase {
        CTevEntityId entity;
        CTevProgramId program;
    };
    const SCase cases[] = {
        {{0, 0, 0, 0}, {87, 0, 0}},
        {{0, 0, 0, 127}, {87, 0, 127}},
        {{0, 0, 0, 128}, {}},
        {{0, 0, 1, 5}, {}},
        {{-1, 0, 0, 5}, {}},
    };
    for (const SCase& test : cases)
        EXPECT_EQ(entities.GetProgramId(test.entity), test.program) << test.entity.GetNumber();
    EXPECT_EQ(entities.GetEntityId({87, 0, 42}), Edition::UserPatch(42));
    EXPECT_EQ(entities.GetEntityId({87, 1, 0}), CTevEntityId());
    EXPECT_EQ(entities.GetEntityId({87, 0, 200}), CTevEntityId());

    CTevEntityManager::IBank& bank = **entities.GetBanks().begin();
    // Names are padded on the left to the value's width and sent nowhere.
    bank.IndexToInformation(12)->SetName("Lead");
    EXPECT_EQ(Accessor().GetUserPatchName(12)->GetString(), "        Lead");
    EXPECT_EQ(bank.IndexToInformation(12)->GetName(), "        Lead");
    EXPECT_EQ(module.GetReceived().size(), 0u);
    Manager().ClearChanges();
    for (int32_t outside : {-1, 128}) {
        CTevEntityManager::IInformation* none = bank.IndexToInformation(outside);
        EXPECT_TRUE(none->IsNull());
        none->SetName("X");
        EXPECT_EQ(none->GetName(), "");
    }
    EXPECT_TRUE(Manager().GetChanges().empty());

    bank.SetCount(64);
    EXPECT_EQ(bank.GetCount(), 64);
    EXPECT_EQ(bank.GetInformationCount(), 128);
    EXPECT_EQ(entities.GetProgramId(Edition::UserPatch(64)), CTevProgramId());
}

} // namespace

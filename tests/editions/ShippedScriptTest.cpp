// The shipped script of the edition loads through the real reader and
// creation, and declares every path of the edition's table.
#include "EditionTestSupport.h"

#include <set>

namespace {

using ShippedScriptTest = CEditionTest;

TEST_F(ShippedScriptTest, LoadsResolvesEveryEntryAndLaysOutTheMemoryLikeADevice)
{
    ASSERT_TRUE(LoadShippedScript()) << Errors();
    Start();
    EXPECT_EQ(Errors(), "");
    EXPECT_EQ(Accessor().GetUnresolvedPaths(), std::vector<std::string>());
    EXPECT_EQ(Accessor().GetLookupCount(), Accessor().GetEntryCount());
    EXPECT_EQ(Accessor().GetEntryCount(), Edition::EntryLayout().Count());
    EXPECT_GE(Accessor().GetSkinNames().size(), 2u);
    EXPECT_EQ(Accessor().GetReadStepCount(Edition::kReadTemporaryPatch), 4);

    // A real device's memory: the leaves that are read do not overlap, the
    // write and report places (at least three bytes) overlap none of them,
    // and every sound parameter with a controller fits into 7 bits at that
    // resolution.
    std::vector<CTevAddressRange> leaves;
    for (int32_t entry : {Edition::kTemporaryPatchEntry, Edition::kUserAreaEntry}) {
        std::vector<const CTevStruct*> pending{Accessor().GetStruct(entry)};
        while (!pending.empty()) {
            const CTevStruct* structure = pending.back();
            pending.pop_back();
            if (const CTevStructList* children = structure->GetChildStructs())
                for (const auto& child : *children)
                    pending.push_back(child.get());
            else
                leaves.push_back(structure->GetAbsoluteRange());
        }
    }
    EXPECT_EQ(leaves.size(), 4u + Edition::kUserPatchCount);
    for (int32_t entry : {Edition::kWritePatchEntry, Edition::kInfoPatchEntry}) {
        const CTevAddressRange place = Accessor().GetStruct(entry)->GetAbsoluteRange();
        EXPECT_GE(place.GetSize(), 3);
        leaves.push_back(place);
    }
    for (size_t i = 0; i < leaves.size(); ++i)
        for (size_t j = i + 1; j < leaves.size(); ++j)
            EXPECT_FALSE(leaves[i].Overlaps(leaves[j])) << i << " " << j;

    for (size_t i = 0; i < Edition::kEditionData.soundParameters.size(); ++i) {
        const Edition::SSoundParameter& parameter = Edition::kEditionData.soundParameters[i];
        const CTevValueSpec* spec = Accessor().GetValue(Edition::kFirstSoundParameterEntry + int32_t(i))->GetSpec();
        const int32_t divisor = parameter.halfResolution ? 2 : 1;
        EXPECT_GE(spec->GetMinimum() / divisor, 0) << parameter.path;
        EXPECT_LE(spec->GetMaximum() / divisor, 127) << parameter.path;
    }
    EXPECT_EQ(Accessor().GetRootStruct()->GetMidiOut(), &Manager().m_midiManager.GetOutputPorts().front());
    EXPECT_EQ(Accessor().GetSkinValue()->GetRootMidiOut(), nullptr);
}

} // namespace

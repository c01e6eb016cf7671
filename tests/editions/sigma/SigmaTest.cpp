// What only the Sigma edition has: its 37 pairs, the tempo rule and its
// constants.
#include "../EditionTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
using SigmaTest = CEditionTest;

TEST_F(SigmaTest, TheTempoTravelsAtFullResolutionAndItsControllerAtHalf)
{
    LoadAndStart();
    EXPECT_EQ(Accessor().GetEntryCount(), 2225);
    EXPECT_EQ(Accessor().GetEntry(304 + 15 * 120 + 119), Value("midi.ch[15].cc[119]"));
    EXPECT_EQ(Accessor().GetEntry(176 + 127), Value("ms.usr.names[127].name"));

    CTevValue* tempo = Value("ms.tmp.common.tempo");
    ASSERT_EQ(tempo, Accessor().GetValue(145));
    Change(tempo, 181);
    EXPECT_EQ(Accessor().GetControllerValue(0, 14)->GetInteger(), 90);
    ASSERT_EQ(module.GetReceived().size(), 1u);
    const auto sets = module.GetVendorMessages(CSimulatedModule::kDataSetCommand);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].address, tempo->GetAbsoluteRange().begin);
    EXPECT_EQ(sets[0].body, (Bytes{181 / 128, 181 % 128}));

    // vcfreq is a plain pair on controller 3.
    module.ClearRecords();
    Change(Value("ms.tmp.osc.vcfreq"), 12);
    EXPECT_EQ(module.GetReceived().back().bytes, (Bytes{0xB0, 3, 12}));

    // From the device: the tempo at double the controller, clamped; no pair
    // above 45.
    struct SCase {
        uint8_t controller;
        uint8_t value;
        int32_t tempo;
    };
    const int32_t upper = tempo->GetSpec()->GetMaximum();
    for (const SCase& test : {SCase{14, 100, 200}, SCase{14, 127, std::min(254, upper)}, SCase{46, 10, 0}}) {
        const int32_t before = tempo->GetInteger();
        module.SendControlChange(0, test.controller, test.value);
        Deliver();
        EXPECT_EQ(tempo->GetInteger(), test.tempo ? test.tempo : before) << int(test.controller);
    }

    // The device's own side: controller 14 on its receive channel sets its
    // tempo at double the value, within the tempo's range.
    const int32_t lower = tempo->GetSpec()->GetMinimum();
    const int32_t at = tempo->GetAbsoluteRange().begin;
    for (auto [value, expected] : {std::pair{100, 200}, {127, std::min(254, upper)}, {5, std::max(10, lower)}}) {
        module.Receive({0xB0, 14, uint8_t(value)});
        EXPECT_EQ(module.ByteAt(at) * 128 + module.ByteAt(at + 1), expected) << value;
    }
}

} // namespace

// What only the Kappa edition has: its 100 pairs and its constants.
#include "../EditionTestSupport.h"

namespace {

using KappaTest = CEditionTest;

TEST_F(KappaTest, PairsAndEntriesOfTheEdition)
{
    LoadAndStart();
    EXPECT_EQ(Accessor().GetEntryCount(), 2288);
    EXPECT_EQ(Accessor().GetEntry(367 + 3 * 120 + 74), Value("midi.ch[3].cc[74]"));
    EXPECT_EQ(Accessor().GetEntry(5 + 127), Manager().FindStruct("ms.usr.names[127]"));
    EXPECT_EQ(Accessor().GetEntry(239), Value("ms.usr.names[0].name"));
    EXPECT_EQ(Accessor().GetEntry(238), Value("ms.systemReset.reset"));
    EXPECT_EQ(Accessor().GetEntry(2287), Value("vs.misc.skin"));

    // vcfreq is pair 36 on controller 44; 127 from the device is clamped.
    CTevValue* vcfreq = Value("ms.tmp.osc.vcfreq");
    EXPECT_EQ(vcfreq, Accessor().GetValue(173));
    Change(vcfreq, 90);
    EXPECT_EQ(outDevice->sent.back(), (std::vector<uint8_t>{0xB0, 0x2C, 90}));
    module.SendControlChange(0, 44, 127);
    Deliver();
    EXPECT_EQ(vcfreq->GetInteger(), vcfreq->GetSpec()->GetMaximum());
}

} // namespace

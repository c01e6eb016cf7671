// The road a user takes, once per edition: the shipped script is loaded,
// the edition starts and reads the device, a paired and an unpaired
// parameter are moved, the device sends a control change and reports a
// patch change, a patch is chosen from the pop-up, stepped to and written
// into, and the program ends.
#include "EditionTestSupport.h"

#include "kappa/PatchBank.h"

#include <filesystem>
#include <fstream>

namespace {

using Bytes = std::vector<uint8_t>;
using EndToEndTest = CEditionTest;

TEST_F(EndToEndTest, AUsersRoadFromStartToEnd)
{
    const std::filesystem::path folder = MakeTestFolder();
    std::ofstream(folder / "SkinID.txt") << "1";
    Manager().SetFolder(folder.string() + "/");
    ASSERT_TRUE(LoadShippedScript()) << Errors();
    ConnectDevices();

    // The device holds other sounds than the script's defaults.
    const CTevValue* patchName = Value("ms.tmp.common.patchName");
    module.WriteMemory(patchName->GetAbsoluteRange().begin, Bytes{'S', 'o', 'f', 't', ' ', 'P', 'a', 'd', ' ', ' ', ' ', ' '});
    for (int32_t k = 0; k < Edition::kUserPatchCount; ++k)
        module.WriteMemory(module.GetEditionLayout().userNameAddresses[size_t(k)], Bytes(12, uint8_t('A' + k % 26)));
    const Edition::SSoundParameter& paired = PlainParameter();
    const int32_t pairedAddress = Value(paired.path)->GetAbsoluteRange().begin;
    module.WriteMemory(pairedAddress, {33});

    Start();
    EXPECT_EQ(Accessor().GetSkin(), 1);
    ASSERT_TRUE(Accessor().IsMidiConnected());
    ASSERT_TRUE(Accessor().ReadFromDevice());
    EXPECT_EQ(patchName->GetString(), "Soft Pad    ");
    EXPECT_EQ(Accessor().GetUserPatchName(27)->GetString(), std::string(12, 'B'));
    EXPECT_EQ(Value(paired.path)->GetInteger(), 33);
    EXPECT_EQ(StatusCode(), 0);

    // A paired parameter goes out as its controller, an unpaired one as a
    // data set; the device follows both.
    module.ClearRecords();
    Change(Value(paired.path), 44);
    Manager().SetStringValue(Value("ms.tmp.common.patchName"), "Warm Pad    ");
    Manager().TransmitChanges();
    Manager().DispatchChanges();
    Manager().ClearChanges();
    ASSERT_EQ(module.GetReceived().size(), 2u);
    EXPECT_EQ(module.GetReceived()[0].bytes, (Bytes{0xB0, uint8_t(paired.controller), 44}));
    EXPECT_EQ(module.ByteAt(pairedAddress), 44);
    EXPECT_EQ(module.ByteAt(patchName->GetAbsoluteRange().begin), 'W');

    // The device's knob moves the parameter; its own patch change is
    // followed; nothing goes back.
    module.ClearRecords();
    module.SendControlChange(0, uint8_t(paired.controller), 77);
    module.WriteMemory(module.GetEditionLayout().currentProgramAddress, {87, 0, 5});
    ASSERT_TRUE(module.ReportCurrentPatch());
    Deliver();
    EXPECT_EQ(Value(paired.path)->GetInteger(), 77);
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(5));
    EXPECT_TRUE(module.GetReceived().empty());

    // Choose patch 9 from the pop-up, step up, write into patch 3.
    popup->SetChoice(9);
    EXPECT_TRUE(Manager().GetFunctionManager().Call("SelectPatch", ""));
    EXPECT_EQ(popup->GetPreselectedPath(), (std::vector<int32_t>{0, 5}));
    EXPECT_EQ(module.GetCurrentProgram(), (Bytes{87, 0, 9}));
    EXPECT_TRUE(Manager().GetFunctionManager().Call("IncrementPatch", ""));
    EXPECT_EQ(module.GetCurrentProgram(), (Bytes{87, 0, 10}));
    writeDialog.answer = 3;
    EXPECT_TRUE(Manager().GetFunctionManager().Call("Write", ""));
    EXPECT_EQ(writeDialog.initialIndex, 10);
    EXPECT_EQ(writeDialog.names[3], std::string(12, 'D'));
    EXPECT_EQ(Accessor().GetUserPatchName(3)->GetString(), "Warm Pad    ");
    EXPECT_EQ(module.GetCurrentProgram(), (Bytes{87, 0, 3}));

    // The end resets the device once and keeps the skin.
    module.ClearRecords();
    Accessor().SetSkin(0);
    EXPECT_TRUE(Accessor().Terminate());
    EXPECT_EQ(module.GetSystemResetCount(), 1);
    EXPECT_EQ(module.GetReceived().size(), 1u);
    {
        std::ifstream skin(folder / "SkinID.txt");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(skin), {}), "0");
    }
    EXPECT_EQ(StatusCode(), 0);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

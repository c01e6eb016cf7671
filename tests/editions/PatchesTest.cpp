// Reading the device, the patch bank, choosing, stepping and writing
// patches, skins and the end of the edition.
#include "EditionTestSupport.h"

#include "kappa/PatchBank.h"
#include "midi/TevMidiManager.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using Bytes = std::vector<uint8_t>;
using SVendorMessage = CSimulatedModule::SVendorMessage;

class PatchesTest : public CEditionTest {
protected:
    std::vector<SVendorMessage> Sent(uint8_t command) const { return module.GetVendorMessages(command); }
    std::string SkinFile(const char* text = nullptr) const
    {
        const std::string path = Manager().GetFolder() + "SkinID.txt";
        if (text)
            std::ofstream(path) << text;
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
};

TEST_F(PatchesTest, ReadAsksForEveryLeafInOrderWithProgressAndARetry)
{
    LoadAndStart();
    module.WriteMemory(Address("ms.usr.names[127].name"), Bytes(12, 'U'));
    module.SetAnswerFromRequest(2);
    // READ and WRITE pressed while the read runs do nothing.
    progress->onStep = [this] {
        EXPECT_FALSE(Call("Read"));
        EXPECT_FALSE(Call("Write"));
    };
    ASSERT_TRUE(Call("Read"));
    EXPECT_TRUE(writeDialog.names.empty());

    std::vector<int32_t> expected;
    for (const char* leaf : {"ms.tmp.setup", "ms.tmp.setup", "ms.tmp.common", "ms.tmp.osc", "ms.tmp.mfx"})
        expected.push_back(Address(leaf));
    for (int32_t k = 0; k < Edition::kUserPatchCount; ++k)
        expected.push_back(Address("ms.usr.names[" + std::to_string(k) + "]"));
    std::vector<int32_t> requested;
    for (const SVendorMessage& request : Sent(CSimulatedModule::kRequestCommand))
        requested.push_back(request.address);
    EXPECT_EQ(requested, expected);
    EXPECT_EQ(progress->begins, std::vector<int32_t>{1});
    EXPECT_EQ(progress->GetRange(), 4 + 128);
    EXPECT_EQ(progress->GetPos(), 4 + 128);
    EXPECT_EQ(progress->ends, 1);
    EXPECT_EQ(Accessor().GetUserPatchName(127)->GetString(), std::string(12, 'U'));
    EXPECT_EQ(StatusCode(), 0);
}

TEST_F(PatchesTest, ReadStopsAtTheFirstSilentLeafAndWithoutDevicesNothingIsSent)
{
    LoadAndStart();
    // The device knows the temporary patch but not the first user patch.
    module.ClearMemory();
    module.AddLeavesOf(*Accessor().GetStruct(Edition::kTemporaryPatchEntry));
    const uint32_t before = clock.now;
    EXPECT_FALSE(Call("Read"));
    EXPECT_EQ(StatusCode(), CTevMidiReader::kNoReplyCode);
    EXPECT_EQ(module.GetRequestCount(), 4 + 2);
    EXPECT_GE(clock.now - before, 6000u);

    // Read and Write alike report code 3 and send nothing.
    CTevMidiManager& midi = Manager().m_midiManager;
    midi.GetOutputPorts().front().SetDevice(nullptr);
    midi.GetOutputDevices().DeleteAll();
    midi.GetInputDevices().DeleteAll();
    module.ClearRecords();
    for (const char* command : {"Read", "Write"}) {
        Manager().SetStatusCode(0);
        EXPECT_FALSE(Call(command));
        EXPECT_EQ(StatusCode(), 3) << command;
    }
    EXPECT_EQ(module.GetReceived().size(), 0u);
    EXPECT_EQ(progress->begins.size(), 1u);
    EXPECT_EQ(writeDialog.initialIndex, -2);
}

TEST_F(PatchesTest, TheBankMapsIdsAndKeepsNamesInTheMirror)
{
    LoadAndStart();
    CTevEntityManager& entities = Accessor().GetEntityManager();
    EXPECT_EQ(entities.GetProgramId(Edition::UserPatch(127)), CTevProgramId(87, 0, 127));
    EXPECT_EQ(entities.GetProgramId(Edition::UserPatch(128)), CTevProgramId());
    EXPECT_EQ(entities.GetEntityId({87, 0, 42}), Edition::UserPatch(42));
    EXPECT_EQ(entities.GetEntityId({87, 1, 0}), CTevEntityId());
    CTevEntityManager::IBank& bank = **entities.GetBanks().begin();
    bank.IndexToInformation(12)->SetName("Lead");
    EXPECT_EQ(Accessor().GetUserPatchName(12)->GetString(), "        Lead");
    EXPECT_EQ(module.GetReceived().size(), 0u);
    Manager().ClearChanges();
    CTevEntityManager::IInformation* none = bank.IndexToInformation(128);
    none->SetName("X");
    EXPECT_TRUE(none->IsNull());
    EXPECT_EQ(none->GetName(), "");
    EXPECT_TRUE(Manager().GetChanges().empty());
}

TEST_F(PatchesTest, SelectAndStepSendOneDataSetUnlessPastEitherEnd)
{
    LoadAndStart();
    struct SCase {
        const char* command;
        int32_t from;
        int32_t expected;  // -1: nothing happens
    };
    for (const SCase& test : {SCase{"IncrementPatch", 5, 6}, SCase{"DecrementPatch", 5, 4},
                              SCase{"IncrementPatch", 127, -1}, SCase{"DecrementPatch", 0, -1}}) {
        ASSERT_TRUE(Edition::CEntitySelector::Select(Edition::UserPatch(test.from)));
        module.ClearRecords();
        EXPECT_EQ(Call(test.command), test.expected >= 0) << test.command << " " << test.from;
        const int32_t now = test.expected >= 0 ? test.expected : test.from;
        EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(now));
        const auto sent = Sent(CSimulatedModule::kDataSetCommand);
        ASSERT_EQ(sent.size(), test.expected >= 0 ? 1u : 0u);
        if (!sent.empty()) {
            EXPECT_EQ(sent[0].address, Address("ms.tmp.setup.msb"));
            EXPECT_EQ(sent[0].body, (Bytes{87, 0, uint8_t(test.expected)}));
        }
    }
    // A report too short for the three program bytes is ignored.
    module.SendRaw(module.BuildMessage(CSimulatedModule::kDataSetCommand, Address("ms.infoPatch"), {87, 0}));
    Deliver();
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(0));

    // A knob turned while the device's box about the selection's data set
    // is open: the selection goes out once, the knob's change on its own.
    module.ClearRecords();
    const Edition::SSoundParameter& plain = PlainParameter();
    bool turned = false;
    outDevice->onSend = [&, forward = outDevice->onSend](const Bytes& bytes) {
        forward(bytes);
        if (!std::exchange(turned, true))
            Change(Value(plain.path), 33);
    };
    ASSERT_TRUE(Edition::CEntitySelector::Select(Edition::UserPatch(9)));
    const auto sets = Sent(CSimulatedModule::kDataSetCommand);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].body, (Bytes{87, 0, 9}));
    EXPECT_EQ(outDevice->sent.back(), (Bytes{0xB0, uint8_t(plain.controller), 33}));
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(9));
}

TEST_F(PatchesTest, PopupOffersEveryPatchInFourSubmenusAndCancelSendsNothing)
{
    LoadAndStart();
    ASSERT_TRUE(Edition::CEntitySelector::Select(Edition::UserPatch(40)));
    module.ClearRecords();
    EXPECT_FALSE(Call("SelectPatch"));
    EXPECT_TRUE(module.GetReceived().empty());
    EXPECT_EQ(popup->GetTopTexts(), (std::vector<std::string>{"  1...", " 33...", " 65...", " 97..."}));
    EXPECT_EQ(popup->GetPreselectedPath(), (std::vector<int32_t>{1, 8}));
    const std::vector<std::string> leaves = popup->GetLeafTexts();
    ASSERT_EQ(leaves.size(), 128u);
    EXPECT_EQ(leaves[0], "  1: " + Accessor().GetUserPatchName(0)->GetString());
    EXPECT_EQ(leaves[99].substr(0, 5), "100: ");
}

TEST_F(PatchesTest, WriteSendsThePatchPausesAndRereadsOnlyItsName)
{
    LoadAndStart();
    writeDialog.answer = -1;
    EXPECT_TRUE(Call("Write"));
    EXPECT_TRUE(module.GetReceived().empty());
    EXPECT_EQ(writeDialog.names.size(), 128u);

    clock.sleeps.clear();
    writeDialog.answer = 3;
    EXPECT_TRUE(Call("Write"));
    const auto sets = Sent(CSimulatedModule::kDataSetCommand);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].address, Address("ms.writePatch"));
    EXPECT_EQ(sets[0].body, (Bytes{87, 0, 3}));
    const auto requests = Sent(CSimulatedModule::kRequestCommand);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].address, Address("ms.usr.names[3]"));
    EXPECT_EQ(clock.sleeps.front(), CTevMidiWriter::kPauseMs);
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(3));

    // A store the device could not send goes no further: no re-read, no
    // selection (which would load the stored patch over the unsaved sound).
    module.ClearRecords();
    outDevice->result = false;
    writeDialog.answer = 5;
    EXPECT_TRUE(Call("Write"));
    EXPECT_EQ(module.GetReceived().size(), 1u);
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(3));
}

TEST_F(PatchesTest, SkinsAndTheEndOfTheEdition)
{
    const std::string folder = MakeTestFolder() + "/";
    Manager().SetFolder(folder);
    // A failed load ends without touching the saved skin.
    SkinFile("1");
    EXPECT_TRUE(Accessor().Terminate());
    EXPECT_EQ(SkinFile(), "1");
    // Only a number the skin table knows replaces the script's default.
    for (const char* text : {"abc", "7", "1"}) {
        TearDown();
        SetUp();
        Manager().SetFolder(folder);
        SkinFile(text);
        LoadAndStart();
        EXPECT_EQ(Accessor().GetSkin(), text == std::string("1") ? 1 : 0) << text;
    }
    Value("ms.tmp.setup.receiveCh")->SetInteger(20);
    EXPECT_EQ(Accessor().GetReceiveChannel(), 15);
    // The skin read at the start is the one saved at the end.
    EXPECT_TRUE(Accessor().Terminate());
    EXPECT_EQ(SkinFile(), "1");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(PatchesTest, APathTheScriptLacksIsReportedOnceAndNeverUsed)
{
    const Edition::SSoundParameter& plain = PlainParameter();
    const std::string path = plain.path;
    const std::string tag = "<name>" + path.substr(path.rfind('.') + 1) + "</name>";
    std::ifstream file(TEV_EDITION_SCRIPT_PATH);
    std::string script(std::istreambuf_iterator<char>(file), {});
    ASSERT_NE(script.find(tag), std::string::npos);
    script.replace(script.find(tag), tag.size(), "<name>renamed</name>");
    // Without the panels, whose controls would refer to the missing parameter.
    const size_t panels = script.find("<panelType>");
    ASSERT_NE(panels, std::string::npos);
    script.erase(panels, script.rfind("</script>") - panels);
    std::istringstream stream(script);
    ASSERT_TRUE(Manager().ReadScript(stream) && Manager().Create()) << Errors();
    ConnectDevices();
    Start();

    EXPECT_EQ(Accessor().GetUnresolvedPaths(), std::vector<std::string>{path});
    EXPECT_EQ(Errors(), "Unable to find the edition's parameter. : " + path + "\n");
    module.SendControlChange(0, uint8_t(plain.controller), 99);
    Deliver();
    EXPECT_EQ(Accessor().GetControllerValue(0, plain.controller)->GetInteger(), 99);
    EXPECT_TRUE(Call("Read"));
}

} // namespace

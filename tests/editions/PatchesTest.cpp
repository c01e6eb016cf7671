// Reading the device, choosing, stepping and writing patches, the device's
// own patch report, the commands, skins and the end of the edition.
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
    void SetUp() override
    {
        CEditionTest::SetUp();
        folder = MakeTestFolder();
        Manager().SetFolder(folder.string() + "/");
    }
    void TearDown() override
    {
        CEditionTest::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::vector<SVendorMessage> Sent(uint8_t command) const { return module.GetVendorMessages(command); }
    int32_t Address(const char* path) const
    {
        const CTevBuffer* buffer = Manager().FindStruct(path);
        if (!buffer)
            buffer = Value(path);
        return buffer ? buffer->GetAbsoluteRange().begin : -1;
    }
    void WriteSkinFile(const std::string& text) const { std::ofstream(folder / "SkinID.txt") << text; }
    std::string ReadSkinFile() const
    {
        std::ifstream file(folder / "SkinID.txt");
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    void Disconnect()
    {
        CTevMidiManager& midi = Manager().m_midiManager;
        midi.GetOutputPorts().front().SetDevice(nullptr);
        midi.GetOutputDevices().DeleteAll();
        midi.GetInputDevices().DeleteAll();
        outDevice = nullptr;
        inDevice = nullptr;
    }
    bool Call(const char* command) { return Manager().GetFunctionManager().Call(command, ""); }

    std::filesystem::path folder;
};

TEST_F(PatchesTest, ReadAsksForEveryLeafInOrderWithProgressAndARetry)
{
    LoadAndStart();
    module.WriteMemory(Address("ms.tmp.common.patchName"), Bytes(12, 'T'));
    module.WriteMemory(Address("ms.usr.names[127].name"), Bytes(12, 'U'));
    module.SetAnswerFromRequest(2);
    ASSERT_TRUE(Call("Read"));

    std::vector<int32_t> expected;
    for (const char* leaf : {"ms.tmp.setup", "ms.tmp.common", "ms.tmp.osc", "ms.tmp.mfx"})
        expected.push_back(Address(leaf));
    expected.insert(expected.begin(), expected.front());  // the first request again
    for (int32_t k = 0; k < Edition::kUserPatchCount; ++k)
        expected.push_back(Accessor().GetUserPatchStruct(k)->GetAbsoluteRange().begin);
    std::vector<int32_t> requested;
    for (const SVendorMessage& request : Sent(CSimulatedModule::kRequestCommand))
        requested.push_back(request.address);
    EXPECT_EQ(requested, expected);

    EXPECT_EQ(progress->begins, std::vector<int32_t>{1});
    EXPECT_EQ(progress->GetRange(), 4 + 128);
    EXPECT_EQ(progress->positions.size(), 132u);
    EXPECT_EQ(progress->GetPos(), 132);
    EXPECT_EQ(progress->ends, 1);
    EXPECT_EQ(Value("ms.tmp.common.patchName")->GetString(), std::string(12, 'T'));
    EXPECT_EQ(Accessor().GetUserPatchName(127)->GetString(), std::string(12, 'U'));
    EXPECT_EQ(StatusCode(), 0);
    EXPECT_EQ(Sent(CSimulatedModule::kDataSetCommand).size(), 0u);
}

TEST_F(PatchesTest, ReadStopsAtTheFirstSilentLeafAndWithoutDevicesSendsNothing)
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
    EXPECT_EQ(progress->ends, 1);

    Manager().SetStatusCode(0);
    module.ClearRecords();
    Disconnect();
    EXPECT_FALSE(Call("Read"));
    EXPECT_EQ(StatusCode(), 3);
    EXPECT_EQ(module.GetReceived().size(), 0u);
    EXPECT_EQ(progress->begins.size(), 1u);
    // Write says the same instead of waiting for a re-read that cannot come.
    Manager().SetStatusCode(0);
    EXPECT_FALSE(Call("Write"));
    EXPECT_EQ(StatusCode(), 3);
    EXPECT_EQ(writeDialog.initialIndex, -2);
}

TEST_F(PatchesTest, SelectStepAndTheDevicesOwnReport)
{
    LoadAndStart();
    struct SCase {
        const char* command;
        int32_t from;
        int32_t expected;  // -1: nothing happens
    };
    const SCase cases[] = {{"IncrementPatch", 5, 6}, {"DecrementPatch", 5, 4}, {"IncrementPatch", 127, -1},
                           {"DecrementPatch", 0, -1}};
    for (const SCase& test : cases) {
        ASSERT_TRUE(Edition::CEntitySelector::Select(Edition::UserPatch(test.from)));
        module.ClearRecords();
        EXPECT_EQ(Call(test.command), test.expected >= 0) << test.command << " " << test.from;
        const int32_t now = test.expected >= 0 ? test.expected : test.from;
        EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(now));
        const auto sent = Sent(CSimulatedModule::kDataSetCommand);
        if (test.expected < 0) {
            EXPECT_TRUE(sent.empty());
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].address, Address("ms.tmp.setup.msb"));
        EXPECT_EQ(sent[0].body, (Bytes{87, 0, uint8_t(test.expected)}));
    }

    // The device changes its patch and says so: nothing is echoed.
    module.WriteMemory(Address("ms.tmp.setup.msb"), {87, 0, 5});
    module.ClearRecords();
    ASSERT_TRUE(module.ReportCurrentPatch());
    Deliver();
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(5));
    EXPECT_EQ(module.GetReceived().size(), 0u);
    // A report too short for the three program bytes is ignored.
    module.SendRaw(module.BuildMessage(CSimulatedModule::kDataSetCommand, Address("ms.infoPatch"), {87, 0}));
    Deliver();
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(5));
}

TEST_F(PatchesTest, PopupOffersEveryPatchInFourSubmenusWithTheCurrentOneMarked)
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
    const std::string name = Accessor().GetUserPatchName(0)->GetString();
    EXPECT_EQ(leaves[0], "  1: " + name);
    EXPECT_EQ(leaves[99].substr(0, 5), "100: ");

    popup->SetChoice(99);
    EXPECT_TRUE(Call("SelectPatch"));
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(99));
    EXPECT_EQ(module.GetCurrentProgram(), (Bytes{87, 0, 99}));
}

TEST_F(PatchesTest, WriteStoresTheTemporaryPatchRereadsItsNameAndSelectsIt)
{
    LoadAndStart();
    ASSERT_TRUE(Edition::CEntitySelector::Select(Edition::UserPatch(7)));
    Manager().SetStringValue(Value("ms.tmp.common.patchName"), "Glass Bells ");
    Manager().TransmitChanges();
    Manager().ClearChanges();
    module.ClearRecords();
    clock.sleeps.clear();

    writeDialog.answer = -1;
    EXPECT_TRUE(Call("Write"));
    EXPECT_TRUE(module.GetReceived().empty());
    EXPECT_EQ(writeDialog.initialIndex, 7);
    EXPECT_EQ(writeDialog.names.size(), 128u);

    writeDialog.answer = 3;
    EXPECT_TRUE(Call("Write"));
    const auto sets = Sent(CSimulatedModule::kDataSetCommand);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].address, Address("ms.writePatch"));
    EXPECT_EQ(sets[0].body, (Bytes{87, 0, 3}));
    EXPECT_EQ(sets[1].address, Address("ms.tmp.setup.msb"));
    EXPECT_EQ(sets[1].body, (Bytes{87, 0, 3}));
    const auto requests = Sent(CSimulatedModule::kRequestCommand);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].address, Address("ms.usr.names[3]"));
    EXPECT_NE(std::find(clock.sleeps.begin(), clock.sleeps.end(), CTevMidiWriter::kPauseMs), clock.sleeps.end());
    EXPECT_EQ(module.GetStoredPatches(), std::vector<int32_t>{3});
    EXPECT_EQ(Accessor().GetUserPatchName(3)->GetString(), "Glass Bells ");
    EXPECT_EQ(Edition::CEntitySelector::GetCurrentEntityId(), Edition::UserPatch(3));
}

TEST_F(PatchesTest, SkinsAndTheEndOfTheEdition)
{
    // A failed load ends without touching the saved skin.
    WriteSkinFile("1");
    EXPECT_TRUE(Accessor().Terminate());
    EXPECT_EQ(ReadSkinFile(), "1");

    struct SCase {
        const char* file;
        int32_t skin;
    };
    // Only a number the skin table knows replaces the script's default.
    for (const SCase& test : {SCase{"1", 1}, SCase{"abc", 0}, SCase{"7", 0}, SCase{"-1", 0}}) {
        CManagerTest::TearDown();
        CEditionTest::SetUp();
        Manager().SetFolder(folder.string() + "/");
        WriteSkinFile(test.file);
        LoadAndStart();
        EXPECT_EQ(Accessor().GetSkin(), test.skin) << test.file;
    }

    Accessor().SetSkin(1);
    EXPECT_EQ(module.GetReceived().size(), 0u);
    Value("ms.tmp.setup.receiveCh")->SetInteger(20);
    EXPECT_EQ(Accessor().GetReceiveChannel(), 15);
    EXPECT_TRUE(Accessor().Terminate());
    EXPECT_EQ(module.GetSystemResetCount(), 1);
    EXPECT_EQ(Sent(CSimulatedModule::kDataSetCommand).size(), 1u);
    EXPECT_EQ(ReadSkinFile(), "1");
}

TEST_F(PatchesTest, APathTheScriptLacksIsReportedOnceAndNeverUsed)
{
    const Edition::SSoundParameter& plain = PlainParameter();
    const std::string path = plain.path;
    const std::string leafName = path.substr(path.rfind('.') + 1);
    std::ifstream file(TEV_EDITION_SCRIPT_PATH);
    std::string script(std::istreambuf_iterator<char>(file), {});
    const std::string tag = "<name>" + leafName + "</name>";
    ASSERT_NE(script.find(tag), std::string::npos);
    script.replace(script.find(tag), tag.size(), "<name>" + leafName + "Renamed</name>");
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

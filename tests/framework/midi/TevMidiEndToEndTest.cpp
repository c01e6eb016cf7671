// The whole road between the program and a sound module: a script with a
// parameter tree, a MIDI channel struct and two ports is loaded into the
// manager, the ports are bound to fake devices wired to the simulated
// module, the tree is read leaf by leaf, and changes travel both ways
// without ever being echoed back.
#include "core/TevBuffer.h"
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "midi/TevMidi.h"
#include "midi/TevMidiManager.h"
#include "midi/TevMidiReader.h"
#include "midi/TevMidiStruct.h"

#include "support/FakeMidiDevices.h"
#include "support/ManagerTestSupport.h"
#include "support/SimulatedModule.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const char kScript[] = R"(<?xml version="1.0" encoding="Shift_JIS"?>
<script>
<structType><type>Common</type><name>common</name><address>00 00</address>
  <value><name>name</name><type>string</type><size>08</size><default>Init</default></value>
  <value><name>level</name><default>100</default></value>
  <value><name>tempo</name><type>int2x7</type><range>20,250</range><default>120</default></value>
</structType>
<structType><type>Osc</type><name>osc</name><address>$osc</address>
  <value><name>wave</name><range>0,7</range><default>0</default></value>
  <value><name>level</name><default>127</default></value>
</structType>
<structType><type>Patch</type><name>tmp</name><address>00 00 00</address><size>00 01 00</size>
  <struct><type>Common</type></struct>
  <struct><type>Osc</type><osc>00 20</osc><osc>00 28</osc><osc>00 30</osc></struct>
</structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address><size>01 00 00</size>
  <struct><type>Patch</type></struct>
</structType>
<struct><type>Module</type></struct>
<midiStruct><type>channels</type><name>midi</name></midiStruct>
<midiIn><type>input</type><name>in</name><modelID>42</modelID><rootStruct>ms</rootStruct><midiStructRef>midi</midiStructRef></midiIn>
<midiOut><type>output</type><name>out</name><modelID>42</modelID><rootStruct>ms</rootStruct><midiStructRef>midi</midiStructRef></midiOut>
</script>
)";

void CollectLeaves(CTevStruct& buffer, std::vector<CTevStruct*>& leaves)
{
    if (CTevStructList* children = buffer.GetChildStructs()) {
        for (auto& child : *children)
            CollectLeaves(*child, leaves);
    } else if (buffer.GetData()) {
        leaves.push_back(&buffer);
    }
}

class MidiEndToEndTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        Manager().SetStatusOut(new CTevTextOutBuffer);
        std::istringstream script(kScript);
        ASSERT_TRUE(Manager().ReadScript(script)) << Errors();
        ASSERT_TRUE(Manager().Create()) << Errors();

        CTevMidiManager& midi = Manager().m_midiManager;
        inPort = midi.FindMidiInByName("in");
        outPort = midi.FindMidiOutByName("out");
        ASSERT_NE(inPort, nullptr);
        ASSERT_NE(outPort, nullptr);
        // The devices belong to the MIDI manager, as the MIDI set-up's do.
        outDevice = static_cast<CFakeMidiOutDevice*>(
            midi.GetOutputDevices().Add(std::make_unique<CFakeMidiOutDevice>()));
        inDevice =
            static_cast<CFakeMidiInDevice*>(midi.GetInputDevices().Add(std::make_unique<CFakeMidiInDevice>()));
        outPort->SetDevice(outDevice);
        ASSERT_TRUE(inDevice->AddListener(inPort));

        root = Manager().FindStruct("ms");
        ASSERT_NE(root, nullptr);
        CollectLeaves(*root, leaves);
        ASSERT_EQ(leaves.size(), 4u);

        // The module starts from the host's defaults, then differs in every
        // byte that the read must bring over.
        module.AddLeavesOf(*root);
        module.WriteMemory(0x40000, {'B', 'r', 'a', 's', 's', ' ', ' ', ' ', 90, 0x01, 0x10});
        module.WriteMemory(0x40020, {3, 70});
        module.WriteMemory(0x40028, {4, 71});
        module.WriteMemory(0x40030, {5, 72});
        module.ConnectTo(*outDevice, *inDevice);

        reader = std::make_unique<CFakePumpReader>(Manager().GetStatusOut());
        reader->SetOutputPort(outPort);
        reader->pump = module.MakePump(clock, *inDevice);
        inPort->SetReplyListener(reader.get());
    }
    void TearDown() override
    {
        // The manager goes first: it deletes the devices and forgets the
        // reader before the fixture's members go.
        CManagerTest::TearDown();
    }

    bool ReadAll()
    {
        for (CTevStruct* leaf : leaves) {
            const CTevAddressRange range = leaf->GetAbsoluteRange();
            if (!reader->Read(range.begin, range.GetSize()))
                return false;
        }
        return true;
    }
    int32_t Integer(const char* path) { return Manager().FindValue(path)->GetInteger(); }
    size_t SentDataSets() const
    {
        size_t count = 0;
        for (const Bytes& bytes : outDevice->sent)
            if (bytes.size() > 4 && bytes[0] == 0xF0 && bytes[4] == 0x12)
                ++count;
        return count;
    }

    CFakeSystem clock;
    CSimulatedModule module;
    std::unique_ptr<CFakePumpReader> reader;
    CTevMidiIn* inPort = nullptr;
    CTevMidiOut* outPort = nullptr;
    CFakeMidiOutDevice* outDevice = nullptr;
    CFakeMidiInDevice* inDevice = nullptr;
    CTevStruct* root = nullptr;
    std::vector<CTevStruct*> leaves;
};

TEST_F(MidiEndToEndTest, ReadsTheTreeThenChangesTravelBothWaysWithoutEcho)
{
    EXPECT_EQ(Integer("ms.tmp.common.level"), 100);
    // The first reply is lost: the reader's second attempt gets it.
    module.SetAnswerFromRequest(2);
    ASSERT_TRUE(ReadAll()) << Errors();

    // One request per leaf, plus the repeated first one, and every reply
    // taken into the image.
    EXPECT_EQ(module.GetRequestCount(), static_cast<int32_t>(leaves.size()) + 1);
    EXPECT_EQ(module.GetAnsweredCount(), static_cast<int32_t>(leaves.size()));
    for (CTevStruct* leaf : leaves) {
        Bytes memory;
        const CTevAddressRange range = leaf->GetAbsoluteRange();
        ASSERT_TRUE(module.ReadMemory(range.begin, range.GetSize(), memory));
        EXPECT_EQ(*leaf->GetData(), memory) << leaf->GetFullName();
    }
    EXPECT_EQ(Manager().FindValue("ms.tmp.common.name")->GetString(), "Brass   ");
    EXPECT_EQ(Integer("ms.tmp.common.level"), 90);
    EXPECT_EQ(Integer("ms.tmp.common.tempo"), 0x01 * 128 + 0x10);
    EXPECT_EQ(Integer("ms.tmp.osc[2].level"), 72);
    EXPECT_EQ(Manager().GetStatusCode(), 0);
    // Nothing but requests went out: the replies were not echoed.
    EXPECT_EQ(SentDataSets(), 0u);
    EXPECT_EQ(outDevice->sent.size(), static_cast<size_t>(module.GetRequestCount()));
    EXPECT_TRUE(Manager().GetChanges().empty());

    // A change through the four calls reaches the module's memory as one
    // data set.
    CTevValue* level = Manager().FindValue("ms.tmp.osc[1].level");
    ASSERT_NE(level, nullptr);
    Manager().SetIntegerValue(level, 33);
    Manager().TransmitChanges();
    Manager().DispatchChanges();
    Manager().ClearChanges();
    EXPECT_EQ(module.ByteAt(0x40029), 33);
    ASSERT_EQ(module.GetVendorMessages(CSimulatedModule::kDataSetCommand).size(), 1u);
    EXPECT_EQ(module.GetVendorMessages(CSimulatedModule::kDataSetCommand)[0].address, 0x40029);

    // The module's own data set and control change update the host and
    // are not sent back.
    const size_t sentBefore = outDevice->sent.size();
    module.SendDataSet(0x40008, {12});
    module.SendControlChange(0, 7, 100);
    EXPECT_EQ(module.DeliverDue(), 2u);
    EXPECT_EQ(inDevice->DeliverPending(), 2u);
    EXPECT_EQ(Integer("ms.tmp.common.level"), 12);
    EXPECT_EQ(Integer("midi.ch[0].cc[7]"), 100);
    EXPECT_EQ(Integer("midi.ch[0].cc2[7]"), 100 * 128);
    EXPECT_EQ(outDevice->sent.size(), sentBefore);
    EXPECT_TRUE(Manager().GetChanges().empty());

    // A controller set on the host goes out as a control change.
    Manager().SetIntegerValue(Manager().FindValue("midi.ch[2].cc[10]"), 40);
    Manager().TransmitChanges();
    Manager().DispatchChanges();
    Manager().ClearChanges();
    ASSERT_EQ(outDevice->sent.size(), sentBefore + 1);
    EXPECT_EQ(outDevice->sent.back(), (Bytes{0xB2, 0x0A, 0x28}));
    EXPECT_EQ(module.GetReceived().back().bytes, (Bytes{0xB2, 0x0A, 0x28}));
}

TEST_F(MidiEndToEndTest, CorruptOrMissingRepliesLeaveTheImageAndReportTheConnection)
{
    const Bytes before = *leaves[0]->GetData();
    module.SetBadChecksum(true);
    const uint32_t start = clock.now;
    EXPECT_FALSE(ReadAll());
    // Two attempts of 3000 ms on the first leaf, then the read stopped.
    EXPECT_EQ(module.GetRequestCount(), 2);
    EXPECT_GE(clock.now - start, 6000u);
    EXPECT_EQ(Manager().GetStatusCode(), CTevMidiReader::kNoReplyCode);
    EXPECT_EQ(*leaves[0]->GetData(), before);
    EXPECT_EQ(SentDataSets(), 0u);

    Manager().SetStatusCode(0);
    module.SetBadChecksum(false);
    module.SetSilent(true);
    EXPECT_FALSE(ReadAll());
    EXPECT_EQ(Manager().GetStatusCode(), CTevMidiReader::kNoReplyCode);
    EXPECT_EQ(*leaves[0]->GetData(), before);
}

// An output port's "midiMessageValueRef" is a value reference: an index
// expression in it picks the array element when the port is created.
const char kHexDumpScript[] = R"(<script>
<structType><type>Cfg</type><name>cfg</name><address>00 00</address>
  <value><name>sel</name><range>0,1</range><default>1</default></value>
</structType>
<structType><type>Show</type><name>show</name><address>$at</address>
  <value><name>text</name><type>string</type><size>30</size></value>
</structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address><size>04 00</size>
  <struct><type>Cfg</type></struct>
  <struct><type>Show</type><at>01 00</at><at>02 00</at></struct>
</structType>
<struct><type>Module</type></struct>
<midiOut><type>output</type><name>out</name><modelID>42</modelID><rootStruct>ms</rootStruct>
  <midiMessageValueRef>ms.show[ms.cfg.sel].text</midiMessageValueRef></midiOut>
</script>
)";

using MidiHexDumpTest = CManagerTest;

TEST_F(MidiHexDumpTest, AnOutputPortShowsItsLastMessageInAnIndexedValue)
{
    Manager().SetStatusOut(new CTevTextOutBuffer);
    std::istringstream script(kHexDumpScript);
    ASSERT_TRUE(Manager().ReadScript(script)) << Errors();
    ASSERT_TRUE(Manager().Create()) << Errors();
    CTevValue* shown = Manager().FindValue("ms.show[1].text");
    ASSERT_EQ(Manager().GetHexDumps().size(), 1u);
    EXPECT_EQ(Manager().GetHexDumps()[0].GetValue(), shown);
    EXPECT_EQ(Manager().GetHexDumps()[0].GetValueName(), "ms.show[ms.cfg.sel].text");

    // Sent without a device: the message still shows, in element 1 only.
    Manager().SetIntegerValue(Manager().FindValue("ms.cfg.sel"), 0);
    Manager().TransmitChanges();
    Manager().DispatchChanges();
    Manager().ClearChanges();
    const std::string text = "F0 41 10 42 12 00 10 00 00 00 70 F7";
    EXPECT_EQ(shown->GetString(), text + std::string(48 - text.size(), ' '));
    EXPECT_EQ(Manager().FindValue("ms.show[0].text")->GetString(), std::string(48, ' '));
}

} // namespace

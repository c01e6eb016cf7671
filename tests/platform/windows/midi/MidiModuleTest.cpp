// The whole road through the real devices: the script's ports bound by the
// set-up to the stand-in's module devices, a leaf read by the framework's
// reader, the module's data set stored in the parameter image; and the
// figures of the input path: latency of short messages and throughput of
// data sets into the image.
#include "core/TevBuffer.h"
#include "midi/MidiInDevice.h"
#include "midi/MidiOut.h"
#include "midi/MidiSetup.h"
#include "midi/TevMidiManager.h"
#include "midi/TevMidiReader.h"

#include "MidiTestSupport.h"
#include "support/ManagerTestSupport.h"
#include "support/SimulatedModule.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

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
<midiIn><type>input</type><name>in</name><modelID>42</modelID><rootStruct>ms</rootStruct></midiIn>
<midiOut><type>output</type><name>out</name><modelID>42</modelID><rootStruct>ms</rootStruct></midiOut>
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

std::string Hex(const Bytes& bytes)
{
    std::string text;
    char buffer[4];
    for (uint8_t byte : bytes) {
        std::snprintf(buffer, sizeof buffer, " %02X", byte);
        text += buffer;
    }
    return text;
}

// The reader's wait lets this thread's messages through, as the shell's
// pump does.
class CPumpingReader : public CTevMidiReader {
public:
    CPumpingReader() : CTevMidiReader(nullptr) {}
    void PumpWhileWaiting() override { PumpFor(1); }
    void Reserved() override {}
};

class MidiModuleTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(standin.IsLoaded());
        ASSERT_TRUE(standin.Command("fail clear"));
        ASSERT_TRUE(standin.Command("clear"));
        ASSERT_TRUE(standin.Command("baud 0"));
        ASSERT_TRUE(standin.Command("holdlong 0"));
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        ASSERT_TRUE(Manager().m_midiManager.ReadMidiSection(&Manager())) << Errors();
        inPort = Manager().m_midiManager.FindMidiInByName("in");
        outPort = Manager().m_midiManager.FindMidiOutByName("out");
        ASSERT_TRUE(inPort && outPort);
        for (const auto& root : Manager().GetRootStructs())
            CollectLeaves(*root, leaves);
        ASSERT_FALSE(leaves.empty());
    }
    void TearDown() override
    {
        inPort->SetReplyListener(nullptr);
        setup.CloseDevices();
        CManagerTest::TearDown();
    }

    CStandinControl standin;
    CMessageBoxRecorder boxes;
    CMidiSetup setup;
    CTevMidiIn* inPort = nullptr;
    CTevMidiOut* outPort = nullptr;
    std::vector<CTevStruct*> leaves;
};

double Percentile(std::vector<int64_t> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    return static_cast<double>(values[index]) / 1000.0;
}

} // namespace

TEST_F(MidiModuleTest, ALeafReadThroughTheRealDevicesHoldsTheModulesBytes)
{
    // The module inside the stand-in is built from the same script.
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "tev_standin_module.xml";
    {
        std::ofstream file(path, std::ios::binary);
        file << kScript;
    }
    ASSERT_TRUE(standin.Command("script " + path));
    ASSERT_EQ(standin.Value("module_loaded"), 1);

    CTevStruct* leaf = leaves.front();
    const int32_t begin = leaf->GetAbsoluteRange().begin;
    const int32_t size = leaf->GetAbsoluteRange().end - begin;
    Bytes deviceBytes(static_cast<size_t>(size));
    for (size_t i = 0; i < deviceBytes.size(); ++i)
        deviceBytes[i] = static_cast<uint8_t>(0x21 + 3 * i);
    ASSERT_NE(*leaf->GetData(), deviceBytes);
    ASSERT_TRUE(standin.Command("poke " + std::to_string(begin) + Hex(deviceBytes)));

    setup.BindInPort(*inPort, "Standin Module In", 0x10);
    setup.BindOutPort(*outPort, "Standin Module Out", 0x10);
    CPumpingReader reader;
    reader.SetOutputPort(outPort);
    inPort->SetReplyListener(&reader);
    ASSERT_TRUE(reader.Read(begin, size));
    EXPECT_EQ(*leaf->GetData(), deviceBytes);
    EXPECT_EQ(standin.Value("module_requests"), 1);
    EXPECT_EQ(standin.Value("module_answered"), 1);

    // A flood overfills the event ring while long messages arrive: short
    // messages are dropped, the long ones' buffers go back to the driver as
    // the worker reaches them, and every later reply is read from its own
    // buffer.
    auto* device = dynamic_cast<CMidiInDevice*>(Manager().m_midiManager.GetInputDevices().GetAt(0));
    ASSERT_NE(device, nullptr);
    for (const char* command : {"flood 0 6000", "sysexflood 0 8 64", "flood 0 3000"})
        ASSERT_TRUE(standin.Command(command));
    PumpUntil([&] { return standin.Value("delivered in 0") >= 6000 + 8 + 3000 + 1; }, 5000);
    EXPECT_TRUE(PumpUntil([&] { return standin.Value("queued in 0") == CMidiIn::kQueuedPackets; }, 5000));
    EXPECT_GT(device->CountDroppedEvents(), 0);
    for (CTevStruct* each : leaves) {
        const CTevAddressRange range = each->GetAbsoluteRange();
        EXPECT_TRUE(reader.Read(range.begin, range.end - range.begin));
    }
    EXPECT_EQ(standin.Value("module_answered"), static_cast<long long>(1 + leaves.size()));
    EXPECT_EQ(*leaf->GetData(), deviceBytes);
    EXPECT_TRUE(CMessageBoxRecorder::Texts().empty());
    ::DeleteFileA(path.c_str());
}

#if defined(TEV_KAPPA_SCRIPT) && defined(TEV_SIGMA_SCRIPT)
TEST(StandinModule, IsBuiltFromEachEditionsShippedScript)
{
    CStandinControl standin;
    ASSERT_TRUE(standin.IsLoaded());
    for (const char* script : {TEV_KAPPA_SCRIPT, TEV_SIGMA_SCRIPT}) {
        ASSERT_TRUE(standin.Command(std::string("script ") + script)) << script;
        EXPECT_EQ(standin.Value("module_loaded"), 1) << script;
        // Every leaf of the device's memory, the temporary patch and the
        // user patch names among them.
        EXPECT_GT(standin.Value("module_size"), 1000) << script;
    }
    EXPECT_FALSE(standin.Command("script Z:/no/such/Script.xml"));
    EXPECT_EQ(standin.Value("module_loaded"), 0);
}
#endif

TEST_F(MidiModuleTest, LatencyOfShortMessagesAndThroughputOfDataSetsIntoTheImage)
{
    // Latency: 1,000 note-ons, one every 2 ms, from the driver's callback
    // to the port on this thread.
    CMidiInDevice device("Standin MIDI In 2");
    ASSERT_TRUE(device.Open());
    CRecordingPort port;
    device.AddListener(&port);
    const int kShorts = 1000;
    std::thread injector([&] {
        char command[64];
        for (int i = 0; i < kShorts; ++i) {
            std::snprintf(command, sizeof command, "short 1 90 %02X %02X", i & 0x7F, (i >> 7) & 0x7F);
            standin.Command(command);
            ::Sleep(2);
        }
    });
    PumpUntil([&] { return port.received.size() >= static_cast<size_t>(kShorts); }, 30000);
    injector.join();
    ASSERT_EQ(port.received.size(), static_cast<size_t>(kShorts));
    ASSERT_EQ(standin.Value("callbacks"), kShorts);
    std::vector<int64_t> latencies;
    for (int i = 0; i < kShorts; ++i) {
        const Bytes& bytes = port.received[static_cast<size_t>(i)];
        ASSERT_EQ((bytes[2] << 7) | bytes[1], i);
        latencies.push_back(port.times[static_cast<size_t>(i)] - standin.Value("callback_us " + std::to_string(i)));
    }
    const double median = Percentile(latencies, 0.5);
    const double p99 = Percentile(latencies, 0.99);
    std::printf("short-message latency over %d messages: median %.2f ms, 99th percentile %.2f ms\n", kShorts, median,
                p99);
    RecordProperty("latency_median_us", static_cast<int>(median * 1000));
    RecordProperty("latency_p99_us", static_cast<int>(p99 * 1000));
    // The worker polls every 10 ms.
    EXPECT_LT(median, 30.0);

    device.Close();

    // Throughput: data sets for every leaf, the driver holding each until a
    // buffer is free, until the last one is in the image.
    setup.BindInPort(*inPort, "Standin MIDI In 2", 0x10);
    ASSERT_TRUE(standin.Command("holdlong 1"));
    CSimulatedModule module;
    module.SetModelId(inPort->GetModelId());
    module.SetAddressSize(inPort->GetAddressSize());
    const int kRounds = 500;
    std::vector<std::string> commands;
    size_t bytesSent = 0;
    Bytes last;
    for (int round = 0; round < kRounds; ++round) {
        for (CTevStruct* leaf : leaves) {
            Bytes data(leaf->GetData()->size());
            for (size_t i = 0; i < data.size(); ++i)
                data[i] = static_cast<uint8_t>((round + i) & 0x7F);
            const Bytes message = module.BuildMessage(CSimulatedModule::kDataSetCommand,
                                                      leaf->GetAbsoluteRange().begin, data);
            bytesSent += message.size();
            commands.push_back("sysex 1" + Hex(message));
            last = data;
        }
    }
    CTevStruct* lastLeaf = leaves.back();
    const int64_t start = CStandinControl::NowUs();
    for (const std::string& command : commands)
        ASSERT_TRUE(standin.Command(command));
    ASSERT_TRUE(PumpUntil([&] { return *lastLeaf->GetData() == last; }, 30000));
    const double seconds = static_cast<double>(CStandinControl::NowUs() - start) / 1e6;
    std::printf("data sets into the image: %zu sets (%zu bytes) in %.3f s: %.0f sets/s, %.0f bytes/s\n",
                commands.size(), bytesSent, seconds, static_cast<double>(commands.size()) / seconds,
                static_cast<double>(bytesSent) / seconds);
    RecordProperty("data_sets_per_second", static_cast<int>(static_cast<double>(commands.size()) / seconds));
    EXPECT_EQ(standin.Value("dropped in 1"), 0);
    EXPECT_TRUE(CMessageBoxRecorder::Texts().empty());
}

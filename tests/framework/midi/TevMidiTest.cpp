// Input routing, port creation from the script and output building of the
// MIDI ports.
#include "core/TevBufferManager.h"
#include "core/TevManager.h"
#include "midi/TevMidi.h"
#include "midi/TevMidiManager.h"
#include "midi/TevMidiReader.h"
#include "midi/TevMidiStruct.h"
#include "support/FakeMidiDevices.h"
#include "support/MemoryArchive.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Stands in for the parameter model where only names and refreshes matter.
class CFakeBufferManager : public ITevBufferManager {
public:
    ITevMidiStruct* GetMidiStruct(const std::string& path) override
    {
        const auto found = midiStructs.find(path);
        return found == midiStructs.end() ? nullptr : found->second;
    }
    ITevRootStruct* GetRootStruct(const std::string& path) override
    {
        const auto found = rootStructs.find(path);
        return found == rootStructs.end() ? nullptr : found->second;
    }
    void DispatchChanges() override { ++dispatches; }
    void ClearChanges() override { ++clears; }
    CTevPendingChanges TakePendingChanges() override { return {}; }
    void RestorePendingChanges(CTevPendingChanges) override {}
    bool AddHexDump(const ITevMidiOut* source, const std::string& valueName) override
    {
        if (valueName != "hex")
            return false;
        hexDumps.push_back(source);
        return true;
    }

    std::map<std::string, ITevRootStruct*> rootStructs;
    std::map<std::string, ITevMidiStruct*> midiStructs;
    std::vector<const ITevMidiOut*> hexDumps;
    int dispatches = 0;
    int clears = 0;
};

class CRecordingRootStruct : public ITevRootStruct {
public:
    void SetMidiOut(ITevMidiOut* out) override { midiOut = out; }
    ITevMidiOut* midiOut = nullptr;
};

class CRecordingMidiStruct : public ITevMidiStruct, public ITevRootStruct {
public:
    bool ReceiveShortMessage(const CTevShortMessage& message) override
    {
        shortMessages.push_back(message.GetBytes());
        return true;
    }
    bool ReceiveLongMessage(const CTevLongMessage& message) override
    {
        longMessages.push_back(message.GetBytes());
        return true;
    }
    void SetMidiOut(ITevMidiOut* out) override { midiOut = out; }

    std::vector<Bytes> shortMessages;
    std::vector<Bytes> longMessages;
    ITevMidiOut* midiOut = nullptr;
};

class CRecordingReader : public CTevMidiReader {
public:
    CRecordingReader() : CTevMidiReader(nullptr) {}
    bool OnShortMessage(const CTevShortMessage& message) override
    {
        shortMessages.push_back(message.GetBytes());
        return CTevMidiReader::OnShortMessage(message);
    }
    bool OnLongMessage(const CTevLongMessage& message) override
    {
        longMessages.push_back(message.GetBytes());
        return CTevMidiReader::OnLongMessage(message);
    }
    bool OnDataSet(const CTevDravikMessage& message) override
    {
        dataSets.push_back(message.GetBytes());
        return CTevMidiReader::OnDataSet(message);
    }
    void PumpWhileWaiting() override {}
    void Reserved() override {}

    std::vector<Bytes> shortMessages, longMessages, dataSets;
};

class CRecordingWriter : public CTevMidiWriter {
public:
    bool OnIdentityRequest(const CTevLongMessage& message) override
    {
        identityRequests.push_back(message.GetBytes());
        return true;
    }
    bool OnDataRequest(const CTevDravikMessage& message) override
    {
        dataRequests.push_back(message.GetBytes());
        return true;
    }
    std::vector<Bytes> identityRequests, dataRequests;
};

// A port for model 42, device 10, 4 address bytes, wired to a real root
// struct "ms" with a 4-byte leaf at address 0x100 (bytes 00 00 02 00).
class MidiInRoutingTest : public CModelTest {
protected:
    void SetUp() override
    {
        CModelTest::SetUp();
        root = Root("ms", 0, 0x200);
        leaf = AddLeaf(*root, "leaf", 0x100, 4);
        for (int i = 0; i < 4; ++i)
            AddValue(*leaf, ValueSpec("v" + std::to_string(i), i, CTevValueSpec::kInt1x7));
        ASSERT_TRUE(root->Bind(nullptr));

        thru.SetName("thru");
        thru.SetDevice(&thruDevice);
        port.SetModelId({0x42});
        port.SetRootStruct(root.get());
        port.SetMidiStruct(&midiStruct);
        port.SetReplyListener(&reader);
        port.SetRequestHandler(&writer);
        port.SetThruPort(&thru);
        port.SetBufferManager(&bufferManager);
    }
    void TearDown() override
    {
        CTevManager::Instance().ClearChanges();
        CModelTest::TearDown();
    }

    std::unique_ptr<CTevRootStruct> root;
    CTevStruct* leaf = nullptr;
    CFakeBufferManager bufferManager;
    CRecordingMidiStruct midiStruct;
    CRecordingReader reader;
    CRecordingWriter writer;
    CFakeMidiOutDevice thruDevice;
    CTevMidiOut thru;
    CTevMidiIn port;
};

struct SRoute {
    const char* name;
    Bytes bytes;
    Bytes image;  // the leaf's bytes afterwards (all 0 when untouched)
    int structShort, structLong, readerShort, readerLong, readerDataSet;
    int identityRequests, dataRequests;
    bool passedOn;
    int refreshes;
};

} // namespace

TEST_F(MidiInRoutingTest, EachMessageReachesExactlyItsReceivers)
{
    const Bytes untouched = {0, 0, 0, 0};
    // checksum of 00 00 02 00 05 06: (-(2 + 5 + 6)) & 0x7F = 0x73
    const Bytes dataSet = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7};
    const std::vector<SRoute> routes = {
        {"good data set", dataSet, {5, 6, 0, 0}, 0, 0, 0, 0, 1, 0, 0, true, 1},
        {"good data set, no data", {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x7E, 0xF7}, untouched,
         0, 0, 0, 0, 1, 0, 0, true, 1},
        {"bad checksum", {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x74, 0xF7}, untouched,
         0, 0, 0, 0, 0, 0, 0, false, 0},
        {"wrong device", {0xF0, 0x41, 0x11, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7}, untouched,
         0, 0, 0, 0, 0, 0, 0, false, 0},
        {"wrong model", {0xF0, 0x41, 0x10, 0x43, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7}, untouched,
         0, 0, 0, 0, 0, 0, 0, false, 0},
        {"model with a leading 00",
         {0xF0, 0x41, 0x10, 0x00, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7}, untouched, 0, 0, 0,
         0, 0, 0, 0, false, 0},
        {"unknown command", {0xF0, 0x41, 0x10, 0x42, 0x13, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7},
         untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"data request",
         {0xF0, 0x41, 0x10, 0x42, 0x11, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x7A, 0xF7}, untouched, 0,
         0, 0, 0, 0, 0, 1, false, 0},
        {"identity request", {0xF0, 0x7E, 0x10, 0x06, 0x01, 0xF7}, untouched, 0, 0, 0, 0, 0, 1, 0, false, 0},
        {"other universal", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, untouched, 0, 1, 0, 1, 0, 0, 0, true, 1},
        {"real-time universal 06 01", {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7}, untouched, 0, 1, 0, 1, 0, 0, 0, true,
         1},
        {"other maker", {0xF0, 0x43, 0x10, 0x42, 0x12, 0x00, 0xF7}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"note on", {0x90, 0x3C, 0x40}, untouched, 1, 0, 1, 0, 0, 0, 0, true, 1},
        {"control change", {0xB0, 0x07, 0x64}, untouched, 1, 0, 1, 0, 0, 0, 0, true, 1},
        {"program change", {0xC3, 0x05}, untouched, 1, 0, 1, 0, 0, 0, 0, true, 1},
        {"active sensing", {0xFE}, untouched, 0, 0, 0, 0, 0, 0, 0, true, 0},
        // Malformed input: dropped without a byte read past its end.
        {"empty", {}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"single F0", {0xF0}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        // Too short for the identity test's fourth byte: dropped. Short
        // universal messages that the tests can judge are routed.
        {"F0 7E F7", {0xF0, 0x7E, 0xF7}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"F0 7E 7F 06 F7", {0xF0, 0x7E, 0x7F, 0x06, 0xF7}, untouched, 0, 1, 0, 1, 0, 0, 0, true, 1},
        {"F0 7E 7F F7", {0xF0, 0x7E, 0x7F, 0xF7}, untouched, 0, 1, 0, 1, 0, 0, 0, true, 1},
        {"F0 7F F7", {0xF0, 0x7F, 0xF7}, untouched, 0, 1, 0, 1, 0, 0, 0, true, 1},
        {"F0 7F 7F 06 01", {0xF0, 0x7F, 0x7F, 0x06, 0x01}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"universal without F7", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0x00}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"universal with a status inside", {0xF0, 0x7E, 0x7F, 0x09, 0x90, 0xF7}, untouched, 0, 0, 0, 0, 0, 0, 0,
         false, 0},
        {"data set without F7", {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73},
         untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"data set cut before its address", {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0xF7}, untouched, 0, 0, 0, 0, 0,
         0, 0, false, 0},
        {"F0 41 only", {0xF0, 0x41}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"no address, no checksum", {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"note on cut short", {0x90, 0x3C}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"note on with a status as data", {0x90, 0x3C, 0x90}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"note on with a byte too many", {0x90, 0x3C, 0x40, 0x00}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"data bytes without a status", {0x3C, 0x40}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
        {"real-time byte with more", {0xF8, 0x01}, untouched, 0, 0, 0, 0, 0, 0, 0, false, 0},
    };
    for (const SRoute& route : routes) {
        SCOPED_TRACE(route.name);
        std::fill(leaf->GetData()->begin(), leaf->GetData()->end(), 0);
        midiStruct = CRecordingMidiStruct();
        reader.shortMessages.clear();
        reader.longMessages.clear();
        reader.dataSets.clear();
        writer.identityRequests.clear();
        writer.dataRequests.clear();
        thruDevice.sent.clear();
        bufferManager.dispatches = bufferManager.clears = 0;

        port.Receive(route.bytes);

        EXPECT_EQ(*leaf->GetData(), route.image);
        EXPECT_EQ(static_cast<int>(midiStruct.shortMessages.size()), route.structShort);
        EXPECT_EQ(static_cast<int>(midiStruct.longMessages.size()), route.structLong);
        EXPECT_EQ(static_cast<int>(reader.shortMessages.size()), route.readerShort);
        EXPECT_EQ(static_cast<int>(reader.longMessages.size()), route.readerLong);
        EXPECT_EQ(static_cast<int>(reader.dataSets.size()), route.readerDataSet);
        EXPECT_EQ(static_cast<int>(writer.identityRequests.size()), route.identityRequests);
        EXPECT_EQ(static_cast<int>(writer.dataRequests.size()), route.dataRequests);
        EXPECT_EQ(bufferManager.dispatches, route.refreshes);
        EXPECT_EQ(bufferManager.clears, route.refreshes);
        if (route.passedOn) {
            ASSERT_EQ(thruDevice.sent.size(), 1u);
            EXPECT_EQ(thruDevice.sent[0], route.bytes);
        } else {
            EXPECT_TRUE(thruDevice.sent.empty());
        }
        for (const auto* received : {&midiStruct.shortMessages, &midiStruct.longMessages, &reader.dataSets}) {
            if (!received->empty()) {
                EXPECT_EQ(received->front(), route.bytes);
            }
        }
        // Passing on never counts as the thru port's own sending.
        EXPECT_TRUE(thru.GetLastSent().empty());
    }
}

TEST_F(MidiInRoutingTest, DataSetOutsideTheImageStillReachesTheReaderAndThePortWithoutThruPassesNothing)
{
    // Address 0x180 lies in no leaf: the root refuses it, no refresh, but
    // the reader and the thru port get it all the same.
    const Bytes outside = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x03, 0x00, 0x05, 0x78, 0xF7};
    port.Receive(outside);
    EXPECT_EQ(reader.dataSets.size(), 1u);
    EXPECT_EQ(bufferManager.dispatches, 0);
    EXPECT_EQ(thruDevice.sent.size(), 1u);

    // Without a thru port, or with one that has no device, nothing goes out
    // and nothing fails.
    port.SetThruPort(nullptr);
    port.Receive({0x90, 0x3C, 0x40});
    thru.SetDevice(nullptr);
    port.SetThruPort(&thru);
    port.Receive({0x90, 0x3C, 0x40});
    EXPECT_EQ(thruDevice.sent.size(), 1u);
    EXPECT_EQ(midiStruct.shortMessages.size(), 2u);

    // A port without any receivers takes everything without effect.
    CTevMidiIn bare;
    bare.SetModelId({0x42});
    bare.Receive({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x05, 0x06, 0x73, 0xF7});
    bare.Receive({0xF0, 0x7E, 0x10, 0x06, 0x01, 0xF7});
    bare.Receive({0x90, 0x3C, 0x40});
}

TEST_F(MidiInRoutingTest, InputDeviceFeedsEveryListenerInOrder)
{
    CTevMidiIn second = port;
    second.SetMidiStruct(nullptr);
    CFakeMidiInDevice device;
    EXPECT_TRUE(device.AddListener(&port));
    EXPECT_TRUE(device.AddListener(&second));
    EXPECT_FALSE(device.AddListener(&port));
    EXPECT_FALSE(device.AddListener(nullptr));
    device.Post({0x90, 0x3C, 0x40});
    device.Post({0x80, 0x3C, 0x40});
    EXPECT_TRUE(reader.shortMessages.empty());
    EXPECT_EQ(device.DeliverPending(), 2u);
    // Both ports share the reader: each message reaches it once per port,
    // the first port before the second.
    EXPECT_EQ(reader.shortMessages, (std::vector<Bytes>{{0x90, 0x3C, 0x40}, {0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x40},
                                                        {0x80, 0x3C, 0x40}}));
    EXPECT_EQ(midiStruct.shortMessages.size(), 2u);
}

TEST(TevMidiStatus, SystemCommonAndRealTimeStatusesAreRefused)
{
    for (int status = 0; status < 256; ++status) {
        const bool expected = status < 0xF1 || status == 0xF7;
        EXPECT_EQ(IsAcceptedMidiStatus(static_cast<uint8_t>(status)), expected) << status;
    }
}

// ---------------------------------------------------------------------------
// Output ports

TEST(TevMidiOut, SendsWithOrWithoutDeviceAndKeepsTheLastSent)
{
    CTevMidiOut port;
    port.SetModelId({0x42});
    // No device: nothing fails and the hex dump still has something to show.
    EXPECT_TRUE(port.SendDataSet(0, {0x40}));
    const Bytes dataSet = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7};
    EXPECT_EQ(port.GetLastSent(), dataSet);
    EXPECT_EQ(static_cast<const ITevMidiOut&>(port).GetLastSent(), dataSet);

    CFakeMidiOutDevice device;
    port.SetDevice(&device);
    port.SetDeviceId(0x11);
    port.SetAddressSize(4);
    EXPECT_TRUE(port.SendRequest(1 << 24, 0x20));
    const Bytes request = {0xF0, 0x41, 0x11, 0x42, 0x11, 0x08, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x20, 0x58, 0xF7};
    ASSERT_EQ(device.sent.size(), 1u);
    EXPECT_EQ(device.sent[0], request);
    EXPECT_EQ(port.GetLastSent(), request);

    // Fewer address bytes drop the high bits; a send the device could not
    // make gives false.
    device.result = false;
    port.SetAddressSize(1);
    EXPECT_FALSE(port.SendDataSet(0x80, {0x01, 0x02}));
    EXPECT_EQ(device.sent.back(), (Bytes{0xF0, 0x41, 0x11, 0x42, 0x12, 0x00, 0x01, 0x02, 0x7D, 0xF7}));
    device.result = true;

    CTevShortMessage note;
    note.Compose(0x90, 0x01, 0x3C, 0x40);
    EXPECT_TRUE(port.SendShortMessage(note));
    EXPECT_EQ(device.sent.back(), (Bytes{0x91, 0x3C, 0x40}));
    EXPECT_EQ(port.GetLastSent(), (Bytes{0x91, 0x3C, 0x40}));

    // A word without a status has no bytes: nothing goes out.
    EXPECT_FALSE(port.SendShortMessage(CTevShortMessage(0x00403C)));
    EXPECT_EQ(device.sent.size(), 3u);
    EXPECT_EQ(port.GetLastSent(), (Bytes{0x91, 0x3C, 0x40}));

    CTevLongMessage universal;
    ASSERT_TRUE(universal.Assign({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_TRUE(port.SendLongMessage(universal));
    EXPECT_EQ(device.sent.back(), universal.GetBytes());
}

TEST(TevMidiPorts, ArchiveRoundTripKeepsFieldsAndTheThruReference)
{
    CTevMidiOut out;
    out.SetName("out");
    out.SetDeviceId(0x17);
    out.SetModelId({0x00, 0x42});
    out.SetAddressSize(3);
    CTevMidiIn in;
    in.SetName("in");
    in.SetThruPort(&out);
    auto serialize = [](CTevMidiOut& o, CTevMidiIn& i) {
        return [&o, &i](CTevArchive& archive) { return o.Serialize(archive) && i.Serialize(archive); };
    };
    Bytes bytes;
    ASSERT_TRUE(TevSaveGraph(serialize(out, in), bytes));

    CTevMidiOut loadedOut;
    CTevMidiIn loadedIn;
    ASSERT_TRUE(TevLoadGraph(serialize(loadedOut, loadedIn), bytes));
    EXPECT_EQ(loadedOut.GetName(), "out");
    EXPECT_EQ(loadedOut.GetDeviceId(), 0x17);
    EXPECT_EQ(loadedOut.GetModelId(), (Bytes{0x00, 0x42}));
    EXPECT_EQ(loadedOut.GetAddressSize(), 3);
    EXPECT_EQ(loadedIn.GetName(), "in");
    EXPECT_EQ(loadedIn.GetThruPort(), &loadedOut);
    EXPECT_EQ(loadedIn.GetRootStruct(), nullptr);

    // A cut archive fails instead of leaving half a port.
    bytes.pop_back();
    CTevMidiOut cutOut;
    CTevMidiIn cutIn;
    EXPECT_FALSE(TevLoadGraph(serialize(cutOut, cutIn), bytes));
}

// ---------------------------------------------------------------------------
// Creating the ports from the script's definitions

namespace {

class MidiManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager.SetErrorOut(&errors);
        bufferManager.rootStructs["ms"] = &root;
        bufferManager.rootStructs["midi"] = &midiStruct;
        bufferManager.midiStructs["midi"] = &midiStruct;
    }

    void AddIn(std::initializer_list<CTevPair> pairs)
    {
        manager.m_inputPortDefinitions.push_back(
            std::make_unique<CTevElementDefinition>(ModelElement("midiInType", pairs)));
    }
    void AddOut(std::initializer_list<CTevPair> pairs)
    {
        manager.m_outputPortDefinitions.push_back(
            std::make_unique<CTevElementDefinition>(ModelElement("midiOutType", pairs)));
    }

    CTevTextOutStringStream errors;
    CFakeBufferManager bufferManager;
    CRecordingRootStruct root;
    CRecordingMidiStruct midiStruct;
    CTevMidiManager manager;
};

} // namespace

TEST_F(MidiManagerTest, CreatesAndBindsThePortsOfTheScript)
{
    AddIn({{"name", "in"},
           {"modelID", "00 42"},
           {"addressSize", "0x2"},
           {"rootStruct", "ms"},
           {"midiStructRef", "midi"},
           {"midiOutRef", "out2"}});
    AddIn({{"name", "in"}});
    AddOut({{"name", "out"}, {"rootStruct", "ms"}, {"midiStructRef", "midi"}, {"midiMessageValueRef", "hex"}});
    AddOut({{"name", "out2"}, {"addressSize", "3"}});
    ASSERT_TRUE(manager.ReadMidiSection(&bufferManager)) << errors.str();
    EXPECT_EQ(errors.str(), "");
    ASSERT_EQ(manager.GetInputPorts().size(), 2u);
    ASSERT_EQ(manager.GetOutputPorts().size(), 2u);

    CTevMidiIn* in = manager.FindMidiInByName("in");
    ASSERT_EQ(in, &manager.GetInputPorts()[0]);  // first match wins
    EXPECT_EQ(in->GetModelId(), (Bytes{0x00, 0x42}));
    EXPECT_EQ(in->GetAddressSize(), 2);
    EXPECT_EQ(in->GetDeviceId(), 0x10);
    EXPECT_EQ(in->GetManufacturerId(), 0x41);
    EXPECT_EQ(in->GetRootStruct(), &root);
    EXPECT_EQ(in->GetMidiStruct(), &midiStruct);
    EXPECT_EQ(in->GetThruPort(), manager.FindMidiOutByName("out2"));
    EXPECT_EQ(in->GetBufferManager(), &bufferManager);
    EXPECT_EQ(manager.GetInputPorts()[1].GetAddressSize(), 4);
    EXPECT_EQ(manager.GetInputPorts()[1].GetThruPort(), nullptr);

    CTevMidiOut* out = manager.FindMidiOutByName("out");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(root.midiOut, static_cast<ITevMidiOut*>(out));
    EXPECT_EQ(midiStruct.midiOut, static_cast<ITevMidiOut*>(out));
    EXPECT_EQ(bufferManager.hexDumps, (std::vector<const ITevMidiOut*>{out}));
    EXPECT_EQ(manager.FindMidiOutByName("out2")->GetAddressSize(), 3);
    EXPECT_EQ(manager.FindMidiOutByName("ou"), nullptr);
    EXPECT_EQ(manager.FindMidiInByName(""), nullptr);

    // Destroy deletes the open devices and empties everything.
    bool inDeleted = false, outDeleted = false;
    auto inDevice = std::make_unique<CFakeMidiInDevice>();
    inDevice->destroyed = &inDeleted;
    auto outDevice = std::make_unique<CFakeMidiOutDevice>();
    outDevice->destroyed = &outDeleted;
    manager.GetInputDevices().Add(std::move(inDevice))->AddListener(in);
    out->SetDevice(manager.GetOutputDevices().Add(std::move(outDevice)));
    manager.Destroy();
    EXPECT_TRUE(inDeleted);
    EXPECT_TRUE(outDeleted);
    EXPECT_TRUE(manager.GetInputDevices().IsEmpty());
    EXPECT_TRUE(manager.GetOutputDevices().IsEmpty());
    EXPECT_TRUE(manager.GetInputPorts().empty());
    EXPECT_TRUE(manager.GetOutputPorts().empty());
    EXPECT_TRUE(manager.m_inputPortDefinitions.empty());
    EXPECT_TRUE(manager.m_outputPortDefinitions.empty());
    EXPECT_EQ(manager.GetBufferManager(), nullptr);
}

TEST_F(MidiManagerTest, FailuresAreReportedWithTheirMessages)
{
    struct SCase {
        const char* name;
        std::vector<CTevPair> in;
        std::vector<CTevPair> out;
        const char* expected;
    };
    const std::vector<SCase> cases = {
        {"address size 0",
         {{"name", "p"}, {"addressSize", "0"}},
         {},
         "MIDI p addressSize must be 1 through 4.\nUnable to convert element definitions midiInType to MIDI in.\n"},
        {"address size 5",
         {{"name", "p"}, {"addressSize", "5"}},
         {},
         "MIDI p addressSize must be 1 through 4.\nUnable to convert element definitions midiInType to MIDI in.\n"},
        {"address size abc",
         {{"name", "p"}, {"addressSize", "abc"}},
         {},
         "MIDI p addressSize is invalid. : abc\nUnable to convert element definitions midiInType to MIDI in.\n"},
        {"address size on an output port",
         {},
         {{"name", "o"}, {"addressSize", "-1"}},
         "MIDI o addressSize must be 1 through 4.\nUnable to convert element definitions midiOutType to MIDI out.\n"},
        {"unknown tags on an input port",
         {{"name", "p"}, {"colour", "red"}, {"midiMessageValueRef", "hex"}},
         {},
         "Midi p unknown tags. : colour, midiMessageValueRef, \n"},
        {"unknown tag on an output port", {}, {{"name", "o"}, {"midiOutRef", "o"}},
         "Midi o unknown tags. : midiOutRef, \n"},
        {"thru port naming nothing",
         {{"name", "p"}, {"midiOutRef", "nowhere"}},
         {{"name", "o"}},
         "Unable to convert MIDI output name nowhere to MIDI output.\nUnable to create MIDI in p.\n"},
        {"input root struct naming nothing",
         {{"name", "p"}, {"rootStruct", "none"}},
         {},
         "Unable to convert root struct name none to struct.\nUnable to create MIDI in p.\n"},
        {"input MIDI struct that is no MIDI struct",
         {{"name", "p"}, {"midiStructRef", "ms"}},
         {},
         "Unable to convert MIDI struct name ms to struct.\nUnable to create MIDI in p.\n"},
        {"output root struct naming nothing",
         {},
         {{"name", "o"}, {"rootStruct", "none"}},
         "Unable to convert root struct name none to struct.\nUnable to create MIDI out o.\n"},
        {"output MIDI struct naming nothing",
         {},
         {{"name", "o"}, {"midiStructRef", "none"}},
         "Unable to convert MIDI struct name none to struct.\nUnable to create MIDI out o.\n"},
        {"message value naming nothing",
         {},
         {{"name", "o"}, {"midiMessageValueRef", "none"}},
         "Unable to create MIDI message value operator none.\nUnable to create MIDI out o.\n"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        manager.Destroy();
        errors.str(std::string());
        if (!c.in.empty())
            manager.m_inputPortDefinitions.push_back(std::make_unique<CTevElementDefinition>(ModelElement(
                "midiInType", {})));
        if (!c.in.empty())
            manager.m_inputPortDefinitions.back()->pairs.assign(c.in.begin(), c.in.end());
        if (!c.out.empty()) {
            manager.m_outputPortDefinitions.push_back(
                std::make_unique<CTevElementDefinition>(ModelElement("midiOutType", {})));
            manager.m_outputPortDefinitions.back()->pairs.assign(c.out.begin(), c.out.end());
        }
        EXPECT_FALSE(manager.ReadMidiSection(&bufferManager));
        EXPECT_EQ(errors.str(), c.expected);
    }

    // Without a buffer manager, a port naming a struct fails the same way.
    manager.Destroy();
    errors.str(std::string());
    AddIn({{"name", "p"}, {"rootStruct", "ms"}});
    EXPECT_FALSE(manager.ReadMidiSection(nullptr));
    EXPECT_EQ(errors.str(), "Unable to convert root struct name ms to struct.\nUnable to create MIDI in p.\n");

    // The definitions are read from copies: a failed reading leaves them as
    // the script gave them.
    EXPECT_EQ(manager.m_inputPortDefinitions[0]->pairs.size(), 2u);
}

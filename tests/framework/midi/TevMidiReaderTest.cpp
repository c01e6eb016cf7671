// The request/reply exchange of the reader and the writer's pause, against
// a device that answers (or not) at the byte level.
#include "core/TevTextOut.h"
#include "midi/TevMidi.h"
#include "midi/TevMidiReader.h"
#include "support/FakeMidiDevices.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class CCodeSink : public CTevTextOut {
public:
    void ReportError(int32_t code) override { codes.push_back(code); }
    std::vector<int32_t> codes;
};

// A data set from the device (model 42, device 10) with a correct checksum.
Bytes DeviceDataSet(const Bytes& address, const Bytes& data)
{
    Bytes bytes = {0xF0, 0x41, 0x10, 0x42, 0x12};
    uint32_t sum = 0;
    for (const Bytes* part : {&address, &data}) {
        for (uint8_t b : *part) {
            bytes.push_back(b);
            sum += b;
        }
    }
    bytes.push_back(static_cast<uint8_t>((0u - sum) & 0x7F));
    bytes.push_back(0xF7);
    return bytes;
}

const Bytes kAddress = {0x00, 0x00, 0x02, 0x00};  // 0x100

class MidiReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        out.SetModelId({0x42});
        out.SetDevice(&outDevice);
        in.SetModelId({0x42});
        in.SetReplyListener(&reader);
        inDevice.AddListener(&in);
        reader.SetOutputPort(&out);
        start = system.now;
        // Replies are posted like the input thread posts them and arrive
        // through the pump, which also lets the time pass.
        reader.pump = [this]() {
            while (!scheduled.empty() && scheduled.front().first <= system.now - start) {
                inDevice.Post(scheduled.front().second);
                scheduled.erase(scheduled.begin());
            }
            inDevice.DeliverPending();
            if (onPump)
                onPump();
            system.Advance(10);
        };
        outDevice.onSend = [this](const Bytes& bytes) {
            requestTimes.push_back(system.now - start);
            if (onRequest)
                onRequest(bytes, static_cast<int>(requestTimes.size()));
        };
    }

    // Replies at a time (ms after the start of the read).
    void ReplyAt(uint32_t time, const Bytes& bytes) { scheduled.push_back({time, bytes}); }

    CFakeSystem system;
    uint32_t start = 0;
    CCodeSink errors;
    CFakePumpReader reader{&errors};
    CFakeMidiOutDevice outDevice;
    CFakeMidiInDevice inDevice;
    CTevMidiOut out;
    CTevMidiIn in;
    std::vector<std::pair<uint32_t, Bytes>> scheduled;
    std::vector<uint32_t> requestTimes;
    std::function<void(const Bytes&, int)> onRequest;
    std::function<void()> onPump;
};

} // namespace

TEST_F(MidiReaderTest, ImmediateReplyEndsTheRead)
{
    onRequest = [this](const Bytes&, int) { inDevice.Post(DeviceDataSet(kAddress, {1, 2, 3, 4})); };
    EXPECT_TRUE(reader.Read(0x100, 4));
    ASSERT_EQ(outDevice.sent.size(), 1u);
    EXPECT_EQ(outDevice.sent[0],
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x11, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x7A, 0xF7}));
    EXPECT_EQ(reader.pumpCalls, 1);
    EXPECT_EQ(reader.GetState(), CTevMidiReader::kIdle);
    EXPECT_TRUE(errors.codes.empty());
}

TEST_F(MidiReaderTest, ReplyAfterOneTimeOutIsTakenByTheSecondAttempt)
{
    // The device answers only the second request.
    onRequest = [this](const Bytes&, int count) {
        if (count == 2)
            inDevice.Post(DeviceDataSet(kAddress, {1, 2, 3, 4}));
    };
    EXPECT_TRUE(reader.Read(0x100, 4));
    ASSERT_EQ(requestTimes.size(), 2u);
    EXPECT_EQ(requestTimes[0], 0u);
    EXPECT_EQ(requestTimes[1], 3000u);
    EXPECT_TRUE(errors.codes.empty());

    // A late answer to the first request, 3500 ms after it, is taken by the
    // second attempt, which has sent its request all the same.
    requestTimes.clear();
    onRequest = nullptr;
    start = system.now;
    ReplyAt(3500, DeviceDataSet(kAddress, {1, 2, 3, 4}));
    EXPECT_TRUE(reader.Read(0x100, 4));
    EXPECT_EQ(requestTimes, (std::vector<uint32_t>{0, 3000}));
    EXPECT_GE(system.now - start, 3500u);
    EXPECT_LT(system.now - start, 3600u);
}

TEST_F(MidiReaderTest, SilenceFailsAfterBothAttemptsWithCodeFourOnce)
{
    EXPECT_FALSE(reader.Read(0x100, 4));
    EXPECT_EQ(requestTimes, (std::vector<uint32_t>{0, 3000}));
    EXPECT_EQ(system.now - start, 6000u);
    EXPECT_EQ(errors.codes, (std::vector<int32_t>{4}));
    EXPECT_EQ(reader.GetState(), CTevMidiReader::kIdle);

    // A universal message is not the reply: it never ends the read.
    errors.codes.clear();
    requestTimes.clear();
    start = system.now;
    onRequest = [this](const Bytes&, int) { inDevice.Post({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); };
    EXPECT_FALSE(reader.Read(0x100, 4));
    EXPECT_EQ(requestTimes.size(), 2u);
    EXPECT_EQ(errors.codes, (std::vector<int32_t>{4}));
}

TEST_F(MidiReaderTest, OnlyTheAwaitedDataSetEndsTheWait)
{
    // Idle: a data set from the device leaves the reader alone.
    inDevice.Receive(DeviceDataSet(kAddress, {1, 2, 3, 4}));
    EXPECT_EQ(reader.GetState(), CTevMidiReader::kIdle);

    // While waiting: another address, one byte too few, one byte too many,
    // a bad checksum and a short message do not end the wait; the awaited
    // reply at 1000 ms does.
    ReplyAt(100, DeviceDataSet({0x00, 0x00, 0x03, 0x00}, {1, 2, 3, 4}));
    ReplyAt(200, DeviceDataSet(kAddress, {1, 2, 3}));
    ReplyAt(300, DeviceDataSet(kAddress, {1, 2, 3, 4, 5}));
    Bytes corrupted = DeviceDataSet(kAddress, {1, 2, 3, 4});
    corrupted[corrupted.size() - 2] ^= 1;
    ReplyAt(400, corrupted);
    ReplyAt(500, {0x90, 0x3C, 0x40});
    ReplyAt(1000, DeviceDataSet(kAddress, {1, 2, 3, 4}));
    EXPECT_TRUE(reader.Read(0x100, 4));
    EXPECT_EQ(requestTimes.size(), 1u);
    EXPECT_GE(system.now - start, 1000u);
    EXPECT_LT(system.now - start, 1100u);

    // A reply whose address matches but whose data is one byte short
    // leaves the wait to time out; the request goes out again.
    requestTimes.clear();
    start = system.now;
    onRequest = [this](const Bytes&, int) { inDevice.Post(DeviceDataSet(kAddress, {1, 2, 3})); };
    EXPECT_FALSE(reader.Read(0x100, 4));
    EXPECT_EQ(requestTimes, (std::vector<uint32_t>{0, 3000}));
}

TEST_F(MidiReaderTest, NestedReadFailsAndLeavesThePendingOneIntact)
{
    bool nestedResult = true;
    int nestedCalls = 0;
    onPump = [&]() {
        if (nestedCalls++ == 0)
            nestedResult = reader.Read(0x200, 8);
    };
    ReplyAt(50, DeviceDataSet(kAddress, {1, 2, 3, 4}));
    EXPECT_TRUE(reader.Read(0x100, 4));
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(outDevice.sent.size(), 1u);  // the nested read sent nothing
    EXPECT_TRUE(errors.codes.empty());

    // Without an output port nothing is sent and nothing waits.
    CFakePumpReader unwired(&errors);
    EXPECT_FALSE(unwired.Read(0x100, 4));
    EXPECT_EQ(unwired.pumpCalls, 0);
    EXPECT_TRUE(errors.codes.empty());
}

TEST(TevMidiWriter, SendsOneDataSetThenPauses)
{
    CFakeSystem system;
    CTevMidiOut out;
    out.SetModelId({0x42});
    CTevMidiWriter writer;
    EXPECT_FALSE(writer.Write(0x100, {0x57, 0x00, 0x03}));  // no port installed
    EXPECT_TRUE(system.sleeps.empty());

    writer.SetOutputPort(&out);
    // No device bound: still true, and the bytes become the last sent.
    EXPECT_TRUE(writer.Write(0x100, {0x57, 0x00, 0x03}));
    const Bytes expected = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x02, 0x00, 0x57, 0x00, 0x03, 0x24, 0xF7};
    EXPECT_EQ(out.GetLastSent(), expected);
    EXPECT_EQ(system.sleeps, (std::vector<uint32_t>{20}));

    CFakeMidiOutDevice device;
    device.result = false;  // the device could not send it
    out.SetDevice(&device);
    EXPECT_FALSE(writer.Write(0x100, {0x57, 0x00, 0x03}));
    EXPECT_EQ(device.sent, (std::vector<Bytes>{expected}));
    EXPECT_EQ(system.sleeps, (std::vector<uint32_t>{20, 20}));
}

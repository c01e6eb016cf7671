// The simulated sound module that the MIDI tests talk to: its replies must
// follow the device's wire protocol, or every test built on it would be
// testing against the wrong thing.
#include "support/SimulatedModule.h"

#include "midi/TevMessage.h"

#include "support/ModelTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The reply's checksum, checked by hand: address, data and checksum sum to a
// multiple of 128.
bool ChecksumHolds(const Bytes& message, size_t addressAt)
{
    const int sum = std::accumulate(message.begin() + static_cast<std::ptrdiff_t>(addressAt), message.end() - 1, 0);
    return sum % 128 == 0;
}

class SimulatedModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module.SetDelivery([this](const Bytes& bytes) { delivered.push_back(bytes); });
    }

    CFakeSystem clock;
    CSimulatedModule module;
    std::vector<Bytes> delivered;
};

TEST_F(SimulatedModuleTest, AnswersARequestWithOneDataSetOfTheRequestedBytes)
{
    Bytes memory(0x40);
    for (size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<uint8_t>(i);
    module.AddRange(1 << 24, memory);

    // 0x20 bytes at 2^24.
    module.Receive({0xF0, 0x41, 0x10, 0x42, 0x11, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x58, 0xF7});
    EXPECT_EQ(module.GetRequestCount(), 1);
    ASSERT_EQ(module.DeliverDue(), 1u);
    ASSERT_EQ(delivered.size(), 1u);
    const Bytes& reply = delivered[0];
    ASSERT_EQ(reply.size(), 5u + 4u + 0x20u + 2u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 9), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Bytes(reply.begin() + 9, reply.begin() + 9 + 0x20), Bytes(memory.begin(), memory.begin() + 0x20));
    EXPECT_EQ(reply.back(), 0xF7);
    EXPECT_TRUE(ChecksumHolds(reply, 5));

    // The program's own parser agrees.
    CTevDravikMessage parsed;
    ASSERT_TRUE(parsed.Parse(reply, 4));
    EXPECT_EQ(parsed.ComputeChecksum(), parsed.GetChecksum());
    EXPECT_EQ(parsed.GetData().size(), 0x20u);

    // An offset request inside the same memory.
    delivered.clear();
    module.Receive(module.BuildMessage(0x11, (1 << 24) + 0x30, {0, 0, 0, 0x10}));
    ASSERT_EQ(module.DeliverDue(), 1u);
    CSimulatedModule::SVendorMessage answer;
    ASSERT_TRUE(module.ParseVendorMessage(delivered[0], answer));
    EXPECT_EQ(answer.address, (1 << 24) + 0x30);
    EXPECT_EQ(answer.body, Bytes(memory.begin() + 0x30, memory.end()));
}

TEST_F(SimulatedModuleTest, IgnoresWhatIsNotACorrectRequestForIt)
{
    module.AddRange(0, Bytes(0x10, 0x55));
    const std::vector<Bytes> ignored{
        {0xF0, 0x41, 0x11, 0x42, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7F, 0xF7}, // other device
        {0xF0, 0x41, 0x10, 0x43, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7F, 0xF7}, // other model
        {0xF0, 0x41, 0x10, 0x42, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7E, 0xF7}, // checksum
        {0xF0, 0x42, 0x10, 0x42, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7F, 0xF7}, // maker
        {0xF0, 0x41, 0x10, 0x42, 0x11, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7F, 0xF7},                   // short size
        {0xF0, 0x41, 0x10, 0x42, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x7F, 0xF7}, // not 7-bit
        {0xB0, 0x07, 0x40},
    };
    for (const Bytes& bytes : ignored)
        module.Receive(bytes);
    EXPECT_EQ(module.GetRejectedCount(), static_cast<int32_t>(ignored.size()));
    // Requests for memory the module doesn't have go unanswered.
    module.Receive(module.BuildMessage(0x11, 0x0F, {0, 0, 0, 2}));
    module.Receive(module.BuildMessage(0x11, 0x100, {0, 0, 0, 1}));
    EXPECT_EQ(module.GetRequestCount(), 2);
    EXPECT_EQ(module.GetAnsweredCount(), 0);
    EXPECT_TRUE(module.GetOutbox().empty());
    EXPECT_EQ(module.GetReceived().size(), ignored.size() + 2);
}

TEST_F(SimulatedModuleTest, AppliesDataSetsToItsMemory)
{
    module.AddRange(0, Bytes(4, 0));
    module.AddRange(0x10, Bytes(2, 0));
    module.Receive({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7});
    EXPECT_EQ(module.ByteAt(0), 0x40);
    // Only the bytes that fall into memory are taken.
    module.Receive(module.BuildMessage(0x12, 3, {1, 2, 3}));
    EXPECT_EQ(module.ByteAt(3), 1);
    EXPECT_EQ(module.ByteAt(4), -1);
    // A corrupted data set changes nothing.
    Bytes corrupt = module.BuildMessage(0x12, 0x10, {9});
    corrupt[corrupt.size() - 2] ^= 1;
    module.Receive(corrupt);
    EXPECT_EQ(module.ByteAt(0x10), 0);
    EXPECT_EQ(module.GetVendorMessages(0x12).size(), 2u);
    // Data sets are never answered.
    EXPECT_TRUE(module.GetOutbox().empty());
}

TEST_F(SimulatedModuleTest, ModesSilentLateBadChecksumAndFromTheNthRequest)
{
    module.AddRange(0x100, {1, 2, 3});
    const Bytes request = module.BuildMessage(0x11, 0x100, {0, 0, 0, 3});

    module.SetSilent(true);
    module.Receive(request);
    EXPECT_EQ(module.DeliverAll(), 0u);
    module.SetSilent(false);

    module.SetReplyDelay(3500);
    module.Receive(request);
    EXPECT_EQ(module.DeliverDue(), 0u);
    clock.Advance(3499);
    EXPECT_EQ(module.DeliverDue(), 0u);
    clock.Advance(1);
    EXPECT_EQ(module.DeliverDue(), 1u);
    module.SetReplyDelay(0);

    module.SetBadChecksum(true);
    module.Receive(request);
    ASSERT_EQ(module.DeliverDue(), 1u);
    CTevDravikMessage bad;
    ASSERT_TRUE(bad.Parse(delivered.back(), 4));
    EXPECT_NE(bad.ComputeChecksum(), bad.GetChecksum());
    EXPECT_FALSE(ChecksumHolds(delivered.back(), 5));
    module.SetBadChecksum(false);

    module.ClearRecords();
    module.SetAnswerFromRequest(3);
    module.Receive(request);
    module.Receive(request);
    EXPECT_EQ(module.DeliverDue(), 0u);
    module.Receive(request);
    EXPECT_EQ(module.DeliverDue(), 1u);
    EXPECT_EQ(module.GetAnsweredCount(), 1);
}

TEST_F(SimulatedModuleTest, SendsOfItsOwnAndOtherAddressing)
{
    module.SetDeviceId(0x11);
    module.SetModelId({0x00, 0x42});
    module.SetAddressSize(2);
    module.AddRange(0x80, {0, 0});
    module.SendDataSet(0x81, {0x7F});
    EXPECT_EQ(module.ByteAt(0x81), 0x7F);
    module.SendControlChange(3, 7, 100);
    ASSERT_EQ(module.DeliverDue(), 2u);
    // 0x81 as two 7-bit bytes is 01 01; checksum (-(1 + 1 + 0x7F)) & 0x7F.
    EXPECT_EQ(delivered[0], (Bytes{0xF0, 0x41, 0x11, 0x00, 0x42, 0x12, 0x01, 0x01, 0x7F, 0x7F, 0xF7}));
    EXPECT_EQ(delivered[1], (Bytes{0xB3, 0x07, 0x64}));
    // Requests in this addressing are understood.
    module.Receive({0xF0, 0x41, 0x11, 0x00, 0x42, 0x11, 0x01, 0x00, 0x00, 0x02, 0x7D, 0xF7});
    ASSERT_EQ(module.DeliverDue(), 1u);
    EXPECT_EQ(delivered[2], (Bytes{0xF0, 0x41, 0x11, 0x00, 0x42, 0x12, 0x01, 0x00, 0x00, 0x7F, 0x00, 0xF7}));
}

TEST_F(SimulatedModuleTest, MemoryRangesMergeAndAreNotReadAcrossGaps)
{
    module.AddRange(10, {1, 1});
    module.AddRange(14, {2, 2});
    Bytes out;
    EXPECT_FALSE(module.ReadMemory(10, 6, out));
    module.AddRange(12, {3, 3}); // touches both
    ASSERT_EQ(module.GetMemory().size(), 1u);
    ASSERT_TRUE(module.ReadMemory(10, 6, out));
    EXPECT_EQ(out, (Bytes{1, 1, 3, 3, 2, 2}));
    module.AddRange(8, {4, 4, 4}); // overlaps, the new bytes win
    ASSERT_TRUE(module.ReadMemory(8, 8, out));
    EXPECT_EQ(out, (Bytes{4, 4, 4, 1, 3, 3, 2, 2}));
    EXPECT_FALSE(module.ReadMemory(8, 9, out));
    EXPECT_FALSE(module.ReadMemory(7, 1, out));
}

class SimulatedModuleModelTest : public CModelTest {};

TEST_F(SimulatedModuleModelTest, MemoryBuiltFromTheLeavesOfAParameterModel)
{
    auto root = Root("ms", 0x40000, 0x10000);
    CTevStruct* tmp = AddNode(*root, "tmp", 0x100, 0x100);
    CTevStruct* a = AddLeaf(*tmp, "a", 0x10, 2);
    AddValue(*a, ValueSpec("x", 0, CTevValueSpec::kInt1x7, 1, 0, 127, 5));
    AddValue(*a, ValueSpec("y", 1, CTevValueSpec::kInt1x7, 1, 0, 127, 6));
    CTevStruct* b = AddLeaf(*root, "b", 0x2000, 1);
    AddValue(*b, ValueSpec("z", 0, CTevValueSpec::kInt1x7, 1, 0, 127, 9));
    ASSERT_TRUE(root->Bind(nullptr)) << Errors();
    root->ResetToDefaults();

    CSimulatedModule module;
    module.AddLeavesOf(*root);
    ASSERT_EQ(module.GetMemory().size(), 2u);
    Bytes out;
    ASSERT_TRUE(module.ReadMemory(0x40110, 2, out));
    EXPECT_EQ(out, (Bytes{5, 6}));
    EXPECT_EQ(module.ByteAt(0x42000), 9);
    EXPECT_EQ(module.ByteAt(0x40112), -1);
}

} // namespace

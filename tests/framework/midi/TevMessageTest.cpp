#include "midi/TevMessage.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Builds a maker message the way an output port does.
CTevDravikMessage Build(const Bytes& command, int32_t address, const Bytes& data, int32_t addressSize = 4,
                        uint8_t device = 0x10, const Bytes& model = {0x42})
{
    CTevDravikMessage message;
    message.SetManufacturer(0x41);
    message.SetDeviceId(device);
    message.SetSegment(CTevDravikMessage::ModelSegment, model);
    message.SetSegment(CTevDravikMessage::CommandSegment, command);
    message.SetSegment(CTevDravikMessage::AddressSegment, TevTo7BitBytes(address, addressSize));
    message.SetSegment(CTevDravikMessage::DataSegment, data);
    message.UpdateChecksum();
    return message;
}

} // namespace

TEST(TevTo7BitBytes, SplitsMostSignificantFirstAndDropsHighBits)
{
    EXPECT_EQ(TevTo7BitBytes(1 << 24, 4), (Bytes{0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(TevTo7BitBytes(0x20, 4), (Bytes{0x00, 0x00, 0x00, 0x20}));
    EXPECT_EQ(TevTo7BitBytes(0x1234, 2), (Bytes{0x24, 0x34}));
    EXPECT_EQ(TevTo7BitBytes(0x80, 1), (Bytes{0x00}));
    EXPECT_EQ(TevTo7BitBytes(0x4000, 2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(TevTo7BitBytes(-1, 4), (Bytes{0x7F, 0x7F, 0x7F, 0x7F}));
    EXPECT_EQ(TevTo7BitBytes(-1, 5), (Bytes{0x0F, 0x7F, 0x7F, 0x7F, 0x7F}));
    EXPECT_TRUE(TevTo7BitBytes(5, 0).empty());
    EXPECT_TRUE(TevTo7BitBytes(5, -3).empty());
}

TEST(TevDravikMessage, DefaultMessageAndChecksumWithoutAddressOrData)
{
    CTevDravikMessage message;
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x7F, 0x42, 0x12, 0xF7}));
    EXPECT_EQ(message.GetSegment(CTevDravikMessage::DeviceSegment), Bytes{0x7F});
    EXPECT_EQ(message.GetModelId(), Bytes{0x42});
    EXPECT_EQ(message.GetCommand(), CTevDravikMessage::DataSetCommandBytes);
    EXPECT_EQ(message.GetChecksum(), 0xFF);
    EXPECT_EQ(message.ComputeChecksum(), 0xFF);
    message.UpdateChecksum();
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x7F, 0x42, 0x12, 0xF7}));

    CTevLongMessage plain;
    EXPECT_EQ(plain.GetBytes(), (Bytes{0xF0, 0x00, 0xF7}));

    EXPECT_EQ(CTevDravikMessage::RequestCommandBytes, Bytes{0x11});
    EXPECT_EQ(CTevDravikMessage::DataSetCommandBytes, Bytes{0x12});
}

TEST(TevDravikMessage, BuildsGoldenDataSetsAndRequests)
{
    EXPECT_EQ(Build(CTevDravikMessage::DataSetCommandBytes, 0, {0x40}).GetBytes(),
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7}));

    // 0x20 bytes at 2^24: checksum (-(0x08 + 0x20)) & 0x7F = 0x58.
    EXPECT_EQ(Build(CTevDravikMessage::RequestCommandBytes, 1 << 24, TevTo7BitBytes(0x20, 4)).GetBytes(),
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x11, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x58, 0xF7}));

    // The address loses the bits that do not fit.
    EXPECT_EQ(Build(CTevDravikMessage::DataSetCommandBytes, 0x80, {0x01}, 1).GetBytes(),
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x01, 0x7F, 0xF7}));

    // Longer model id, several data bytes: sum 0x02+0x02+0x7F+0x7F = 0x102.
    EXPECT_EQ(Build(CTevDravikMessage::DataSetCommandBytes, 0x0102, {0x7F, 0x7F}, 2, 0x11, {0x00, 0x42}).GetBytes(),
              (Bytes{0xF0, 0x41, 0x11, 0x00, 0x42, 0x12, 0x02, 0x02, 0x7F, 0x7F, 0x7E, 0xF7}));
}

TEST(TevDravikMessage, ReplacingSegmentsKeepsTheLayoutConsistent)
{
    CTevDravikMessage message = Build(CTevDravikMessage::DataSetCommandBytes, 0x01020304, {0x10, 0x20});
    // A shorter address and new data move the later segments; a second
    // UpdateChecksum replaces the checksum rather than adding one.
    message.SetSegment(CTevDravikMessage::AddressSegment, {0x05});
    message.SetSegment(CTevDravikMessage::DataSegment, {0x01, 0x02, 0x03});
    message.UpdateChecksum();
    message.UpdateChecksum();
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x05, 0x01, 0x02, 0x03, 0x75, 0xF7}));
    EXPECT_EQ(message.GetAddress(), Bytes{0x05});
    EXPECT_EQ(message.GetData(), (Bytes{0x01, 0x02, 0x03}));
    EXPECT_EQ(message.GetChecksum(), 0x75);

    // Emptying address and data removes the checksum.
    message.SetSegment(CTevDravikMessage::AddressSegment, {});
    message.SetSegment(CTevDravikMessage::DataSegment, {});
    message.UpdateChecksum();
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}));
    EXPECT_EQ(message.GetChecksum(), 0xFF);

    EXPECT_FALSE(message.SetSegment(6, {0x01}));
    EXPECT_FALSE(message.SetSegment(-1, {0x01}));
    EXPECT_TRUE(message.GetSegment(6).empty());
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}));
}

TEST(TevDravikMessage, BuildingNeverPutsStatusBytesInside)
{
    CTevDravikMessage message;
    message.SetManufacturer(0xC1);
    message.SetDeviceId(0x90);
    message.SetSegment(CTevDravikMessage::ModelSegment, {0xC2});
    message.SetSegment(CTevDravikMessage::AddressSegment, {0xFF, 0x80});
    message.SetSegment(CTevDravikMessage::DataSegment, {0xF7});
    message.UpdateChecksum();
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x7F, 0x00, 0x77, 0x0A, 0xF7}));
    // So a receiver accepts and splits it again.
    CTevDravikMessage received;
    ASSERT_TRUE(received.Parse(message.GetBytes(), 2));
    EXPECT_EQ(received.GetData(), Bytes{0x77});
    EXPECT_EQ(received.ComputeChecksum(), received.GetChecksum());
}

TEST(TevDravikMessage, ParsesReceivedMessages)
{
    CTevDravikMessage message;
    ASSERT_TRUE(message.Parse({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7}, 4));
    EXPECT_EQ(message.GetSegment(CTevDravikMessage::DeviceSegment), Bytes{0x10});
    EXPECT_EQ(message.GetModelId(), Bytes{0x42});
    EXPECT_EQ(message.GetCommand(), CTevDravikMessage::DataSetCommandBytes);
    EXPECT_EQ(message.GetAddress(), (Bytes{0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(message.GetData(), Bytes{0x40});
    EXPECT_EQ(message.GetChecksum(), 0x40);
    EXPECT_EQ(message.ComputeChecksum(), 0x40);

    // Model id 00 42, command with a leading 00.
    ASSERT_TRUE(message.Parse({0xF0, 0x41, 0x10, 0x00, 0x42, 0x00, 0x12, 0x01, 0x02, 0x05, 0x06, 0x72, 0xF7}, 2));
    EXPECT_EQ(message.GetModelId(), (Bytes{0x00, 0x42}));
    EXPECT_EQ(message.GetCommand(), (Bytes{0x00, 0x12}));
    EXPECT_EQ(message.GetAddress(), (Bytes{0x01, 0x02}));
    EXPECT_EQ(message.GetData(), (Bytes{0x05, 0x06}));
    EXPECT_EQ(message.GetChecksum(), 0x72);
    EXPECT_EQ(message.ComputeChecksum(), 0x72);

    // Empty data: header, 4 address bytes, checksum, F7.
    ASSERT_TRUE(message.Parse({0xF0, 0x41, 0x10, 0x42, 0x12, 0x01, 0x02, 0x03, 0x04, 0x76, 0xF7}, 4));
    EXPECT_TRUE(message.GetData().empty());
    EXPECT_EQ(message.GetAddress(), (Bytes{0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(message.GetChecksum(), 0x76);
    EXPECT_EQ(message.ComputeChecksum(), 0x76);

    // A corrupted data byte shows as a checksum mismatch.
    ASSERT_TRUE(message.Parse({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x41, 0x40, 0xF7}, 4));
    EXPECT_NE(message.ComputeChecksum(), message.GetChecksum());
}

TEST(TevDravikMessage, RefusesMalformedMessagesAndKeepsThePreviousOne)
{
    const Bytes good{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7};
    const Bytes refused[] = {
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x80, 0x00, 0x00, 0x40, 0x40, 0xF7}, // status byte inside
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0xF7},             // no room for checksum
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0xF7},                   // address cut short
        {0xF0, 0x41, 0x10, 0x00, 0x00, 0x00, 0xF7},                               // model never ends
        {0xF0, 0x41, 0x10, 0x42, 0x00, 0xF7},                                     // no command
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0x7E}, // no F7 at the end
        {0x7E, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7}, // no F0 at the start
        {0xF0, 0xF7},
        {0xF0},
        {},
    };
    for (const Bytes& bytes : refused) {
        CTevDravikMessage message;
        ASSERT_TRUE(message.Parse(good, 4));
        EXPECT_FALSE(message.Parse(bytes, 4)) << "size " << bytes.size();
        EXPECT_EQ(message.GetBytes(), good);
        EXPECT_EQ(message.GetData(), Bytes{0x40});
        EXPECT_EQ(message.GetChecksum(), 0x40);
    }
    CTevDravikMessage message;
    EXPECT_FALSE(message.Parse(good, -1));
}

TEST(TevLongMessage, AssignJudgesOnlyTheInnerBytes)
{
    CTevLongMessage message;
    EXPECT_FALSE(message.Assign({0xF0, 0x7E, 0x90, 0xF7}));
    EXPECT_FALSE(message.Assign({0xF0}));
    EXPECT_FALSE(message.Assign({}));
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x00, 0xF7}));
    EXPECT_TRUE(message.Assign({0xF0, 0xF7}));
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0xF7}));
    EXPECT_TRUE(message.Assign({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    // Neither end is judged by Assign.
    EXPECT_TRUE(message.Assign({0x90, 0x3C, 0x40}));
    message.Reset();
    EXPECT_EQ(message.GetBytes(), (Bytes{0xF0, 0x00, 0xF7}));

    // A maker message whose bytes were replaced without being split again
    // must not read or write outside them.
    CTevDravikMessage dravik;
    ASSERT_TRUE(dravik.Assign({0xF0, 0xF7}));
    EXPECT_TRUE(dravik.GetData().empty());
    EXPECT_TRUE(dravik.GetModelId().empty());
    EXPECT_EQ(dravik.GetChecksum(), 0xFF);
    EXPECT_FALSE(dravik.SetSegment(CTevDravikMessage::DataSegment, {0x01}));
    EXPECT_EQ(dravik.GetBytes(), (Bytes{0xF0, 0xF7}));
}

TEST(TevShortMessage, BytesByStatus)
{
    EXPECT_EQ(CTevShortMessage(0x00403C90u).GetBytes(), (Bytes{0x90, 0x3C, 0x40}));
    CTevShortMessage message;
    message.Compose(0xC0, 0x03, 0x05, 0x7F);
    EXPECT_EQ(message.GetBytes(), (Bytes{0xC3, 0x05}));
    EXPECT_EQ(CTevShortMessage(0x00F8u).GetBytes(), Bytes{0xF8});
    EXPECT_TRUE(CTevShortMessage(0x00403C7Fu).GetBytes().empty());

    const struct {
        uint8_t status;
        size_t count;
    } table[] = {{0x80, 3}, {0x9F, 3}, {0xA1, 3}, {0xB2, 3}, {0xE3, 3}, {0xF2, 3}, {0xC4, 2}, {0xD5, 2},
                 {0xF1, 2}, {0xF3, 2}, {0xF0, 1}, {0xF4, 1}, {0xF6, 1}, {0xF7, 1}, {0xFE, 1}, {0xFF, 1}};
    for (const auto& row : table) {
        const Bytes bytes = CTevShortMessage(Bytes{row.status, 0x11, 0x22}).GetBytes();
        const Bytes expected = Bytes{row.status, 0x11, 0x22};
        EXPECT_EQ(bytes, Bytes(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(row.count)))
            << std::hex << int(row.status);
    }
}

TEST(TevShortMessage, ComposeAssignAndStatus)
{
    CTevShortMessage message;
    message.Compose(0xB0, 0x05, 0x07, 0x64);
    EXPECT_EQ(message.GetWord(), 0x006407B5u);
    uint8_t type = 0, channel = 0;
    message.GetStatus(type, channel);
    EXPECT_EQ(type, 0xB0);
    EXPECT_EQ(channel, 0x05);
    EXPECT_EQ(message.GetData1(), 0x07);
    EXPECT_EQ(message.GetData2(), 0x64);

    // System status: the channel stays as the caller set it.
    message.Set(0xF2, 0x00, 0x01, 0x02);
    channel = 9;
    message.GetStatus(type, channel);
    EXPECT_EQ(type, 0xF2);
    EXPECT_EQ(channel, 9);

    // Assign clears what was there; extra bytes are ignored.
    message.Assign({0xC1});
    EXPECT_EQ(message.GetWord(), 0x000000C1u);
    message.Assign({0x90, 0x3C, 0x40, 0x55});
    EXPECT_EQ(message.GetWord(), 0x00403C90u);
    message.Assign({});
    EXPECT_EQ(message.GetWord(), 0u);
}

// The hand-over rings of the MIDI input thread and the wire-time formula
// of a system-exclusive send.
#include "midi/MidiRings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct CTestPacket {
    bool prepared = true;
    int resets = 0;
    bool IsPrepared() const { return prepared; }
    void Reset() { ++resets; }
};

} // namespace

TEST(MidiEventRing, KeepsOrderAcrossTheWrapAndReportsEmpty)
{
    CMidiEventRing ring;
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
    // Walk the indices round the ring several times, a few entries at a time.
    int32_t next = 0;
    int32_t expected = 0;
    for (int round = 0; round < 3000; ++round) {
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(ring.Push(next++));
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(ring.Pop(), expected++);
    }
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
    EXPECT_EQ(ring.GetReadIndex(), ring.GetWriteIndex());
    EXPECT_EQ(ring.GetWriteIndex(), 9000 % CMidiEventRing::kSize);
}

TEST(MidiEventRing, AFullRingDropsTheNewEntryAndKeepsThePendingOnes)
{
    CMidiEventRing ring;
    const int32_t capacity = CMidiEventRing::kSize - 1;
    for (int32_t i = 0; i < capacity; ++i)
        ASSERT_TRUE(ring.Push(i));
    // A buffer given back while the ring is full: its event is lost, the
    // buffer counted for the consumer to replace.
    int lost = 0;
    int next = 0;
    EXPECT_FALSE(ring.Push(CMidiEventRing::LongData, &lost));
    EXPECT_EQ(ring.GetDropped(), 1);
    for (int32_t i = 0; i < capacity; ++i)
        ASSERT_EQ(ring.Pop(), i);
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
    EXPECT_EQ(ring.TakeLostBuffers(), 1);
    EXPECT_EQ(ring.TakeLostBuffers(), 0);
    // Room again after popping: the next long message comes with its own
    // buffer.
    EXPECT_TRUE(ring.Push(CMidiEventRing::LongError, &next));
    void* buffer = nullptr;
    EXPECT_EQ(ring.Pop(&buffer), CMidiEventRing::LongError);
    EXPECT_EQ(buffer, &next);
    ring.Push(5);
    ring.Reset();
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
    EXPECT_EQ(ring.GetDropped(), 0);
}

TEST(MidiEventRing, OneProducerAndOneConsumerLoseAndRepeatNothing)
{
    CMidiEventRing ring;
    constexpr int32_t kCount = 200000;
    std::atomic<int32_t> dropped{0};
    std::thread producer([&] {
        for (int32_t i = 0; i < kCount; ++i) {
            while (!ring.Push(i))
                std::this_thread::yield();
        }
    });
    int32_t expected = 0;
    while (expected < kCount) {
        const int32_t entry = ring.Pop();
        if (entry == CMidiEventRing::Empty) {
            std::this_thread::yield();
            continue;
        }
        if (entry != expected)
            dropped++;
        expected = entry + 1;
    }
    producer.join();
    EXPECT_EQ(dropped.load(), 0);
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
}

TEST(MidiPacketRing, HandsOutPreparedPacketsInOrderRoundTheRing)
{
    CMidiPacketRing<CTestPacket, 4> ring;
    ring.Reset();
    EXPECT_EQ(ring[0].resets, 1);

    ring[1].prepared = false;
    CTestPacket* first = ring.NextPrepared();
    EXPECT_EQ(first, &ring[0]);
    // An unprepared packet stops the hand-out without moving on.
    EXPECT_EQ(ring.NextPrepared(), nullptr);
    EXPECT_EQ(ring.GetWriteIndex(), 1);
    ring[1].prepared = true;

    std::vector<CTestPacket*> handedOut{first};
    for (int i = 0; i < 6; ++i)
        handedOut.push_back(ring.NextPrepared());
    // Round the ring: 0, 1, 2, 3, 0, 1, 2.
    EXPECT_EQ(handedOut[3], &ring[3]);
    EXPECT_EQ(handedOut[4], &ring[0]);
    EXPECT_EQ(handedOut[6], &ring[2]);
}

TEST(MidiWireTime, SleepsUntilTheMessageHasLeftAt3472BytesASecond)
{
    struct Case {
        size_t bytes;
        int32_t elapsedMs;
        int32_t sleepMs;
    };
    const Case cases[] = {
        {12, 0, 3},     // a data set
        {2000, 0, 576}, // a long message
        {2000, 100, 476},
        {2000, 577, 0}, // already gone
        {12, 4, 0},
        {0, 0, 0},
        {3472, 0, 1000},
        {3472, -5, 1000}, // a clock that went back counts as no time
    };
    for (const Case& c : cases)
        EXPECT_EQ(MidiWireSleepMs(c.bytes, c.elapsedMs), c.sleepMs) << c.bytes << " bytes after " << c.elapsedMs;
}

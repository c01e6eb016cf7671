// The hand-over rings of the MIDI input thread and the wire-time formula
// of a system-exclusive send.
#include "midi/MidiRings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct CTestPacket {
    bool prepared = true;
    int resets = 0;
    // The number of the message a driver filled it with.
    int32_t message = -1;
    bool IsPrepared() const { return prepared; }
    void Reset() { ++resets; }
    const void* GetDriverHeader() const { return this; }
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

TEST(MidiEventRing, AFullRingDropsTheNewEntryAndKeepsRoomForEveryBufferGivenBack)
{
    CMidiEventRing ring;
    const int32_t shortRoom = CMidiEventRing::kSize - 1 - CMidiEventRing::kReserved;
    for (int32_t i = 0; i < shortRoom; ++i)
        ASSERT_TRUE(ring.Push(i));
    // Short entries find the ring full; the room left takes every buffer
    // the driver can give back, and no more.
    EXPECT_FALSE(ring.Push(shortRoom));
    int buffers[CMidiEventRing::kReserved];
    for (int& buffer : buffers)
        ASSERT_TRUE(ring.Push(CMidiEventRing::LongData, &buffer));
    EXPECT_FALSE(ring.Push(CMidiEventRing::LongError, &buffers[0]));
    EXPECT_EQ(ring.GetDropped(), 2);
    for (int32_t i = 0; i < shortRoom; ++i)
        ASSERT_EQ(ring.Pop(), i);
    for (int& expected : buffers) {
        void* buffer = nullptr;
        ASSERT_EQ(ring.Pop(&buffer), CMidiEventRing::LongData);
        EXPECT_EQ(buffer, &expected);
    }
    EXPECT_EQ(ring.Pop(), CMidiEventRing::Empty);
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

TEST(MidiReceiver, AWorkerFarBehindAFloodPassesEverySysexOnOnceInOrderAndKeeps32Queued)
{
    auto receiver = std::make_unique<CMidiReceiver<CTestPacket, 128, 32>>();
    receiver->running = true;
    // The driver fills its buffers in the order it was given them, drops a
    // message that finds none, and refuses as many buffers as it is told.
    std::deque<CTestPacket*> driver;
    int refusals = 0;
    int reports = 0;
    auto topUp = [&] {
        reports += receiver->TopUp([&](CTestPacket& packet) -> uint32_t {
            if (refusals > 0)
                return --refusals, 11;
            EXPECT_EQ(std::count(driver.begin(), driver.end(), &packet), 0) << "a buffer the driver holds came again";
            driver.push_back(&packet);
            return 0;
        }) != 0;
    };
    topUp();
    std::vector<int32_t> handedOver;
    std::vector<int32_t> passedOn;
    // Mostly the worker falls far behind: the ring overflows with short
    // messages while system-exclusive ones wait in it, the driver runs out
    // of buffers now and then, and refuses five on the way.
    for (int32_t round = 0; round < 600; ++round) {
        refusals += round == 200 ? 5 : 0;
        for (int i = 0; i < 150; ++i)
            receiver->Push(0x403C90);
        if (!driver.empty()) {
            driver.front()->message = round;
            receiver->Push(CMidiEventRing::LongData, driver.front());
            driver.pop_front();
            handedOver.push_back(round);
        }
        // The worker takes a few entries, handing buffers back as it goes;
        // at the end it catches up.
        const int entries = round == 599 ? INT_MAX : round % 7 == 0 ? 400 : 3;
        CTestPacket* packet = nullptr;
        for (int i = 0; i < entries && receiver->Pop(packet) != CMidiEventRing::Empty; ++i) {
            if (packet) {
                passedOn.push_back(packet->message);
                topUp();
            }
        }
        topUp();
    }
    EXPECT_GT(receiver->events.GetDropped(), 0);
    EXPECT_GT(handedOver.size(), 300u);
    EXPECT_EQ(passedOn, handedOver);
    EXPECT_EQ(driver.size(), 32u);
    EXPECT_EQ(reports, 1);
}

TEST(MidiReceiver, EventsOfAStoppedRunArrivingAfterARestartTakeNoBufferOfTheNewRun)
{
    auto receiver = std::make_unique<CMidiReceiver<CTestPacket, 128, 32>>();
    receiver->running = true;
    std::deque<CTestPacket*> driver;
    auto take = [&driver](CTestPacket& packet) { return packet.message = -1, driver.push_back(&packet), 0u; };
    receiver->TopUp(take);
    // Stopped: the driver gives one buffer back with a message in it, and
    // the rest, empty, only after the restart, when the new run has queued
    // buffers of its own; then it fills one of those.
    receiver->running = false;
    const std::deque<CTestPacket*> late = std::exchange(driver, {});
    late[0]->message = 1;
    receiver->Push(CMidiEventRing::LongData, late[0]);
    receiver->BeginRun();
    receiver->running = true;
    receiver->TopUp(take);
    for (size_t i = 1; i < late.size(); ++i)
        receiver->Push(CMidiEventRing::LongData, late[i]);
    driver.front()->message = 2;
    receiver->Push(CMidiEventRing::LongData, driver.front());
    std::vector<int32_t> passedOn;
    for (CTestPacket* packet = nullptr; receiver->Pop(packet) != CMidiEventRing::Empty;) {
        if (packet && packet->message >= 0)
            passedOn.push_back(packet->message);
    }
    EXPECT_EQ(passedOn, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(receiver->CountQueued(), 31);
    for (CTestPacket* packet : driver)
        EXPECT_EQ(std::count(late.begin(), late.end(), packet), 0);
}

TEST(MidiReceiver, RestartsWhoseResetCallbacksComeLateLoseNoMessageAndGiveTheDriverNoBufferItHolds)
{
    auto receiver = std::make_unique<CMidiReceiver<CTestPacket, 128, 32>>();
    // The driver keeps the buffers it was given in order and, from its own
    // thread, fills the front one with a numbered message now and then. A
    // reset gives every buffer it holds back late, once the run has been
    // restarted, every other one with a message in it.
    std::mutex lock;
    std::deque<CTestPacket*> held, late;
    std::atomic<int> wrongBuffers{0};
    std::atomic<bool> restarted{false}, quit{false};
    std::atomic<size_t> writtenCount{0};
    std::vector<int32_t> written, passedOn;
    std::thread driver([&] {
        while (!quit) {
            std::deque<CTestPacket*> giving;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (late.empty() && !held.empty())
                    giving.push_back(held.front()), held.pop_front();
                else if (!late.empty() && restarted)
                    giving.swap(late);
            }
            for (size_t i = 0; i < giving.size(); ++i) {
                if (i % 2 == 0) {
                    written.push_back(giving[i]->message = static_cast<int32_t>(written.size()));
                    ++writtenCount;
                }
                receiver->Push(CMidiEventRing::LongData, giving[i]);
            }
            std::this_thread::yield();
        }
    });
    // No buffer the driver still holds, and no more than 32 of a run.
    auto queue = [&](CTestPacket& packet) -> uint32_t {
        std::lock_guard<std::mutex> guard(lock);
        if (held.size() >= 32 || std::count(held.begin(), held.end(), &packet) ||
            std::count(late.begin(), late.end(), &packet))
            ++wrongBuffers;
        packet.message = -1;
        held.push_back(&packet);
        return 0;
    };
    // The worker: once more after the run has been stopped.
    auto work = [&] {
        for (bool last = false; !last; std::this_thread::yield()) {
            last = !receiver->IsRunning();
            for (CTestPacket* packet = nullptr; receiver->Pop(packet) != CMidiEventRing::Empty;) {
                if (packet && packet->message >= 0)
                    passedOn.push_back(packet->message);
                receiver->TopUp(queue);
            }
            receiver->TopUp(queue);
        }
    };
    receiver->running = true;
    receiver->TopUp(queue);
    std::thread worker(work);
    for (int restart = 1; restart <= 40; ++restart) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
        for (const size_t target = writtenCount + 5; writtenCount < target && std::chrono::steady_clock::now() < end;)
            std::this_thread::yield();
        // Stopped and restarted as CMidiIn does it.
        receiver->running = false;
        worker.join();
        {
            std::lock_guard<std::mutex> guard(lock);
            late.insert(late.end(), held.begin(), held.end());
            held.clear();
            restarted = false;
        }
        receiver->BeginRun();
        receiver->running = true;
        receiver->TopUp(queue);
        worker = std::thread(work);
        restarted = true;
    }
    for (bool waiting = true; waiting; std::this_thread::yield()) {
        std::lock_guard<std::mutex> guard(lock);
        waiting = !late.empty();
    }
    quit = true;
    driver.join();
    receiver->running = false;
    worker.join();
    EXPECT_GE(written.size(), 40u);
    EXPECT_EQ(passedOn, written);
    EXPECT_EQ(wrongBuffers, 0);
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

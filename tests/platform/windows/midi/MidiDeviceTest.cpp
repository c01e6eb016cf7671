// The Windows MIDI input and output devices against the driver stand-in:
// what the driver delivers reaches the ports on this thread, buffers go
// back and forth without loss, stopping leaves nothing prepared, and sends
// wait for the wire and time out.
#include "midi/MidiInDevice.h"
#include "midi/MidiOut.h"
#include "midi/MidiSetup.h"

#include "MidiTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kPlainIn[] = "Standin MIDI In 2";
const char kPlainOut[] = "Standin MIDI Out 2";
const int kPlainDevice = 1;

Bytes Sysex(size_t length)
{
    Bytes bytes(length);
    for (size_t i = 1; i + 1 < length; ++i)
        bytes[i] = static_cast<uint8_t>(i & 0x7F);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

class MidiInDeviceTest : public CStandinTest {
protected:
    void SetUp() override
    {
        CStandinTest::SetUp();
        device = std::make_unique<CMidiInDevice>(kPlainIn);
        ASSERT_TRUE(device->Open());
        device->AddListener(&port);
    }
    void TearDown() override
    {
        device.reset();
        EXPECT_EQ(standin.Value("open in 1"), 0);
        EXPECT_EQ(standin.Value("prepared in 1"), 0);
    }

    bool WaitForMessages(size_t count, DWORD timeoutMs = 2000)
    {
        return PumpUntil([&] { return port.received.size() >= count; }, timeoutMs);
    }

    std::unique_ptr<CMidiInDevice> device;
    CRecordingPort port;
};

} // namespace

TEST_F(MidiInDeviceTest, ANoteOnArrivesAsThreeBytesAndSystemRealTimeIsDropped)
{
    EXPECT_EQ(standin.Value("queued in 1"), CMidiIn::kQueuedPackets);
    EXPECT_EQ(standin.Value("prepared in 1"), CMidiIn::kPacketCount);
    ASSERT_TRUE(standin.Command("short 1 F8"));
    ASSERT_TRUE(standin.Command("short 1 FE"));
    ASSERT_TRUE(standin.Command("short 1 F2 01 02"));
    const int64_t sent = CStandinControl::NowUs();
    ASSERT_TRUE(standin.Command("short 1 90 3C 40"));
    ASSERT_TRUE(WaitForMessages(1));
    const int64_t latencyUs = port.times[0] - sent;
    PumpFor(50);
    ASSERT_EQ(port.received.size(), 1u);
    EXPECT_EQ(port.received[0], (Bytes{0x90, 0x3C, 0x40}));
    EXPECT_LT(latencyUs, 100000);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MidiInDeviceTest, SystemExclusiveArrivesWholeOrSplitAtTheBufferSize)
{
    struct Case {
        std::vector<std::string> commands;
        std::vector<Bytes> expected;
    };
    const Bytes full = Sysex(5000);
    const std::vector<Case> cases = {
        {{"sysexfill 1 20"}, {Sysex(20)}},
        {{"sysexfill 1 5000"},
         {Bytes(full.begin(), full.begin() + 2048), Bytes(full.begin() + 2048, full.begin() + 4096),
          Bytes(full.begin() + 4096, full.end())}},
        // The broken message's buffer is taken off the ring: the good one
        // that follows is read from its own buffer, at once.
        {{"longerror 1 F0 41 10 42", "sysex 1 F0 7E 7F 06 02 F7"}, {{0xF0, 0x7E, 0x7F, 0x06, 0x02, 0xF7}}},
        {{"longerror 1 F0 01", "longerror 1 F0 02", "sysexfill 1 30", "short 1 B0 07 64"},
         {Sysex(30), {0xB0, 0x07, 0x64}}},
    };
    for (const Case& c : cases) {
        port.received.clear();
        for (const std::string& command : c.commands)
            ASSERT_TRUE(standin.Command(command)) << command;
        EXPECT_TRUE(WaitForMessages(c.expected.size())) << c.commands[0];
        PumpFor(30);
        EXPECT_EQ(port.received, c.expected) << c.commands[0];
        // The driver keeps 32 buffers to fill.
        EXPECT_EQ(standin.Value("queued in 1"), CMidiIn::kQueuedPackets) << c.commands[0];
    }
    EXPECT_EQ(standin.Value("dropped in 1"), 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MidiInDeviceTest, SystemExclusiveStaysIntactWhileThisThreadIsBlockedAndMoreThanTheRingArrives)
{
    // 200 messages stream in, at 100,000 baud, while this thread does not
    // pump (as during a blocking send); the worker hands every buffer back
    // to the driver at once, so each buffer is refilled long before the
    // messages are read.
    const int kCount = 200;
    ASSERT_TRUE(standin.Command("baud 100000"));
    ASSERT_TRUE(standin.Command("sysexflood 1 " + std::to_string(kCount) + " 64"));
    const DWORD start = ::GetTickCount();
    while (standin.Value("delivered in 1") < kCount && ::GetTickCount() - start < 3000)
        ::Sleep(5);
    ::Sleep(30);
    EXPECT_EQ(standin.Value("dropped in 1"), 0);
    ASSERT_TRUE(WaitForMessages(kCount));
    ASSERT_EQ(port.received.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        const Bytes& bytes = port.received[static_cast<size_t>(i)];
        ASSERT_EQ(bytes.size(), 64u);
        EXPECT_EQ((bytes[1] << 7) | bytes[2], i);
        EXPECT_EQ(bytes.back(), 0xF7);
    }
}

TEST_F(MidiInDeviceTest, AFloodKeepsWhatTheRingHoldsAndStoppingDuringOneUnpreparesEveryHeader)
{
    const int kFlood = 6000;
    ASSERT_TRUE(standin.Command("flood 1 " + std::to_string(kFlood)));
    PumpUntil([&] { return standin.Value("delivered in 1") >= kFlood; }, 5000);
    // Until the worker has posted what it took off the ring.
    size_t seen = 0;
    do {
        seen = port.received.size();
        PumpFor(200);
    } while (port.received.size() != seen);
    // However far the worker fell behind, what the ring held came through.
    EXPECT_GE(port.received.size(), static_cast<size_t>(CMidiEventRing::kSize - 1 - CMidiEventRing::kReserved));
    EXPECT_LE(port.received.size(), static_cast<size_t>(kFlood));
    for (const Bytes& bytes : port.received)
        ASSERT_EQ(bytes, (Bytes{0x90, 0x3C, 0x40}));

    ASSERT_TRUE(standin.Command("sysexflood 1 3000 300"));
    ASSERT_TRUE(standin.Command("flood 1 3000"));
    ::Sleep(5);
    device->Close();
    EXPECT_FALSE(device->HasWorkerThread());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(device->CountPreparedPackets(), 0);
    EXPECT_EQ(standin.Value("prepared in 1"), 0);
    EXPECT_EQ(standin.Value("open in 1"), 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MidiInDeviceTest, AFailingRequeueIsShownOnThisThreadAndCopiesLeftWhenTheWindowGoesAreFreed)
{
    // The worker's hand-back of buffers is refused five times, then for
    // good: each run of refusals brings one box, opened only when this
    // thread pumps. The refused buffers are offered again, so input comes
    // back by itself, with 32 queued, once the driver takes them.
    for (const char* refusal : {"fail midiInAddBuffer 5", "fail midiInAddBuffer -1"}) {
        CMessageBoxRecorder::Texts().clear();
        port.received.clear();
        ASSERT_TRUE(standin.Command(refusal));
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(standin.Command("sysexfill 1 20"));
        ::Sleep(50);
        EXPECT_TRUE(Boxes().empty()) << refusal;
        PumpFor(100);
        ASSERT_TRUE(standin.Command("fail clear"));
        EXPECT_TRUE(PumpUntil([&] { return standin.Value("queued in 1") == CMidiIn::kQueuedPackets; }, 2000))
            << refusal;
        ASSERT_TRUE(standin.Command("sysexfill 1 30"));
        EXPECT_TRUE(PumpUntil([&] { return !port.received.empty() && port.received.back() == Sysex(30); }, 2000))
            << refusal;
        EXPECT_EQ(Boxes().size(), 1u) << refusal;
    }

    // Copies posted while this thread does not pump, then the window goes
    // (as it does with the main window at exit): none is left behind.
    ASSERT_TRUE(standin.Command("sysexflood 1 20 64"));
    const DWORD start = ::GetTickCount();
    while (device->CountPostedCopies() < 20 && ::GetTickCount() - start < 2000)
        ::Sleep(5);
    EXPECT_EQ(device->CountPostedCopies(), 20);
    ::DestroyWindow(device->GetSafeHwnd());
    EXPECT_EQ(device->CountPostedCopies(), 0);
}

TEST_F(MidiInDeviceTest, ADriverThatWillNotLetGoOfItsBuffersIsReportedOnce)
{
    // Two headers refuse to be unprepared: the close gives up, the
    // destructor tries again and gets them back; one box in all.
    ASSERT_TRUE(standin.Command("fail midiInUnprepareHeader 2"));
    device.reset();
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(MidiInDeviceTest, RefusalsWhileItsErrorBoxIsOpenOpenNoBoxOverIt)
{
    // A run of refused buffers; three more while the box about it is open
    // (the hook pumps, as a real box does); one after it.
    static CStandinControl* control;
    static int boxes, openBoxes, mostOpen;
    control = &standin;
    static void (*const refusedRun)() = [] {
        ASSERT_TRUE(control->Command("fail midiInAddBuffer 1") && control->Command("sysexfill 1 20"));
        PumpFor(60);
    };
    const MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string&, unsigned) {
        mostOpen = std::max(mostOpen, ++openBoxes);
        const bool first = ++boxes == 1;
        for (int run = 0; first && run < 3; ++run)
            refusedRun();
        --openBoxes;
        return IDOK;
    });
    refusedRun();
    refusedRun();
    SetMessageBoxHook(previous);
    EXPECT_EQ(mostOpen, 1);
    EXPECT_EQ(boxes, 2);
}

TEST_F(MidiInDeviceTest, WhatFailsWhileAMidiErrorBoxIsOpenOpensNoBoxOverItAndIsReportedOnceAfterIt)
{
    // Every failure here has the same text. In the box about a refused
    // buffer an output refuses a note, and the input begins a run of
    // refusals; in the output's box the input's report comes; in the box
    // about that run it ends and a new one begins. Each is told once, one
    // box at a time.
    static CStandinControl* control;
    static std::vector<std::string> texts;
    static int open, mostOpen;
    control = &standin;
    static void (*const refuseBuffers)() = [] {
        EXPECT_TRUE(control->Command("fail midiInAddBuffer -1") && control->Command("sysexfill 1 20"));
        PumpFor(100);
    };
    static void (*const takeBuffers)() = [] {
        EXPECT_TRUE(control->Command("fail clear"));
        EXPECT_TRUE(PumpUntil([] { return control->Value("queued in 1") == CMidiIn::kQueuedPackets; }, 2000));
    };
    const MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string& text, unsigned) {
        mostOpen = std::max(mostOpen, ++open);
        texts.push_back(text);
        if (texts.size() == 1) {
            takeBuffers();
            CMidiOutDevice out(kPlainOut);
            EXPECT_TRUE(out.Open() && control->Command("fail midiOutShortMsg 1"));
            EXPECT_FALSE(out.Send({0x90, 0x3C, 0x40}));
            refuseBuffers();
        } else if (texts.size() == 2) {
            PumpFor(100);
        } else if (texts.size() == 3) {
            takeBuffers();
            refuseBuffers();
        } else {
            takeBuffers();
        }
        --open;
        return IDOK;
    });
    ASSERT_TRUE(standin.Command("fail midiInAddBuffer 1") && standin.Command("sysexfill 1 20"));
    EXPECT_TRUE(PumpUntil([] { return texts.size() == 4; }, 3000));
    PumpFor(60);
    SetMessageBoxHook(previous);
    EXPECT_EQ(mostOpen, 1);
    EXPECT_EQ(texts, std::vector<std::string>(4, texts.at(0)));
}

// Failures joined in one box fold their repeats into it; a worker's report
// folded into a box that opened before it is reported again; a box that
// throws leaves the gate open.
TEST(MidiErrorBox, RepeatsFoldIntoTheirJoinedBoxAndAThrowingBoxLeavesTheGateOpen)
{
    static const MidiFailureSourcePtr input = std::make_shared<CMidiFailureSource>();
    static const MidiFailureSourcePtr output = std::make_shared<CMidiFailureSource>();
    static std::vector<std::string> texts;
    const MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string& text, unsigned) {
        texts.push_back(text);
        if (text == "throw")
            throw std::runtime_error(text);
        if (texts.size() == 1) {
            EXPECT_TRUE(input->BeginReport());
            ShowMidiErrorBox("A", input, true);
        }
        if (texts.size() <= 2) {
            ShowMidiErrorBox("B", output);
            ShowMidiErrorBox("C");
        }
        return IDOK;
    });
    ShowMidiErrorBox("A", input);
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "B\nC"}));
    EXPECT_TRUE(input->TakeReportAgain());
    EXPECT_TRUE(input->BeginReport());
    EXPECT_THROW(ShowMidiErrorBox("throw"), std::runtime_error);
    ShowMidiErrorBox("after");
    SetMessageBoxHook(previous);
    EXPECT_EQ(texts.back(), "after");
}

// A device deleted while its worker-error box is open (as by the set-up
// dialog's OK, which that box does not disable) is left alone afterwards:
// its storage, filled once it is gone, stays as filled.
alignas(CMidiInDevice) unsigned char g_deviceStorage[sizeof(CMidiInDevice)];

TEST_F(CStandinTest, ADeviceDeletedWhileItsErrorBoxIsOpenIsLeftAlone)
{
    ASSERT_TRUE((new (g_deviceStorage) CMidiInDevice(kPlainIn))->Open());
    const MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string&, unsigned) {
        reinterpret_cast<CMidiInDevice*>(g_deviceStorage)->~CMidiInDevice();
        std::memset(g_deviceStorage, 0xA5, sizeof g_deviceStorage);
        return IDOK;
    });
    ASSERT_TRUE(standin.Command("fail midiInAddBuffer 1"));
    ASSERT_TRUE(standin.Command("sysexfill 1 20"));
    auto filled = [] {
        return static_cast<size_t>(std::count(std::begin(g_deviceStorage), std::end(g_deviceStorage), 0xA5));
    };
    EXPECT_TRUE(PumpUntil([&] { return filled() == sizeof g_deviceStorage; }, 2000));
    PumpFor(20);
    SetMessageBoxHook(previous);
    EXPECT_EQ(filled(), sizeof g_deviceStorage);
}

// The set-up dialog's OK deletes every device, also in a box about a send
// on the input's way: here a universal message goes on to an output that
// refuses it, and another input device takes the storage of the one gone,
// with a recording port among its listeners. The refused buffer is back
// before the box; afterwards the message goes to no further listener, and
// the output's storage, filled once it is gone, stays as filled.
alignas(CMidiInDevice) unsigned char g_inStorage[sizeof(CMidiInDevice)];
alignas(CMidiOutDevice) unsigned char g_outStorage[sizeof(CMidiOutDevice)];

TEST_F(CStandinTest, DevicesDeletedInABoxOnTheirWayAreLeftAlone)
{
    static CStandinControl* control;
    static CTevMidiOut thruPort;
    static CTevMidiIn thru;
    static CRecordingPort after;
    static long long preparedAtBox = -1;
    control = &standin;
    auto* out = new (g_outStorage) CMidiOutDevice(kPlainOut);
    auto* in = new (g_inStorage) CMidiInDevice(kPlainIn);
    ASSERT_TRUE(out->Open() && in->Open());
    thruPort.SetDevice(out);
    thru.SetThruPort(&thruPort);
    in->AddListener(&thru);
    in->AddListener(&after);
    const MessageBoxHook previous = SetMessageBoxHook([](HWND, const std::string&, unsigned) {
        preparedAtBox = control->Value("prepared out 1");
        reinterpret_cast<CMidiOutDevice*>(g_outStorage)->~CMidiOutDevice();
        std::memset(g_outStorage, 0xA5, sizeof g_outStorage);
        reinterpret_cast<CMidiInDevice*>(g_inStorage)->~CMidiInDevice();
        auto* other = new (g_inStorage) CMidiInDevice(kPlainIn);
        other->AddListener(&thru);
        other->AddListener(&after);
        return IDOK;
    });
    ASSERT_TRUE(standin.Command("fail midiOutLongMsg 1") && standin.Command("sysex 1 F0 7E 10 09 01 F7"));
    EXPECT_TRUE(PumpUntil([] { return preparedAtBox >= 0; }, 2000));
    PumpFor(20);
    SetMessageBoxHook(previous);
    EXPECT_EQ(preparedAtBox, 0);
    EXPECT_TRUE(after.received.empty());
    EXPECT_EQ(static_cast<size_t>(std::count(std::begin(g_outStorage), std::end(g_outStorage), 0xA5)),
              sizeof g_outStorage);
    reinterpret_cast<CMidiInDevice*>(g_inStorage)->~CMidiInDevice();
}

TEST_F(CStandinTest, UnknownDevicesFailWithoutABoxAndAFailingDriverCallShowsOne)
{
    CMidiInDevice missingIn("No Such MIDI In");
    EXPECT_FALSE(missingIn.Open());
    CMidiOutDevice missingOut("No Such MIDI Out");
    EXPECT_FALSE(missingOut.Open());
    // The unreadable devices are left out of the lists.
    EXPECT_EQ(CMidiSetup::GetInDeviceNames(), (std::vector<std::string>{"Standin Module In", kPlainIn, "(none)"}));
    EXPECT_EQ(CMidiSetup::GetOutDeviceNames(), (std::vector<std::string>{"Standin Module Out", kPlainOut, "(none)"}));
    EXPECT_TRUE(Boxes().empty());

    ASSERT_TRUE(standin.Command("fail midiInStart"));
    {
        CMidiInDevice device(kPlainIn);
        EXPECT_FALSE(device.Open());
        EXPECT_EQ(Boxes().size(), 1u);
    }
    // Deleting the half-started device gave every buffer back.
    EXPECT_EQ(standin.Value("prepared in 1"), 0);
    EXPECT_EQ(standin.Value("open in 1"), 0);
}

TEST_F(CStandinTest, SendsShortAndSystemExclusiveMessagesAfterTheirWireTime)
{
    CMidiOutDevice out(kPlainOut);
    ASSERT_TRUE(out.Open());
    EXPECT_TRUE(out.Send({0x90, 0x3C, 0x40}));
    EXPECT_TRUE(out.Send({0xC3, 0x05}));
    const Bytes dataSet{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7};
    EXPECT_TRUE(out.Send(dataSet));
    // Too long for the buffer: refused, nothing sent.
    EXPECT_FALSE(out.Send(Sysex(CMidiPacket::kBufferSize + 1)));
    ASSERT_EQ(standin.Value("received out 1"), 3);
    EXPECT_EQ(standin.Received(kPlainDevice, 0), (Bytes{0x90, 0x3C, 0x40}));
    EXPECT_EQ(standin.Received(kPlainDevice, 1), (Bytes{0xC3, 0x05}));
    EXPECT_EQ(standin.Received(kPlainDevice, 2), dataSet);

    // The driver completes at once; the send still waits 2000 bytes' wire
    // time (576 ms at 3472 bytes a second).
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(out.Send(Sysex(2000)));
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 560u);
    EXPECT_LT(elapsed, 1500u);
    EXPECT_EQ(standin.Value("prepared out 1"), 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST(MidiOutDeviceTimeout, ASendThatNeverCompletesTimesOutWithTheBoxAndTheNextSendWorks)
{
    CStandinControl standin;
    ASSERT_TRUE(standin.IsLoaded());
    ASSERT_TRUE(standin.Command("fail clear"));
    CMidiOutDevice out(kPlainOut);
    ASSERT_TRUE(out.Open());
    const Bytes dataSet{0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0xF7};
    // Then with a driver that will not give the buffer back (its reset
    // fails): it keeps that one for good, and the next send uses another.
    for (const bool resetFails : {false, true}) {
        ASSERT_TRUE(standin.Command("longdelay never"));
        ASSERT_TRUE(!resetFails || standin.Command("fail midiOutReset"));
        std::vector<std::string> texts;
        DWORD elapsed = 0;
        bool sent = true;
        // What the driver still held when the last box opened: its message
        // loop may run another send into the same buffer.
        std::atomic<long long> heldAtBox{-1};
        {
            CMessageBoxRobot robot(
                [&] { heldAtBox = standin.Value("pending out 1") + standin.Value("prepared out 1"); });
            const DWORD start = ::GetTickCount();
            sent = out.Send(dataSet);
            elapsed = ::GetTickCount() - start;
            texts = robot.Texts();
        }
        EXPECT_FALSE(sent);
        EXPECT_GE(elapsed, 1990u);
        EXPECT_LT(elapsed, 6000u);
        ASSERT_EQ(texts.size(), resetFails ? 2u : 1u);
        EXPECT_EQ(texts.back(), "Unable to send MIDI system exclusive. Timeout.");
        // Without a failure the output was reset and the buffer taken back
        // before the box.
        EXPECT_EQ(heldAtBox.load(), resetFails ? 2 : 0);
        EXPECT_EQ(standin.Value("pending out 1"), resetFails ? 1 : 0);
        EXPECT_EQ(standin.Value("prepared out 1"), resetFails ? 1 : 0);
        ASSERT_TRUE(standin.Command("longdelay 0"));
        CMessageBoxRecorder boxes;
        EXPECT_TRUE(out.Send(dataSet)) << resetFails;
        EXPECT_TRUE(CMessageBoxRecorder::Texts().empty());
    }
    ASSERT_TRUE(standin.Command("longdelay wire"));
}

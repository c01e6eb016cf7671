#include "midi/MidiIn.h"

#include "appkit/WorkerThread.h"

CMidiPacket::CMidiPacket() : m_buffer(new char[kBufferSize])
{
    Reset();
}

CMidiPacket::~CMidiPacket() = default;

void CMidiPacket::Reset()
{
    m_header.lpData = m_buffer.get();
    m_header.dwBufferLength = kBufferSize;
    m_header.dwBytesRecorded = 0;
    m_header.dwFlags = 0;
    m_header.dwOffset = 0;
    m_header.dwUser = reinterpret_cast<DWORD_PTR>(m_buffer.get());
}

// ---------------------------------------------------------------------------

bool CheckMidiInResult(MMRESULT result, const MidiFailureSourcePtr& source, bool report)
{
    if (result == MMSYSERR_NOERROR)
        return true;
    char text[MAXERRORLENGTH + 1] = {};
    if (midiInGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR)
        wsprintfA(text, "MIDI input error %u.", static_cast<unsigned>(result));
    ShowMidiErrorBox(text, source, report);
    return false;
}

bool HasMidiInDeviceCaps(UINT deviceId)
{
    MIDIINCAPSA caps{};
    return midiInGetDevCapsA(deviceId, &caps, sizeof caps) == MMSYSERR_NOERROR;
}

std::string GetMidiInDeviceName(UINT deviceId)
{
    MIDIINCAPSA caps{};
    if (!CheckMidiInResult(midiInGetDevCapsA(deviceId, &caps, sizeof caps)))
        return std::string();
    return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

// ---------------------------------------------------------------------------

void CALLBACK MidiInCallback(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR first, DWORD_PTR)
{
    auto* driver = reinterpret_cast<CMidiIn::CReceiver*>(instance);
    switch (message) {
    case MIM_OPEN:
        driver->Push(CMidiEventRing::Opened);
        break;
    case MIM_CLOSE:
        driver->Push(CMidiEventRing::Closed);
        break;
    case MIM_DATA:
        // A packed message has three bytes; the top byte stays clear, so
        // the entry is never taken for an event code.
        driver->Push(static_cast<int32_t>(first & 0x00FFFFFF));
        break;
    case MIM_LONGDATA:
        // The buffer the driver gives back travels with its event.
        driver->Push(CMidiEventRing::LongData, reinterpret_cast<void*>(first));
        break;
    case MIM_ERROR:
        driver->Push(CMidiEventRing::Error);
        break;
    case MIM_LONGERROR:
        driver->Push(CMidiEventRing::LongError, reinterpret_cast<void*>(first));
        break;
    case MIM_MOREDATA:
        driver->Push(CMidiEventRing::MoreData);
        break;
    default:
        break;
    }
}

unsigned MidiInThreadProc(void* arg)
{
    auto* midiIn = static_cast<CMidiIn*>(arg);
    while (midiIn->IsRunning()) {
        while (midiIn->DispatchEvent()) {
        }
        // Buffers the driver refused are offered again.
        midiIn->RequeueBuffers();
        ::Sleep(CMidiIn::kPollMs);
    }
    while (midiIn->DispatchEvent()) {
    }
    return 0;
}

// ---------------------------------------------------------------------------

CMidiIn::CMidiIn() : m_driver(std::make_unique<CReceiver>()) {}

CMidiIn::~CMidiIn()
{
    Close();
}

bool CMidiIn::Open(UINT deviceId)
{
    m_driver->running.store(false, std::memory_order_release);
    m_stopFailureShown = false;
    return CheckMidiInResult(midiInOpen(&m_hMidiIn, deviceId, reinterpret_cast<DWORD_PTR>(&MidiInCallback),
                                        reinterpret_cast<DWORD_PTR>(m_driver.get()), CALLBACK_FUNCTION),
                             m_failures);
}

bool CMidiIn::OpenByName(const std::string& name)
{
    const UINT count = midiInGetNumDevs();
    for (UINT id = 0; id < count; ++id) {
        if (HasMidiInDeviceCaps(id) && GetMidiInDeviceName(id) == name)
            return Open(id);
    }
    return false;
}

bool CMidiIn::Start()
{
    if (!m_hMidiIn)
        return false;
    // A buffer of an earlier run that the driver has not given back yet
    // (a driver may call back late, from its own thread) is still prepared
    // and is left alone: the driver may be writing its header. Its event
    // comes to the new worker, which passes on what it holds.
    m_driver->BeginRun();
    m_driver->running.store(true, std::memory_order_release);
    for (int32_t i = 0; i < kPacketCount; ++i) {
        if (m_driver->packets.IsOut(i))
            continue;
        MIDIHDR& header = m_driver->packets[i].GetHeader();
        if (!CheckMidiInResult(midiInPrepareHeader(m_hMidiIn, &header, sizeof header), m_failures))
            return false;
    }
    AddBuffer();
    if (!CheckMidiInResult(midiInStart(m_hMidiIn), m_failures))
        return false;
    m_thread = std::make_unique<CWorkerThread>();
    if (!m_thread->Start(&MidiInThreadProc, this, THREAD_PRIORITY_ABOVE_NORMAL)) {
        m_thread.reset();
        return false;
    }
    return true;
}

bool CMidiIn::StopAndReset()
{
    if (!m_hMidiIn)
        return false;
    m_driver->running.store(false, std::memory_order_release);
    // The worker may be handing the driver a buffer at this very moment; the
    // buffers are taken back (reset) only once it has ended, or one could be
    // queued again after the reset and stay with the driver. The thread
    // leaves its loop by itself now that the flag is clear; it is waited
    // for even when the driver refused to stop, because it works on this
    // object.
    const bool stopped = CheckStopping(midiInStop(m_hMidiIn));
    WaitForWorker();
    return stopped && CheckStopping(midiInReset(m_hMidiIn));
}

bool CMidiIn::Stop()
{
    if (!StopAndReset())
        return false;
    // The buffers the reset gave back are taken off the ring here, the
    // worker having ended; what they hold is not passed on once input has
    // stopped. Those whose event has not come yet stay prepared, with the
    // driver.
    CMidiPacket* given = nullptr;
    while (m_driver->Pop(given) != CMidiEventRing::Empty) {
    }
    bool unprepared = true;
    for (int32_t i = 0; i < kPacketCount; ++i) {
        CMidiPacket& packet = m_driver->packets[i];
        if (!m_driver->packets.IsOut(i) && packet.IsPrepared()) {
            MIDIHDR& header = packet.GetHeader();
            unprepared = CheckStopping(midiInUnprepareHeader(m_hMidiIn, &header, sizeof header)) && unprepared;
        }
    }
    return unprepared;
}

void CMidiIn::WaitForWorker()
{
    if (!m_thread)
        return;
    HANDLE handle = m_thread->GetHandle();
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            break;
        if (result != WAIT_OBJECT_0 + 1) {
            ShowMidiErrorBox("MIDI In check event thread was not terminated normaly.", m_failures);
            break;
        }
        // The windows stay responsive while the thread ends.
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    m_thread.reset();
    // A quit request that arrived meanwhile is left for the message loop.
    if (quit)
        ::PostQuitMessage(quitCode);
}

bool CMidiIn::Close()
{
    if (!m_hMidiIn)
        return false;
    Stop();
    const bool closed = CheckStopping(midiInClose(m_hMidiIn));
    m_hMidiIn = nullptr;
    if (!closed || CountPreparedPackets() != 0) {
        // The driver may still hold buffers, write into them and call back:
        // they and the callback's target are left to it for good.
        (void)m_driver.release();
        m_driver = std::make_unique<CReceiver>();
    }
    return closed;
}

bool CMidiIn::CheckStopping(MMRESULT result)
{
    if (result == MMSYSERR_NOERROR)
        return true;
    if (!m_stopFailureShown) {
        m_stopFailureShown = true;
        CheckMidiInResult(result, m_failures);
    }
    return false;
}

MMRESULT CMidiIn::QueueBuffers()
{
    return m_driver->TopUp([this](CMidiPacket& packet) -> uint32_t {
        MIDIHDR& header = packet.GetHeader();
        header.dwBytesRecorded = 0;
        // Done again only when the driver gives it back.
        header.dwFlags &= ~MHDR_DONE;
        return midiInAddBuffer(m_hMidiIn, &header, sizeof header);
    });
}

bool CMidiIn::AddBuffer()
{
    return CheckMidiInResult(QueueBuffers(), m_failures);
}

void CMidiIn::RequeueBuffers()
{
    if (m_failures->TakeReportAgain())
        m_driver->ReportAgain();
    if (const MMRESULT result = QueueBuffers(); result && !OnWorkerError(result))
        m_driver->ReportAgain();
}

bool CMidiIn::DispatchEvent()
{
    CMidiPacket* packet = nullptr;
    const int32_t entry = m_driver->Pop(packet);
    switch (entry) {
    case CMidiEventRing::Empty:
        return false;
    case CMidiEventRing::LongData:
        // A buffer given back empty (as after a reset) is not passed on.
        if (packet && packet->GetRecorded())
            OnLongMessage(packet->GetBuffer(), packet->GetRecorded());
        break;
    case CMidiEventRing::LongError:
        OnLongError();
        break;
    case CMidiEventRing::Opened:
        OnOpen();
        break;
    case CMidiEventRing::Closed:
        OnClose();
        break;
    case CMidiEventRing::Error:
        OnError();
        break;
    case CMidiEventRing::MoreData:
        OnMoreData();
        break;
    default:
        OnShortMessage(static_cast<DWORD>(entry));
        break;
    }
    // The driver gets a buffer in place of the one it gave back, at once.
    if (packet)
        RequeueBuffers();
    return true;
}

int32_t CMidiIn::CountPreparedPackets() const
{
    // A buffer whose event has not been taken is counted unread.
    int32_t count = 0;
    for (int32_t i = 0; i < kPacketCount; ++i)
        count += m_driver->packets.IsOut(i) || m_driver->packets[i].IsPrepared() ? 1 : 0;
    return count;
}

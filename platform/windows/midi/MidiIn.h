#pragma once
// One winmm MIDI input device. The driver calls MidiInCallback in its own
// context; the callback only leaves one integer per event on the event
// ring. A worker thread drains the ring every 10 ms and turns each entry
// into a call of a virtual handler, and hands the driver the next receive
// buffer for every one it gave back.
#include "appkit/Win32.h"
#include "appkit/WorkerThread.h"
#include "midi/MidiErrorBox.h"
#include "midi/MidiRings.h"

#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// One winmm MIDIHDR with a 2048-byte buffer of its own.
class CMidiPacket {
public:
    static constexpr DWORD kBufferSize = 2048;

    CMidiPacket();
    CMidiPacket(const CMidiPacket&) = delete;
    CMidiPacket& operator=(const CMidiPacket&) = delete;
    virtual ~CMidiPacket();

    // Length 2048, nothing recorded, no flags, no offset; the user value is
    // the buffer's address.
    virtual void Reset();

    MIDIHDR& GetHeader() { return m_header; }
    char* GetBuffer() { return m_buffer.get(); }
    // Flags and the recorded count are written by the driver's thread.
    DWORD GetFlags() const { return *static_cast<const volatile DWORD*>(&m_header.dwFlags); }
    DWORD GetRecorded() const { return *static_cast<const volatile DWORD*>(&m_header.dwBytesRecorded); }
    const void* GetDriverHeader() const { return &m_header; }
    bool IsPrepared() const { return (GetFlags() & MHDR_PREPARED) != 0; }
    bool IsDone() const { return (GetFlags() & MHDR_DONE) != 0; }

private:
    std::unique_ptr<char[]> m_buffer;
    MIDIHDR m_header{};
};

class CMidiAudioIn {
public:
    CMidiAudioIn() = default;
    CMidiAudioIn(const CMidiAudioIn&) = delete;
    CMidiAudioIn& operator=(const CMidiAudioIn&) = delete;
    virtual ~CMidiAudioIn() = default;

    HMIDIIN GetHandle() const { return m_hMidiIn; }
    bool IsOpen() const { return m_hMidiIn != nullptr; }

protected:
    HMIDIIN m_hMidiIn = nullptr;
};

class CMidiIn : public CMidiAudioIn {
public:
    static constexpr int32_t kPacketCount = 128;
    // Buffers kept queued with the driver.
    static constexpr int32_t kQueuedPackets = kPacketCount / 4;
    static constexpr DWORD kPollMs = 10;

    using CRingIndex = CMidiRingIndex;
    using CEventRing = CMidiEventRing;
    using CPacketRing = CMidiPacketRing<CMidiPacket, kPacketCount>;
    using CReceiver = CMidiReceiver<CMidiPacket, kPacketCount, kQueuedPackets>;

    CMidiIn();
    // Closes an open device (stopping its thread).
    ~CMidiIn() override;

    // Opens the device with MidiInCallback; not running yet.
    bool Open(UINT deviceId);
    // Opens the first device whose product name equals name; devices whose
    // capabilities cannot be read are skipped. False without a message when
    // none matches.
    bool OpenByName(const std::string& name);
    // Prepares every receive buffer the driver has not kept from an earlier
    // run, queues 32, starts input and the worker thread.
    bool Start();
    // Ends input and the worker thread, pumping this thread's messages while
    // waiting for it, then takes every buffer back from the driver (reset).
    // False when no device is open or a winmm call failed.
    bool StopAndReset();
    // StopAndReset, then unprepares every buffer the driver gave back.
    bool Stop();
    // Stops and closes an open device. Buffers the driver may still hold (a
    // stop, reset or close that failed, or buffers whose late event has not
    // come) are left to it, never freed. Of the failures on the way from
    // Stop to the end of Close only the first is shown: a driver that
    // refuses to stop would otherwise bring a box for every step, and again
    // from the destructor.
    bool Close();

    // Queues prepared buffers with the driver until 32 are with it; only
    // while running, and before the worker starts. A refusal shows its
    // message box; the buffer stays for the worker to offer again.
    bool AddBuffer();
    // Takes one entry off the ring and calls its handler; a buffer given
    // back is passed on and replaced with the driver. False when the ring
    // was empty.
    bool DispatchEvent();

    bool IsRunning() const { return m_driver->IsRunning(); }
    bool HasWorkerThread() const { return m_thread != nullptr; }
    // The buffers still prepared or with the driver.
    int32_t CountPreparedPackets() const;
    // The driver events dropped on a full ring since the last start.
    int32_t CountDroppedEvents() const { return m_driver->events.GetDropped(); }

protected:
    // Called on the worker thread; the base does nothing.
    virtual void OnOpen() {}
    virtual void OnClose() {}
    virtual void OnShortMessage(DWORD packed) { (void)packed; }
    // The data stays valid only for the duration of the call: the buffer is
    // handed back to the driver right after.
    virtual void OnLongMessage(const char* data, DWORD length) { (void)data, (void)length; }
    virtual void OnError() {}
    virtual void OnLongError() {}
    virtual void OnMoreData() {}
    // A winmm call on the worker thread failed (for a run of refusals, the
    // first). No message box may open there (the ring would not be drained
    // meanwhile): the result is for the user-interface thread to show. False
    // when it could not be taken now: the next refusal of the run is then
    // reported again, as it is when the box the report went into had opened
    // before it (GetFailureSource). The base takes nothing.
    virtual bool OnWorkerError(MMRESULT result) { return (void)result, false; }

    // The device's identity in the boxes about its failures, and the state
    // of the worker's reports.
    const MidiFailureSourcePtr& GetFailureSource() const { return m_failures; }

private:
    friend void CALLBACK MidiInCallback(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    friend unsigned MidiInThreadProc(void* midiIn);

    // Hands the driver buffers until 32 are with it; gives the refusal to
    // report, 0 for none.
    MMRESULT QueueBuffers();
    // The same on the worker thread, reporting through OnWorkerError.
    void RequeueBuffers();
    void WaitForWorker();
    // A failure on the way from Stop to the end of Close: shown only when it
    // is the first since the device was opened.
    bool CheckStopping(MMRESULT result);

    std::unique_ptr<CWorkerThread> m_thread;
    // Everything the driver's context touches: the callback's instance
    // data. It lives apart from the object, so that a driver that could not
    // be made to give its buffers back keeps valid buffers and a valid
    // callback target: the block is then left to it instead of being freed.
    std::unique_ptr<CReceiver> m_driver;
    MidiFailureSourcePtr m_failures = std::make_shared<CMidiFailureSource>();
    bool m_stopFailureShown = false;
};

// The driver callback: one entry per driver message while running.
void CALLBACK MidiInCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR first, DWORD_PTR second);
// The worker thread's body.
unsigned MidiInThreadProc(void* midiIn);

// 0 is success; any other result shows the system's text for it in a
// MIDI failure box about source (ShowMidiErrorBox) and gives false.
bool CheckMidiInResult(MMRESULT result, const MidiFailureSourcePtr& source = nullptr, bool report = false);
// The device's capabilities can be read (no message).
bool HasMidiInDeviceCaps(UINT deviceId);
// The device's product name; empty (after the error box) when its
// capabilities cannot be read.
std::string GetMidiInDeviceName(UINT deviceId);

#include "midi/MidiOut.h"

#include "core/TevSystem.h"
#include "midi/MidiRings.h"
#include "midi/TevMessage.h"
#include "views/TevTickTimers.h"

#include <cstring>
#include <utility>

bool CheckMidiOutResult(MMRESULT result, const MidiFailureSourcePtr& source)
{
    if (result == MMSYSERR_NOERROR)
        return true;
    char text[MAXERRORLENGTH + 1] = {};
    if (midiOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR)
        wsprintfA(text, "MIDI output error %u.", static_cast<unsigned>(result));
    ShowMidiErrorBox(text, source);
    return false;
}

bool HasMidiOutDeviceCaps(UINT deviceId)
{
    MIDIOUTCAPSA caps{};
    return midiOutGetDevCapsA(deviceId, &caps, sizeof caps) == MMSYSERR_NOERROR;
}

std::string GetMidiOutDeviceName(UINT deviceId)
{
    MIDIOUTCAPSA caps{};
    if (!CheckMidiOutResult(midiOutGetDevCapsA(deviceId, &caps, sizeof caps)))
        return std::string();
    return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

// ---------------------------------------------------------------------------

CMidiOut::CMidiOut() : m_packet(std::make_unique<CMidiPacket>()) {}

CMidiOut::~CMidiOut()
{
    Close();
}

bool CMidiOut::Check(MMRESULT result) const
{
    return CheckMidiOutResult(result, m_failures);
}

bool CMidiOut::Open(UINT deviceId)
{
    return Check(midiOutOpen(&m_hMidiOut, deviceId, 0, 0, CALLBACK_NULL));
}

bool CMidiOut::OpenByName(const std::string& name)
{
    const UINT count = midiOutGetNumDevs();
    for (UINT id = 0; id < count; ++id) {
        if (HasMidiOutDeviceCaps(id) && GetMidiOutDeviceName(id) == name)
            return Open(id);
    }
    return false;
}

bool CMidiOut::Reset()
{
    return Check(midiOutReset(m_hMidiOut));
}

bool CMidiOut::Close()
{
    if (!m_hMidiOut)
        return false;
    bool closed = Reset() && Check(midiOutClose(m_hMidiOut));
    m_hMidiOut = nullptr;
    return closed;
}

bool CMidiOut::SendShortMessage(DWORD packed)
{
    if (!m_hMidiOut)
        return false;
    return Check(midiOutShortMsg(m_hMidiOut, packed));
}

bool CMidiOut::UnprepareHeader()
{
    return UnprepareHeader(*m_packet);
}

bool CMidiOut::UnprepareHeader(CMidiPacket& packet)
{
    MIDIHDR& header = packet.GetHeader();
    return Check(midiOutUnprepareHeader(m_hMidiOut, &header, sizeof header));
}

bool CMidiOut::SendLongMessage(const std::vector<uint8_t>& bytes)
{
    if (!m_hMidiOut)
        return false;
    // One message must fit the packet's buffer.
    if (bytes.empty() || bytes.size() > CMidiPacket::kBufferSize)
        return false;
    MIDIHDR& header = m_packet->GetHeader();
    std::memcpy(m_packet->GetBuffer(), bytes.data(), bytes.size());
    header.lpData = m_packet->GetBuffer();
    header.dwBufferLength = static_cast<DWORD>(bytes.size());
    header.dwBytesRecorded = 0;
    header.dwFlags = 0;
    if (!Check(midiOutPrepareHeader(m_hMidiOut, &header, sizeof header)))
        return false;

    enum { kSendTimer = 0 };
    CTevTickTimers timers;
    timers.Start(kSendTimer, kSendTimeoutMs);
    // A box's message loop may delete this device (the MIDI set-up's OK):
    // everything of it is done before a box opens, nothing after.
    if (const MMRESULT refused = midiOutLongMsg(m_hMidiOut, &header, sizeof header)) {
        midiOutUnprepareHeader(m_hMidiOut, &header, sizeof header);
        return Check(refused);
    }
    // Nothing can complete before the message has had time to leave.
    const int32_t wire = MidiWireSleepMs(bytes.size(), timers.GetElapsed(kSendTimer));
    if (wire > 0)
        TevSleep(static_cast<uint32_t>(wire));
    while (!timers.IsDue(kSendTimer)) {
        if (m_packet->IsDone())
            return UnprepareHeader();
        TevSleep(kPollMs);
    }
    // The driver still holds the buffer. Every box from here on runs a
    // message loop that may send again, so the next send gets a packet of
    // its own at once. The held one is taken back (reset) and freed; when
    // the driver does not give it back, it is left to the driver for good.
    // The boxes come last, once nothing of this device is needed any more.
    std::unique_ptr<CMidiPacket> held = std::exchange(m_packet, std::make_unique<CMidiPacket>());
    MIDIHDR& heldHeader = held->GetHeader();
    MMRESULT failed = midiOutReset(m_hMidiOut);
    if (!failed)
        failed = midiOutUnprepareHeader(m_hMidiOut, &heldHeader, sizeof heldHeader);
    if (failed)
        (void)held.release();
    const MidiFailureSourcePtr failures = m_failures;
    CheckMidiOutResult(failed, failures);
    ShowMidiErrorBox("Unable to send MIDI system exclusive. Timeout.", failures);
    return false;
}

// ---------------------------------------------------------------------------

CMidiOutDevice::CMidiOutDevice(const std::string& name) : m_name(name) {}

CMidiOutDevice::~CMidiOutDevice()
{
    Close();
}

bool CMidiOutDevice::Open()
{
    return OpenByName(m_name);
}

void CMidiOutDevice::Close()
{
    CMidiOut::Close();
}

bool CMidiOutDevice::Send(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return false;
    if (bytes.front() == 0xF0)
        return SendLongMessage(bytes);
    return SendShortMessage(CTevShortMessage(bytes).GetWord());
}

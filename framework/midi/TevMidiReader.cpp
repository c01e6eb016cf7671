#include "midi/TevMidiReader.h"

#include "core/TevSystem.h"
#include "core/TevTextOut.h"
#include "midi/TevMessage.h"
#include "midi/TevMidi.h"
#include "views/TevTickTimers.h"

#include <algorithm>

namespace {

constexpr int kReplyTimer = 0;

} // namespace

// ---------------------------------------------------------------------------
// CTevMidiReader

CTevMidiReader::CTevMidiReader(CTevTextOut* errorSink) : m_errorSink(errorSink) {}

bool CTevMidiReader::Read(int32_t address, int32_t size)
{
    // A read started from inside the pump would overwrite the expected reply
    // of the one that is waiting and end both on one answer.
    if (!m_outputPort || m_state != kIdle)
        return false;
    CTevTickTimers timers;
    for (int32_t attempt = 0; attempt < m_attempts; ++attempt) {
        m_state = kWaiting;
        m_expectedAddress = TevTo7BitBytes(address, m_outputPort->GetAddressSize());
        m_expectedSize = size;
        m_outputPort->SendRequest(address, size);
        timers.Start(kReplyTimer, m_waitTime);
        while (!timers.IsDue(kReplyTimer)) {
            PumpWhileWaiting();
            if (m_state == kReplied) {
                m_state = kIdle;
                return true;
            }
        }
    }
    if (m_errorSink)
        m_errorSink->ReportError(kNoReplyCode);
    m_state = kIdle;
    return false;
}

bool CTevMidiReader::OnShortMessage(const CTevShortMessage&)
{
    return true;
}

bool CTevMidiReader::OnLongMessage(const CTevLongMessage&)
{
    return false;
}

bool CTevMidiReader::OnDataSet(const CTevDravikMessage& message)
{
    if (m_state != kWaiting)
        return false;
    const std::span<const uint8_t> address = message.GetSegmentBytes(CTevDravikMessage::AddressSegment);
    const std::span<const uint8_t> data = message.GetSegmentBytes(CTevDravikMessage::DataSegment);
    if (!std::equal(address.begin(), address.end(), m_expectedAddress.begin(), m_expectedAddress.end()))
        return false;
    if (m_expectedSize < 0 || data.size() != static_cast<size_t>(m_expectedSize))
        return false;
    m_state = kReplied;
    return true;
}

// ---------------------------------------------------------------------------
// CTevMidiWriter

bool CTevMidiWriter::Write(int32_t address, const std::vector<uint8_t>& data)
{
    if (!m_outputPort)
        return false;
    const bool sent = static_cast<ITevMidiOut*>(m_outputPort)->SendDataSet(address, data);
    TevSleep(kPauseMs);
    return sent;
}

bool CTevMidiWriter::OnIdentityRequest(const CTevLongMessage&)
{
    return true;
}

bool CTevMidiWriter::OnDataRequest(const CTevDravikMessage&)
{
    return true;
}

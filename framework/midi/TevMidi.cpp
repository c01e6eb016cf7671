#include "midi/TevMidi.h"

#include "core/TevArchive.h"
#include "core/TevBuffer.h"
#include "core/TevBufferManager.h"
#include "core/TevHelpers.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "midi/TevMidiReader.h"
#include "midi/TevMidiStruct.h"

#include <algorithm>

namespace {

constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kUniversalNonRealTime = 0x7E;
constexpr uint8_t kUniversalRealTime = 0x7F;
constexpr uint8_t kGeneralInformation = 0x06;
constexpr uint8_t kIdentityRequest = 0x01;

bool SpanEquals(std::span<const uint8_t> segment, const std::vector<uint8_t>& bytes)
{
    return std::equal(segment.begin(), segment.end(), bytes.begin(), bytes.end());
}

// The number of bytes a short message with this status has; 0 for a byte
// that is no status. F0 is not asked for (it starts a system-exclusive
// message).
size_t ShortMessageSize(uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xF0) {
        const uint8_t type = status & 0xF0;
        return (type == 0xC0 || type == 0xD0) ? 2 : 3;
    }
    if (status == 0xF2)
        return 3;
    if (status == 0xF1 || status == 0xF3)
        return 2;
    return 1;
}

// Takes every pair of the tag in order (a later one wins) and removes it.
template <class Handle>
bool TakeEach(CTevElementDefinition& element, const char* tag, Handle&& handle)
{
    for (auto it = element.pairs.begin(); it != element.pairs.end();) {
        if (it->first != tag) {
            ++it;
            continue;
        }
        const std::string text = it->second;
        it = element.pairs.erase(it);
        if (!handle(text))
            return false;
    }
    return true;
}

} // namespace

bool IsAcceptedMidiStatus(uint8_t status)
{
    if (status >= 0xF1 && status <= 0xF6)
        return false;
    return status < 0xF8;
}

// ---------------------------------------------------------------------------
// CTevMidi

bool CTevMidi::Serialize(CTevArchive& archive)
{
    int32_t deviceId = m_deviceId;
    if (!archive.SerializeString(m_name) || !archive.SerializeInt(deviceId) ||
        !archive.SerializeBytes(m_modelId) || !archive.SerializeInt(m_addressSize))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues)
        m_deviceId = static_cast<uint8_t>(deviceId & 0xFF);
    return true;
}

bool ReadMidiPortAttributes(CTevElementDefinition& element, CTevMidi& port, CTevTextOut& errors)
{
    for (auto it = element.pairs.begin(); it != element.pairs.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "name") {
            port.SetName(text);
        } else if (tag == "modelID") {
            std::vector<uint8_t> modelId;
            ParseHexBytes(text, modelId);
            port.SetModelId(modelId);
        } else if (tag == "rootStruct") {
            port.SetRootStructName(text);
        } else if (tag == "midiStructRef") {
            port.SetMidiStructName(text);
        } else if (tag == "addressSize") {
            int32_t size = 0;
            if (!ScanLong(text, size)) {
                errors.Printf("MIDI %s addressSize is invalid. : %s\n", port.GetName().c_str(), text.c_str());
                return false;
            }
            if (size < CTevMidi::kMinAddressSize || size > CTevMidi::kMaxAddressSize) {
                errors.Printf("MIDI %s addressSize must be 1 through 4.\n", port.GetName().c_str());
                return false;
            }
            port.SetAddressSize(size);
        } else {
            ++it;
            continue;
        }
        it = element.pairs.erase(it);
    }
    return true;
}

// ---------------------------------------------------------------------------
// CTevMidiIn

bool CTevMidiIn::ReadDefinition(CTevElementDefinition& element, CTevTextOut& errors)
{
    if (!ReadMidiPortAttributes(element, *this, errors))
        return false;
    return TakeEach(element, "midiOutRef", [this](const std::string& text) {
        m_thruPortName = text;
        return true;
    });
}

bool CTevMidiIn::Serialize(CTevArchive& archive)
{
    if (!CTevMidi::Serialize(archive))
        return false;
    ITevMidiOut* thru = m_thruPort;
    if (!archive.SerializeObjectRef(m_rootStruct) || !archive.SerializeObjectRef(m_midiStruct) ||
        !archive.SerializeObjectRef(m_replyListener) || !archive.SerializeObjectRef(m_requestHandler) ||
        !archive.SerializeObjectRef(thru))
        return false;
    if (archive.GetMode() == CTevArchive::kReadReferences)
        m_thruPort = dynamic_cast<CTevMidiOut*>(thru);
    return true;
}

// Routing, first matching rule wins:
// - F0 41 ...: a maker message. Parsed for the port's address size; the
//   manufacturer, model and device must be the port's. A data request goes
//   to the request handler only. A data set with a correct checksum goes to
//   the root struct, then to the reply listener, then on through the thru
//   port. Anything else is dropped.
// - F0 7E/7F ... F7: a universal message. An identity request goes to the
//   request handler only; any other goes to the MIDI struct, the reply
//   listener and the thru port.
// - F0 with any other id, or too short for a test it reaches: dropped.
// - A status below F8 with its data bytes: a short message for the MIDI
//   struct, the reply listener and the thru port.
// - F8 and above (real-time): only passed on.
void CTevMidiIn::Receive(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return;
    const uint8_t status = bytes[0];
    if (status == kSysExStart) {
        if (bytes.size() < 2)
            return;
        if (bytes[1] == kManufacturerId)
            ReceiveMakerMessage(bytes);
        else
            ReceiveOtherSystemExclusive(bytes);
        return;
    }
    if (status >= 0xF8) {
        if (bytes.size() == 1)
            PassOn(bytes);
        return;
    }
    ReceiveShortMessage(bytes);
}

void CTevMidiIn::ReceiveMakerMessage(const std::vector<uint8_t>& bytes)
{
    // Parse refuses a message that does not end in F7, that carries a byte
    // of 0x80 or above inside, or that is too short for its segments.
    if (!m_makerMessage.Parse(bytes, m_addressSize))
        return;
    if (bytes[1] != m_manufacturerId || bytes[2] != m_deviceId)
        return;
    if (!SpanEquals(m_makerMessage.GetSegmentBytes(CTevDravikMessage::ModelSegment), m_modelId))
        return;
    const std::span<const uint8_t> command = m_makerMessage.GetSegmentBytes(CTevDravikMessage::CommandSegment);
    if (SpanEquals(command, CTevDravikMessage::RequestCommandBytes)) {
        if (m_requestHandler)
            m_requestHandler->OnDataRequest(m_makerMessage);
        return;
    }
    if (!SpanEquals(command, CTevDravikMessage::DataSetCommandBytes))
        return;
    // A message without address and data has no checksum to compare; it is
    // no data set.
    const uint8_t checksum = m_makerMessage.GetChecksum();
    if (checksum == CTevDravikMessage::NoChecksum || checksum != m_makerMessage.ComputeChecksum())
        return;
    if (m_rootStruct && m_rootStruct->ApplyDataSet(m_makerMessage))
        RefreshViews();
    if (m_replyListener)
        m_replyListener->OnDataSet(m_makerMessage);
    PassOn(bytes);
}

void CTevMidiIn::ReceiveOtherSystemExclusive(const std::vector<uint8_t>& bytes)
{
    const uint8_t id = bytes[1];
    if (id != kUniversalNonRealTime && id != kUniversalRealTime)
        return;
    // A piece of a message (no F7 at its end) is never taken.
    if (bytes.back() != kSysExEnd)
        return;
    if (!m_longMessage.Assign(bytes))
        return;
    // The identity test reads the fourth byte of a non-real-time message,
    // and the fifth only when the fourth is 06. A message too short for the
    // byte a test reads is dropped; any other is routed, however short.
    if (id == kUniversalNonRealTime) {
        if (bytes.size() < 4 || (bytes[3] == kGeneralInformation && bytes.size() < 5))
            return;
        if (bytes[3] == kGeneralInformation && bytes[4] == kIdentityRequest) {
            if (m_requestHandler)
                m_requestHandler->OnIdentityRequest(m_longMessage);
            return;
        }
    }
    if (m_midiStruct && m_midiStruct->ReceiveLongMessage(m_longMessage))
        RefreshViews();
    if (m_replyListener)
        m_replyListener->OnLongMessage(m_longMessage);
    PassOn(bytes);
}

void CTevMidiIn::ReceiveShortMessage(const std::vector<uint8_t>& bytes)
{
    // Exactly the status and its data bytes: a data byte without a status,
    // a message cut short, a status among the data or bytes beyond the
    // message are malformed.
    const size_t size = ShortMessageSize(bytes[0]);
    if (size == 0 || bytes.size() != size)
        return;
    for (size_t i = 1; i < size; ++i) {
        if (bytes[i] >= 0x80)
            return;
    }
    const CTevShortMessage message(bytes);
    if (m_midiStruct && m_midiStruct->ReceiveShortMessage(message))
        RefreshViews();
    if (m_replyListener)
        m_replyListener->OnShortMessage(message);
    PassOn(bytes);
}

void CTevMidiIn::RefreshViews()
{
    if (!m_bufferManager)
        return;
    m_bufferManager->DispatchChanges();
    m_bufferManager->ClearChanges();
}

void CTevMidiIn::PassOn(const std::vector<uint8_t>& bytes)
{
    // Straight to the device: the thru port's last sent stays what the
    // program itself sent.
    if (m_thruPort && m_thruPort->GetDevice())
        m_thruPort->GetDevice()->Send(bytes);
}

// ---------------------------------------------------------------------------
// CTevMidiOut

bool CTevMidiOut::ReadDefinition(CTevElementDefinition& element, CTevTextOut& errors)
{
    if (!ReadMidiPortAttributes(element, *this, errors))
        return false;
    return TakeEach(element, "midiMessageValueRef", [this](const std::string& text) {
        m_messageValueName = text;
        return true;
    });
}

bool CTevMidiOut::Serialize(CTevArchive& archive)
{
    archive.RegisterObject(static_cast<const ITevMidiOut*>(this));
    return CTevMidi::Serialize(archive);
}

bool CTevMidiOut::Send(const std::vector<uint8_t>& bytes)
{
    const CTevChangesAside aside(m_bufferManager);
    const bool sent = !m_device || m_device->Send(bytes);
    m_lastSent = bytes;
    return sent;
}

bool CTevMidiOut::SendShortMessage(const CTevShortMessage& message)
{
    const std::vector<uint8_t> bytes = message.GetBytes();
    if (bytes.empty())
        return false;
    return Send(bytes);
}

bool CTevMidiOut::SendLongMessage(const CTevLongMessage& message)
{
    return Send(message.GetBytes());
}

bool CTevMidiOut::SendLongMessage(const CTevDravikMessage& message)
{
    return Send(message.GetBytes());
}

CTevDravikMessage CTevMidiOut::BuildMessage(const std::vector<uint8_t>& command, int32_t address,
                                            const std::vector<uint8_t>& data) const
{
    CTevDravikMessage message;
    message.SetManufacturer(m_manufacturerId);
    message.SetDeviceId(m_deviceId);
    message.SetSegment(CTevDravikMessage::ModelSegment, m_modelId);
    message.SetSegment(CTevDravikMessage::CommandSegment, command);
    message.SetSegment(CTevDravikMessage::AddressSegment, TevTo7BitBytes(address, m_addressSize));
    message.SetSegment(CTevDravikMessage::DataSegment, data);
    message.UpdateChecksum();
    return message;
}

bool CTevMidiOut::SendDataSet(int32_t address, const std::vector<uint8_t>& data)
{
    return SendLongMessage(BuildMessage(CTevDravikMessage::DataSetCommandBytes, address, data));
}

bool CTevMidiOut::SendRequest(int32_t address, int32_t size)
{
    return SendLongMessage(
        BuildMessage(CTevDravikMessage::RequestCommandBytes, address, TevTo7BitBytes(size, m_addressSize)));
}

// ---------------------------------------------------------------------------
// CTevMidiInDevice

void CTevMidiInDevice::Receive(const std::vector<uint8_t>& bytes)
{
    // By index: a listener's handling must not invalidate the walk.
    const std::shared_ptr<bool> alive = m_alive;
    for (size_t i = 0; *alive && i < m_listeners.size(); ++i)
        m_listeners[i]->Receive(bytes);
}

bool CTevMidiInDevice::AddListener(CTevMidiIn* port)
{
    if (!port || HasListener(port))
        return false;
    m_listeners.push_back(port);
    return true;
}

bool CTevMidiInDevice::HasListener(const CTevMidiIn* port) const
{
    return std::find(m_listeners.begin(), m_listeners.end(), port) != m_listeners.end();
}

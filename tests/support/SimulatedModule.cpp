#include "support/SimulatedModule.h"

#include "core/TevBuffer.h"
#include "core/TevBufferManager.h"
#include "core/TevSystem.h"
#include "core/TevValue.h"
#include "support/FakeMidiDevices.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>

void CSimulatedModule::SetAddressSize(int32_t addressSize)
{
    if (addressSize >= 1 && addressSize <= 4)
        m_addressSize = addressSize;
}

// ---------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------

void CSimulatedModule::AddRange(int32_t begin, const Bytes& bytes)
{
    if (bytes.empty() || begin < 0)
        return;
    int64_t newBegin = begin;
    int64_t newEnd = static_cast<int64_t>(begin) + static_cast<int64_t>(bytes.size());
    // Every range that overlaps or touches the new one is merged into it.
    auto first = m_memory.upper_bound(begin);
    if (first != m_memory.begin()) {
        auto before = std::prev(first);
        if (before->first + static_cast<int64_t>(before->second.size()) >= begin)
            first = before;
    }
    auto last = first;
    while (last != m_memory.end() && last->first <= newEnd) {
        newBegin = std::min<int64_t>(newBegin, last->first);
        newEnd = std::max<int64_t>(newEnd, last->first + static_cast<int64_t>(last->second.size()));
        ++last;
    }
    Bytes merged(static_cast<size_t>(newEnd - newBegin), 0);
    for (auto it = first; it != last; ++it)
        std::copy(it->second.begin(), it->second.end(), merged.begin() + (it->first - newBegin));
    std::copy(bytes.begin(), bytes.end(), merged.begin() + (begin - newBegin));
    m_memory.erase(first, last);
    m_memory.emplace(static_cast<int32_t>(newBegin), std::move(merged));
}

void CSimulatedModule::AddLeavesOf(const CTevStruct& root)
{
    if (const CTevStructList* children = root.GetChildStructs()) {
        for (const auto& child : *children)
            AddLeavesOf(*child);
        return;
    }
    if (const Bytes* image = root.GetData())
        AddRange(root.GetAbsoluteRange().begin, *image);
}

std::map<int32_t, CSimulatedModule::Bytes>::const_iterator CSimulatedModule::FindRange(int32_t address) const
{
    auto it = m_memory.upper_bound(address);
    if (it == m_memory.begin())
        return m_memory.end();
    --it;
    if (address - static_cast<int64_t>(it->first) >= static_cast<int64_t>(it->second.size()))
        return m_memory.end();
    return it;
}

bool CSimulatedModule::ReadMemory(int32_t address, int32_t size, Bytes& out) const
{
    if (size < 0)
        return false;
    auto it = FindRange(address);
    if (it == m_memory.end())
        return false;
    const int64_t offset = static_cast<int64_t>(address) - it->first;
    if (offset + size > static_cast<int64_t>(it->second.size()))
        return false;
    out.assign(it->second.begin() + offset, it->second.begin() + offset + size);
    return true;
}

size_t CSimulatedModule::WriteMemory(int32_t address, const Bytes& bytes)
{
    size_t written = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int64_t at = static_cast<int64_t>(address) + static_cast<int64_t>(i);
        if (at > std::numeric_limits<int32_t>::max())
            break;
        auto it = FindRange(static_cast<int32_t>(at));
        if (it == m_memory.end())
            continue;
        Bytes& range = m_memory[it->first];
        range[static_cast<size_t>(at - it->first)] = bytes[i];
        ++written;
    }
    return written;
}

int32_t CSimulatedModule::ByteAt(int32_t address) const
{
    auto it = FindRange(address);
    return it == m_memory.end() ? -1 : it->second[static_cast<size_t>(address - it->first)];
}

// ---------------------------------------------------------------------------
// Wire format
// ---------------------------------------------------------------------------

CSimulatedModule::Bytes CSimulatedModule::ToAddressBytes(int32_t value) const
{
    Bytes bytes;
    for (int32_t i = m_addressSize - 1; i >= 0; --i)
        bytes.push_back(static_cast<uint8_t>((static_cast<uint32_t>(value) >> (7 * i)) & 0x7F));
    return bytes;
}

int32_t CSimulatedModule::FoldAddress(const Bytes& bytes, size_t offset, size_t count)
{
    int32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = value * 128 + bytes[offset + i];
    return value;
}

CSimulatedModule::Bytes CSimulatedModule::BuildMessage(uint8_t command, int32_t address, const Bytes& body) const
{
    const Bytes addressBytes = ToAddressBytes(address);
    // Reserved up front and filled by appending: an optimising build then
    // sees no copy into a vector that is still three bytes long.
    Bytes message;
    message.reserve(6 + m_modelId.size() + addressBytes.size() + body.size());
    for (uint8_t b : {uint8_t(0xF0), kManufacturerId, m_deviceId})
        message.push_back(b);
    for (uint8_t b : m_modelId)
        message.push_back(b);
    message.push_back(command);
    int32_t sum = 0;
    for (uint8_t b : addressBytes)
        sum += b;
    for (uint8_t b : body)
        sum += b;
    message.insert(message.end(), addressBytes.begin(), addressBytes.end());
    message.insert(message.end(), body.begin(), body.end());
    message.push_back(static_cast<uint8_t>((-sum) & 0x7F));
    message.push_back(0xF7);
    return message;
}

bool CSimulatedModule::ParseVendorMessage(const Bytes& bytes, SVendorMessage& message) const
{
    const size_t header = 3 + m_modelId.size();
    const size_t address = static_cast<size_t>(m_addressSize);
    // F0 41 device model command address ... checksum F7
    if (bytes.size() < header + 1 + address + 2)
        return false;
    if (bytes.front() != 0xF0 || bytes.back() != 0xF7 || bytes[1] != kManufacturerId || bytes[2] != m_deviceId)
        return false;
    for (size_t i = 1; i + 1 < bytes.size(); ++i)
        if (bytes[i] >= 0x80)
            return false;
    if (!std::equal(m_modelId.begin(), m_modelId.end(), bytes.begin() + 3))
        return false;
    const uint8_t command = bytes[header];
    const size_t addressAt = header + 1;
    const size_t bodyAt = addressAt + address;
    const size_t checksumAt = bytes.size() - 2;
    int32_t sum = 0;
    for (size_t i = addressAt; i <= checksumAt; ++i)
        sum += bytes[i];
    if ((sum & 0x7F) != 0)
        return false;
    message.command = command;
    message.address = FoldAddress(bytes, addressAt, address);
    message.body.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bodyAt),
                        bytes.begin() + static_cast<std::ptrdiff_t>(checksumAt));
    return true;
}

// ---------------------------------------------------------------------------
// Host side
// ---------------------------------------------------------------------------

void CSimulatedModule::Receive(const Bytes& bytes)
{
    m_received.push_back({bytes, TevGetTickCount()});
    if (TakeControlChange(bytes))
        return;
    SVendorMessage message;
    if (!ParseVendorMessage(bytes, message)) {
        ++m_rejectedCount;
        return;
    }
    if (message.command == kDataSetCommand) {
        WriteMemory(message.address, message.body);
        TakeDataSet(message);
    } else if (message.command == kRequestCommand) {
        if (message.body.size() != static_cast<size_t>(m_addressSize)) {
            ++m_rejectedCount;
            return;
        }
        ++m_requestCount;
        Answer(message);
    } else {
        ++m_rejectedCount;
    }
}

void CSimulatedModule::Answer(const SVendorMessage& request)
{
    if (m_silent || m_requestCount < m_answerFrom)
        return;
    const int32_t size = FoldAddress(request.body, 0, request.body.size());
    Bytes data;
    if (size <= 0 || !ReadMemory(request.address, size, data))
        return;
    Bytes reply = BuildMessage(kDataSetCommand, request.address, data);
    if (m_badChecksum) {
        uint8_t& checksum = reply[reply.size() - 2];
        checksum = static_cast<uint8_t>((checksum + 1) & 0x7F);
    }
    ++m_answeredCount;
    Queue(m_replyDelay, std::move(reply));
}

// ---------------------------------------------------------------------------
// Playing an edition's device
// ---------------------------------------------------------------------------

void CSimulatedModule::TakeDataSet(const SVendorMessage& message)
{
    const SEditionLayout& edition = m_edition;
    if (message.address == edition.systemResetAddress)
        ++m_systemResetCount;
    if (message.address != edition.writePatchAddress || message.body.size() < 3)
        return;
    if (message.body[0] != edition.userBankMsb || message.body[1] != edition.userBankLsb)
        return;
    const size_t patch = message.body[2];
    if (patch >= edition.userNameAddresses.size())
        return;
    m_storedPatches.push_back(static_cast<int32_t>(patch));
    Bytes name;
    if (edition.nameSize > 0 && ReadMemory(edition.temporaryNameAddress, edition.nameSize, name))
        WriteMemory(edition.userNameAddresses[patch], name);
    // The stored patch becomes the device's current one.
    if (edition.currentProgramAddress >= 0)
        WriteMemory(edition.currentProgramAddress, {message.body[0], message.body[1], message.body[2]});
}

bool CSimulatedModule::TakeControlChange(const Bytes& bytes)
{
    const SEditionLayout& edition = m_edition;
    if (bytes.size() != 3 || (bytes[0] & 0xF0) != 0xB0 || edition.receiveChannelAddress < 0)
        return false;
    if ((bytes[0] & 0x0F) != ByteAt(edition.receiveChannelAddress))
        return false;
    ++m_controlChangeCount;
    for (const SEditionLayout::SController& controller : edition.controllers) {
        if (controller.controller != bytes[1])
            continue;
        const int32_t value = std::clamp(bytes[2] * controller.scale, controller.minimum, controller.maximum);
        Bytes encoded;
        for (int32_t i = controller.size - 1; i >= 0; --i)
            encoded.push_back(static_cast<uint8_t>((value >> (7 * i)) & 0x7F));
        WriteMemory(controller.address, encoded);
    }
    return true;
}

CSimulatedModule::Bytes CSimulatedModule::GetCurrentProgram() const
{
    Bytes program;
    if (m_edition.currentProgramAddress >= 0)
        ReadMemory(m_edition.currentProgramAddress, 3, program);
    return program;
}

bool CSimulatedModule::ReportCurrentPatch()
{
    Bytes report = GetCurrentProgram();
    if (m_edition.infoPatchAddress < 0 || report.size() != 3)
        return false;
    report.resize(static_cast<size_t>(std::max(m_edition.infoPatchSize, 3)), 0);
    Queue(0, BuildMessage(kDataSetCommand, m_edition.infoPatchAddress, report));
    return true;
}

CSimulatedModule::SEditionLayout CSimulatedModule::LayoutFromModel(const CTevBufferManager& model,
                                                                   const std::vector<SControllerPath>& controllers)
{
    SEditionLayout layout;
    auto begin = [](const CTevBuffer* buffer) { return buffer ? buffer->GetAbsoluteRange().begin : -1; };
    layout.writePatchAddress = begin(model.FindStruct("ms.writePatch"));
    if (const CTevStruct* info = model.FindStruct("ms.infoPatch")) {
        layout.infoPatchAddress = info->GetAbsoluteRange().begin;
        layout.infoPatchSize = info->GetAbsoluteRange().GetSize();
    }
    layout.currentProgramAddress = begin(model.FindValue("ms.tmp.setup.msb"));
    layout.receiveChannelAddress = begin(model.FindValue("ms.tmp.setup.receiveCh"));
    layout.systemResetAddress = begin(model.FindValue("ms.systemReset.reset"));
    if (const CTevValue* name = model.FindValue("ms.tmp.common.patchName")) {
        layout.temporaryNameAddress = name->GetAbsoluteRange().begin;
        layout.nameSize = name->GetAbsoluteRange().GetSize();
    }
    for (int k = 0; k < 128; ++k) {
        const CTevValue* name = model.FindValue("ms.usr.names[" + std::to_string(k) + "].name");
        if (!name)
            break;
        layout.userNameAddresses.push_back(name->GetAbsoluteRange().begin);
    }
    for (const SControllerPath& controller : controllers) {
        if (const CTevValue* value = model.FindValue(controller.path)) {
            const CTevAddressRange range = value->GetAbsoluteRange();
            SEditionLayout::SController taken{static_cast<uint8_t>(controller.controller), range.begin,
                                              range.GetSize(), controller.scale};
            // The device keeps a parameter within its range, whichever way
            // round the script gives the bounds.
            if (const CTevValueSpec* spec = value->GetSpec()) {
                taken.minimum = std::min(spec->GetMinimum(), spec->GetMaximum());
                taken.maximum = std::max(spec->GetMinimum(), spec->GetMaximum());
            }
            layout.controllers.push_back(taken);
        }
    }
    return layout;
}

// ---------------------------------------------------------------------------
// Device side and output
// ---------------------------------------------------------------------------

void CSimulatedModule::SendDataSet(int32_t address, const Bytes& data)
{
    WriteMemory(address, data);
    Queue(0, BuildMessage(kDataSetCommand, address, data));
}

void CSimulatedModule::SendControlChange(uint8_t channel, uint8_t controller, uint8_t value)
{
    Queue(0, Bytes{static_cast<uint8_t>(0xB0 | (channel & 0x0F)), static_cast<uint8_t>(controller & 0x7F),
                   static_cast<uint8_t>(value & 0x7F)});
}

void CSimulatedModule::SendRaw(const Bytes& bytes) { Queue(0, bytes); }

void CSimulatedModule::Queue(uint32_t delay, Bytes bytes)
{
    m_outbox.push_back({TevGetTickCount() + delay, std::move(bytes)});
}

size_t CSimulatedModule::DeliverDue()
{
    if (!m_delivery)
        return 0;
    const uint32_t now = TevGetTickCount();
    std::vector<Bytes> due;
    for (auto it = m_outbox.begin(); it != m_outbox.end();) {
        // Tick arithmetic that survives the wrap of the 32-bit count.
        if (static_cast<int32_t>(now - it->deliverAt) >= 0) {
            due.push_back(std::move(it->bytes));
            it = m_outbox.erase(it);
        } else {
            ++it;
        }
    }
    for (const Bytes& bytes : due)
        m_delivery(bytes);
    return due.size();
}

size_t CSimulatedModule::DeliverAll()
{
    if (!m_delivery)
        return 0;
    std::vector<SOutgoing> all = TakeOutbox();
    for (const SOutgoing& outgoing : all)
        m_delivery(outgoing.bytes);
    return all.size();
}

std::vector<CSimulatedModule::SOutgoing> CSimulatedModule::TakeOutbox()
{
    std::vector<SOutgoing> all(std::make_move_iterator(m_outbox.begin()), std::make_move_iterator(m_outbox.end()));
    m_outbox.clear();
    return all;
}

void CSimulatedModule::ConnectTo(CFakeMidiOutDevice& out, CFakeMidiInDevice& in)
{
    out.onSend = [this](const Bytes& bytes) { Receive(bytes); };
    SetDelivery([&in](const Bytes& bytes) { in.Post(bytes); });
}

std::function<void()> CSimulatedModule::MakePump(CFakeSystem& clock, CFakeMidiInDevice& in, uint32_t stepMs)
{
    return [this, &clock, &in, stepMs]() {
        DeliverDue();
        in.DeliverPending();
        clock.Advance(stepMs);
    };
}

std::vector<CSimulatedModule::SVendorMessage> CSimulatedModule::GetVendorMessages(uint8_t command) const
{
    std::vector<SVendorMessage> messages;
    for (const SReceived& received : m_received) {
        SVendorMessage message;
        if (ParseVendorMessage(received.bytes, message) && message.command == command)
            messages.push_back(std::move(message));
    }
    return messages;
}

void CSimulatedModule::ClearRecords()
{
    m_received.clear();
    m_storedPatches.clear();
    m_systemResetCount = 0;
    m_controlChangeCount = 0;
    m_requestCount = 0;
    m_answeredCount = 0;
    m_rejectedCount = 0;
}

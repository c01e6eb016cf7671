#include "midi/TevMessage.h"

#include <algorithm>

namespace {

constexpr uint8_t SysExStart = 0xF0;
constexpr uint8_t SysExEnd = 0xF7;
constexpr uint8_t DravikManufacturer = 0x41;

std::vector<uint8_t> MaskTo7Bits(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> masked(bytes);
    for (uint8_t& b : masked)
        b &= 0x7F;
    return masked;
}

} // namespace

std::vector<uint8_t> TevTo7BitBytes(int32_t value, int32_t count)
{
    std::vector<uint8_t> bytes;
    if (count <= 0)
        return bytes;
    const uint32_t v = static_cast<uint32_t>(value);
    bytes.reserve(static_cast<size_t>(count));
    for (int32_t i = count - 1; i >= 0; --i) {
        const int64_t shift = 7 * static_cast<int64_t>(i);
        bytes.push_back(shift >= 32 ? 0 : static_cast<uint8_t>((v >> shift) & 0x7F));
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// CTevLongMessage

CTevLongMessage::CTevLongMessage()
{
    CTevLongMessage::Reset();
}

void CTevLongMessage::Reset()
{
    m_bytes = {SysExStart, 0x00, SysExEnd};
}

bool CTevLongMessage::HasOnlyDataBytesInside(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 2)
        return false;
    return std::all_of(bytes.begin() + 1, bytes.end() - 1, [](uint8_t b) { return b < 0x80; });
}

bool CTevLongMessage::Assign(const std::vector<uint8_t>& bytes)
{
    if (!HasOnlyDataBytesInside(bytes))
        return false;
    m_bytes = bytes;
    return true;
}

// ---------------------------------------------------------------------------
// CTevDravikMessage

const std::vector<uint8_t> CTevDravikMessage::RequestCommandBytes = {0x11};
const std::vector<uint8_t> CTevDravikMessage::DataSetCommandBytes = {0x12};

CTevDravikMessage::CTevDravikMessage()
{
    CTevDravikMessage::Reset();
}

void CTevDravikMessage::Reset()
{
    m_bytes = {SysExStart, DravikManufacturer, 0x7F, 0x42, 0x12, SysExEnd};
    m_segments[DeviceSegment] = {2, 1};
    m_segments[ModelSegment] = {3, 1};
    m_segments[CommandSegment] = {4, 1};
    m_segments[AddressSegment] = {5, 0};
    m_segments[DataSegment] = {5, 0};
    m_segments[ChecksumSegment] = {5, 0};
}

bool CTevDravikMessage::Parse(const std::vector<uint8_t>& bytes, int32_t addressSize)
{
    // Judge everything before touching the message, so that a refused
    // message leaves the previous one (bytes and segments) intact.
    if (addressSize < 0 || !HasOnlyDataBytesInside(bytes))
        return false;
    if (bytes.front() != SysExStart || bytes.back() != SysExEnd)
        return false;
    const int64_t size = static_cast<int64_t>(bytes.size());
    SSegment segments[SegmentCount];

    segments[DeviceSegment] = {2, 1};

    // Model id: zero or more 00 bytes up to and including the first non-zero.
    int64_t offset = 3;
    for (;;) {
        if (offset > size - 3)
            return false;
        if (bytes[static_cast<size_t>(offset++)] != 0)
            break;
    }
    segments[ModelSegment] = {3, static_cast<int32_t>(offset - 3)};

    // Command: the same rule, one byte closer to the end.
    const int64_t commandOffset = offset;
    for (;;) {
        if (offset > size - 2)
            return false;
        if (bytes[static_cast<size_t>(offset++)] != 0)
            break;
    }
    segments[CommandSegment] = {static_cast<int32_t>(commandOffset), static_cast<int32_t>(offset - commandOffset)};

    const int64_t dataOffset = offset + addressSize;
    segments[AddressSegment] = {static_cast<int32_t>(offset), addressSize};
    if (addressSize >= 1) {
        if (dataOffset > size - 2)
            return false;
        const int64_t dataLength = size - dataOffset - 2;
        segments[DataSegment] = {static_cast<int32_t>(dataOffset), static_cast<int32_t>(dataLength)};
        segments[ChecksumSegment] = {static_cast<int32_t>(dataOffset + dataLength), 1};
    } else {
        if (dataOffset > size - 1)
            return false;
        if (dataOffset >= size - 1) {
            segments[DataSegment] = {static_cast<int32_t>(dataOffset), 0};
            segments[ChecksumSegment] = {static_cast<int32_t>(dataOffset), 0};
        } else {
            const int64_t dataLength = size - dataOffset - 2;
            segments[DataSegment] = {static_cast<int32_t>(dataOffset), static_cast<int32_t>(dataLength)};
            segments[ChecksumSegment] = {static_cast<int32_t>(dataOffset + dataLength), dataLength > 0 ? 1 : 0};
        }
    }

    m_bytes = bytes;
    std::copy(std::begin(segments), std::end(segments), std::begin(m_segments));
    return true;
}

bool CTevDravikMessage::Fits(const SSegment& segment) const
{
    return segment.offset >= 0 && segment.length >= 0 &&
           static_cast<int64_t>(segment.offset) + segment.length <= static_cast<int64_t>(m_bytes.size());
}

void CTevDravikMessage::SetManufacturer(uint8_t manufacturer)
{
    if (m_bytes.size() >= 2)
        m_bytes[1] = manufacturer & 0x7F;
}

void CTevDravikMessage::SetDeviceId(uint8_t deviceId)
{
    SetSegment(DeviceSegment, {deviceId});
}

bool CTevDravikMessage::SetSegment(int32_t index, const std::vector<uint8_t>& bytes)
{
    if (index < 0 || index >= SegmentCount)
        return false;
    SSegment& segment = m_segments[index];
    if (!Fits(segment))
        return false;
    const auto first = m_bytes.begin() + segment.offset;
    const auto pos = m_bytes.erase(first, first + segment.length);
    const std::vector<uint8_t> masked = MaskTo7Bits(bytes);
    m_bytes.insert(pos, masked.begin(), masked.end());
    const int32_t difference = static_cast<int32_t>(masked.size()) - segment.length;
    segment.length = static_cast<int32_t>(masked.size());
    for (int32_t later = index + 1; later < SegmentCount; ++later)
        m_segments[later].offset += difference;
    return true;
}

void CTevDravikMessage::UpdateChecksum()
{
    const uint8_t checksum = ComputeChecksum();
    if (checksum == NoChecksum)
        SetSegment(ChecksumSegment, {});
    else
        SetSegment(ChecksumSegment, {checksum});
}

uint8_t CTevDravikMessage::ComputeChecksum() const
{
    const SSegment& address = m_segments[AddressSegment];
    const SSegment& data = m_segments[DataSegment];
    if (address.length == 0 && data.length == 0)
        return NoChecksum;
    if (!Fits(address) || !Fits(data))
        return NoChecksum;
    uint32_t sum = 0;
    for (const SSegment* segment : {&address, &data}) {
        for (int32_t i = 0; i < segment->length; ++i)
            sum += m_bytes[static_cast<size_t>(segment->offset + i)];
    }
    return static_cast<uint8_t>((0u - sum) & 0x7F);
}

uint8_t CTevDravikMessage::GetChecksum() const
{
    const SSegment& checksum = m_segments[ChecksumSegment];
    if (checksum.length == 0 || !Fits(checksum))
        return NoChecksum;
    return m_bytes[static_cast<size_t>(checksum.offset)];
}

std::vector<uint8_t> CTevDravikMessage::GetSegment(int32_t index) const
{
    if (index < 0 || index >= SegmentCount)
        return {};
    const SSegment& segment = m_segments[index];
    if (!Fits(segment))
        return {};
    const auto first = m_bytes.begin() + segment.offset;
    return std::vector<uint8_t>(first, first + segment.length);
}

// ---------------------------------------------------------------------------
// CTevShortMessage

void CTevShortMessage::Compose(uint8_t type, uint8_t channel, uint8_t data1, uint8_t data2)
{
    m_word = 0;
    m_word |= static_cast<uint8_t>(type | channel);
    m_word |= static_cast<uint32_t>(data1) << 8;
    m_word |= static_cast<uint32_t>(data2) << 16;
}

void CTevShortMessage::Assign(const std::vector<uint8_t>& bytes)
{
    m_word = 0;
    if (bytes.size() > 0)
        m_word |= bytes[0];
    if (bytes.size() > 1)
        m_word |= static_cast<uint32_t>(bytes[1]) << 8;
    if (bytes.size() > 2)
        m_word |= static_cast<uint32_t>(bytes[2]) << 16;
}

void CTevShortMessage::GetStatus(uint8_t& type, uint8_t& channel) const
{
    const uint8_t status = static_cast<uint8_t>(m_word & 0xFF);
    if (status >= 0xF0) {
        type = status;
        return;
    }
    type = status & 0xF0;
    channel = status & 0x0F;
}

std::vector<uint8_t> CTevShortMessage::GetBytes() const
{
    const uint8_t status = static_cast<uint8_t>(m_word & 0xFF);
    size_t count = 0;
    if (status < 0x80) {
        count = 0;
    } else if (status < 0xF0) {
        const uint8_t type = status & 0xF0;
        count = (type == 0xC0 || type == 0xD0) ? 2 : 3;
    } else if (status == 0xF2) {
        count = 3;
    } else if (status == 0xF1 || status == 0xF3) {
        count = 2;
    } else {
        count = 1;
    }
    const uint8_t all[3] = {status, GetData1(), GetData2()};
    return std::vector<uint8_t>(all, all + count);
}

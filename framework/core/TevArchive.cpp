#include "core/TevArchive.h"

#include <algorithm>
#include <limits>

namespace {

// The largest piece requested from the source at once when reading a text
// or byte vector, so that a corrupt length cannot make us allocate more
// than the source actually delivers.
constexpr int32_t kReadPiece = 64 * 1024;

bool IsValidMode(int32_t mode)
{
    return mode >= CTevArchive::kReadValues && mode <= CTevArchive::kWriteReferences;
}

} // namespace

CTevArchive::CTevArchive(int32_t mode) : m_mode(IsValidMode(mode) ? mode : kReadValues) {}

CTevArchive::~CTevArchive() = default;

bool CTevArchive::SetMode(int32_t mode)
{
    if (!IsValidMode(mode))
        return false;
    // A value pass always begins a graph: a table left over from an earlier
    // graph could hold addresses that have since been reused by new objects.
    if (mode != m_mode && (mode == kReadValues || mode == kWriteValues))
        Reset();
    // A reference pass takes the reference lists' counts from the start.
    if (mode != m_mode && mode == kReadReferences)
        m_nextListCount = 0;
    m_mode = mode;
    return true;
}

void CTevArchive::Reset()
{
    m_objects.clear();
    m_indices.clear();
    m_listCounts.clear();
    m_nextListCount = 0;
}

void CTevArchive::RegisterAs(const void* object, const std::type_info& kind)
{
    if (!IsValuePass() || object == nullptr)
        return;
    const CEntry entry{object, std::type_index(kind)};
    if (m_indices.emplace(entry, GetObjectCount()).second)
        m_objects.push_back(entry);
}

int32_t CTevArchive::IndexOfAs(const void* object, const std::type_info& kind) const
{
    auto found = m_indices.find(CEntry{object, std::type_index(kind)});
    return found == m_indices.end() ? kNullIndex : found->second;
}

bool CTevArchive::ReadRaw32(uint32_t& value)
{
    m_buffer.resize(4);
    if (!ReadBytes(m_buffer))
        return false;
    value = (uint32_t(m_buffer[0]) << 24) | (uint32_t(m_buffer[1]) << 16)
          | (uint32_t(m_buffer[2]) << 8) | uint32_t(m_buffer[3]);
    return true;
}

bool CTevArchive::WriteRaw32(uint32_t value)
{
    m_buffer.resize(4);
    m_buffer[0] = uint8_t(value >> 24);
    m_buffer[1] = uint8_t(value >> 16);
    m_buffer[2] = uint8_t(value >> 8);
    m_buffer[3] = uint8_t(value);
    return WriteBytes(m_buffer);
}

bool CTevArchive::SerializeInt(int32_t& value)
{
    if (m_mode == kWriteValues)
        return WriteRaw32(uint32_t(value));
    if (m_mode != kReadValues)
        return true;
    uint32_t raw = 0;
    if (!ReadRaw32(raw))
        return false;
    value = int32_t(raw);
    return true;
}

bool CTevArchive::SerializeShort(uint16_t& value)
{
    if (m_mode == kWriteValues)
        return WriteRaw32(value);
    if (m_mode != kReadValues)
        return true;
    uint32_t raw = 0;
    if (!ReadRaw32(raw))
        return false;
    value = uint16_t(raw & 0xFFFF);
    return true;
}

bool CTevArchive::SerializeBool(bool& value)
{
    int32_t number = value ? 1 : 0;
    if (!SerializeInt(number))
        return false;
    if (m_mode == kReadValues)
        value = number != 0;
    return true;
}

bool CTevArchive::SerializePoint(CTevPoint& point)
{
    // Read into a copy so that a failure halfway leaves the point as it was.
    CTevPoint copy = point;
    if (!SerializeInt(copy.x) || !SerializeInt(copy.y))
        return false;
    point = copy;
    return true;
}

bool CTevArchive::SerializeRect(CTevRect& rect)
{
    CTevRect copy = rect;
    if (!SerializeInt(copy.left) || !SerializeInt(copy.top) || !SerializeInt(copy.right)
        || !SerializeInt(copy.bottom))
        return false;
    rect = copy;
    return true;
}

bool CTevArchive::SerializeColor(CTevColor& color)
{
    CTevColor copy = color;
    if (!SerializeShort(copy.red) || !SerializeShort(copy.green) || !SerializeShort(copy.blue))
        return false;
    color = copy;
    return true;
}

bool CTevArchive::ReadLength(int32_t& length)
{
    uint32_t raw = 0;
    if (!ReadRaw32(raw))
        return false;
    length = int32_t(raw);
    return length >= 0;
}

bool CTevArchive::WriteLength(size_t length)
{
    if (length > size_t(std::numeric_limits<int32_t>::max()))
        return false;
    return WriteRaw32(uint32_t(length));
}

template <class Container>
bool CTevArchive::ReadPieces(int32_t length, Container& out)
{
    int32_t remaining = length;
    while (remaining > 0) {
        const int32_t piece = std::min(remaining, kReadPiece);
        m_buffer.resize(size_t(piece));
        if (!ReadBytes(m_buffer))
            return false;
        out.insert(out.end(), m_buffer.begin(), m_buffer.end());
        remaining -= piece;
    }
    return true;
}

bool CTevArchive::SerializeString(std::string& text)
{
    if (m_mode == kWriteValues) {
        if (!WriteLength(text.size()))
            return false;
        if (text.empty())
            return true;
        m_buffer.assign(text.begin(), text.end());
        return WriteBytes(m_buffer);
    }
    if (m_mode != kReadValues)
        return true;
    int32_t length = 0;
    if (!ReadLength(length))
        return false;
    std::string result;
    if (!ReadPieces(length, result))
        return false;
    text = std::move(result);
    return true;
}

bool CTevArchive::SerializeBytes(std::vector<uint8_t>& bytes)
{
    if (m_mode == kWriteValues) {
        if (!WriteLength(bytes.size()))
            return false;
        return bytes.empty() || WriteBytes(bytes);
    }
    if (m_mode != kReadValues)
        return true;
    int32_t length = 0;
    if (!ReadLength(length))
        return false;
    std::vector<uint8_t> result;
    if (length <= kReadPiece) {
        // The common case: one read straight into the vector.
        result.resize(size_t(length));
        if (length > 0 && !ReadBytes(result))
            return false;
    } else if (!ReadPieces(length, result)) {
        return false;
    }
    bytes = std::move(result);
    return true;
}

bool CTevArchive::SerializeCount(int32_t& count)
{
    if (m_mode == kWriteValues)
        return count >= 0 && WriteRaw32(uint32_t(count));
    if (m_mode != kReadValues)
        return true;
    int32_t read = 0;
    if (!ReadLength(read))
        return false;
    count = read;
    return true;
}

bool CTevArchive::SerializeObjectAddress(const void*& object, const std::type_info& kind)
{
    if (m_mode == kWriteReferences) {
        int32_t index = kNullIndex;
        if (object != nullptr) {
            index = IndexOfAs(object, kind);
            if (index == kNullIndex)
                return false;
        }
        return WriteRaw32(uint32_t(index));
    }
    if (m_mode != kReadReferences)
        return true;
    uint32_t raw = 0;
    if (!ReadRaw32(raw))
        return false;
    const int32_t index = int32_t(raw);
    if (index == kNullIndex) {
        object = nullptr;
        return true;
    }
    if (index < 0 || index >= GetObjectCount())
        return false;
    const CEntry& entry = m_objects[size_t(index)];
    if (entry.kind != std::type_index(kind))
        return false;
    object = entry.object;
    return true;
}

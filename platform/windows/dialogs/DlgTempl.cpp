#include "dialogs/DlgTempl.h"

#include "appkit/WinApp.h"

namespace GP {

namespace {

constexpr size_t kDialogHeader = 18;
constexpr size_t kDialogHeaderEx = 26;
constexpr size_t kItemHeader = 18;
constexpr size_t kItemHeaderEx = 24;

uint16_t Word(const uint8_t* bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t DWord(const uint8_t* bytes, size_t offset)
{
    return static_cast<uint32_t>(Word(bytes, offset)) | (static_cast<uint32_t>(Word(bytes, offset + 2)) << 16);
}

int16_t Short(const uint8_t* bytes, size_t offset)
{
    return static_cast<int16_t>(Word(bytes, offset));
}

// Reads a template front to back and never past its end.
class CReader {
public:
    CReader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size) {}

    bool Has(size_t count) const { return m_position <= m_size && count <= m_size - m_position; }
    const uint8_t* Take(size_t count)
    {
        if (!Has(count)) {
            return nullptr;
        }
        const uint8_t* at = m_bytes + m_position;
        m_position += count;
        return at;
    }
    bool Skip(size_t count) { return Take(count) != nullptr; }
    // A zero-terminated UTF-16 string.
    bool SkipString()
    {
        for (;;) {
            const uint8_t* unit = Take(2);
            if (unit == nullptr) {
                return false;
            }
            if (Word(unit, 0) == 0) {
                return true;
            }
        }
    }
    // 0xFFFF and an ordinal, or a string.
    bool SkipOrdinalOrString()
    {
        if (!Has(2)) {
            return false;
        }
        if (Word(m_bytes, m_position) == 0xFFFF) {
            return Skip(4);
        }
        return SkipString();
    }
    bool AlignTo4()
    {
        const size_t aligned = (m_position + 3) & ~static_cast<size_t>(3);
        if (aligned > m_size) {
            return false;
        }
        m_position = aligned;
        return true;
    }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_position = 0;
};

}  // namespace

CDlgTempl::CDlgItemTempl::CDlgItemTempl(bool extended, const uint8_t* header)
    : m_extended(extended), m_header(header, header + (extended ? kItemHeaderEx : kItemHeader))
{
}

RECT CDlgTempl::CDlgItemTempl::GetRect() const
{
    const size_t at = m_extended ? 12 : 8;
    const int x = Short(m_header.data(), at);
    const int y = Short(m_header.data(), at + 2);
    return RECT{x, y, x + Short(m_header.data(), at + 4), y + Short(m_header.data(), at + 6)};
}

DWORD CDlgTempl::CDlgItemTempl::GetStyle() const
{
    return DWord(m_header.data(), m_extended ? 8 : 0);
}

void CDlgTempl::Clear()
{
    m_extended = false;
    m_header.clear();
    m_items.clear();
}

bool CDlgTempl::Load(UINT templateId)
{
    Clear();
    const HINSTANCE instance = CWinApp::GetResourceInstance();
    const HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(templateId), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (resource == nullptr) {
        return false;
    }
    const DWORD size = ::SizeofResource(instance, resource);
    const HGLOBAL loaded = ::LoadResource(instance, resource);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return false;
    }
    // Parsed from a copy, as the resource's memory is not ours.
    const std::vector<uint8_t> copy(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    return Parse(copy.data(), copy.size());
}

bool CDlgTempl::Parse(const void* data, size_t size)
{
    Clear();
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (bytes == nullptr || size < 4) {
        return false;
    }
    const bool extended = Word(bytes, 2) == 0xFFFF;
    CReader reader(bytes, size);
    const uint8_t* header = reader.Take(extended ? kDialogHeaderEx : kDialogHeader);
    if (header == nullptr) {
        return false;
    }
    m_extended = extended;
    m_header.assign(header, header + (extended ? kDialogHeaderEx : kDialogHeader));
    const DWORD style = GetStyle();
    const unsigned count = Word(header, extended ? 16 : 8);
    bool ok = reader.SkipOrdinalOrString() && reader.SkipOrdinalOrString() && reader.SkipString();
    if (ok && (style & DS_SETFONT) != 0) {
        ok = reader.Skip(extended ? 6 : 2) && reader.SkipString();
    }
    for (unsigned i = 0; ok && i < count; ++i) {
        const uint8_t* item = reader.AlignTo4() ? reader.Take(extended ? kItemHeaderEx : kItemHeader) : nullptr;
        if (item == nullptr) {
            ok = false;
            break;
        }
        const UINT id = extended ? DWord(item, 20) : Word(item, 16);
        m_items.emplace(id, CDlgItemTempl(extended, item));
        ok = reader.SkipOrdinalOrString() && reader.SkipOrdinalOrString();
        const uint8_t* extra = ok ? reader.Take(2) : nullptr;
        ok = extra != nullptr && reader.Skip(Word(extra, 0));
    }
    if (!ok) {
        Clear();
    }
    return ok;
}

RECT CDlgTempl::GetRect() const
{
    if (m_header.empty()) {
        return RECT{0, 0, 0, 0};
    }
    const size_t at = m_extended ? 18 : 10;
    const int x = Short(m_header.data(), at);
    const int y = Short(m_header.data(), at + 2);
    return RECT{x, y, x + Short(m_header.data(), at + 4), y + Short(m_header.data(), at + 6)};
}

DWORD CDlgTempl::GetStyle() const
{
    if (m_header.empty()) {
        return 0;
    }
    return DWord(m_header.data(), m_extended ? 12 : 0);
}

const CDlgTempl::CDlgItemTempl* CDlgTempl::FindItem(UINT id) const
{
    if (m_items.count(id) != 1) {
        return nullptr;
    }
    return &m_items.find(id)->second;
}

}  // namespace GP

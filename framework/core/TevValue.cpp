#include "core/TevValue.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "midi/TevMidiOut.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();

int32_t SaturateToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp(value, kInt32Min, kInt32Max));
}

const std::string& EmptyName()
{
    static const std::string empty;
    return empty;
}

// One "%li" number at text[pos], optionally followed directly by "S", which
// adds the type's signed offset. False when no number is there or the sum
// leaves the 32-bit range.
bool ScanSignedNumber(const std::string& text, size_t& pos, int32_t offset, int32_t& value)
{
    int32_t number = 0;
    if (!ScanLongAt(text, pos, number))
        return false;
    int64_t result = number;
    if (pos < text.size() && text[pos] == 'S') {
        ++pos;
        result += offset;
    }
    if (result < kInt32Min || result > kInt32Max)
        return false;
    value = static_cast<int32_t>(result);
    return true;
}

// "a,b" with an optional S after either number and nothing after the last.
bool ParseRange(const std::string& text, int32_t offset, int32_t& minimum, int32_t& maximum)
{
    size_t pos = 0;
    int32_t first = 0;
    int32_t second = 0;
    if (!ScanSignedNumber(text, pos, offset, first))
        return false;
    if (pos >= text.size() || text[pos] != ',')
        return false;
    ++pos;
    if (!ScanSignedNumber(text, pos, offset, second) || pos != text.size())
        return false;
    minimum = first;
    maximum = second;
    return true;
}

bool ParseDefault(const std::string& text, int32_t offset, int32_t& value)
{
    size_t pos = 0;
    int32_t number = 0;
    if (!ScanSignedNumber(text, pos, offset, number) || pos != text.size())
        return false;
    value = number;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// CTevValueSpec
// ---------------------------------------------------------------------------

CTevValueSpec::CTevValueSpec(std::string name, const CTevAddressRange& range, int32_t type, int32_t minimum,
                             int32_t maximum, int32_t defaultValue, std::string stringDefault,
                             const CTevIntegerTable* numberTable)
    : CTevBufferSpec(std::move(name), range),
      m_type(type),
      m_minimum(minimum),
      m_maximum(maximum),
      m_default(defaultValue),
      m_stringDefault(std::move(stringDefault)),
      m_numberTable(numberTable)
{
}

bool CTevValueSpec::TypeFromText(const std::string& text, int32_t& type)
{
    static const struct {
        const char* text;
        int32_t type;
    } kTypes[] = {
        {"", kInt1x7},      {"int1x7", kInt1x7}, {"int2x7", kInt2x7}, {"int2x4", kInt2x4},
        {"int3x4", kInt3x4}, {"int4x4", kInt4x4}, {"string", kString},
    };
    for (const auto& entry : kTypes) {
        if (text == entry.text) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

int32_t CTevValueSpec::NaturalSize(int32_t type)
{
    switch (type) {
    case kInt1x7:
        return 1;
    case kInt2x7:
    case kInt2x4:
        return 2;
    case kInt3x4:
        return 3;
    case kInt4x4:
        return 4;
    default:
        return 0;
    }
}

int32_t CTevValueSpec::SignedOffset(int32_t type)
{
    switch (type) {
    case kInt1x7:
        return 64;
    case kInt2x7:
        // Half of the 14-bit range, like the other types' offsets.
        return 8192;
    case kInt2x4:
        return 128;
    case kInt3x4:
        return 2048;
    case kInt4x4:
        return 32768;
    default:
        return 0;
    }
}

int32_t CTevValueSpec::KindOfType(int32_t type)
{
    if (type == kString)
        return kText;
    if (type == kMidiNote)
        return kData;
    return kNumeric;
}

int32_t CTevValueSpec::GetCount() const
{
    if (m_numberTable)
        return m_numberTable->GetCount();
    return SaturateToInt32(static_cast<int64_t>(m_maximum) - m_minimum + 1);
}

int32_t CTevValueSpec::ValueToIndex(int32_t value) const
{
    if (m_numberTable)
        return m_numberTable->IndexOf(value);
    return SaturateToInt32(static_cast<int64_t>(value) - m_minimum);
}

int32_t CTevValueSpec::IndexToValue(int32_t index) const
{
    if (m_numberTable) {
        const int32_t count = m_numberTable->GetCount();
        if (count <= 0)
            return m_minimum;
        return m_numberTable->GetAt(std::clamp(index, 0, count - 1));
    }
    return SaturateToInt32(static_cast<int64_t>(index) + m_minimum);
}

bool CTevValueSpec::Serialize(CTevArchive& archive)
{
    return CTevBufferSpec::Serialize(archive) && archive.SerializeInt(m_type) && archive.SerializeInt(m_minimum) &&
           archive.SerializeInt(m_maximum) && archive.SerializeInt(m_default) &&
           archive.SerializeString(m_stringDefault) && archive.SerializeObjectRef(m_numberTable);
}

bool CTevValueSpec::operator<(const CTevValueSpec& other) const
{
    if (m_name != other.m_name)
        return m_name < other.m_name;
    if (m_range.begin != other.m_range.begin)
        return m_range.begin < other.m_range.begin;
    if (m_range.end != other.m_range.end)
        return m_range.end < other.m_range.end;
    if (m_type != other.m_type)
        return m_type < other.m_type;
    if (m_minimum != other.m_minimum)
        return m_minimum < other.m_minimum;
    if (m_maximum != other.m_maximum)
        return m_maximum < other.m_maximum;
    if (m_default != other.m_default)
        return m_default < other.m_default;
    if (m_stringDefault != other.m_stringDefault)
        return m_stringDefault < other.m_stringDefault;
    return std::less<const CTevIntegerTable*>()(m_numberTable, other.m_numberTable);
}

// ---------------------------------------------------------------------------
// Registries
// ---------------------------------------------------------------------------

template <class T>
bool CTevSpecRegistry<T>::Serialize(CTevArchive& archive)
{
    int32_t count = static_cast<int32_t>(m_specs.size());
    if (!archive.SerializeCount(count))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        Clear();
        // Each spec reads bytes, so a count the input cannot honour fails
        // on the input rather than on an allocation.
        for (int32_t i = 0; i < count; ++i) {
            auto spec = std::make_unique<T>();
            archive.RegisterObject(static_cast<const T*>(spec.get()));
            if (!spec->Serialize(archive))
                return false;
            m_specs.push_back(std::move(spec));
        }
    } else {
        for (auto& spec : m_specs) {
            archive.RegisterObject(static_cast<const T*>(spec.get()));
            if (!spec->Serialize(archive))
                return false;
        }
    }
    if (archive.IsLoading()) {
        // A value spec's key includes its number table, known only after
        // the reference pass.
        m_lookup.clear();
        for (auto& spec : m_specs)
            m_lookup.insert(spec.get());
    }
    return true;
}

template class CTevSpecRegistry<CTevStructSpec>;
template class CTevSpecRegistry<CTevValueSpec>;

bool CTevSpecRegistries::Serialize(CTevArchive& archive)
{
    return structSpecs.Serialize(archive) && valueSpecs.Serialize(archive);
}

// ---------------------------------------------------------------------------
// CTevValue
// ---------------------------------------------------------------------------

const std::string& CTevValue::GetName() const { return m_spec ? m_spec->GetName() : EmptyName(); }

CTevAddressRange CTevValue::GetRange() const { return m_spec ? m_spec->GetRange() : CTevAddressRange(); }

bool CTevValue::Bind(CTevStruct* parent)
{
    m_parent = parent;
    m_storage = nullptr;
    CTevTextOut& errors = CTevManager::Instance().ErrorReporter();
    const CTevAddressRange range = GetRange();
    if (!range.IsValid()) {
        errors.Printf("Value address range is invalid. : %s\n", GetFullName().c_str());
        return false;
    }
    std::vector<uint8_t>* image = parent ? parent->GetData() : nullptr;
    if (!image || parent->GetRange().GetSize() < range.end || image->size() < static_cast<size_t>(range.end)) {
        errors.Printf("Value address range exceeds parent struct's one. : %s\n", GetFullName().c_str());
        return false;
    }
    m_storage = image->data() + range.begin;
    return true;
}

void CTevValue::Dump(CTevTextOut& out) const
{
    out.Indent(4);
    DumpHeader(out);
    const int32_t type = m_spec ? m_spec->GetType() : 0;
    const int32_t minimum = m_spec ? m_spec->GetMinimum() : 0;
    const int32_t maximum = m_spec ? m_spec->GetMaximum() : 0;
    out.Printf("type=%d, ", type);
    // %ld takes a long (32 bits on Windows, 64 here); the casts keep the
    // output the same in both builds.
    out.Printf("range=%ld %ld, ", static_cast<long>(minimum), static_cast<long>(maximum));
    const int32_t kind = GetKind();
    if (kind == CTevValueSpec::kNumeric) {
        out.Printf("default=%ld, ", static_cast<long>(m_spec ? m_spec->GetDefault() : 0));
        out.Printf("value=%ld\n", static_cast<long>(GetInteger()));
    } else if (kind == CTevValueSpec::kText) {
        out.Write("default=");
        for (char c : m_spec->GetStringDefault())
            out.Printf("%c", c);
        out.Write(", ");
        out.Write("value=");
        for (char c : GetString())
            out.Printf("%c", c);
        out.Write("\n");
    }
    out.Indent(-4);
}

void CTevValue::DumpNames(CTevTextOut& out) const
{
    out.Indent(4);
    out.Printf("%s\n", GetFullName().c_str());
    out.Indent(-4);
}

int32_t CTevValue::GetKind() const { return m_spec ? m_spec->GetKind() : CTevValueSpec::kNumeric; }

void CTevValue::SetInteger(int32_t value)
{
    if (!m_spec || !m_storage)
        return;
    const int32_t type = m_spec->GetType();
    const int32_t natural = CTevValueSpec::NaturalSize(type);
    if (natural == 0 || GetRange().GetSize() < natural)
        return;
    const uint32_t v = static_cast<uint32_t>(value);
    uint8_t* b = m_storage;
    switch (type) {
    case CTevValueSpec::kInt1x7:
        b[0] = static_cast<uint8_t>(v & 0xFF);
        break;
    case CTevValueSpec::kInt2x7:
        b[0] = static_cast<uint8_t>((v >> 7) & 0x7F);
        b[1] = static_cast<uint8_t>(v & 0x7F);
        break;
    case CTevValueSpec::kInt2x4:
        b[0] = static_cast<uint8_t>((v >> 4) & 0xF);
        b[1] = static_cast<uint8_t>(v & 0xF);
        break;
    case CTevValueSpec::kInt3x4:
        b[0] = static_cast<uint8_t>((v >> 8) & 0xF);
        b[1] = static_cast<uint8_t>((v >> 4) & 0xF);
        b[2] = static_cast<uint8_t>(v & 0xF);
        break;
    case CTevValueSpec::kInt4x4:
        b[0] = static_cast<uint8_t>((v >> 12) & 0xF);
        b[1] = static_cast<uint8_t>((v >> 8) & 0xF);
        b[2] = static_cast<uint8_t>((v >> 4) & 0xF);
        b[3] = static_cast<uint8_t>(v & 0xF);
        break;
    default:
        break;
    }
}

int32_t CTevValue::GetInteger() const
{
    if (!m_spec || !m_storage)
        return 0;
    const int32_t type = m_spec->GetType();
    const int32_t natural = CTevValueSpec::NaturalSize(type);
    if (natural == 0 || GetRange().GetSize() < natural)
        return 0;
    const uint8_t* b = m_storage;
    switch (type) {
    case CTevValueSpec::kInt1x7:
        return b[0];
    case CTevValueSpec::kInt2x7:
        return (b[0] * 128) | b[1];
    case CTevValueSpec::kInt2x4:
        return (b[0] * 16) | b[1];
    case CTevValueSpec::kInt3x4:
        return (b[0] << 8) | (b[1] << 4) | b[2];
    case CTevValueSpec::kInt4x4:
        return (b[0] << 12) | (b[1] << 8) | (b[2] << 4) | b[3];
    default:
        return 0;
    }
}

void CTevValue::SetIndex(int32_t index)
{
    if (m_spec)
        SetInteger(m_spec->IndexToValue(index));
}

int32_t CTevValue::GetIndex() const { return m_spec ? m_spec->ValueToIndex(GetInteger()) : 0; }

void CTevValue::SetString(const std::string& text)
{
    if (!m_storage)
        return;
    const size_t size = static_cast<size_t>(std::max(GetRange().GetSize(), 0));
    std::copy_n(text.begin(), std::min(text.size(), size), m_storage);
}

std::string CTevValue::GetString() const
{
    if (!m_storage)
        return std::string();
    const size_t size = static_cast<size_t>(std::max(GetRange().GetSize(), 0));
    return std::string(reinterpret_cast<const char*>(m_storage), size);
}

void CTevValue::SetData(const std::vector<int32_t>&) {}

std::vector<int32_t> CTevValue::GetData() const { return {}; }

bool CTevValue::Transmit()
{
    ITevMidiOut* out = GetRootMidiOut();
    if (!out || !m_storage)
        return false;
    const size_t size = static_cast<size_t>(std::max(GetRange().GetSize(), 0));
    return out->SendDataSet(GetAbsoluteRange().begin, std::vector<uint8_t>(m_storage, m_storage + size));
}

void CTevValue::ResetToDefault()
{
    if (!m_spec)
        return;
    switch (GetKind()) {
    case CTevValueSpec::kNumeric:
        SetInteger(m_spec->GetDefault());
        break;
    case CTevValueSpec::kText: {
        std::string text = m_spec->GetStringDefault();
        const size_t size = static_cast<size_t>(std::max(GetRange().GetSize(), 0));
        if (text.size() < size)
            text.append(size - text.size(), ' ');
        SetString(text);
        break;
    }
    case CTevValueSpec::kData:
        SetData({m_spec->GetDefault()});
        break;
    default:
        break;
    }
}

bool CTevValue::ReadDefinition(CTevElementDefinition& element, int32_t defaultAddress,
                               CTevSpecRegistries& registries)
{
    CTevTextOut& errors = CTevManager::Instance().ErrorReporter();

    std::string name;
    element.TakeLastValue("name", name);

    int32_t type = 0;
    if (!CTevValueSpec::TypeFromText(element.type, type)) {
        errors.Printf("Value type is unknown. : %s : %s\n", name.c_str(), element.type.c_str());
        return false;
    }
    const int32_t natural = CTevValueSpec::NaturalSize(type);
    const int32_t offset = CTevValueSpec::SignedOffset(type);
    int32_t size = natural;
    int32_t address = defaultAddress;
    int32_t minimum = 0;
    int32_t maximum = 127;
    int32_t defaultValue = 64;
    std::string stringDefault;
    const CTevIntegerTable* numberTable = nullptr;
    bool haveRange = false;
    bool haveDefault = false;

    for (auto it = element.pairs.begin(); it != element.pairs.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "address") {
            address = TevParseAddress(text);
        } else if (tag == "size") {
            const int32_t read = TevParseAddress(text);
            if (type != CTevValueSpec::kString && read != natural) {
                errors.Printf("Value size must be %02X. : %s : %s\n", static_cast<unsigned>(natural), name.c_str(),
                              text.c_str());
                return false;
            }
            if (read > CTevLeafStruct::kMaxImageSize) {
                errors.Printf("Value size is larger than %d bytes. : %s : %s\n",
                              static_cast<int>(CTevLeafStruct::kMaxImageSize), name.c_str(), text.c_str());
                return false;
            }
            size = read;
        } else if (tag == "range") {
            if (!ParseRange(text, offset, minimum, maximum) || minimum > maximum) {
                errors.Printf("Value range is invalid. : %s : %s\n", name.c_str(), text.c_str());
                return false;
            }
            haveRange = true;
            if (haveDefault && (defaultValue < minimum || defaultValue > maximum)) {
                errors.Printf("Value default %d is out of range [%d, %d]. : %s : %s\n", defaultValue, minimum,
                              maximum, name.c_str(), text.c_str());
                return false;
            }
        } else if (tag == "default") {
            if (type == CTevValueSpec::kString) {
                stringDefault = text;
            } else if (!ParseDefault(text, offset, defaultValue)) {
                errors.Printf("Value default is invalid. : %s : %s\n", name.c_str(), text.c_str());
                return false;
            }
            haveDefault = true;
            if (haveRange && (defaultValue < minimum || defaultValue > maximum)) {
                errors.Printf("Value default %d is out of range [%d, %d]. : %s : %s\n", defaultValue, minimum,
                              maximum, name.c_str(), text.c_str());
                return false;
            }
        } else if (tag == "numberTableRef") {
            numberTable = CTevManager::Instance().m_resourceManager.m_numberTables.FindByName(text);
            if (!numberTable) {
                errors.Printf("Unable to find number table. : %s : %s.\n", name.c_str(), text.c_str());
                return false;
            }
        } else {
            ++it;
            continue;
        }
        it = element.pairs.erase(it);
    }

    m_spec = registries.valueSpecs.Intern(std::make_unique<CTevValueSpec>(
        name, CTevAddressRange::FromSize(address, size), type, minimum, maximum, defaultValue, stringDefault,
        numberTable));
    return true;
}

bool CTevValue::Serialize(CTevArchive& archive)
{
    if (!archive.SerializeObjectRef(m_parent) || !archive.SerializeObjectRef(m_spec))
        return false;
    if (archive.GetMode() == CTevArchive::kReadReferences) {
        m_storage = nullptr;
        if (m_parent && m_spec) {
            std::vector<uint8_t>* image = m_parent->GetData();
            const CTevAddressRange range = GetRange();
            if (!image || !range.IsValid() || image->size() < static_cast<size_t>(range.end))
                return false;
            m_storage = image->data() + range.begin;
        }
    }
    return true;
}

#include "core/TevBuffer.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "midi/TevMessage.h"
#include "midi/TevMidiOut.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();

int32_t SaturateToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp(value, kInt32Min, kInt32Max));
}

// True when the text before the first "." of path is name; rest is then
// the text after that "." (empty without one). Nothing is copied for a path
// that does not match, which is what most children of a lookup see.
bool TakeHead(const std::string& path, const std::string& name, std::string& rest)
{
    const size_t dot = path.find('.');
    const size_t headLength = dot == std::string::npos ? path.size() : dot;
    if (headLength != name.size() || path.compare(0, headLength, name) != 0)
        return false;
    if (dot == std::string::npos)
        rest.clear();
    else
        rest.assign(path, dot + 1, std::string::npos);
    return true;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

const std::string& EmptyName()
{
    static const std::string empty;
    return empty;
}

CTevStruct::CTevMidiStructCreator& MidiStructCreator()
{
    static CTevStruct::CTevMidiStructCreator creator = nullptr;
    return creator;
}

} // namespace

// ---------------------------------------------------------------------------
// Addresses
// ---------------------------------------------------------------------------

int32_t TevFoldAddressBytes(std::span<const uint8_t> bytes)
{
    int64_t value = 0;
    for (uint8_t byte : bytes) {
        value = value * 128 + byte;
        if (value >= kInt32Max)
            return static_cast<int32_t>(kInt32Max);
    }
    return static_cast<int32_t>(value);
}

int32_t TevParseAddress(const std::string& text)
{
    std::vector<uint8_t> bytes;
    ParseHexBytes(text, bytes);
    return TevFoldAddressBytes(bytes);
}

CTevAddressRange CTevAddressRange::FromSize(int32_t begin, int32_t size)
{
    return CTevAddressRange(begin, SaturateToInt32(static_cast<int64_t>(begin) + size));
}

bool CTevBufferSpec::Serialize(CTevArchive& archive)
{
    return archive.SerializeInt(m_range.begin) && archive.SerializeInt(m_range.end) && archive.SerializeString(m_name);
}

bool CTevStructSpec::operator<(const CTevStructSpec& other) const
{
    if (m_name != other.m_name)
        return m_name < other.m_name;
    if (m_range.begin != other.m_range.begin)
        return m_range.begin < other.m_range.begin;
    return m_range.end < other.m_range.end;
}

// ---------------------------------------------------------------------------
// CTevBuffer
// ---------------------------------------------------------------------------

std::string CTevBuffer::GetFullName() const
{
    std::vector<const CTevBuffer*> chain;
    for (const CTevBuffer* buffer = this; buffer; buffer = buffer->GetParent())
        chain.push_back(buffer);
    std::string name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            name += '.';
        name += (*it)->GetName();
    }
    return name;
}

CTevAddressRange CTevBuffer::GetAbsoluteRange() const
{
    const CTevAddressRange own = GetRange();
    int64_t begin = own.begin;
    for (const CTevBuffer* parent = GetParent(); parent; parent = parent->GetParent())
        begin += parent->GetRange().begin;
    const int64_t end = begin + (static_cast<int64_t>(own.end) - own.begin);
    return CTevAddressRange(SaturateToInt32(begin), SaturateToInt32(end));
}

CTevBuffer* CTevBuffer::GetRoot()
{
    CTevBuffer* buffer = this;
    while (CTevBuffer* parent = buffer->GetParent())
        buffer = parent;
    return buffer;
}

const CTevBuffer* CTevBuffer::GetRoot() const
{
    const CTevBuffer* buffer = this;
    while (const CTevBuffer* parent = buffer->GetParent())
        buffer = parent;
    return buffer;
}

ITevMidiOut* CTevBuffer::GetRootMidiOut() const
{
    const auto* root = dynamic_cast<const CTevRootStruct*>(GetRoot());
    return root ? root->GetMidiOut() : nullptr;
}

void CTevBuffer::DumpHeader(CTevTextOut& out) const
{
    const CTevAddressRange range = GetAbsoluteRange();
    out.Printf("%s, ", GetFullName().c_str());
    // %lX takes an unsigned long: 32 bits on Windows, 64 here; the cast
    // through uint32_t prints the same digits in both builds.
    out.Printf("address=%08lX %08lX, ", static_cast<unsigned long>(static_cast<uint32_t>(range.begin)),
               static_cast<unsigned long>(static_cast<uint32_t>(range.end)));
}

void CTevBuffer::DumpFullName(CTevTextOut& out) const { out.Printf("%s\n", GetFullName().c_str()); }

// ---------------------------------------------------------------------------
// CTevStruct
// ---------------------------------------------------------------------------

std::unique_ptr<CTevStruct> CTevStruct::Create(int32_t typeCode)
{
    switch (typeCode) {
    case kRoot:
        return std::make_unique<CTevRootStruct>();
    case kNode:
        return std::make_unique<CTevNodeStruct>();
    case kLeaf:
        return std::make_unique<CTevLeafStruct>();
    case kMidi:
        // The MIDI channel struct belongs to the MIDI layer, which installs
        // its creator; without one there is nothing to make.
        return MidiStructCreator() ? MidiStructCreator()() : nullptr;
    default:
        return nullptr;
    }
}

void CTevStruct::SetMidiStructCreator(CTevMidiStructCreator creator) { MidiStructCreator() = creator; }

CTevStruct::CTevMidiStructCreator CTevStruct::GetMidiStructCreator() { return MidiStructCreator(); }

const std::string& CTevStruct::GetName() const { return m_spec ? m_spec->GetName() : EmptyName(); }

CTevAddressRange CTevStruct::GetRange() const { return m_spec ? m_spec->GetRange() : CTevAddressRange(); }

bool CTevStruct::ReadDefinition(CTevElementDefinition& element, int32_t defaultAddress, int32_t defaultSize,
                                CTevSpecRegistries& registries)
{
    std::string name;
    int32_t address = defaultAddress;
    int32_t size = defaultSize;
    for (auto it = element.pairs.begin(); it != element.pairs.end();) {
        if (it->first == "name")
            name = it->second;
        else if (it->first == "address")
            address = TevParseAddress(it->second);
        else if (it->first == "size")
            size = TevParseAddress(it->second);
        else {
            ++it;
            continue;
        }
        it = element.pairs.erase(it);
    }
    m_spec = registries.structSpecs.Intern(
        std::make_unique<CTevStructSpec>(name, CTevAddressRange::FromSize(address, size)));
    return true;
}

void CTevStruct::ResetToDefaults()
{
    if (CTevStructList* children = GetChildStructs())
        for (auto& child : *children)
            child->ResetToDefaults();
    if (std::vector<CTevValue>* values = GetValues())
        for (CTevValue& value : *values)
            value.ResetToDefault();
}

int32_t CTevStruct::ComputeDefaultSize() const
{
    int64_t size = 0;
    if (const CTevStructList* children = GetChildStructs()) {
        if (!children->empty())
            size = static_cast<int64_t>(children->back()->GetRange().end) - children->front()->GetRange().begin;
    } else if (const std::vector<CTevValue>* values = GetValues()) {
        if (!values->empty())
            size = static_cast<int64_t>(values->back().GetRange().end) - values->front().GetRange().begin;
    }
    return SaturateToInt32(std::max<int64_t>(size, 0));
}

int32_t CTevStruct::GetChildrenEnd() const
{
    int32_t end = 0;
    if (const CTevStructList* children = GetChildStructs())
        for (const auto& child : *children)
            end = std::max(end, child->GetRange().end);
    if (const std::vector<CTevValue>* values = GetValues())
        for (const CTevValue& value : *values)
            end = std::max(end, value.GetRange().end);
    return end;
}

bool CTevStruct::CheckRangeInParent(const CTevStruct* parent) const
{
    const CTevAddressRange range = GetRange();
    if (!range.IsValid()) {
        CTevManager::Instance().ErrorReporter().Printf("Struct %s address range is invalid.\n",
                                                       GetFullName().c_str());
        return false;
    }
    if (parent && parent->GetRange().GetSize() < range.end) {
        CTevManager::Instance().ErrorReporter().Printf("Struct %s address range exceeds parent struct's one.\n",
                                                       GetFullName().c_str());
        return false;
    }
    return true;
}

bool CTevStruct::SerializeSpec(CTevArchive& archive) { return archive.SerializeObjectRef(m_spec); }

bool CTevStruct::SerializeChildList(CTevArchive& archive, CTevStructList& children)
{
    int32_t count = static_cast<int32_t>(children.size());
    if (!archive.SerializeCount(count))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        children.clear();
        // One type code per child, each child made as its code is read, so
        // a count that the input cannot honour fails on the input.
        for (int32_t i = 0; i < count; ++i) {
            int32_t code = 0;
            if (!archive.SerializeInt(code))
                return false;
            std::unique_ptr<CTevStruct> child = Create(code);
            if (!child)
                return false;
            children.push_back(std::move(child));
        }
    } else if (archive.GetMode() == CTevArchive::kWriteValues) {
        for (auto& child : children) {
            int32_t code = child->GetTypeCode();
            if (!archive.SerializeInt(code))
                return false;
        }
    }
    for (auto& child : children) {
        archive.RegisterObject(static_cast<const CTevStruct*>(child.get()));
        if (!child->Serialize(archive))
            return false;
    }
    return true;
}

bool CTevStruct::BindChildren(CTevStructList& children)
{
    for (auto& child : children)
        if (!child->Bind(this))
            return false;
    return true;
}

bool CTevStruct::FindStructInChildren(const std::string& path, CTevStructList& children, CTevStruct*& found)
{
    std::string rest;
    if (!TakeHead(path, GetName(), rest))
        return false;
    if (rest.empty()) {
        found = this;
        return true;
    }
    for (auto& child : children)
        if (child->FindStruct(rest, found))
            return true;
    return false;
}

bool CTevStruct::FindValueInChildren(const std::string& path, CTevStructList& children, CTevValue*& value)
{
    std::string rest;
    if (!TakeHead(path, GetName(), rest))
        return false;
    for (auto& child : children)
        if (child->FindValue(rest, value))
            return true;
    return false;
}

bool CTevStruct::FindByAddressInChildren(const CTevAddressRange& range, CTevStructList& children,
                                         CTevValueList& values, uint8_t*& data)
{
    const CTevAddressRange own = GetRange();
    if (!range.IsValid() || !own.ContainsRange(range))
        return false;
    const CTevAddressRange relative(range.begin - own.begin, range.end - own.begin);
    for (auto& child : children)
        if (child->FindByAddress(relative, values, data))
            return true;
    return false;
}

void CTevStruct::TransmitChildren(CTevStructList& children)
{
    // A failing child (a leaf without an output) does not stop its siblings.
    for (auto& child : children)
        child->Transmit();
}

void CTevStruct::DumpChildren(CTevTextOut& out, const CTevStructList& children) const
{
    out.Indent(4);
    DumpHeader(out);
    out.Write("\n");
    out.Write("<!--child structs-->\n");
    for (const auto& child : children)
        child->Dump(out);
    out.Indent(-4);
}

void CTevStruct::DumpChildNames(CTevTextOut& out, const CTevStructList& children) const
{
    out.Indent(4);
    DumpFullName(out);
    for (const auto& child : children) {
        const std::string& name = child->GetName();
        if (!EndsWith(name, "]") || EndsWith(name, "[0]")) {
            child->DumpNames(out);
        } else {
            // Further array elements look like element [0]: name only.
            out.Indent(4);
            child->DumpFullName(out);
            out.Indent(4);
            out.Write(":\n");
            out.Indent(-8);
        }
    }
    out.Indent(-4);
}

void CTevStruct::CloneChildren(const CTevStructList& source, CTevStructList& target)
{
    target.clear();
    target.reserve(source.size());
    for (const auto& child : source)
        target.push_back(child->Clone());
}

// ---------------------------------------------------------------------------
// CTevRootStruct
// ---------------------------------------------------------------------------

CTevRootStruct::~CTevRootStruct() = default;

CTevRootStruct::CTevRootStruct(const CTevRootStruct& other)
    : CTevStruct(other), ITevRootStruct(other), m_midiOut(other.m_midiOut), m_changed(other.m_changed)
{
    CloneChildren(other.m_children, m_children);
}

bool CTevRootStruct::Bind(CTevStruct*)
{
    m_parent = nullptr;
    if (!CheckRangeInParent(nullptr))
        return false;
    return BindChildren(m_children);
}

void CTevRootStruct::Dump(CTevTextOut& out) const { DumpChildren(out, m_children); }

void CTevRootStruct::DumpNames(CTevTextOut& out) const { DumpChildNames(out, m_children); }

bool CTevRootStruct::FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data)
{
    return FindByAddressInChildren(range, m_children, values, data);
}

bool CTevRootStruct::FindValue(const std::string& path, CTevValue*& value)
{
    return FindValueInChildren(path, m_children, value);
}

bool CTevRootStruct::FindStruct(const std::string& path, CTevStruct*& found)
{
    return FindStructInChildren(path, m_children, found);
}

bool CTevRootStruct::Transmit()
{
    TransmitChildren(m_children);
    return true;
}

std::unique_ptr<CTevStruct> CTevRootStruct::Clone() const
{
    return std::unique_ptr<CTevStruct>(new CTevRootStruct(*this));
}

bool CTevRootStruct::Serialize(CTevArchive& archive)
{
    archive.RegisterObject(static_cast<const ITevRootStruct*>(this));
    return SerializeSpec(archive) && SerializeChildList(archive, m_children) && archive.SerializeObjectRef(m_midiOut);
}

bool CTevRootStruct::ApplyDataSet(const CTevDravikMessage& message)
{
    const std::span<const uint8_t> data = message.GetSegmentBytes(CTevDravikMessage::DataSegment);
    const int64_t begin = TevFoldAddressBytes(message.GetSegmentBytes(CTevDravikMessage::AddressSegment));
    const int64_t end = begin + static_cast<int64_t>(data.size());
    if (end > kInt32Max)
        return false;
    m_receivedValues.clear();
    uint8_t* target = nullptr;
    if (!FindByAddress(CTevAddressRange(static_cast<int32_t>(begin), static_cast<int32_t>(end)), m_receivedValues, target))
        return false;
    std::copy(data.begin(), data.end(), target);
    return CTevManager::Instance().NotifyValuesReceived(m_receivedValues);
}

// ---------------------------------------------------------------------------
// CTevNodeStruct
// ---------------------------------------------------------------------------

CTevNodeStruct::~CTevNodeStruct() = default;

CTevNodeStruct::CTevNodeStruct(const CTevNodeStruct& other) : CTevStruct(other)
{
    CloneChildren(other.m_children, m_children);
}

bool CTevNodeStruct::Bind(CTevStruct* parent)
{
    m_parent = parent;
    if (!CheckRangeInParent(parent))
        return false;
    return BindChildren(m_children);
}

void CTevNodeStruct::Dump(CTevTextOut& out) const { DumpChildren(out, m_children); }

void CTevNodeStruct::DumpNames(CTevTextOut& out) const { DumpChildNames(out, m_children); }

bool CTevNodeStruct::FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data)
{
    return FindByAddressInChildren(range, m_children, values, data);
}

bool CTevNodeStruct::FindValue(const std::string& path, CTevValue*& value)
{
    return FindValueInChildren(path, m_children, value);
}

bool CTevNodeStruct::FindStruct(const std::string& path, CTevStruct*& found)
{
    return FindStructInChildren(path, m_children, found);
}

bool CTevNodeStruct::Transmit()
{
    TransmitChildren(m_children);
    return true;
}

std::unique_ptr<CTevStruct> CTevNodeStruct::Clone() const
{
    return std::unique_ptr<CTevStruct>(new CTevNodeStruct(*this));
}

bool CTevNodeStruct::Serialize(CTevArchive& archive)
{
    return SerializeSpec(archive) && SerializeChildList(archive, m_children) && archive.SerializeObjectRef(m_parent);
}

// ---------------------------------------------------------------------------
// CTevLeafStruct
// ---------------------------------------------------------------------------

CTevLeafStruct::CTevLeafStruct() = default;
CTevLeafStruct::~CTevLeafStruct() = default;
CTevLeafStruct::CTevLeafStruct(const CTevLeafStruct& other) = default;

bool CTevLeafStruct::Bind(CTevStruct* parent)
{
    m_parent = parent;
    if (!CheckRangeInParent(parent))
        return false;
    m_data.resize(static_cast<size_t>(GetRange().GetSize()), 0);
    for (CTevValue& value : m_values)
        if (!value.Bind(this))
            return false;
    return true;
}

void CTevLeafStruct::Dump(CTevTextOut& out) const
{
    out.Indent(4);
    DumpHeader(out);
    out.Write("data=");
    for (uint8_t byte : m_data)
        out.Printf("%02X ", static_cast<unsigned>(byte));
    out.Write("\n");
    out.Write("<!--child values-->\n");
    for (const CTevValue& value : m_values)
        value.Dump(out);
    out.Indent(-4);
}

void CTevLeafStruct::DumpNames(CTevTextOut& out) const
{
    out.Indent(4);
    DumpFullName(out);
    for (const CTevValue& value : m_values)
        value.DumpNames(out);
    out.Indent(-4);
}

bool CTevLeafStruct::FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data)
{
    const CTevAddressRange own = GetRange();
    if (!range.IsValid() || !own.ContainsRange(range))
        return false;
    const CTevAddressRange relative(range.begin - own.begin, range.end - own.begin);
    // An unbound leaf has no image yet; never hand out a pointer past it.
    if (static_cast<size_t>(relative.end) > m_data.size())
        return false;
    for (CTevValue& value : m_values)
        if (value.GetRange().Overlaps(relative))
            values.push_back(&value);
    data = m_data.data() + relative.begin;
    return true;
}

bool CTevLeafStruct::FindValue(const std::string& path, CTevValue*& value)
{
    std::string rest;
    if (!TakeHead(path, GetName(), rest))
        return false;
    for (CTevValue& candidate : m_values) {
        if (candidate.GetName() == rest) {
            value = &candidate;
            return true;
        }
    }
    return false;
}

bool CTevLeafStruct::FindStruct(const std::string& path, CTevStruct*& found)
{
    if (path != GetName())
        return false;
    found = this;
    return true;
}

bool CTevLeafStruct::Transmit()
{
    ITevMidiOut* out = GetRootMidiOut();
    if (!out)
        return false;
    return out->SendDataSet(GetAbsoluteRange().begin, m_data);
}

std::unique_ptr<CTevStruct> CTevLeafStruct::Clone() const
{
    return std::unique_ptr<CTevStruct>(new CTevLeafStruct(*this));
}

bool CTevLeafStruct::Serialize(CTevArchive& archive)
{
    if (!SerializeSpec(archive))
        return false;
    int32_t count = static_cast<int32_t>(m_values.size());
    if (!archive.SerializeCount(count))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        // Values carry only references, so nothing in the input bounds the
        // count; refuse an absurd one rather than allocate it.
        if (count > kMaxArchivedValues)
            return false;
        m_values.clear();
        m_values.resize(static_cast<size_t>(count));
    }
    // Registered after the list has its final size: the addresses stay.
    for (CTevValue& value : m_values) {
        archive.RegisterObject(static_cast<const CTevValue*>(&value));
        if (!value.Serialize(archive))
            return false;
    }
    return archive.SerializeBytes(m_data) && archive.SerializeObjectRef(m_parent);
}

// ---------------------------------------------------------------------------
// CTevBufferAccessor
// ---------------------------------------------------------------------------

bool CTevBufferAccessor::Attach(CTevBufferManager* manager)
{
    m_baseStruct = nullptr;
    m_bufferManager = manager;
    return ResolveBuffers();
}

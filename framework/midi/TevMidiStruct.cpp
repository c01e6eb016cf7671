#include "midi/TevMidiStruct.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "midi/TevMessage.h"
#include "midi/TevMidiOut.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kPolyPressure = 0xA0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kPitchBend = 0xE0;
constexpr int32_t kMaxVelocity = 127;
constexpr int32_t kMax14Bit = 0x3FFF;

// Anything put on the wire as a data byte must stay below 0x80, or the
// device would take it for a status byte.
uint8_t ToDataByte(int64_t value) { return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 0x7F)); }

std::unique_ptr<CTevValueSpec> ChannelValueSpec(const std::string& name, int32_t type, int32_t minimum,
                                                int32_t maximum)
{
    return std::make_unique<CTevValueSpec>(name, CTevAddressRange(), type, minimum, maximum, 0, std::string(),
                                           nullptr);
}

// "<prefix><n>]" with decimal digits n below limit; -1 for anything else.
int32_t ParseIndexedName(const std::string& component, const std::string& prefix, int32_t limit)
{
    if (component.size() < prefix.size() + 2 || component.compare(0, prefix.size(), prefix) != 0 ||
        component.back() != ']')
        return -1;
    int32_t index = 0;
    for (size_t i = prefix.size(); i + 1 < component.size(); ++i) {
        const char c = component[i];
        if (c < '0' || c > '9')
            return -1;
        index = index * 10 + (c - '0');
        if (index >= limit)
            return -1;
    }
    return index;
}

// The channel of a component read as "ch[%d]" reads it: "ch[", then blanks,
// a sign and decimal digits; what follows the number is not looked at.
// -1 when no number is read or it is not a channel (0..15).
int32_t ParseChannelComponent(const std::string& component)
{
    const std::string prefix = "ch[";
    if (component.compare(0, prefix.size(), prefix) != 0)
        return -1;
    size_t pos = prefix.size();
    while (pos < component.size() && std::isspace(static_cast<unsigned char>(component[pos])))
        ++pos;
    bool negative = false;
    if (pos < component.size() && (component[pos] == '+' || component[pos] == '-'))
        negative = component[pos++] == '-';
    const size_t firstDigit = pos;
    int64_t number = 0;
    for (; pos < component.size() && component[pos] >= '0' && component[pos] <= '9'; ++pos) {
        if (number < CTevMidiStruct::kChannelCount)
            number = number * 10 + (component[pos] - '0');
    }
    if (pos == firstDigit)
        return -1;
    if (negative)
        number = -number;
    return number >= 0 && number < CTevMidiStruct::kChannelCount ? static_cast<int32_t>(number) : -1;
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t dot = path.find('.', start);
        if (dot == std::string::npos)
            dot = path.size();
        if (dot > start)
            components.push_back(path.substr(start, dot - start));
        start = dot + 1;
    }
    return components;
}

// Makes the MIDI channel struct available to CTevStruct::Create from the
// start of the program.
const bool s_creatorInstalled = (CTevMidiStruct::InstallCreator(), true);

} // namespace

std::string GetPathComponents(const std::string& path, int32_t index, int32_t count)
{
    const std::vector<std::string> components = SplitComponents(path);
    if (index < 0 || static_cast<size_t>(index) >= components.size())
        return std::string();
    size_t last = components.size();
    if (count >= 0 && static_cast<size_t>(index) + static_cast<size_t>(count) < last)
        last = static_cast<size_t>(index) + static_cast<size_t>(count);
    std::string result;
    for (size_t i = static_cast<size_t>(index); i < last; ++i) {
        if (!result.empty())
            result += '.';
        result += components[i];
    }
    return result;
}

bool ITevMidiStruct::ReceiveLongMessage(const CTevLongMessage&) { return true; }

// ---------------------------------------------------------------------------
// CTevMidiChannelValue
// ---------------------------------------------------------------------------

uint8_t CTevMidiChannelValue::GetChannel() const { return m_channelData ? m_channelData->channel : 0; }

bool CTevMidiChannelValue::Bind(CTevStruct* parent, CTevSpecRegistries& registries)
{
    m_parent = parent;
    m_storage = nullptr;
    m_spec = registries.valueSpecs.Intern(MakeSpec());
    return m_spec != nullptr;
}

bool CTevMidiChannelValue::Bind(CTevStruct* parent)
{
    m_parent = parent;
    m_storage = nullptr;
    return m_spec != nullptr;
}

void CTevMidiChannelValue::Dump(CTevTextOut& out) const
{
    out.Write("<value>\n");
    out.Indent(4);
    CTevValue::Dump(out);
    DumpOwnFields(out);
    out.Indent(-4);
    out.Write("</value>\n");
}

bool CTevMidiChannelValue::SerializeChannelValue(CTevArchive& archive, CTevStruct* expectedParent)
{
    archive.RegisterObject(static_cast<const CTevValue*>(this));
    if (archive.GetMode() == CTevArchive::kReadReferences) {
        CTevStruct* parent = nullptr;
        CTevMidiChannelData* channelData = nullptr;
        if (!archive.SerializeObjectRef(parent) || !archive.SerializeObjectRef(m_spec) ||
            !archive.SerializeObjectRef(channelData))
            return false;
        if (parent != expectedParent || channelData != m_channelData)
            return false;
        m_parent = parent;
        m_storage = nullptr;
    } else if (!archive.SerializeObjectRef(m_parent) || !archive.SerializeObjectRef(m_spec) ||
               !archive.SerializeObjectRef(m_channelData)) {
        return false;
    }
    return SerializeOwnFields(archive);
}

// ---------------------------------------------------------------------------
// CTevMidiNoteValue
// ---------------------------------------------------------------------------

std::unique_ptr<CTevValueSpec> CTevMidiNoteValue::MakeSpec() const
{
    return ChannelValueSpec("note", CTevValueSpec::kMidiNote, -kMaxVelocity, kMaxVelocity);
}

void CTevMidiNoteValue::MoveToEnd(uint8_t key)
{
    m_pressOrder.erase(std::remove(m_pressOrder.begin(), m_pressOrder.end(), key), m_pressOrder.end());
    m_pressOrder.push_back(key);
}

void CTevMidiNoteValue::SetData(const std::vector<int32_t>& data)
{
    const size_t count = std::min(data.size(), static_cast<size_t>(kKeyCount));
    for (size_t key = 0; key < count; ++key) {
        const int32_t state = std::clamp(data[key], -kMaxVelocity, kMaxVelocity);
        SKey& record = m_keys[key];
        if (state == record.state)
            continue;
        MoveToEnd(static_cast<uint8_t>(key));
        record.state = state;
    }
}

std::vector<int32_t> CTevMidiNoteValue::GetData() const
{
    std::vector<int32_t> states;
    states.reserve(kKeyCount);
    for (const SKey& key : m_keys)
        states.push_back(key.state);
    return states;
}

bool CTevMidiNoteValue::Transmit()
{
    ITevMidiOut* sink = GetSink();
    if (!sink)
        return false;
    bool sent = true;
    for (int32_t key = 0; key < kKeyCount; ++key) {
        SKey& record = m_keys[static_cast<size_t>(key)];
        if (record.NothingLeftToSend())
            continue;
        const int32_t state = record.state;
        CTevShortMessage message;
        message.Compose(state > 0 ? kNoteOn : kNoteOff, GetChannel() & 0x0F, static_cast<uint8_t>(key),
                        ToDataByte(std::llabs(static_cast<long long>(state))));
        // The box about a failed send lets the user play meanwhile: what a
        // sequence run there sends and sets stands. Only a key it left as
        // it was goes back to what the device knows.
        if (sink->SendShortMessage(message)) {
            record.known = state;
        } else {
            sent = false;
            if (record.state == state)
                record.state = record.known;
        }
    }
    return sent;
}

void CTevMidiNoteValue::SetKey(int32_t key, int32_t state)
{
    if (key < 0 || key >= kKeyCount)
        return;
    m_keys[static_cast<size_t>(key)].state = state;
    m_keys[static_cast<size_t>(key)].known = state;
    MoveToEnd(static_cast<uint8_t>(key));
}

const CTevMidiNoteValue::SKey& CTevMidiNoteValue::GetKey(int32_t key) const
{
    static const SKey none;
    return key >= 0 && key < kKeyCount ? m_keys[static_cast<size_t>(key)] : none;
}

// ---------------------------------------------------------------------------
// CTevMidiCcValue
// ---------------------------------------------------------------------------

std::unique_ptr<CTevValueSpec> CTevMidiCcValue::MakeSpec() const
{
    return ChannelValueSpec(FormatString("cc[%d]", static_cast<int>(m_number)), CTevValueSpec::kInt1x7, 0, 127);
}

void CTevMidiCcValue::SetInteger(int32_t value) { m_value = ToDataByte(value); }

bool CTevMidiCcValue::Transmit()
{
    ITevMidiOut* sink = GetSink();
    if (!sink)
        return false;
    CTevShortMessage message;
    message.Compose(kControlChange, GetChannel() & 0x0F, ToDataByte(m_number), ToDataByte(m_value));
    return sink->SendShortMessage(message);
}

void CTevMidiCcValue::DumpOwnFields(CTevTextOut& out) const
{
    out.Printf("<ccId>%d<ccId>\n", static_cast<int>(m_number));
    out.Printf("<data>%d<data>\n", static_cast<int>(m_value));
}

bool CTevMidiCcValue::SerializeOwnFields(CTevArchive& archive)
{
    int32_t number = m_number;
    int32_t value = m_value;
    if (!archive.SerializeInt(number) || !archive.SerializeInt(value))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        if (number != m_number || value < 0 || value > 0x7F)
            return false;
        m_value = static_cast<uint8_t>(value);
    }
    return true;
}

// ---------------------------------------------------------------------------
// CTevMidiCc2Value
// ---------------------------------------------------------------------------

std::unique_ptr<CTevValueSpec> CTevMidiCc2Value::MakeSpec() const
{
    return ChannelValueSpec(FormatString("cc2[%d]", static_cast<int>(m_index)), CTevValueSpec::kInt2x7, 0,
                            kMax14Bit);
}

void CTevMidiCc2Value::SetInteger(int32_t value)
{
    if (!m_high || !m_low)
        return;
    // The masks keep each half a data byte; bits above 14 are dropped like
    // those of any value wider than its type.
    m_high->SetInteger((value >> 7) & 0x7F);
    m_low->SetInteger(value & 0x7F);
}

int32_t CTevMidiCc2Value::GetInteger() const
{
    if (!m_high || !m_low)
        return 0;
    return m_high->GetInteger() * 128 + m_low->GetInteger();
}

bool CTevMidiCc2Value::Transmit()
{
    if (!m_high || !m_low)
        return false;
    return m_high->Transmit() && m_low->Transmit();
}

bool CTevMidiCc2Value::SerializeOwnFields(CTevArchive& archive)
{
    if (archive.GetMode() == CTevArchive::kReadReferences) {
        CTevValue* high = nullptr;
        CTevValue* low = nullptr;
        if (!archive.SerializeObjectRef(high) || !archive.SerializeObjectRef(low))
            return false;
        // The pair is fixed by the record's layout; anything else is corrupt.
        return high == static_cast<CTevValue*>(m_high) && low == static_cast<CTevValue*>(m_low);
    }
    CTevValue* high = m_high;
    CTevValue* low = m_low;
    return archive.SerializeObjectRef(high) && archive.SerializeObjectRef(low);
}

// ---------------------------------------------------------------------------
// CTevMidiReceivedValue
// ---------------------------------------------------------------------------

std::unique_ptr<CTevValueSpec> CTevMidiReceivedValue::MakeSpec() const
{
    return ChannelValueSpec("received", CTevValueSpec::kInt1x7, 0, 1);
}

// ---------------------------------------------------------------------------
// CTevMidiChannelData
// ---------------------------------------------------------------------------

void CTevMidiChannelData::Link(uint8_t channelNumber, CTevStruct* parent)
{
    channel = channelNumber;
    auto link = [&](CTevMidiChannelValue& value) {
        value.SetChannelData(this);
        value.Bind(parent);
    };
    link(note);
    for (int32_t i = 0; i < kCcCount; ++i) {
        cc[static_cast<size_t>(i)].SetNumber(static_cast<uint8_t>(i));
        link(cc[static_cast<size_t>(i)]);
    }
    for (int32_t i = 0; i < kCc2Count; ++i) {
        CTevMidiCc2Value& pair = cc2[static_cast<size_t>(i)];
        pair.SetPairIndex(static_cast<uint8_t>(i));
        pair.SetPair(&cc[static_cast<size_t>(i)], &cc[static_cast<size_t>(i + 32)]);
        link(pair);
    }
    link(received);
}

bool CTevMidiChannelData::Bind(uint8_t channelNumber, CTevStruct* parent, CTevSpecRegistries& registries)
{
    Link(channelNumber, parent);
    if (!note.Bind(parent, registries))
        return false;
    for (CTevMidiCcValue& value : cc)
        if (!value.Bind(parent, registries))
            return false;
    for (CTevMidiCc2Value& value : cc2)
        if (!value.Bind(parent, registries))
            return false;
    return received.Bind(parent, registries);
}

void CTevMidiChannelData::CopyFrom(const CTevMidiChannelData& source, CTevStruct* parent)
{
    note = source.note;
    for (size_t i = 0; i < cc.size(); ++i)
        cc[i] = source.cc[i];
    for (size_t i = 0; i < cc2.size(); ++i)
        cc2[i] = source.cc2[i];
    received = source.received;
    Link(source.channel, parent);
}

// ---------------------------------------------------------------------------
// CTevMidiStruct
// ---------------------------------------------------------------------------

CTevMidiStruct::CTevMidiStruct()
{
    for (int32_t i = 0; i < kChannelCount; ++i)
        m_channels[static_cast<size_t>(i)].Link(static_cast<uint8_t>(i), this);
}

CTevMidiStruct::CTevMidiStruct(const CTevMidiStruct& other)
    : CTevRootStruct(other), ITevMidiStruct(other), m_registries(other.m_registries)
{
    for (size_t i = 0; i < m_channels.size(); ++i)
        m_channels[i].CopyFrom(other.m_channels[i], this);
}

CTevMidiStruct::~CTevMidiStruct() = default;

std::unique_ptr<CTevStruct> CTevMidiStruct::CreateMidiStruct() { return std::make_unique<CTevMidiStruct>(); }

void CTevMidiStruct::InstallCreator() { CTevStruct::SetMidiStructCreator(&CTevMidiStruct::CreateMidiStruct); }

bool CTevMidiStruct::ReadDefinition(CTevElementDefinition& element, CTevSpecRegistries& registries)
{
    std::string name;
    element.TakeLastValue("name", name);
    m_spec = registries.structSpecs.Intern(std::make_unique<CTevStructSpec>(name, CTevAddressRange()));
    m_registries = &registries;
    return true;
}

bool CTevMidiStruct::Bind(CTevStruct*)
{
    m_parent = nullptr;
    CTevSpecRegistries& registries = m_registries ? *m_registries : CTevManager::Instance().GetSpecRegistries();
    for (int32_t i = 0; i < kChannelCount; ++i)
        if (!m_channels[static_cast<size_t>(i)].Bind(static_cast<uint8_t>(i), this, registries))
            return false;
    return true;
}

void CTevMidiStruct::Dump(CTevTextOut& out) const
{
    out.Write("<midiStruct>\n");
    out.Indent(4);
    out.Printf("<name>%s</name>\n", GetName().c_str());
    for (const CTevMidiChannelData& channel : m_channels) {
        out.Write("<value>\n");
        out.Indent(4);
        channel.note.Dump(out);
        for (const CTevMidiCcValue& value : channel.cc)
            value.Dump(out);
        for (const CTevMidiCc2Value& value : channel.cc2)
            value.Dump(out);
        out.Indent(-4);
        out.Write("</value>\n");
    }
    out.Indent(-4);
    out.Write("</midiStruct>\n");
}

bool CTevMidiStruct::FindByAddress(const CTevAddressRange&, CTevValueList&, uint8_t*&) { return false; }

bool CTevMidiStruct::FindValue(const std::string& path, CTevValue*& value)
{
    const std::vector<std::string> components = SplitComponents(path);
    if (components.size() != 3 || components[0] != GetName())
        return false;
    const int32_t channelIndex = ParseChannelComponent(components[1]);
    if (channelIndex < 0)
        return false;
    const std::string& name = components[2];
    CTevMidiChannelData& channel = m_channels[static_cast<size_t>(channelIndex)];
    if (channel.note.GetName() == name) {
        value = &channel.note;
        return true;
    }
    // A controller is named after its number, so the one the name gives is
    // tried first; names are unique, so the walk below would find the same.
    const int32_t number = ParseIndexedName(name, "cc[", static_cast<int32_t>(std::size(channel.cc)));
    if (number >= 0 && channel.cc[static_cast<size_t>(number)].GetName() == name) {
        value = &channel.cc[static_cast<size_t>(number)];
        return true;
    }
    for (CTevMidiCcValue& cc : channel.cc) {
        if (cc.GetName() == name) {
            value = &cc;
            return true;
        }
    }
    for (CTevMidiCc2Value& cc2 : channel.cc2) {
        if (cc2.GetName() == name) {
            value = &cc2;
            return true;
        }
    }
    if (channel.received.GetName() == name) {
        value = &channel.received;
        return true;
    }
    return false;
}

bool CTevMidiStruct::FindStruct(const std::string& path, CTevStruct*& found)
{
    if (path.empty() || path != GetName())
        return false;
    found = this;
    return true;
}

bool CTevMidiStruct::Transmit() { return false; }

std::unique_ptr<CTevStruct> CTevMidiStruct::Clone() const { return std::unique_ptr<CTevStruct>(new CTevMidiStruct(*this)); }

bool CTevMidiStruct::Serialize(CTevArchive& archive)
{
    if (!CTevRootStruct::Serialize(archive))
        return false;
    archive.RegisterObject(static_cast<const ITevMidiStruct*>(this));
    for (CTevMidiChannelData& channel : m_channels) {
        archive.RegisterObject(static_cast<const CTevMidiChannelData*>(&channel));
        if (!channel.note.SerializeChannelValue(archive, this))
            return false;
        for (CTevMidiCcValue& value : channel.cc)
            if (!value.SerializeChannelValue(archive, this))
                return false;
        for (CTevMidiCc2Value& value : channel.cc2)
            if (!value.SerializeChannelValue(archive, this))
                return false;
        if (!channel.received.SerializeChannelValue(archive, this))
            return false;
    }
    return true;
}

bool CTevMidiStruct::ReceiveShortMessage(const CTevShortMessage& message)
{
    uint8_t type = 0;
    uint8_t channelNumber = 0;
    message.GetStatus(type, channelNumber);
    if (type >= 0xF0 || type < 0x80)
        return false;
    const uint8_t data1 = message.GetData1();
    const uint8_t data2 = message.GetData2();
    // A data byte with its top bit set is no data byte: the message is
    // malformed and dropped before it can index a key or a controller.
    const bool oneDataByte = type == kProgramChange || type == kChannelPressure;
    if (data1 >= 0x80 || (!oneDataByte && data2 >= 0x80))
        return false;

    CTevMidiChannelData& channel = m_channels[channelNumber & 0x0F];
    CTevValueList changed;
    switch (type) {
    case kNoteOn:
        channel.note.SetKey(data1, data2);
        changed.push_back(&channel.note);
        break;
    case kNoteOff:
        channel.note.SetKey(data1, -static_cast<int32_t>(data2));
        changed.push_back(&channel.note);
        break;
    case kControlChange:
        if (data1 < CTevMidiChannelData::kCcCount) {
            channel.cc[data1].SetInteger(data2);
            changed.push_back(&channel.cc[data1]);
            if (data1 < 32) {
                channel.cc[data1 + 32u].SetInteger(0);
                changed.push_back(&channel.cc[data1 + 32u]);
            }
            if (data1 < 64)
                changed.push_back(&channel.cc2[data1 % 32u]);
        }
        break;
    case kPolyPressure:
    case kProgramChange:
    case kChannelPressure:
    case kPitchBend:
    default:
        break;
    }
    changed.push_back(&channel.received);
    return CTevManager::Instance().NotifyValuesReceived(changed);
}

#pragma once
// The state of the 16 MIDI channels as the program sees it: for every
// channel the 128 keys, 120 controllers, 32 fourteen-bit controller pairs
// and a "received" marker. The struct is a root struct without device
// addresses; its values are found by path ("midi.ch[0].cc[7]"), sent as
// notes and control changes through the output port that names the struct,
// and updated from the short messages an input port receives.
#include "core/TevBuffer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevArchive;
class CTevElementDefinition;
class CTevLongMessage;
class CTevShortMessage;
class CTevSpecRegistries;
class CTevTextOut;
class CTevMidiChannelData;
class CTevMidiCcValue;

// Splits a dotted path at its dots into non-empty components and joins
// components index .. index + count - 1 with dots. A count of -1, or one
// that runs past the last component, gives every component from index on;
// an index at or past the number of components (or negative) gives "".
std::string GetPathComponents(const std::string& path, int32_t index, int32_t count);

// How an input port reaches a MIDI struct.
class ITevMidiStruct {
public:
    virtual ~ITevMidiStruct() = default;
    // A channel message received on an input port; true when values were
    // changed and announced to the buffer manager (the port then refreshes
    // the views). System messages and malformed channel messages change
    // nothing and give false.
    virtual bool ReceiveShortMessage(const CTevShortMessage& message) = 0;
    // A universal system-exclusive message: accepted, nothing changes.
    virtual bool ReceiveLongMessage(const CTevLongMessage& message);
};

// ---------------------------------------------------------------------------
// The values of a channel record. None of them has storage in a byte image;
// each keeps its own data and knows the channel record it belongs to.
// Every value puts only data bytes (0..127) on the wire.
// ---------------------------------------------------------------------------
class CTevMidiChannelValue : public CTevValue {
public:
    CTevMidiChannelValue() = default;
    CTevMidiChannelValue(const CTevMidiChannelValue&) = default;
    CTevMidiChannelValue& operator=(const CTevMidiChannelValue&) = default;

    void SetChannelData(CTevMidiChannelData* channelData) { m_channelData = channelData; }
    CTevMidiChannelData* GetChannelData() const { return m_channelData; }
    // The channel number of the record; 0 without one.
    uint8_t GetChannel() const;

    // Makes the value's spec, interns it and takes the parent.
    bool Bind(CTevStruct* parent, CTevSpecRegistries& registries);
    // Takes the parent; true when the value already has its spec.
    bool Bind(CTevStruct* parent) override;

    // "<value>\n", the plain value dump indented, any own fields, "</value>\n".
    void Dump(CTevTextOut& out) const override;

    // The plain value fields (parent and spec references), the channel
    // record reference, then the class's own fields. Reading refuses
    // references that do not lead where the struct's layout says they must
    // (the expected parent, record and pair values), so that a corrupted
    // archive cannot relink a value to an unrelated object.
    virtual bool SerializeChannelValue(CTevArchive& archive, CTevStruct* expectedParent);

protected:
    // The spec this kind of value is bound with.
    virtual std::unique_ptr<CTevValueSpec> MakeSpec() const = 0;
    virtual void DumpOwnFields(CTevTextOut&) const {}
    virtual bool SerializeOwnFields(CTevArchive&) { return true; }
    // The output port of the MIDI struct; null while none names it.
    ITevMidiOut* GetSink() const { return GetRootMidiOut(); }

    CTevMidiChannelData* m_channelData = nullptr;
};

// The 128 keys of a channel.
class CTevMidiNoteValue : public CTevMidiChannelValue {
public:
    static constexpr int32_t kKeyCount = 128;

    struct SKey {
        // Velocity of a note on, minus the velocity of a note off, 0 = never
        // played.
        int32_t state = 0;
        // The state the device was last told of, or told the program of.
        int32_t known = 0;
        // The device knows the state. A key stays to send until its message
        // has gone out, whatever is set in between.
        bool NothingLeftToSend() const { return state == known; }
    };

    CTevMidiNoteValue() = default;

    // Key states from a control, key 0 first; entries past 127 are ignored,
    // keys without an entry keep their state. A state equal to the stored
    // one changes nothing: a key still to send stays so (a sequence run in
    // the box about a failed send writes back every state, also those of
    // keys that the interrupted send has yet to reach). A different one is
    // stored (limited to -127..127, the range of a velocity), and its key
    // moves to the end of the press order; it is to send unless the device
    // already knows that state.
    void SetData(const std::vector<int32_t>& data) override;
    // The 128 states.
    std::vector<int32_t> GetData() const override;
    // Every key left to send as a note on (state above 0) or note off, with
    // the absolute state as velocity; then nothing is left to send. A key
    // whose message could not be sent takes back the state the device
    // knows, so a note whose note off failed is still held, and is released
    // again by whoever holds it. False without a sink, or when the sink
    // refused a message.
    bool Transmit() override;

    // The receive path: the state is stored as the one the device knows,
    // so nothing is left to send for the key (a message still to send for
    // it is dropped: the device has told its own state), and the key moves
    // to the end of the press order. A key outside 0..127 is ignored.
    void SetKey(int32_t key, int32_t state);

    const SKey& GetKey(int32_t key) const;
    // Key numbers, the most recently changed key last, each at most once.
    const std::vector<uint8_t>& GetPressOrder() const { return m_pressOrder; }

protected:
    std::unique_ptr<CTevValueSpec> MakeSpec() const override;

private:
    void MoveToEnd(uint8_t key);

    std::array<SKey, kKeyCount> m_keys{};
    std::vector<uint8_t> m_pressOrder;
};

// One 7-bit controller.
class CTevMidiCcValue : public CTevMidiChannelValue {
public:
    CTevMidiCcValue() = default;

    // The integer limited to 0..127: a controller value is one data byte,
    // and a larger one would put a status byte on the wire.
    void SetInteger(int32_t value) override;
    int32_t GetInteger() const override { return m_value; }
    // B0 + channel, number, value. False without a sink.
    bool Transmit() override;

    void SetNumber(uint8_t number) { m_number = number; }
    uint8_t GetNumber() const { return m_number; }

protected:
    std::unique_ptr<CTevValueSpec> MakeSpec() const override;
    // "<ccId>%d<ccId>\n" and "<data>%d<data>\n".
    void DumpOwnFields(CTevTextOut& out) const override;
    // Number and value as integers; reading refuses a number other than the
    // value's own and a value above 127.
    bool SerializeOwnFields(CTevArchive& archive) override;

private:
    uint8_t m_number = 0;
    uint8_t m_value = 0;
};

// A fourteen-bit controller: cc[n] holds the high 7 bits, cc[n + 32] the low.
class CTevMidiCc2Value : public CTevMidiChannelValue {
public:
    CTevMidiCc2Value() = default;

    // The integer limited to 0..0x3FFF, then split into the two controllers.
    void SetInteger(int32_t value) override;
    // high * 128 + low; 0 without a pair.
    int32_t GetInteger() const override;
    // The high controller, then, if that was sent, the low one.
    bool Transmit() override;

    void SetPair(CTevMidiCcValue* high, CTevMidiCcValue* low)
    {
        m_high = high;
        m_low = low;
    }
    CTevMidiCcValue* GetHigh() const { return m_high; }
    CTevMidiCcValue* GetLow() const { return m_low; }
    // The number of the most significant controller.
    void SetPairIndex(uint8_t index) { m_index = index; }
    uint8_t GetPairIndex() const { return m_index; }

protected:
    std::unique_ptr<CTevValueSpec> MakeSpec() const override;
    // The two controller references.
    bool SerializeOwnFields(CTevArchive& archive) override;

private:
    CTevMidiCcValue* m_high = nullptr;
    CTevMidiCcValue* m_low = nullptr;
    uint8_t m_index = 0;
};

// Announced with every message of its channel; it always reads 0.
class CTevMidiReceivedValue : public CTevMidiChannelValue {
public:
    CTevMidiReceivedValue() = default;

    void SetInteger(int32_t) override {}
    int32_t GetInteger() const override { return 0; }
    bool Transmit() override { return true; }

protected:
    std::unique_ptr<CTevValueSpec> MakeSpec() const override;
};

// ---------------------------------------------------------------------------
// One channel's record. Not copyable: its values point at each other and at
// the record; CopyFrom copies the contents and keeps the links.
// ---------------------------------------------------------------------------
class CTevMidiChannelData {
public:
    static constexpr int32_t kCcCount = 120;
    static constexpr int32_t kCc2Count = 32;

    CTevMidiChannelData() = default;
    CTevMidiChannelData(const CTevMidiChannelData&) = delete;
    CTevMidiChannelData& operator=(const CTevMidiChannelData&) = delete;

    // Points every value at this record and the parent, numbers the
    // controllers and pairs the fourteen-bit values.
    void Link(uint8_t channel, CTevStruct* parent);
    // Link, then note, cc[0..119], cc2[0..31] and received get their specs;
    // false at the first failure.
    bool Bind(uint8_t channel, CTevStruct* parent, CTevSpecRegistries& registries);
    // Key states, press order, controller values and specs of the source;
    // the links stay this record's own.
    void CopyFrom(const CTevMidiChannelData& source, CTevStruct* parent);

    uint8_t channel = 0;
    CTevMidiNoteValue note;
    std::array<CTevMidiCcValue, kCcCount> cc;
    std::array<CTevMidiCc2Value, kCc2Count> cc2;
    CTevMidiReceivedValue received;
};

// ---------------------------------------------------------------------------
// CTevMidiStruct
// ---------------------------------------------------------------------------
class CTevMidiStruct : public CTevRootStruct, public ITevMidiStruct {
public:
    static constexpr int32_t kChannelCount = 16;

    CTevMidiStruct();
    ~CTevMidiStruct() override;

    // The creator for struct type code 3; InstallCreator hands it to
    // CTevStruct::Create (done once at program start as well).
    static std::unique_ptr<CTevStruct> CreateMidiStruct();
    static void InstallCreator();

    // Every "name" pair (the last one counts) is taken out of the element;
    // the struct's spec is interned in registries, which also receive the
    // value specs when the struct is bound. Other pairs stay for the
    // caller's leftover report. Always true.
    bool ReadDefinition(CTevElementDefinition& element, CTevSpecRegistries& registries);

    int32_t GetTypeCode() const override { return kMidi; }
    // Binds the 16 channel records in order; each value's spec is interned
    // in the registries given to ReadDefinition, else in the buffer
    // manager's.
    bool Bind(CTevStruct* parent) override;
    void Dump(CTevTextOut& out) const override;
    // The values have no device address: always false.
    bool FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data) override;
    // "<name>.ch[n].<value name>" with n in 0..15 and the value's name
    // ("note", "cc[c]", "cc2[i]", "received"); anything else is not found.
    bool FindValue(const std::string& path, CTevValue*& value) override;
    // Only the struct's own name.
    bool FindStruct(const std::string& path, CTevStruct*& found) override;
    // Values are transmitted one by one: sends nothing, false.
    bool Transmit() override;
    // Copies the 16 channel records.
    std::unique_ptr<CTevStruct> Clone() const override;
    // The root-struct part, this struct as ITevMidiStruct, then every
    // channel's note, cc, cc2 and received values.
    bool Serialize(CTevArchive& archive) override;

    // Note on and off, control changes and the other channel messages;
    // a message with a data byte of 0x80 or above is malformed and dropped.
    bool ReceiveShortMessage(const CTevShortMessage& message) override;

    CTevMidiChannelData& GetChannelData(int32_t channel) { return m_channels[static_cast<size_t>(channel)]; }
    const CTevMidiChannelData& GetChannelData(int32_t channel) const
    {
        return m_channels[static_cast<size_t>(channel)];
    }

private:
    CTevMidiStruct(const CTevMidiStruct& other);

    std::array<CTevMidiChannelData, kChannelCount> m_channels;
    CTevSpecRegistries* m_registries = nullptr;
};

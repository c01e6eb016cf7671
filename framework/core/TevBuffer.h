#pragma once
// The image of the device's parameter memory: trees of structs. A root
// struct stands for one separately addressed area of the device, node
// structs group structs, and leaf structs own a byte image of their part of
// the memory into which the values (core/TevValue.h) point.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <span>
#include <vector>

class CTevArchive;
class CTevDravikMessage;
class CTevElementDefinition;
class CTevSpecRegistries;
class CTevStruct;
class CTevTextOut;
class CTevValue;
class ITevMidiOut;

using CTevValueList = std::vector<CTevValue*>;
using CTevStructList = std::vector<std::unique_ptr<CTevStruct>>;

// ---------------------------------------------------------------------------
// Device addresses
//
// An address is written as hexadecimal byte pairs (see ParseHexBytes) and
// folded most significant byte first: value = value * 128 + byte. The fold
// runs in 64 bits and saturates at INT32_MAX, so an address text too long
// for 32 bits gives an address that no struct can contain (binding then
// rejects it) instead of overflowing or wrapping to a plausible small one.
// ---------------------------------------------------------------------------
int32_t TevFoldAddressBytes(std::span<const uint8_t> bytes);
int32_t TevParseAddress(const std::string& text);

// A half-open range [begin, end) of device addresses.
class CTevAddressRange {
public:
    CTevAddressRange() = default;
    CTevAddressRange(int32_t first, int32_t last) : begin(first), end(last) {}
    // [begin, begin + size), the end saturating at INT32_MAX.
    static CTevAddressRange FromSize(int32_t begin, int32_t size);

    int32_t GetSize() const { return static_cast<int32_t>(static_cast<int64_t>(end) - begin); }
    bool Contains(int32_t address) const { return begin <= address && address < end; }
    bool ContainsRange(const CTevAddressRange& other) const { return other.begin >= begin && other.end <= end; }
    bool Overlaps(const CTevAddressRange& other) const { return begin < other.end && other.begin < end; }
    // Usable to index a byte image: begin not negative and end not before it.
    bool IsValid() const { return begin >= 0 && end >= begin; }

    bool operator==(const CTevAddressRange& other) const { return begin == other.begin && end == other.end; }
    bool operator!=(const CTevAddressRange& other) const { return !(*this == other); }

    int32_t begin = 0;
    int32_t end = 0;
};

// The shared description of a buffer: its name and its range relative to
// its parent.
class CTevBufferSpec {
public:
    CTevBufferSpec() = default;
    CTevBufferSpec(std::string name, const CTevAddressRange& range) : m_name(std::move(name)), m_range(range) {}
    virtual ~CTevBufferSpec() = default;

    // The range as two integers, then the name.
    virtual bool Serialize(CTevArchive& archive);

    const std::string& GetName() const { return m_name; }
    const CTevAddressRange& GetRange() const { return m_range; }
    void SetName(const std::string& name) { m_name = name; }
    void SetRange(const CTevAddressRange& range) { m_range = range; }

protected:
    std::string m_name;
    CTevAddressRange m_range;
};

class CTevStructSpec : public CTevBufferSpec {
public:
    using CTevBufferSpec::CTevBufferSpec;

    // Interning order: name, begin, end.
    bool operator<(const CTevStructSpec& other) const;
};

// ---------------------------------------------------------------------------
// CTevBuffer: common base of structs and values.
// ---------------------------------------------------------------------------
class CTevBuffer {
public:
    virtual ~CTevBuffer() = default;

    virtual const std::string& GetName() const = 0;
    // Relative to the parent (absolute for a root struct).
    virtual CTevAddressRange GetRange() const = 0;
    virtual CTevStruct* GetParent() const = 0;
    // Checks the range against the parent and binds storage. Reports through
    // the manager's error reporter and returns false when the range does not
    // fit.
    virtual bool Bind(CTevStruct* parent) = 0;
    virtual void Dump(CTevTextOut& out) const = 0;
    virtual void DumpNames(CTevTextOut& out) const = 0;

    // "root.child.name".
    std::string GetFullName() const;
    // Own range moved by the begins of all ancestors.
    CTevAddressRange GetAbsoluteRange() const;
    // The topmost ancestor, or this buffer when it has no parent.
    CTevBuffer* GetRoot();
    const CTevBuffer* GetRoot() const;
    // The MIDI output of the root struct above this buffer, or null.
    ITevMidiOut* GetRootMidiOut() const;

    // "<full name>, address=%08lX %08lX, " with the absolute range.
    void DumpHeader(CTevTextOut& out) const;
    // "<full name>\n".
    void DumpFullName(CTevTextOut& out) const;
};

// ---------------------------------------------------------------------------
// CTevStruct: root, node, leaf (and, in the MIDI layer, the MIDI channel
// struct).
// ---------------------------------------------------------------------------
class CTevStruct : public CTevBuffer {
public:
    enum : int32_t { kRoot = 0, kNode = 1, kLeaf = 2, kMidi = 3 };

    // Makes the struct for type code kMidi; installed by the MIDI layer.
    using CTevMidiStructCreator = std::unique_ptr<CTevStruct> (*)();

    CTevStruct() = default;
    ~CTevStruct() override = default;

    // A new empty struct of the kind; null for an unknown code, and for
    // kMidi while no creator is installed.
    static std::unique_ptr<CTevStruct> Create(int32_t typeCode);
    // The MIDI channel struct lives in the MIDI layer, which installs its
    // creator here (null removes it).
    static void SetMidiStructCreator(CTevMidiStructCreator creator);
    static CTevMidiStructCreator GetMidiStructCreator();

    const std::string& GetName() const override;
    CTevAddressRange GetRange() const override;
    CTevStruct* GetParent() const override { return m_parent; }

    virtual int32_t GetTypeCode() const = 0;
    // The children of a root or node struct; null for the other kinds.
    virtual const CTevStructList* GetChildStructs() const { return nullptr; }
    virtual CTevStructList* GetChildStructs() { return nullptr; }
    // The values of a leaf; null for the other kinds.
    virtual const std::vector<CTevValue>* GetValues() const { return nullptr; }
    virtual std::vector<CTevValue>* GetValues() { return nullptr; }
    // The byte image of a leaf; null for the other kinds.
    virtual const std::vector<uint8_t>* GetData() const { return nullptr; }
    virtual std::vector<uint8_t>* GetData() { return nullptr; }
    // range is relative to this struct's parent (absolute for a root). True
    // when it lies wholly inside one leaf: the values overlapping it are
    // appended to values and data points at its first byte in the image.
    // On false the outputs are untouched.
    virtual bool FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data) = 0;
    // Dotted path starting with this struct's own name. On false the output
    // is untouched.
    virtual bool FindValue(const std::string& path, CTevValue*& value) = 0;
    virtual bool FindStruct(const std::string& path, CTevStruct*& found) = 0;
    virtual bool Transmit() = 0;
    // A deep copy sharing the specs; its parent links and value storage
    // refer to the source tree until it is bound.
    virtual std::unique_ptr<CTevStruct> Clone() const = 0;
    virtual bool Serialize(CTevArchive& archive) = 0;

    // Reads "name", "address" and "size" (erasing each understood pair);
    // defaultAddress and defaultSize stand in for missing ones. The spec is
    // interned in registries. Always true.
    bool ReadDefinition(CTevElementDefinition& element, int32_t defaultAddress, int32_t defaultSize,
                        CTevSpecRegistries& registries);
    // Depth first: every value of every leaf gets its default.
    void ResetToDefaults();

    // The largest end among the children (or values); 0 without any.
    int32_t GetChildrenEnd() const;

    const CTevStructSpec* GetSpec() const { return m_spec; }
    void SetSpec(const CTevStructSpec* spec) { m_spec = spec; }

protected:
    // The parent's size must cover the own range; reports and returns false
    // otherwise.
    bool CheckRangeInParent(const CTevStruct* parent) const;
    // The shared part of the archive: the struct spec as an object reference.
    bool SerializeSpec(CTevArchive& archive);
    // Count and type codes in the value passes, then every child registered
    // (as CTevStruct) and serialised.
    static bool SerializeChildList(CTevArchive& archive, CTevStructList& children);
    // Binds children in order, false at the first failure.
    bool BindChildren(CTevStructList& children);
    bool FindStructInChildren(const std::string& path, CTevStructList& children, CTevStruct*& found);
    bool FindValueInChildren(const std::string& path, CTevStructList& children, CTevValue*& value);
    bool FindByAddressInChildren(const CTevAddressRange& range, CTevStructList& children, CTevValueList& values,
                                 uint8_t*& data);
    static void TransmitChildren(CTevStructList& children);
    void DumpChildren(CTevTextOut& out, const CTevStructList& children) const;
    void DumpChildNames(CTevTextOut& out, const CTevStructList& children) const;
    static void CloneChildren(const CTevStructList& source, CTevStructList& target);

    const CTevStructSpec* m_spec = nullptr;
    CTevStruct* m_parent = nullptr;
};

// How the MIDI layer reaches a root struct.
class ITevRootStruct {
public:
    virtual ~ITevRootStruct() = default;
    // The port that transmits this tree's data sets (not owned).
    virtual void SetMidiOut(ITevMidiOut*) {}
    // A received vendor data set; true when its data was taken.
    virtual bool ApplyDataSet(const CTevDravikMessage&) { return true; }
};

class CTevRootStruct : public CTevStruct, public ITevRootStruct {
public:
    CTevRootStruct() = default;
    ~CTevRootStruct() override;

    int32_t GetTypeCode() const override { return kRoot; }
    const CTevStructList* GetChildStructs() const override { return &m_children; }
    CTevStructList* GetChildStructs() override { return &m_children; }
    // Binds the children (the root itself has no parent); also rejects an
    // invalid range of the root itself.
    bool Bind(CTevStruct* parent) override;
    void Dump(CTevTextOut& out) const override;
    void DumpNames(CTevTextOut& out) const override;
    bool FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data) override;
    bool FindValue(const std::string& path, CTevValue*& value) override;
    bool FindStruct(const std::string& path, CTevStruct*& found) override;
    bool Transmit() override;
    std::unique_ptr<CTevStruct> Clone() const override;
    bool Serialize(CTevArchive& archive) override;

    void SetMidiOut(ITevMidiOut* midiOut) override { m_midiOut = midiOut; }
    // The address is folded from the message, the end is the begin plus the
    // data's length; taken only when the range lies inside one leaf. The
    // touched values go to the buffer manager's NotifyValuesReceived, whose
    // result is returned.
    bool ApplyDataSet(const CTevDravikMessage& message) override;

    ITevMidiOut* GetMidiOut() const { return m_midiOut; }
    bool IsChanged() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }

protected:
    CTevRootStruct(const CTevRootStruct& other);

    CTevStructList m_children;
    ITevMidiOut* m_midiOut = nullptr;
    bool m_changed = false;
    // Reused for every received data set so that receiving allocates nothing
    // once its capacity has grown to the largest leaf.
    CTevValueList m_receivedValues;
};

class CTevNodeStruct : public CTevStruct {
public:
    CTevNodeStruct() = default;
    ~CTevNodeStruct() override;

    int32_t GetTypeCode() const override { return kNode; }
    const CTevStructList* GetChildStructs() const override { return &m_children; }
    CTevStructList* GetChildStructs() override { return &m_children; }
    bool Bind(CTevStruct* parent) override;
    void Dump(CTevTextOut& out) const override;
    void DumpNames(CTevTextOut& out) const override;
    bool FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data) override;
    bool FindValue(const std::string& path, CTevValue*& value) override;
    bool FindStruct(const std::string& path, CTevStruct*& found) override;
    bool Transmit() override;
    std::unique_ptr<CTevStruct> Clone() const override;
    bool Serialize(CTevArchive& archive) override;

private:
    CTevNodeStruct(const CTevNodeStruct& other);

    CTevStructList m_children;
};

class CTevLeafStruct : public CTevStruct {
public:
    CTevLeafStruct();
    ~CTevLeafStruct() override;

    int32_t GetTypeCode() const override { return kLeaf; }
    const std::vector<CTevValue>* GetValues() const override { return &m_values; }
    std::vector<CTevValue>* GetValues() override { return &m_values; }
    const std::vector<uint8_t>* GetData() const override { return &m_data; }
    std::vector<uint8_t>* GetData() override { return &m_data; }
    // Range check and size limit, then the image is resized to the own
    // size (new bytes 0) and every value bound in order.
    bool Bind(CTevStruct* parent) override;
    void Dump(CTevTextOut& out) const override;
    void DumpNames(CTevTextOut& out) const override;
    bool FindByAddress(const CTevAddressRange& range, CTevValueList& values, uint8_t*& data) override;
    bool FindValue(const std::string& path, CTevValue*& value) override;
    bool FindStruct(const std::string& path, CTevStruct*& found) override;
    // One data set of the whole image at the absolute begin; false without
    // a MIDI output at the root or when the output refuses it.
    bool Transmit() override;
    std::unique_ptr<CTevStruct> Clone() const override;
    bool Serialize(CTevArchive& archive) override;

    // Reading an archive refuses a leaf claiming more values than this.
    static constexpr int32_t kMaxArchivedValues = 1 << 16;
    // The largest byte image a leaf may have, and so the largest value. A
    // leaf is one block of the device's memory, sent as one data set; real
    // blocks hold a few hundred bytes, while 1 MiB would take five minutes
    // on the wire. A script whose addresses or sizes run past this (five
    // 7-bit bytes saturate at 2 GiB) is refused before anything is
    // allocated for it.
    static constexpr int32_t kMaxImageSize = 1 << 20;

private:
    CTevLeafStruct(const CTevLeafStruct& other);

    std::vector<CTevValue> m_values;
    std::vector<uint8_t> m_data;
};

// ---------------------------------------------------------------------------
// CTevBufferAccessor: an edition's fixed table of buffers, resolved once the
// model exists.
// ---------------------------------------------------------------------------
class CTevBufferManager;

class CTevBufferAccessor {
public:
    // Forgets any base struct, keeps the manager and returns ResolveBuffers.
    bool Attach(CTevBufferManager* manager);

    CTevBufferManager* GetBufferManager() const { return m_bufferManager; }
    CTevStruct* GetBaseStruct() const { return m_baseStruct; }

protected:
    CTevBufferAccessor() = default;
    ~CTevBufferAccessor() = default;

    virtual bool ResolveBuffers() = 0;

    CTevStruct* m_baseStruct = nullptr;
    CTevBufferManager* m_bufferManager = nullptr;
};

// Every user of the struct tree also needs the value classes.
#include "core/TevValue.h"

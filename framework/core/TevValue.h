#pragma once
// Values: device parameters packed into a leaf struct's byte image, read
// and written as integers, strings or raw data, and their interned
// descriptions (type, range, default, number table).
#include "core/TevBuffer.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CTevIntegerTable;

class CTevValueSpec : public CTevBufferSpec {
public:
    enum : int32_t {
        kInt1x7 = 0,
        kInt2x7 = 1,
        kInt2x4 = 2,
        kInt3x4 = 3,
        kInt4x4 = 4,
        kString = 5,
        kMidiNote = 6,
    };
    enum : int32_t { kNumeric = 0, kText = 1, kData = 2 };

    // Type 0, empty name, range [0, 0), minimum 0, maximum 127, default 64,
    // no string default, no number table.
    CTevValueSpec() = default;
    CTevValueSpec(std::string name, const CTevAddressRange& range, int32_t type, int32_t minimum, int32_t maximum,
                  int32_t defaultValue, std::string stringDefault, const CTevIntegerTable* numberTable);

    // The type code of a script type text ("" means int1x7); false for an
    // unknown text.
    static bool TypeFromText(const std::string& text, int32_t& type);
    // Bytes of a numeric type (1-4); 0 for string and note values.
    static int32_t NaturalSize(int32_t type);
    // What an "S" suffix adds to a number: half the type's range (8192 for
    // int2x7); 0 for the non-numeric types.
    static int32_t SignedOffset(int32_t type);
    // 0 numeric (types 0-4), 1 string (5), 2 data (6).
    static int32_t KindOfType(int32_t type);

    // The table's entry count, else maximum - minimum + 1 (saturating).
    int32_t GetCount() const;
    // With a table: the index of the first equal entry, or the count when
    // none is; without: v - minimum.
    int32_t ValueToIndex(int32_t value) const;
    // With a table: entry i, the index clamped into [0, count - 1] so that
    // no index (device data included) reads outside the table; an empty
    // table gives the minimum. Without: i + minimum (saturating).
    int32_t IndexToValue(int32_t index) const;
    int32_t GetDefaultIndex() const { return ValueToIndex(m_default); }

    // The buffer part, type, minimum, maximum, default, string default and
    // the number table as an object reference.
    bool Serialize(CTevArchive& archive) override;

    // Interning order: name, begin, end, type, minimum, maximum, default,
    // string default, number table.
    bool operator<(const CTevValueSpec& other) const;

    int32_t GetType() const { return m_type; }
    int32_t GetKind() const { return KindOfType(m_type); }
    int32_t GetMinimum() const { return m_minimum; }
    int32_t GetMaximum() const { return m_maximum; }
    int32_t GetDefault() const { return m_default; }
    const std::string& GetStringDefault() const { return m_stringDefault; }
    const CTevIntegerTable* GetNumberTable() const { return m_numberTable; }

    void SetType(int32_t type) { m_type = type; }
    void SetMinimum(int32_t minimum) { m_minimum = minimum; }
    void SetMaximum(int32_t maximum) { m_maximum = maximum; }
    void SetDefault(int32_t value) { m_default = value; }
    void SetStringDefault(const std::string& text) { m_stringDefault = text; }
    void SetNumberTable(const CTevIntegerTable* table) { m_numberTable = table; }

private:
    int32_t m_type = kInt1x7;
    int32_t m_minimum = 0;
    int32_t m_maximum = 127;
    int32_t m_default = 64;
    std::string m_stringDefault;
    const CTevIntegerTable* m_numberTable = nullptr;
};

// ---------------------------------------------------------------------------
// Spec interning: an owning list and a lookup set ordered by T::operator<.
// ---------------------------------------------------------------------------
template <class T>
class CTevSpecRegistry {
public:
    // The registered spec equal to the given one (which is then deleted),
    // or the given one, now registered. Null in, null out.
    const T* Intern(std::unique_ptr<T> spec)
    {
        if (!spec)
            return nullptr;
        auto found = m_lookup.find(spec.get());
        if (found != m_lookup.end())
            return *found;
        const T* registered = spec.get();
        m_specs.push_back(std::move(spec));
        m_lookup.insert(registered);
        return registered;
    }

    // Deletes every spec.
    void Clear()
    {
        m_lookup.clear();
        m_specs.clear();
    }

    size_t GetCount() const { return m_specs.size(); }
    const std::vector<std::unique_ptr<T>>& GetSpecs() const { return m_specs; }

    // The count, then every spec registered as an object (as const T*) and
    // serialised. Reading values replaces the contents; the lookup set is
    // rebuilt after the reference pass, which completes the specs' keys.
    bool Serialize(CTevArchive& archive);

private:
    struct SLess {
        bool operator()(const T* a, const T* b) const { return *a < *b; }
    };

    std::vector<std::unique_ptr<T>> m_specs;
    std::set<const T*, SLess> m_lookup;
};

// Made in TevValue.cpp.
extern template class CTevSpecRegistry<CTevStructSpec>;
extern template class CTevSpecRegistry<CTevValueSpec>;

// The registries the buffer manager keeps; readers intern through them.
class CTevSpecRegistries {
public:
    void Clear()
    {
        valueSpecs.Clear();
        structSpecs.Clear();
    }
    // Struct specs, then value specs.
    bool Serialize(CTevArchive& archive);

    CTevSpecRegistry<CTevStructSpec> structSpecs;
    CTevSpecRegistry<CTevValueSpec> valueSpecs;
};

// ---------------------------------------------------------------------------
// CTevValue: three references (parent leaf, storage in the leaf's image,
// interned spec) and no data of its own; copied freely.
// ---------------------------------------------------------------------------
class CTevValue : public CTevBuffer {
public:
    CTevValue() = default;
    explicit CTevValue(const CTevValueSpec* spec, CTevStruct* parent = nullptr) : m_parent(parent), m_spec(spec) {}
    CTevValue(const CTevValue&) = default;
    CTevValue& operator=(const CTevValue&) = default;
    ~CTevValue() override = default;

    const std::string& GetName() const override;
    CTevAddressRange GetRange() const override;
    CTevStruct* GetParent() const override { return m_parent; }
    // Keeps the leaf as parent; the storage becomes the leaf's image at the
    // value's begin when the value lies inside the image, else the failure
    // is reported and the result is false (the storage is then null).
    bool Bind(CTevStruct* parent) override;
    void Dump(CTevTextOut& out) const override;
    void DumpNames(CTevTextOut& out) const override;

    virtual const CTevValueSpec* GetSpec() const { return m_spec; }
    virtual int32_t GetKind() const;
    // Packs by type, high bits beyond the type's width dropped; does nothing
    // for strings, note values and unbound values.
    virtual void SetInteger(int32_t value);
    // 0 for strings, note values and unbound values.
    virtual int32_t GetInteger() const;
    virtual void SetIndex(int32_t index);
    virtual int32_t GetIndex() const;
    // Copies at most the value's size of bytes from the storage's start;
    // later bytes keep their content.
    virtual void SetString(const std::string& text);
    // Exactly the value's size of bytes (empty when unbound).
    virtual std::string GetString() const;
    virtual void SetData(const std::vector<int32_t>& data);
    virtual std::vector<int32_t> GetData() const;
    // One data set of the own bytes at the absolute begin through the root's
    // MIDI output; false without one (or when it refuses).
    virtual bool Transmit();
    virtual void ResetToDefault();

    // Builds the value spec from a "value" element (erasing every understood
    // pair) and interns it. defaultAddress is used when there is no
    // "address". The first failure is reported through the manager's error
    // reporter and gives false (no spec kept).
    bool ReadDefinition(CTevElementDefinition& element, int32_t defaultAddress, CTevSpecRegistries& registries);

    // The parent and the value spec as object references; when references are
    // read the storage is recomputed from the parent's image (false when
    // the value does not fit it).
    bool Serialize(CTevArchive& archive);

    uint8_t* GetStorage() const { return m_storage; }
    void SetSpec(const CTevValueSpec* spec) { m_spec = spec; }

protected:
    CTevStruct* m_parent = nullptr;
    uint8_t* m_storage = nullptr;
    const CTevValueSpec* m_spec = nullptr;
};

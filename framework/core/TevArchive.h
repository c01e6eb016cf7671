#pragma once
// The binary archive through which model and view classes save and load
// their state. One Serialize(CTevArchive&) method per class serves both
// directions; the archive's mode tells it which one.
//
// A graph of objects with pointers between them goes through the archive
// in two passes over the same graph in the same order:
//   saving:  kWriteValues (numbers, texts, counts; every object registered),
//            then kWriteReferences (every pointer as its object's index);
//   loading: kReadValues (objects created and registered in the same order),
//            then kReadReferences (indices turned back into pointers).
// Every operation transfers only in the modes of its kind and does nothing
// (returning true) in the others. Integers are stored as 4 bytes, most
// significant first.
//
// The archive does not know where its bytes go: a derived class supplies
// ReadBytes and WriteBytes. Every operation returns false as soon as one of
// them fails or the input is impossible (negative length, count or index);
// callers stop at the first false and return it.
#include "core/TevGeometry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <vector>

// The kind of object under which a pointer is registered and referred to.
// A reference is read back only into a pointer of the kind its object was
// registered as, so an index that names some other object fails the load
// instead of being used as the wrong type. A hierarchy whose objects are
// referred to through pointers of several derived types declares
// `using CTevArchiveKind = Base;` in its base: every derived type then
// registers as the base, and a reference of a derived type must also pass
// a dynamic_cast to it.
template <class T>
struct CTevArchiveKindOf {
    using Type = std::remove_cv_t<T>;
};
template <class T>
    requires requires { typename T::CTevArchiveKind; }
struct CTevArchiveKindOf<T> {
    using Type = typename T::CTevArchiveKind;
};

class CTevArchive {
public:
    enum : int32_t {
        kReadValues = 0,
        kReadReferences = 1,
        kWriteValues = 2,
        kWriteReferences = 3,
    };

    // The stored index of a null pointer.
    static constexpr int32_t kNullIndex = -1;

    explicit CTevArchive(int32_t mode = kReadValues);
    virtual ~CTevArchive();

    CTevArchive(const CTevArchive&) = delete;
    CTevArchive& operator=(const CTevArchive&) = delete;

    int32_t GetMode() const { return m_mode; }
    // Refuses (false, mode unchanged) anything but the four modes. Entering
    // a value pass from any other mode starts a new graph and clears the
    // registration table; a reference pass keeps the table that the value
    // pass before it built.
    bool SetMode(int32_t mode);
    // Clears the registration table; the mode stays.
    void Reset();

    bool IsLoading() const { return m_mode == kReadValues || m_mode == kReadReferences; }
    bool IsStoring() const { return m_mode == kWriteValues || m_mode == kWriteReferences; }
    bool IsValuePass() const { return m_mode == kReadValues || m_mode == kWriteValues; }
    bool IsReferencePass() const { return m_mode == kReadReferences || m_mode == kWriteReferences; }

    // Value passes only: gives an object not yet registered the next index;
    // one already registered keeps its own. A null pointer is not registered.
    // An object must be registered as the same pointer type (the same base
    // part, see CTevArchiveKindOf) through which other objects refer to it.
    template <class T>
    void RegisterObject(const T* object)
    {
        using Kind = typename CTevArchiveKindOf<T>::Type;
        RegisterAs(static_cast<const Kind*>(object), typeid(Kind));
    }
    void RegisterObject(std::nullptr_t) {}
    // The index of an object registered as the kind of T, or kNullIndex.
    template <class T>
    int32_t IndexOf(const T* object) const
    {
        using Kind = typename CTevArchiveKindOf<T>::Type;
        return IndexOfAs(static_cast<const Kind*>(object), typeid(Kind));
    }
    int32_t GetObjectCount() const { return static_cast<int32_t>(m_objects.size()); }

    // Value forms: transfer in kReadValues and kWriteValues.
    bool SerializeInt(int32_t& value);
    // Stored as 4 bytes, zero-extended; reading keeps the low 16 bits.
    bool SerializeShort(uint16_t& value);
    // Stored as the integer 0 or 1; any non-zero reads as true.
    bool SerializeBool(bool& value);
    bool SerializePoint(CTevPoint& point);
    bool SerializeRect(CTevRect& rect);
    bool SerializeColor(CTevColor& color);
    // A 4-byte length, then the bytes. A negative length is refused; a long
    // one is read in bounded pieces, so a length that the source cannot
    // honour fails there instead of allocating it up front. On failure the
    // variable keeps its old contents.
    bool SerializeString(std::string& text);
    bool SerializeBytes(std::vector<uint8_t>& bytes);

    // The count of a list: written in kWriteValues, read in kReadValues, left
    // alone (true) in the reference passes. Set it to the list's current size
    // before the call in every mode. A negative count is refused. A count is
    // not checked against the input, so a reader should create the elements
    // one by one as it reads them rather than reserving the count up front.
    bool SerializeCount(int32_t& count);

    // Reference form: transfers in kReadReferences and kWriteReferences.
    // A pointer is stored as the index under which its object was registered
    // in the value pass; a null pointer as kNullIndex, which reads back as
    // null. Writing a non-null pointer that was never registered fails rather
    // than losing the reference. Reading an index outside the table, or one
    // whose object is not of the pointer's kind, fails and leaves the
    // pointer unchanged.
    template <class T>
    bool SerializeObjectRef(T*& pointer)
    {
        using Kind = typename CTevArchiveKindOf<T>::Type;
        const void* object = static_cast<const Kind*>(pointer);
        if (!SerializeObjectAddress(object, typeid(Kind)))
            return false;
        if (m_mode != kReadReferences)
            return true;
        const Kind* registered = static_cast<const Kind*>(object);
        if constexpr (std::is_same_v<Kind, std::remove_cv_t<T>>) {
            pointer = const_cast<T*>(registered);
        } else {
            const T* derived = dynamic_cast<const T*>(registered);
            if (registered && !derived)
                return false;
            pointer = const_cast<T*>(derived);
        }
        return true;
    }

    // A list whose elements are nothing but references: the count goes with
    // the value pass like any count, the references with the reference
    // pass. A loading archive keeps the count it reads and appends the
    // elements only as their references are read, so a count that the input
    // cannot honour fails on the input instead of being allocated. Both
    // passes must visit the lists in the same order.
    template <class T>
    bool SerializeReferenceList(std::vector<T*>& list)
    {
        int32_t count = static_cast<int32_t>(list.size());
        switch (m_mode) {
        case kReadValues:
            if (!SerializeCount(count))
                return false;
            m_listCounts.push_back(count);
            list.clear();
            return true;
        case kReadReferences: {
            if (m_nextListCount >= m_listCounts.size())
                return false;
            count = m_listCounts[m_nextListCount++];
            std::vector<T*> read;
            for (int32_t i = 0; i < count; ++i) {
                T* element = nullptr;
                if (!SerializeObjectRef(element))
                    return false;
                read.push_back(element);
            }
            list = std::move(read);
            return true;
        }
        case kWriteValues:
            return SerializeCount(count);
        default:
            for (T*& element : list) {
                if (!SerializeObjectRef(element))
                    return false;
            }
            return true;
        }
    }

    // The 4-byte big-endian transfer on which every integer form is built;
    // these ignore the mode.
    bool ReadRaw32(uint32_t& value);
    bool WriteRaw32(uint32_t value);

protected:
    // Fills the whole buffer (its current size) from the source.
    virtual bool ReadBytes(std::vector<uint8_t>& buffer) = 0;
    // Writes the whole buffer to the destination.
    virtual bool WriteBytes(const std::vector<uint8_t>& buffer) = 0;

private:
    // The registration table holds each object with the kind it was
    // registered as; one address may be registered as several kinds.
    struct CEntry {
        const void* object;
        std::type_index kind;
        bool operator==(const CEntry& other) const { return object == other.object && kind == other.kind; }
    };
    struct CEntryHash {
        size_t operator()(const CEntry& entry) const
        {
            return std::hash<const void*>()(entry.object) ^ (entry.kind.hash_code() * 31);
        }
    };

    void RegisterAs(const void* object, const std::type_info& kind);
    int32_t IndexOfAs(const void* object, const std::type_info& kind) const;
    bool SerializeObjectAddress(const void*& object, const std::type_info& kind);
    bool ReadLength(int32_t& length);
    bool WriteLength(size_t length);
    // Reads `length` bytes in bounded pieces and appends them to `out`.
    template <class Container>
    bool ReadPieces(int32_t length, Container& out);

    int32_t m_mode;
    std::vector<CEntry> m_objects;
    std::unordered_map<CEntry, int32_t, CEntryHash> m_indices;
    std::vector<uint8_t> m_buffer;
    // The counts of reference lists read in the value pass, in order, and
    // the next one the reference pass takes.
    std::vector<int32_t> m_listCounts;
    size_t m_nextListCount = 0;
};

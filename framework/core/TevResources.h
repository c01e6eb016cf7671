#pragma once
// The script's named resources besides the parameter model: multi-state
// skin bitmaps, text writers (font, colours and alignment for drawn text),
// string tables and number tables, and the resource manager that converts
// their element definitions into objects at start-up and keeps them by name.
//
// Bitmaps and text writers need the platform to load images and make fonts:
// the classes here keep the attributes and the protocol, and the platform's
// classes, made through ITevResourceFactory, do the drawing.
//
// Note for platform implementations: the Windows headers define macros named
// CreateFont, DrawText and LoadBitmap. A source that includes them before
// this header must #undef those three, or the overrides get renamed.
#include "core/TevGeometry.h"
#include "core/TevScript.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CTevArchive;
class CTevTextOut;
// View interfaces: the paint context and the line and fill drawer.
class CTevDrawInfo;
class CTevGraphDrawer;

// A named script resource.
class CTevResource {
public:
    // Views and value specs refer to resources of each kind (bitmaps,
    // tables); all of them register with an archive as resources.
    using CTevArchiveKind = CTevResource;

    CTevResource() = default;
    CTevResource(const CTevResource&) = delete;
    CTevResource& operator=(const CTevResource&) = delete;
    virtual ~CTevResource() = default;

    // Every "name" pair sets the name (the last wins) and is erased.
    virtual bool ReadDefinition(CTevElementDefinition& definition);
    // Appends ("name", name) to the element's pairs.
    virtual bool WriteDefinition(CTevElementDefinition& definition) const;
    // Registers the resource with the archive (views refer to resources by
    // pointer), then the name as a string.
    virtual bool Serialize(CTevArchive& archive);

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

protected:
    std::string m_name;
};

// A picture made of equal cells, one per state, with an optional mask cell
// beside each state cell. States are stacked vertically (the mask cell to
// the right of its state cell) or laid side by side horizontally (the mask
// cell below). The image is loaded while at least one user holds it
// (Acquire / Release) and its cell size is derived at the first load.
//
// Sizes are CTevPoint pairs: x is the width, y the height.
class CTevStateBitmap : public CTevResource {
public:
    // Draws the area of `size` at (sourceX, sourceY) of the image at
    // `position`; a mask offset other than (0, 0) draws it masked by the
    // area of the same size at (maskX, maskY).
    virtual void DrawCell(CTevDrawInfo& drawInfo, const CTevPoint& position, const CTevPoint& size,
                          int32_t sourceX, int32_t sourceY, int32_t maskX, int32_t maskY) = 0;
    // Draws the cell of a state at `position`. The state is clamped to
    // [0, state count - 1], so a caller's stray index never reads outside
    // the image.
    virtual void DrawState(CTevDrawInfo& drawInfo, const CTevPoint& position, int32_t state);
    // The width and height of the loaded image.
    virtual CTevPoint GetSize() const = 0;
    // Loads the image named by `name`.
    virtual bool LoadBitmap(const std::string& name) = 0;
    // Frees the image.
    virtual void Unload() = 0;

    // "stateCount", "direction" and "mask", read in element order; each
    // understood pair is erased, other pairs stay. The image is not loaded
    // here.
    bool ReadDefinition(CTevElementDefinition& definition) override;
    // Name, state count, cell width and height, direction, mask, reference
    // count. When references are read and the count is above 0 the image is
    // loaded again. A state count below 1 or a negative reference count
    // fails the load.
    bool Serialize(CTevArchive& archive) override;

    // Loads the image when nobody holds it yet (failure: false, nothing
    // held) and derives the cell size; then counts one more holder.
    bool Acquire();
    // Counts one holder less; the last one unloads the image. Nothing
    // happens when nobody holds it.
    void Release();

    int32_t GetStateCount() const { return m_stateCount; }
    CTevPoint GetCellSize() const { return {m_cellWidth, m_cellHeight}; }
    int32_t GetCellWidth() const { return m_cellWidth; }
    int32_t GetCellHeight() const { return m_cellHeight; }
    // False: states stacked vertically; true: side by side horizontally.
    bool IsHorizontal() const { return m_horizontal; }
    bool HasMask() const { return m_mask; }
    int32_t GetReferenceCount() const { return m_referenceCount; }

private:
    void DeriveCellSize();

    int32_t m_stateCount = 1;
    int32_t m_cellWidth = 0;
    int32_t m_cellHeight = 0;
    bool m_horizontal = false;
    bool m_mask = false;
    int32_t m_referenceCount = 0;
};

// Draws text with a font, colours and alignment. The writer keeps no
// attributes of its own: the platform's writer holds them from CreateFont.
class CTevTextWriter : public CTevResource {
public:
    enum : int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };
    enum : int32_t { kAlignTop = 0, kAlignMiddle = 1, kAlignBottom = 2 };
    enum : int32_t { kOpaque = 0, kTransparent = 1 };

    class CAttributes {
    public:
        std::string fontFaceName;
        int32_t fontHeight = 10; // pixels
        CTevColor fontColor{0, 0, 0};
        CTevColor backgroundColor{0xFF00, 0xFF00, 0xFF00};
        bool verticalFont = false;
        int32_t horizontalAlignment = kAlignLeft;
        int32_t verticalAlignment = kAlignMiddle;
        int32_t backgroundMode = kOpaque;

        bool operator==(const CAttributes&) const = default;
    };

    // Takes the record over and makes the font.
    virtual bool CreateFont(const CAttributes& attributes) = 0;
    // Fills the record from the current font and settings.
    virtual bool GetAttributes(CAttributes& attributes) const = 0;
    // Draws the text into the rectangle with the font, colours and alignment.
    virtual void DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text) = 0;

    // The font attributes in element order, then CreateFont, whose result is
    // the result of the read.
    bool ReadDefinition(CTevElementDefinition& definition) override;
    // Name, then the attribute record (fetched with GetAttributes when
    // written, handed to CreateFont when read).
    bool Serialize(CTevArchive& archive) override;
};

// A named list of entries.
template <class T>
class CTevTable : public CTevResource {
public:
    // The entry at the index; an index outside [0, count) gives a
    // default-constructed entry instead of reading outside the list.
    virtual const T& GetAt(int32_t index) const
    {
        static const T none{};
        return index >= 0 && index < GetCount() ? m_entries[size_t(index)] : none;
    }
    // The index of the first equal entry, or the count when there is none.
    virtual int32_t IndexOf(const T& entry) const
    {
        int32_t index = 0;
        for (; index < GetCount() && !(m_entries[size_t(index)] == entry); ++index) {}
        return index;
    }
    virtual int32_t GetCount() const { return static_cast<int32_t>(m_entries.size()); }

    // Name, entry count, then each entry.
    bool Serialize(CTevArchive& archive) override;

    const std::vector<T>& GetEntries() const { return m_entries; }

protected:
    std::vector<T> m_entries;
};

// Made in TevResources.cpp.
extern template class CTevTable<std::string>;
extern template class CTevTable<int32_t>;

class CTevStringTable : public CTevTable<std::string> {
public:
    // Each "table" pair: entities unescaped, then split into items at commas
    // (with \\, \c and \s escapes). No entry at all fails.
    bool ReadDefinition(CTevElementDefinition& definition) override;
    // The entries escaped and joined with ", " as one "table" pair.
    bool WriteDefinition(CTevElementDefinition& definition) const override;

    // With the entries taken as sorted by CompareNumericText: the index of
    // the last entry that the text is not less than; 0 when the text is less
    // than every entry (or the table is empty).
    int32_t FindNearestIndex(const std::string& text) const;
};

class CTevIntegerTable : public CTevTable<int32_t> {
public:
    // Each "table" pair: comma-separated numbers ("%li"). An empty or
    // unreadable item fails, as does a table without entries.
    bool ReadDefinition(CTevElementDefinition& definition) override;
    // The entries in decimal joined by "," as one "table" pair.
    bool WriteDefinition(CTevElementDefinition& definition) const override;
};

// An owning map from name to resource.
template <class T>
class CTevResources {
public:
    CTevResources() = default;
    CTevResources(const CTevResources&) = delete;
    CTevResources& operator=(const CTevResources&) = delete;
    virtual ~CTevResources() = default;

    // The resource registered under exactly this name, or null.
    T* FindByName(const std::string& name) const
    {
        auto it = m_resources.find(name);
        return it == m_resources.end() ? nullptr : it->second.get();
    }
    // Inserts the resource. An entry already present under the name is
    // kept and the new resource is deleted; the result tells which happened.
    bool Add(const std::string& name, std::unique_ptr<T> resource)
    {
        return m_resources.emplace(name, std::move(resource)).second;
    }
    // Deletes every resource.
    void Clear() { m_resources.clear(); }
    size_t GetCount() const { return m_resources.size(); }

private:
    std::map<std::string, std::unique_ptr<T>> m_resources;
};

using CTevStateBitmaps = CTevResources<CTevStateBitmap>;
using CTevTextWriters = CTevResources<CTevTextWriter>;
using CTevStringTables = CTevResources<CTevStringTable>;
using CTevIntegerTables = CTevResources<CTevIntegerTable>;

// Makes the platform's resource objects; each result is the caller's.
class ITevResourceFactory {
public:
    virtual ~ITevResourceFactory() = default;
    virtual std::unique_ptr<CTevStateBitmap> CreateStateBitmap() = 0;
    virtual std::unique_ptr<CTevTextWriter> CreateTextWriter() = 0;
    // A plain owning pointer: the graph drawer is a view interface that is
    // only declared here, and a unique_ptr of it could not be made or
    // destroyed in this layer. The caller deletes it.
    virtual CTevGraphDrawer* CreateGraphDrawer() = 0;
};

class CTevResourceManager {
public:
    CTevResourceManager();
    CTevResourceManager(const CTevResourceManager&) = delete;
    CTevResourceManager& operator=(const CTevResourceManager&) = delete;
    ~CTevResourceManager();

    // Becomes the process's resource manager (the one GetResourceErrorOut
    // reports through) and converts the definitions.
    bool Create();
    // Converts the bitmap, text writer, string table and number table
    // definitions, in this order. The first failure is reported and ends
    // the section with false; when all are converted the definition lists
    // are emptied.
    bool ReadResourceSection();
    // Empties the definition lists, deletes every resource and the factory,
    // and forgets the error sink (its owner deletes it next).
    void Destroy();

    // The factory is owned.
    void SetFactory(std::unique_ptr<ITevResourceFactory> factory) { m_factory = std::move(factory); }
    ITevResourceFactory* GetFactory() const { return m_factory.get(); }
    // A new graph drawer from the factory, owned by the caller; null
    // without a factory.
    CTevGraphDrawer* CreateGraphDrawer() const;

    // The error sink is not owned.
    void SetErrorOut(CTevTextOut* errorOut) { m_errorOut = errorOut; }
    CTevTextOut* GetErrorOut() const { return m_errorOut; }

    CTevElementDefinitions m_bitmapDefinitions;
    CTevStateBitmaps m_bitmaps;
    CTevElementDefinitions m_textWriterDefinitions;
    CTevTextWriters m_textWriters;
    CTevElementDefinitions m_stringTableDefinitions;
    CTevStringTables m_stringTables;
    CTevElementDefinitions m_numberTableDefinitions;
    CTevIntegerTables m_numberTables;

private:
    bool ReadBitmaps(CTevTextOut& errors);
    bool ReadTextWriters(CTevTextOut& errors);
    bool ReadStringTables(CTevTextOut& errors);
    bool ReadNumberTables(CTevTextOut& errors);

    std::unique_ptr<ITevResourceFactory> m_factory;
    CTevTextOut* m_errorOut = nullptr;
};

// The error sink of the process's resource manager; null before one exists
// or while it has none.
CTevTextOut* GetResourceErrorOut();

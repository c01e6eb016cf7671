#include "core/TevResources.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevTextOut.h"

#include <algorithm>

namespace {

// The resource manager whose error sink the resource readers report
// through: the first one constructed, or the last one created.
CTevResourceManager* g_resourceManager = nullptr;

CTevTextOut& Discard()
{
    static CTevTextOut discard;
    return discard;
}

CTevTextOut& ResourceErrors()
{
    CTevTextOut* errors = GetResourceErrorOut();
    return errors ? *errors : Discard();
}

// A keyword attribute: trimmed and lowered; empty when nothing is left.
std::string Keyword(const std::string& text)
{
    std::string trimmed;
    return Trim(text, trimmed) ? ToLower(trimmed) : std::string();
}

std::string Replaced(const std::string& text, const char* pattern, const char* replacement)
{
    std::string out;
    ReplaceAll(text, pattern, replacement, out);
    return out;
}

// One entity after the other over the whole text, so "&amp;lt;" ends as "<".
std::string UnescapeEntities(std::string text)
{
    text = Replaced(text, "&quot;", "\"");
    text = Replaced(text, "&amp;", "&");
    text = Replaced(text, "&apos;", "'");
    text = Replaced(text, "&lt;", "<");
    return Replaced(text, "&gt;", ">");
}

std::string EscapeEntry(std::string text)
{
    text = Replaced(text, "&", "&amp;");
    text = Replaced(text, "\"", "&quot;");
    text = Replaced(text, "'", "&apos;");
    text = Replaced(text, "<", "&lt;");
    text = Replaced(text, ">", "&gt;");
    text = Replaced(text, "\\", "\\\\");
    return Replaced(text, ",", "\\c");
}

bool SerializeEntry(CTevArchive& archive, std::string& entry) { return archive.SerializeString(entry); }
bool SerializeEntry(CTevArchive& archive, int32_t& entry) { return archive.SerializeInt(entry); }

// Converts one definition list into resources of one kind. `make` gives a
// new, empty resource or null. The first failure is reported and ends the
// conversion; a resource that fails or is duplicated is deleted.
template <class T, class Make>
bool ConvertDefinitions(const CTevElementDefinitions& definitions, CTevResources<T>& resources, Make make,
                        const char* conversionFailure, const char* leftoverHeader, const char* duplicate,
                        CTevTextOut& errors)
{
    for (const auto& definition : definitions) {
        std::unique_ptr<T> resource = make();
        CTevElementDefinition copy = *definition;
        if (!resource || !resource->ReadDefinition(copy)) {
            errors.Printf(conversionFailure, definition->type.c_str());
            return false;
        }
        const std::string name = resource->GetName();
        if (copy.ReportLeftovers(errors, leftoverHeader, name))
            return false;
        if (resources.FindByName(name)) {
            errors.Printf(duplicate, name.c_str());
            return false;
        }
        resources.Add(name, std::move(resource));
    }
    return true;
}

} // namespace

CTevTextOut* GetResourceErrorOut()
{
    return g_resourceManager ? g_resourceManager->GetErrorOut() : nullptr;
}

// ---------------------------------------------------------------------------
// CTevResource
// ---------------------------------------------------------------------------

bool CTevResource::ReadDefinition(CTevElementDefinition& definition)
{
    definition.TakeLastValue("name", m_name);
    return true;
}

bool CTevResource::WriteDefinition(CTevElementDefinition& definition) const
{
    definition.pairs.emplace_back("name", m_name);
    return true;
}

bool CTevResource::Serialize(CTevArchive& archive)
{
    archive.RegisterObject(this);
    return archive.SerializeString(m_name);
}

// ---------------------------------------------------------------------------
// CTevStateBitmap
// ---------------------------------------------------------------------------

void CTevStateBitmap::DrawState(CTevDrawInfo& drawInfo, const CTevPoint& position, int32_t state)
{
    state = std::clamp(state, 0, std::max(m_stateCount, 1) - 1);
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t maskX = 0;
    int32_t maskY = 0;
    if (m_horizontal) {
        sourceX = state * m_cellWidth;
        if (m_mask) {
            maskX = sourceX;
            maskY = m_cellHeight;
        }
    } else {
        sourceY = state * m_cellHeight;
        if (m_mask) {
            maskX = m_cellWidth;
            maskY = sourceY;
        }
    }
    DrawCell(drawInfo, position, GetCellSize(), sourceX, sourceY, maskX, maskY);
}

bool CTevStateBitmap::ReadDefinition(CTevElementDefinition& definition)
{
    if (!CTevResource::ReadDefinition(definition))
        return false;
    CTevTextOut& errors = ResourceErrors();
    const char* name = m_name.c_str();
    for (auto it = definition.pairs.begin(); it != definition.pairs.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        int32_t number = 0;
        if (tag == "stateCount") {
            if (!ScanLong(text, number)) {
                errors.Printf("Bitmap %s state count is invalid. : %s\n", name, text.c_str());
                return false;
            }
            if (number <= 0) {
                errors.Printf("Bitmap %s state count must be greater than 0.\n", name);
                return false;
            }
            m_stateCount = number;
        } else if (tag == "direction") {
            if (!ScanLong(text, number)) {
                errors.Printf("Bitmap %s direction is invalid : %s\n", name, text.c_str());
                return false;
            }
            if (number != 0 && number != 1) {
                errors.Printf("Bitmap %s direction must be 0 (vertical) or 1 (horizontal).\n", name);
                return false;
            }
            m_horizontal = number == 1;
        } else if (tag == "mask") {
            if (!ScanLong(text, number)) {
                errors.Printf("Bitmap %s maskColor is invalid. : %s\n", name, text.c_str());
                return false;
            }
            if (number != 0 && number != 1) {
                errors.Printf("Bitmap %s mask must be 0 (do not use) or 1 (use).\n", name);
                return false;
            }
            m_mask = number == 1;
        } else {
            ++it;
            continue;
        }
        it = definition.pairs.erase(it);
    }
    return true;
}

bool CTevStateBitmap::Serialize(CTevArchive& archive)
{
    if (!CTevResource::Serialize(archive))
        return false;
    int32_t stateCount = m_stateCount;
    int32_t cellWidth = m_cellWidth;
    int32_t cellHeight = m_cellHeight;
    bool horizontal = m_horizontal;
    bool mask = m_mask;
    int32_t referenceCount = m_referenceCount;
    if (!archive.SerializeInt(stateCount) || !archive.SerializeInt(cellWidth) || !archive.SerializeInt(cellHeight) ||
        !archive.SerializeBool(horizontal) || !archive.SerializeBool(mask) || !archive.SerializeInt(referenceCount))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        // A state count below 1 would divide by zero when the cells are
        // derived; a negative holder count would never load the image.
        if (stateCount < 1 || referenceCount < 0)
            return false;
        m_stateCount = stateCount;
        m_cellWidth = cellWidth;
        m_cellHeight = cellHeight;
        m_horizontal = horizontal;
        m_mask = mask;
        m_referenceCount = referenceCount;
    }
    if (archive.GetMode() == CTevArchive::kReadReferences && m_referenceCount > 0)
        return LoadBitmap(m_name);
    return true;
}

bool CTevStateBitmap::Acquire()
{
    if (m_referenceCount <= 0) {
        m_referenceCount = 0;
        if (!LoadBitmap(m_name))
            return false;
        DeriveCellSize();
    }
    ++m_referenceCount;
    return true;
}

void CTevStateBitmap::Release()
{
    if (m_referenceCount <= 0)
        return;
    if (--m_referenceCount == 0)
        Unload();
}

void CTevStateBitmap::DeriveCellSize()
{
    const CTevPoint image = GetSize();
    const int32_t states = std::max(m_stateCount, 1);
    if (m_horizontal) {
        m_cellWidth = image.x / states;
        m_cellHeight = m_mask ? image.y / 2 : image.y;
    } else {
        m_cellHeight = image.y / states;
        m_cellWidth = m_mask ? image.x / 2 : image.x;
    }
}

// ---------------------------------------------------------------------------
// CTevTextWriter
// ---------------------------------------------------------------------------

bool CTevTextWriter::ReadDefinition(CTevElementDefinition& definition)
{
    if (!CTevResource::ReadDefinition(definition))
        return false;
    CTevTextOut& errors = ResourceErrors();
    const char* name = m_name.c_str();
    CAttributes attributes;
    for (auto it = definition.pairs.begin(); it != definition.pairs.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "fontFaceName") {
            // Not fatal: the platform then picks its own face.
            if (!Trim(text, attributes.fontFaceName))
                errors.Printf("TextWriter %s fontFaceName is invalid. : %s\n", name, text.c_str());
        } else if (tag == "fontHeight") {
            if (!ScanLong(text, attributes.fontHeight)) {
                errors.Printf("TextWriter %s fontHeight is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "fontColor") {
            if (!ScanColor(text, attributes.fontColor)) {
                errors.Printf("TextWriter %s fontColor is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "backgroundColor") {
            if (!ScanColor(text, attributes.backgroundColor)) {
                errors.Printf("TextWriter %s backgroundColor is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "verticalFont") {
            const std::string word = Keyword(text);
            if (word == "true") {
                attributes.verticalFont = true;
            } else if (word == "false") {
                attributes.verticalFont = false;
            } else {
                errors.Printf("TextWriter %s verticalFont is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "textAlignmentHorizontal" || tag == "textAlignment") {
            const std::string word = Keyword(text);
            if (word == "left") {
                attributes.horizontalAlignment = kAlignLeft;
            } else if (word == "center") {
                attributes.horizontalAlignment = kAlignCenter;
            } else if (word == "right") {
                attributes.horizontalAlignment = kAlignRight;
            } else {
                errors.Printf("TextWriter %s textAlignmentHorizontal is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "textAlignmentVertical") {
            const std::string word = Keyword(text);
            if (word == "top") {
                attributes.verticalAlignment = kAlignTop;
            } else if (word == "center") {
                attributes.verticalAlignment = kAlignMiddle;
            } else if (word == "bottom") {
                attributes.verticalAlignment = kAlignBottom;
            } else {
                errors.Printf("TextWriter %s textAlignmentVertical is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else if (tag == "backgroundMode") {
            const std::string word = Keyword(text);
            if (word == "transparent") {
                attributes.backgroundMode = kTransparent;
            } else if (word == "opaque") {
                attributes.backgroundMode = kOpaque;
            } else {
                errors.Printf("TextWriter %s backgroundMode is invalid. : %s\n", name, text.c_str());
                return false;
            }
        } else {
            ++it;
            continue;
        }
        it = definition.pairs.erase(it);
    }
    return CreateFont(attributes);
}

bool CTevTextWriter::Serialize(CTevArchive& archive)
{
    if (!CTevResource::Serialize(archive))
        return false;
    CAttributes attributes;
    if (archive.GetMode() == CTevArchive::kWriteValues && !GetAttributes(attributes))
        return false;
    if (!archive.SerializeString(attributes.fontFaceName) || !archive.SerializeInt(attributes.fontHeight) ||
        !archive.SerializeColor(attributes.fontColor) || !archive.SerializeColor(attributes.backgroundColor) ||
        !archive.SerializeBool(attributes.verticalFont) || !archive.SerializeInt(attributes.horizontalAlignment) ||
        !archive.SerializeInt(attributes.verticalAlignment) || !archive.SerializeInt(attributes.backgroundMode))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues)
        return CreateFont(attributes);
    return true;
}

// ---------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------

template <class T>
bool CTevTable<T>::Serialize(CTevArchive& archive)
{
    if (!CTevResource::Serialize(archive))
        return false;
    int32_t count = GetCount();
    if (!archive.SerializeCount(count))
        return false;
    if (archive.GetMode() == CTevArchive::kReadValues) {
        // Entries are made as they are read, so a count that the input
        // cannot honour fails there rather than allocating up front.
        m_entries.clear();
        for (int32_t i = 0; i < count; ++i) {
            T entry{};
            if (!SerializeEntry(archive, entry))
                return false;
            m_entries.push_back(std::move(entry));
        }
        return true;
    }
    for (T& entry : m_entries) {
        if (!SerializeEntry(archive, entry))
            return false;
    }
    return true;
}

template class CTevTable<std::string>;
template class CTevTable<int32_t>;

bool CTevStringTable::ReadDefinition(CTevElementDefinition& definition)
{
    if (!CTevResource::ReadDefinition(definition))
        return false;
    for (auto it = definition.pairs.begin(); it != definition.pairs.end();) {
        if (it->first == "table") {
            SplitCommaList(UnescapeEntities(it->second), m_entries);
            it = definition.pairs.erase(it);
        } else {
            ++it;
        }
    }
    if (m_entries.empty()) {
        ResourceErrors().Printf("String table %s has no element.\n", m_name.c_str());
        return false;
    }
    return true;
}

bool CTevStringTable::WriteDefinition(CTevElementDefinition& definition) const
{
    if (!CTevResource::WriteDefinition(definition))
        return false;
    std::string text;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += EscapeEntry(m_entries[i]);
    }
    definition.pairs.emplace_back("table", std::move(text));
    return true;
}

int32_t CTevStringTable::FindNearestIndex(const std::string& text) const
{
    const auto above = UpperBoundNumericText(m_entries, text);
    const auto index = static_cast<int32_t>(above - m_entries.begin());
    return index > 0 ? index - 1 : 0;
}

bool CTevIntegerTable::ReadDefinition(CTevElementDefinition& definition)
{
    if (!CTevResource::ReadDefinition(definition))
        return false;
    for (auto it = definition.pairs.begin(); it != definition.pairs.end();) {
        if (it->first != "table") {
            ++it;
            continue;
        }
        std::vector<int32_t> numbers;
        if (!ParseLongList(it->second, numbers)) {
            ResourceErrors().Printf("Number table has invalid element. : %s\n", it->second.substr(0, 400).c_str());
            return false;
        }
        m_entries.insert(m_entries.end(), numbers.begin(), numbers.end());
        it = definition.pairs.erase(it);
    }
    if (m_entries.empty()) {
        ResourceErrors().Printf("Number table %s has no element.\n", m_name.c_str());
        return false;
    }
    return true;
}

bool CTevIntegerTable::WriteDefinition(CTevElementDefinition& definition) const
{
    if (!CTevResource::WriteDefinition(definition))
        return false;
    std::string text;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(m_entries[i]);
    }
    definition.pairs.emplace_back("table", std::move(text));
    return true;
}

// ---------------------------------------------------------------------------
// CTevResourceManager
// ---------------------------------------------------------------------------

CTevResourceManager::CTevResourceManager()
{
    if (!g_resourceManager)
        g_resourceManager = this;
}

CTevResourceManager::~CTevResourceManager()
{
    if (g_resourceManager == this)
        g_resourceManager = nullptr;
    // The resources go before the factory that made them.
    m_bitmaps.Clear();
    m_textWriters.Clear();
    m_stringTables.Clear();
    m_numberTables.Clear();
    m_factory.reset();
}

bool CTevResourceManager::Create()
{
    g_resourceManager = this;
    return ReadResourceSection();
}

bool CTevResourceManager::ReadResourceSection()
{
    CTevTextOut& errors = m_errorOut ? *m_errorOut : Discard();
    if (!ReadBitmaps(errors) || !ReadTextWriters(errors) || !ReadStringTables(errors) || !ReadNumberTables(errors))
        return false;
    m_bitmapDefinitions.clear();
    m_textWriterDefinitions.clear();
    m_stringTableDefinitions.clear();
    m_numberTableDefinitions.clear();
    return true;
}

bool CTevResourceManager::ReadBitmaps(CTevTextOut& errors)
{
    auto make = [&]() -> std::unique_ptr<CTevStateBitmap> {
        if (m_factory)
            return m_factory->CreateStateBitmap();
        errors.Printf("There is no resource factory.\n");
        return nullptr;
    };
    return ConvertDefinitions(m_bitmapDefinitions, m_bitmaps, make, "Unable to convert bitmap definition %s to bitmap.\n",
                              "Bitmap %s unknown tags. : ", "Bitmap %s is duplicated.\n", errors);
}

bool CTevResourceManager::ReadTextWriters(CTevTextOut& errors)
{
    auto make = [&]() -> std::unique_ptr<CTevTextWriter> {
        if (m_factory)
            return m_factory->CreateTextWriter();
        errors.Printf("There is no resource factory.\n");
        return nullptr;
    };
    return ConvertDefinitions(m_textWriterDefinitions, m_textWriters, make,
                              "Unable to convert element definitions %s to text writer.\n",
                              "Text Writer %s unknown tags. : ", "Text writer %s is duplicated.\n", errors);
}

bool CTevResourceManager::ReadStringTables(CTevTextOut& errors)
{
    auto make = [] { return std::make_unique<CTevStringTable>(); };
    return ConvertDefinitions(m_stringTableDefinitions, m_stringTables, make,
                              "Unable to convert element definitions %s to string table.\n",
                              "String Table %s unknown tags. : ", "String table %s is duplicated.\n", errors);
}

bool CTevResourceManager::ReadNumberTables(CTevTextOut& errors)
{
    auto make = [] { return std::make_unique<CTevIntegerTable>(); };
    return ConvertDefinitions(m_numberTableDefinitions, m_numberTables, make,
                              "Unable to convert element definitions %s to integer table.\n",
                              "Integer Table %s unknown tags. : ", "Integer table %s is duplicated.\n", errors);
}

void CTevResourceManager::Destroy()
{
    m_bitmapDefinitions.clear();
    m_textWriterDefinitions.clear();
    m_stringTableDefinitions.clear();
    m_numberTableDefinitions.clear();
    m_bitmaps.Clear();
    m_textWriters.Clear();
    m_stringTables.Clear();
    m_numberTables.Clear();
    m_factory.reset();
    m_errorOut = nullptr;
}

CTevGraphDrawer* CTevResourceManager::CreateGraphDrawer() const
{
    return m_factory ? m_factory->CreateGraphDrawer() : nullptr;
}

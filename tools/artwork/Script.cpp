#include "Script.h"

#include "core/TevHelpers.h"
#include "core/TevScript.h"

#include <istream>
#include <memory>

namespace art {

namespace {

// The top-level elements of a script; the panels, the bitmaps and the skin
// value matter here.
constexpr const char* kElements[] = {"structType", "struct",     "midiStruct", "midiIn",      "midiOut",    "panelType",
                                     "panel",      "bitmap",     "textWriter", "stringTable", "numberTable"};

bool IsElement(const std::string& tag)
{
    for (const char* element : kElements)
        if (tag == element)
            return true;
    return false;
}

bool IsIgnored(const std::string& tag)
{
    return tag == "?xml version=\"1.0\" encoding=\"Shift_JIS\"?" || tag == "script" || tag == "/script";
}

// The text of the last pair with this tag; `none` when no pair has it.
std::string LastValue(const CTevPairList& pairs, const std::string& tag, const std::string& none = {})
{
    std::string text = none;
    for (const CTevPair& pair : pairs)
        if (pair.first == tag)
            text = pair.second;
    return text;
}

class CReader {
public:
    CReader(const CTevTypeDefinitions& types, const CellSize& cellSize, std::string& errors)
        : m_types(types), m_cellSize(cellSize), m_errors(errors)
    {
    }

    // The panel of type `entry.type` at `origin`, filled as the view manager
    // fills it: the type's own pairs take their macros from the entry, its
    // child entries and controls take theirs from the entry too.
    bool ReadPanel(const CTevElementDefinition& entry, int originX, int originY, ScriptPanel& panel)
    {
        const CTevTypeDefinition* found = FindTypeDefinition(m_types, entry);
        if (!found)
            return Fail("no panel type " + entry.type);
        CTevTypeDefinition type = *found;
        if (!ResolveMacros(entry.pairs, type))
            return Fail("unable to resolve the macros of panel type " + entry.type);
        if (!ReadView(type, originX, originY, panel.name, panel.rect, panel.bitmap))
            return false;
        for (const CTevPair& pair : entry.pairs)
            if (pair.first == "skin")
                Trim(pair.second, panel.skin);
        panel.openCondition = LastValue(type.pairs, "openCondition", panel.openCondition);
        for (CTevElementDefinition child : type.children) {
            if (!ResolveMacros(entry.pairs, child))
                return Fail("unable to resolve the macros of a child panel of " + panel.name);
            panel.panels.emplace_back();
            if (!ReadPanel(child, panel.rect.left, panel.rect.top, panel.panels.back()))
                return false;
        }
        for (CTevElementDefinition member : type.members) {
            if (!ResolveMacros(entry.pairs, member))
                return Fail("unable to resolve the macros of a control of " + panel.name);
            ScriptControl control;
            control.type = member.type;
            if (!ReadView(member, panel.rect.left, panel.rect.top, control.name, control.rect, control.bitmap))
                return false;
            if (control.rect.Empty()) {
                int width = 0, height = 0;
                m_cellSize(control.bitmap, width, height);
                control.rect.right = control.rect.left + width;
                control.rect.bottom = control.rect.top + height;
            }
            panel.controls.push_back(std::move(control));
        }
        return true;
    }

private:
    // "name", "position" (relative to the parent), "size" and "bitmapRef".
    bool ReadView(const CTevElementDefinition& element, int originX, int originY, std::string& name, Rect& rect,
                  std::string& bitmap)
    {
        CTevPoint position{0, 0}, size{0, 0};
        for (const CTevPair& pair : element.pairs) {
            if (pair.first == "name") {
                name = pair.second;
            } else if (pair.first == "position") {
                if (!ScanPoint(pair.second, position))
                    return Fail("invalid position of " + name + ": " + pair.second);
            } else if (pair.first == "size") {
                if (!ScanPoint(pair.second, size))
                    return Fail("invalid size of " + name + ": " + pair.second);
            } else if (pair.first == "bitmapRef") {
                Trim(pair.second, bitmap);
            }
        }
        rect = {originX + position.x, originY + position.y, originX + position.x + size.x,
                originY + position.y + size.y};
        return true;
    }

    bool Fail(const std::string& message)
    {
        m_errors += message + "\n";
        return false;
    }

    const CTevTypeDefinitions& m_types;
    const CellSize& m_cellSize;
    std::string& m_errors;
};

// "vs.misc.skin" as "vs", "misc", "skin".
std::vector<std::string> PathComponents(const std::string& path)
{
    std::vector<std::string> components(1);
    for (char c : path) {
        if (c == '.')
            components.emplace_back();
        else
            components.back() += c;
    }
    return components;
}

// The "range" and "numberTableRef" of the value at path[at...] inside the
// struct `instance`, found as the program builds its struct tree: each
// struct is named by its type's "name", macros taken from the instance.
bool FindValueRange(const CTevTypeDefinitions& types, const CTevElementDefinition& instance,
                    const std::vector<std::string>& path, size_t at, std::string& range, std::string& table)
{
    const CTevTypeDefinition* found = FindTypeDefinition(types, instance);
    if (!found || at + 1 >= path.size())
        return false;
    CTevTypeDefinition type = *found;
    if (!ResolveMacros(instance.pairs, type))
        return false;
    if (LastValue(type.pairs, "name") != path[at])
        return false;
    if (at + 2 == path.size()) {
        for (CTevElementDefinition member : type.members)
            if (ResolveMacros(instance.pairs, member) && LastValue(member.pairs, "name") == path.back()) {
                range = LastValue(member.pairs, "range", "0,127"); // a value's range when it gives none
                Trim(LastValue(member.pairs, "numberTableRef"), table);
                return true;
            }
        return false;
    }
    for (CTevElementDefinition child : type.children)
        if (ResolveMacros(instance.pairs, child) && FindValueRange(types, child, path, at + 1, range, table))
            return true;
    return false;
}

} // namespace

bool ReadScriptPanels(std::istream& script, const CellSize& cellSize, std::vector<ScriptPanel>& rootPanels,
                      ScriptDeclarations& declarations, std::string& errors)
{
    CTevScriptTokenizer tokenizer(script);
    CTevTypeDefinitions types, structTypes;
    std::vector<CTevElementDefinition> entries, structs;
    for (std::string tag = tokenizer.ReadNextTag(); !tag.empty(); tag = tokenizer.ReadNextTag()) {
        if (IsIgnored(tag))
            continue;
        if (!IsElement(tag)) {
            errors += "unknown tag <" + tag + ">\n";
            return false;
        }
        const std::string text = tokenizer.ReadInnerText();
        if (tag == "panelType") {
            auto type = std::make_unique<CTevTypeDefinition>();
            if (!type->Read(text)) {
                errors += "unable to read a panel type\n";
                return false;
            }
            types.push_back(std::move(type));
        } else if (tag == "structType") {
            structTypes.push_back(std::make_unique<CTevTypeDefinition>());
            structTypes.back()->Read(text);
        } else if (tag == "struct") {
            structs.emplace_back().Read(text);
        } else if (tag == "panel") {
            entries.emplace_back();
            entries.back().Read(text);
        } else if (tag == "bitmap") {
            CTevElementDefinition bitmap;
            bitmap.Read(text);
            std::string given, name, count;
            int32_t states = 1;
            bitmap.TakeLastValue("name", given);
            Trim(given, name);
            if (bitmap.TakeLastValue("stateCount", count) && !ScanLong(count, states)) {
                errors += "invalid stateCount of bitmap " + name + ": " + count + "\n";
                return false;
            }
            declarations.stateCounts[name] = states;
        } else if (tag == "numberTable") {
            // Its "table" pairs one after the other, as the program reads them.
            CTevElementDefinition table;
            table.Read(text);
            std::string given, name;
            table.TakeLastValue("name", given);
            Trim(given, name);
            std::vector<int32_t> entries;
            bool numbers = true;
            for (const CTevPair& pair : table.pairs)
                if (pair.first == "table")
                    numbers = numbers && ParseLongList(pair.second, entries);
            if (numbers && !entries.empty())
                declarations.numberTables[name] = std::move(entries);
        }
    }
    const std::vector<std::string> skinPath = PathComponents(kSkinValue);
    for (const CTevElementDefinition& root : structs)
        if (FindValueRange(structTypes, root, skinPath, 0, declarations.skinRange, declarations.skinTable))
            break;
    CReader reader(types, cellSize, errors);
    for (const CTevElementDefinition& entry : entries) {
        rootPanels.emplace_back();
        // A root panel's position is its place in its own window.
        if (!reader.ReadPanel(entry, 0, 0, rootPanels.back()))
            return false;
    }
    return true;
}

} // namespace art

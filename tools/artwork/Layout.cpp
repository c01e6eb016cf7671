#include "Layout.h"

#include "Canvas.h"
#include "Labels.h"
#include "Player.h"
#include "Skins.h"

#include "core/TevHelpers.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>

namespace art {

namespace {

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Kind KindOf(const ScriptControl& control)
{
    const std::string& type = control.type;
    if (type == "knob")
        return EndsWith(control.bitmap, "CentreKnob") ? Kind::CentreKnob : Kind::Knob;
    if (type == "combo")
        return Kind::Combo;
    if (type == "edit")
        return Kind::Edit;
    if (type == "staticText")
        return Kind::Display;
    if (type == "slider")
        return Kind::Slider;
    if (type == "envelope" || type == "lfo" || type == "bias" || type == "fadeRange")
        return Kind::Curve;
    if (type == "keyboard")
        return Kind::Keyboard;
    if (type == "picture" || type == "staticTextPicture")
        return Kind::Picture;
    return Kind::Button;
}

// Buttons carry their caption on their bitmap, a picture shows what it
// names, and the keyboard is a keyboard.
bool NeedsLabel(Kind kind) { return kind != Kind::Button && kind != Kind::Picture && kind != Kind::Keyboard; }

Item ItemOf(const ScriptControl& control, const std::string& path)
{
    const Kind kind = KindOf(control);
    return {kind, path, {}, control.rect, control.rect, kind};
}

// The controls of a panel and of the panels inside it.
void Collect(const ScriptPanel& panel, const std::string& prefix, std::vector<Item>& items)
{
    for (const ScriptControl& control : panel.controls)
        items.push_back(ItemOf(control, prefix + control.name));
    for (const ScriptPanel& inner : panel.panels)
        Collect(inner, prefix + inner.name + ".", items);
}

// The most skin values the build looks through for the skin picture.
constexpr size_t kMostSkinValues = 1024;

// A window face and the condition that opens it.
struct FaceCondition {
    std::string path; // "main.classic"
    std::string skin;
    std::string condition;
};

// "0,2": the skin values from 0 to 2. False for anything else, such as the
// signed form "0S,2S", whose numbers depend on the value's type.
bool ReadRange(const std::string& text, int32_t& minimum, int32_t& maximum)
{
    size_t pos = 0;
    return ScanLongAt(text, pos, minimum) && pos < text.size() && text[pos++] == ',' &&
           ScanLongAt(text, pos, maximum) && pos == text.size() && minimum <= maximum;
}

// Whether a face opens at this skin value. The build tells a condition of
// one operand and a comparison of two (the skin value or a number each,
// "vs.misc.skin,1,!="); false for any other.
bool OpensAt(const std::string& condition, int32_t skin, bool& opens)
{
    std::vector<std::string> tokens;
    SplitCommaList(condition, tokens);
    if (tokens.size() != 1 && tokens.size() != 3)
        return false;
    int32_t operands[2] = {};
    for (size_t i = 0; i < tokens.size() && i < 2; ++i) {
        operands[i] = skin;
        const bool number = tokens[i][0] >= '0' && tokens[i][0] <= '9';
        if (number ? !ScanLong(tokens[i], operands[i]) : tokens[i] != kSkinValue)
            return false;
    }
    if (tokens.size() == 1) {
        opens = operands[0] != 0;
        return true;
    }
    // Spelt as scripts spell them.
    const struct {
        const char* text;
        bool (*holds)(int32_t, int32_t);
    } comparisons[] = {
        {"==", [](int32_t a, int32_t b) { return a == b; }},   {"!=", [](int32_t a, int32_t b) { return a != b; }},
        {"&lt;", [](int32_t a, int32_t b) { return a < b; }},  {"&gt;", [](int32_t a, int32_t b) { return a > b; }},
        {"&lt;=", [](int32_t a, int32_t b) { return a <= b; }}, {"&gt;=", [](int32_t a, int32_t b) { return a >= b; }},
    };
    for (const auto& comparison : comparisons)
        if (tokens[2] == comparison.text) {
            opens = comparison.holds(operands[0], operands[1]);
            return true;
        }
    return false;
}

class CBuilder {
public:
    CBuilder(const Words& words, Edition& edition) : m_words(words), m_edition(edition) {}

    void AddWindow(const ScriptPanel& root)
    {
        Window window;
        window.name = root.name;
        window.width = root.rect.Width();
        window.height = root.rect.Height();
        const auto caption = m_words.caption.find(root.name);
        if (caption != m_words.caption.end())
            window.caption = caption->second;
        else
            Problem("window " + root.name + " has no caption");
        std::vector<FaceCondition> conditions;
        for (const ScriptPanel& panel : root.panels) {
            const std::string where = root.name + "." + panel.name;
            if (panel.skin.empty() || panel.bitmap.empty()) {
                Problem(where + " is no skin's face: it needs a skin and a background bitmap");
                continue;
            }
            conditions.push_back({where, panel.skin, panel.openCondition});
            CollectBitmaps(panel, Named(panel.skin).bitmaps);
            Face face;
            face.bitmap = panel.bitmap;
            // Only the skins the tool paints get their faces painted.
            if (!FindSkin(panel.skin, face.skin))
                continue;
            for (const ScriptControl& control : panel.controls)
                face.header.push_back(ItemOf(control, control.name));
            for (const ScriptPanel& plate : panel.panels) {
                Section section{plate.name, {}, plate.rect, {}};
                const auto title = m_words.title.find(plate.name);
                if (title != m_words.title.end())
                    section.title = title->second;
                else
                    Problem(where + "." + plate.name + " has no title");
                Collect(plate, plate.name + ".", section.items);
                face.sections.push_back(std::move(section));
            }
            AddLabels(where, face);
            window.faces.push_back(std::move(face));
        }
        m_edition.windows.push_back(std::move(window));
        if (!conditions.empty())
            m_conditions.push_back(std::move(conditions));
    }

    // The program shows the skin picture's cell at the skin value's index:
    // cell i at the value minimum + i of the value's range, or, when the
    // value has a number table, at the table's entry i. The cell is the skin
    // of the faces that open there. When the build can't tell, the cells
    // keep the skins' order and the problem says why.
    void OrderSkinCells(const ScriptDeclarations& declarations)
    {
        const std::string problem = SkinCellsBySkinValue(declarations);
        if (problem.empty())
            return;
        m_edition.skinCells.clear();
        for (const NamedSkin& named : m_edition.skins)
            m_edition.skinCells.push_back(named.name);
        Problem(problem + "; the skin picture's cells follow the order of the faces");
    }

    // Setup > Skin sets skin value N with its entry N and checks the entry
    // of the value in use, so the menu shows the skins right only when the
    // value counts from 0 with no number table.
    void CheckSkinValue(const ScriptDeclarations& declarations)
    {
        const std::string menu = ": Setup > Skin sets skin value N for entry N of skinName";
        int32_t minimum = 0, maximum = 0;
        if (ReadRange(declarations.skinRange, minimum, maximum) && minimum != 0)
            Problem(std::string(kSkinValue) + "'s range starts at " + std::to_string(minimum) + ", not 0" + menu);
        if (!declarations.skinTable.empty())
            Problem(std::string(kSkinValue) + " has a number table, " + declarations.skinTable + menu);
    }

    void ReportUnused()
    {
        for (const auto& [path, label] : m_words.label)
            if (!m_used.count(path))
                Problem("the label " + label.text + " names no control: " + path);
    }

    void Problem(const std::string& text) { m_edition.problems.push_back(text); }

private:
    // The skin picture's cells by skin value; what is wrong when they can't
    // be told.
    std::string SkinCellsBySkinValue(const ScriptDeclarations& declarations)
    {
        if (m_conditions.empty())
            return {};
        const std::string& range = declarations.skinRange;
        if (range.empty())
            return std::string("the script has no value ") + kSkinValue;
        // The skin values by their index.
        std::vector<int32_t> values;
        std::string valuesText;
        if (!declarations.skinTable.empty()) {
            const auto table = declarations.numberTables.find(declarations.skinTable);
            if (table == declarations.numberTables.end())
                return std::string("the number table of ") + kSkinValue + ", " + declarations.skinTable +
                       ", is no table of numbers in the script";
            if (table->second.size() > kMostSkinValues)
                return std::string("the number table of ") + kSkinValue + ", " + declarations.skinTable +
                       ", holds more than " + std::to_string(kMostSkinValues) + " values";
            values = table->second;
            valuesText = "of its number table " + declarations.skinTable;
        } else {
            int32_t minimum = 0, maximum = 0;
            if (!ReadRange(range, minimum, maximum))
                return std::string("the range of ") + kSkinValue + ", " + range + ", is not two numbers";
            if (int64_t{maximum} - minimum >= int64_t{kMostSkinValues})
                return std::string("the range of ") + kSkinValue + ", " + range + ", holds more than " +
                       std::to_string(kMostSkinValues) + " values";
            for (int64_t skin = minimum; skin <= maximum; ++skin)
                values.push_back(static_cast<int32_t>(skin));
            valuesText = "from " + std::to_string(minimum) + " to " + std::to_string(maximum);
        }
        std::set<std::string> opened;
        for (const int32_t skin : values) {
            const std::string at = " at skin value " + std::to_string(skin);
            const FaceCondition* shown = nullptr;
            for (const std::vector<FaceCondition>& window : m_conditions) {
                const FaceCondition* open = nullptr;
                std::string all;
                for (const FaceCondition& face : window) {
                    bool opens = false;
                    if (!OpensAt(face.condition, skin, opens))
                        return face.path + "'s condition " + face.condition + " is no comparison of " + kSkinValue +
                               " with a number";
                    if (opens && open)
                        return open->path + " and " + face.path + " both open" + at;
                    open = opens ? &face : open;
                    all += (all.empty() ? "" : ", ") + face.path;
                }
                if (!open)
                    return "none of " + all + " opens" + at;
                if (shown && shown->skin != open->skin)
                    return shown->path + " and " + open->path + " show different skins" + at;
                shown = open;
                opened.insert(open->path);
            }
            m_edition.skinCells.push_back(shown->skin);
        }
        for (const std::vector<FaceCondition>& window : m_conditions)
            for (const FaceCondition& face : window)
                if (!opened.count(face.path))
                    return face.path + " opens at no skin value " + valuesText;
        return {};
    }

    NamedSkin& Named(const std::string& skin)
    {
        for (NamedSkin& named : m_edition.skins)
            if (named.name == skin)
                return named;
        return m_edition.skins.emplace_back(NamedSkin{skin, {}});
    }

    static void CollectBitmaps(const ScriptPanel& panel, std::set<std::string>& bitmaps)
    {
        if (!panel.bitmap.empty())
            bitmaps.insert(panel.bitmap);
        for (const ScriptControl& control : panel.controls)
            if (!control.bitmap.empty())
                bitmaps.insert(control.bitmap);
        for (const ScriptPanel& inner : panel.panels)
            CollectBitmaps(inner, bitmaps);
    }

    void AddLabels(const std::string& where, Face& face)
    {
        std::vector<Item*> items;
        for (Item& item : face.header)
            items.push_back(&item);
        for (Section& section : face.sections)
            for (Item& item : section.items)
                items.push_back(&item);
        for (Item* item : items) {
            const auto label = m_words.label.find(item->path);
            if (label == m_words.label.end()) {
                if (NeedsLabel(item->kind))
                    Problem(where + "." + item->path + " has no label");
                continue;
            }
            m_used.insert(item->path);
            item->label = label->second.text;
            if (label->second.anchor.empty())
                continue;
            bool found = false;
            for (const Item* anchor : items)
                if (anchor->path == label->second.anchor) {
                    item->labelAnchor = anchor->rect;
                    item->anchorKind = anchor->kind;
                    found = true;
                }
            if (!found)
                Problem(where + "." + item->path + ": its label's place " + label->second.anchor + " is no control");
        }
    }

    const Words& m_words;
    Edition& m_edition;
    std::set<std::string> m_used;
    std::vector<std::vector<FaceCondition>> m_conditions; // the faces of each window that has some
};

} // namespace

bool ReadEdition(const std::string& id, std::istream& script, Edition& edition, std::string& errors)
{
    const Words* words = WordsOf(id);
    if (!words) {
        errors += "unknown edition " + id + "\n";
        return false;
    }
    std::vector<ScriptPanel> roots;
    ScriptDeclarations declarations;
    if (!ReadScriptPanels(script, PaintedCellSize, roots, declarations, errors))
        return false;
    edition = {};
    edition.id = id;
    edition.product = words->product;
    CBuilder builder(*words, edition);
    for (const ScriptPanel& root : roots)
        builder.AddWindow(root);
    builder.ReportUnused();
    builder.OrderSkinCells(declarations);
    builder.CheckSkinValue(declarations);
    for (const auto& [bitmap, states] : declarations.stateCounts)
        edition.declaredBitmaps.insert(bitmap);
    const auto picture = declarations.stateCounts.find(kSkinPicture);
    if (picture != declarations.stateCounts.end() && picture->second != static_cast<int>(edition.skinCells.size()))
        builder.Problem(std::string(kSkinPicture) + "'s stateCount is " + std::to_string(picture->second) +
                        ", not the number of skins, " + std::to_string(edition.skinCells.size()));
    return true;
}

bool ReadEditionFile(const std::string& id, const std::string& path, Edition& edition, std::string& errors)
{
    std::ifstream script(path, std::ios::binary);
    if (!script) {
        errors += "unable to open " + path + "\n";
        return false;
    }
    return ReadEdition(id, script, edition, errors);
}

LabelPlace PlaceLabel(const Item& item, bool inHeader)
{
    const TextStyle style;
    const float width = TextWidth(item.label, style);
    const Rect& at = item.labelAnchor;
    LabelPlace place;
    if (inHeader) {
        // Header fields are labelled above their left end.
        place.align = 0;
        place.x = static_cast<float>(at.left);
        place.top = static_cast<float>(at.top - 11);
        place.box = {at.left, at.top - 11, at.left + static_cast<int>(std::ceil(width)),
                     at.top - 11 + static_cast<int>(style.capHeight)};
        return place;
    }
    switch (item.anchorKind) {
    case Kind::Knob:
    case Kind::CentreKnob:
    case Kind::Curve:
        place.top = static_cast<float>(at.bottom + 4);
        break;
    case Kind::Combo:
    case Kind::Edit:
    case Kind::Display:
        // Above the display's recess.
        place.top = static_cast<float>(at.top - 13);
        break;
    default:
        place.top = static_cast<float>(at.top - 10);
        break;
    }
    place.align = 1;
    place.x = (at.left + at.right) / 2.0f;
    place.box = {static_cast<int>(std::floor(place.x - width / 2)), static_cast<int>(place.top),
                 static_cast<int>(std::ceil(place.x + width / 2)), static_cast<int>(place.top + style.capHeight)};
    return place;
}

} // namespace art

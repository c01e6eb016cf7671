#include "Layout.h"

#include "Canvas.h"
#include "Labels.h"
#include "Player.h"
#include "Skins.h"

#include <cmath>
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
        for (const ScriptPanel& panel : root.panels) {
            const std::string where = root.name + "." + panel.name;
            if (panel.skin.empty() || panel.bitmap.empty()) {
                Problem(where + " is no skin's face: it needs a skin and a background bitmap");
                continue;
            }
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
    }

    void ReportUnused()
    {
        for (const auto& [path, label] : m_words.label)
            if (!m_used.count(path))
                Problem("the label " + label.text + " names no control: " + path);
    }

    void Problem(const std::string& text) { m_edition.problems.push_back(text); }

private:
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
    StateCounts stateCounts;
    if (!ReadScriptPanels(script, PaintedCellSize, roots, stateCounts, errors))
        return false;
    edition = {};
    edition.id = id;
    edition.product = words->product;
    CBuilder builder(*words, edition);
    for (const ScriptPanel& root : roots)
        builder.AddWindow(root);
    builder.ReportUnused();
    for (const auto& [bitmap, states] : stateCounts)
        edition.declaredBitmaps.insert(bitmap);
    const auto picture = stateCounts.find(kSkinPicture);
    if (picture != stateCounts.end() && picture->second != static_cast<int>(edition.skins.size()))
        builder.Problem(std::string(kSkinPicture) + "'s stateCount is " + std::to_string(picture->second) +
                        ", not the number of skins, " + std::to_string(edition.skins.size()));
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

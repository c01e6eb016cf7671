// The artwork tool: files that Windows reads as written, knob cells that
// point where the knob control counts its angles, and the shipped scripts'
// panels as painted: display boxes whose text area is the exact colour the
// text writers fill, every control labelled, labels and controls inside
// their plates and clear of each other, and a control moved in the script
// taking its painted label along; only the skins a script names painted,
// and a skin author's own bitmaps shipped as they are.
#include "artwork/Artwork.h"
#include "artwork/Canvas.h"
#include "artwork/Layout.h"
#include "artwork/Player.h"
#include "artwork/Skins.h"
#include "core/TevHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using art::Canvas;
using art::Rgb;

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

int Byte(float v) { return static_cast<int>(std::lround(v * 255.0f)); }

std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

TEST(ArtworkFiles, BmpRowsRunBottomUpAndArePaddedToFourBytes)
{
    Canvas canvas(3, 2, Rgb{}); // 9 bytes a row, padded to 12
    canvas.Blend(0, 0, art::Hex("ff0000"), 1.0f);
    canvas.Blend(2, 1, art::Hex("0000ff"), 1.0f);
    const std::string path = TempPath("artwork.bmp");
    ASSERT_TRUE(art::WriteBmp(path, canvas));
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u); // positive height: bottom-up
    EXPECT_EQ(b[28], 24);
    // The first stored row is the bottom one: its last pixel is blue (BGR).
    EXPECT_EQ((std::vector<int>{b[54 + 6], b[54 + 7], b[54 + 8]}), (std::vector<int>{255, 0, 0}));
    // The top row follows after the padding: its first pixel is red.
    EXPECT_EQ((std::vector<int>{b[66], b[67], b[68]}), (std::vector<int>{0, 0, 255}));
}

TEST(ArtworkFiles, IconsListEverySizeAndMaskOnlyTheTransparentPixels)
{
    art::Edition kappa;
    kappa.id = "kappa";
    kappa.product = "KappaEdit";
    const std::vector<Canvas> icons = art::PaintProgramIcons(art::BrandOf(kappa));
    const std::string path = TempPath("artwork.ico");
    ASSERT_TRUE(art::WriteIco(path, icons));
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(b[2], 1); // icon, not cursor
    ASSERT_EQ(b[4], icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE(icons[i].Width());
        const size_t entry = 6 + 16 * i;
        EXPECT_EQ(b[entry], icons[i].Width() >= 256 ? 0 : icons[i].Width());
        const uint32_t size = U32(b, entry + 8), offset = U32(b, entry + 12);
        ASSERT_LE(offset + size, b.size());
        const int w = icons[i].Width();
        const uint32_t maskRow = ((w + 31) / 32) * 4;
        EXPECT_EQ(size, 40 + static_cast<uint32_t>(w * w * 4) + maskRow * w);
        EXPECT_EQ(U32(b, offset + 8), static_cast<uint32_t>(2 * w)); // image and mask
        // The rounded tile leaves the corners transparent; the centre is opaque.
        const size_t mask = offset + 40 + static_cast<size_t>(w) * w * 4;
        const size_t topRow = mask + maskRow * (w - 1);
        EXPECT_TRUE(b[topRow] & 0x80) << "top-left corner";
        const size_t middleRow = mask + maskRow * (w / 2);
        EXPECT_FALSE(b[middleRow + w / 16] & (0x80 >> (w / 2 % 8))) << "centre";
    }
}

// Where a cell's pointer points, in the knob control's degrees (0 below the
// centre, 90 left, 180 above, 270 right).
float PointerAngle(const Canvas& strip, int cell, const Rgb& pointer)
{
    const float c = art::kKnobCell / 2.0f;
    double sx = 0, sy = 0, weight = 0;
    for (int y = 0; y < art::kKnobCell; ++y)
        for (int x = 0; x < art::kKnobCell; ++x) {
            const art::Pixel& p = strip.At(x, cell * art::kKnobCell + y);
            const float d = std::fabs(p.r - pointer.r) + std::fabs(p.g - pointer.g) + std::fabs(p.b - pointer.b);
            const float r = std::hypot(x + 0.5f - c, y + 0.5f - c);
            if (d < 0.12f && r < 12.0f) {
                sx += x + 0.5f - c;
                sy += y + 0.5f - c;
                weight += 1;
            }
        }
    EXPECT_GT(weight, 5) << "cell " << cell;
    float angle = static_cast<float>(std::atan2(-sx, sy) * 180.0 / 3.14159265358979);
    return angle < 0 ? angle + 360 : angle;
}

TEST(ArtworkKnobs, CellsTurnClockwiseFromThirtyToThreeHundredThirtyDegrees)
{
    for (const art::Skin& skin : art::Skins()) {
        SCOPED_TRACE(skin.name);
        const Canvas strip = art::PaintKnobStrip(skin, false);
        ASSERT_EQ(strip.Height(), art::kKnobCell * art::kKnobCells);
        for (int cell : {0, 21, 32, 42, art::kKnobCells - 1}) {
            const float expected = 30.0f + 300.0f * cell / (art::kKnobCells - 1);
            EXPECT_NEAR(PointerAngle(strip, cell, skin.pointer), expected, 6.0f) << "cell " << cell;
        }
    }
}

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

art::Edition Shipped(const std::string& id, const std::string& script)
{
    art::Edition edition;
    std::string errors;
    std::istringstream stream(script);
    EXPECT_TRUE(art::ReadEdition(id, stream, edition, errors)) << errors;
    return edition;
}

std::vector<art::Edition> ShippedEditions()
{
    return {Shipped("kappa", ReadText(TEV_KAPPA_SCRIPT_PATH)), Shipped("sigma", ReadText(TEV_SIGMA_SCRIPT_PATH))};
}

bool Overlap(const art::Rect& a, const art::Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const art::Rect& inner, const art::Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(ArtworkWindows, DisplayTextAreasHaveTheTextWritersBackground)
{
    for (const art::Edition& edition : ShippedEditions()) {
        for (const art::Window& window : edition.windows) {
            for (const art::Face& face : window.faces) {
                const art::Skin& skin = art::Skins()[face.skin];
                SCOPED_TRACE(edition.id + " " + face.bitmap);
                const Canvas canvas = art::PaintFace(window, face);
                auto expectFlat = [&](const art::Item& item) {
                    if (item.kind != art::Kind::Combo && item.kind != art::Kind::Edit)
                        return;
                    int wrong = 0;
                    for (int y = item.rect.top; y < item.rect.bottom; ++y)
                        for (int x = item.rect.left; x < item.rect.right; ++x) {
                            const art::Pixel& p = canvas.At(x, y);
                            wrong += Byte(p.r) != Byte(skin.display.r) || Byte(p.g) != Byte(skin.display.g) ||
                                     Byte(p.b) != Byte(skin.display.b);
                        }
                    EXPECT_EQ(wrong, 0) << item.path;
                };
                for (const art::Item& item : face.header)
                    expectFlat(item);
                for (const art::Section& section : face.sections)
                    for (const art::Item& item : section.items)
                        expectFlat(item);
            }
        }
    }
}

// Every control that needs a label has one, and every label names a
// control; plates lie apart inside the window below its header; controls
// stay on their plates (or in the header); each label lies on its control's
// plate (or in the header) and covers no control and no other label.
TEST(ArtworkLayout, LabelsAndControlsStayOnTheirPlatesAndClearOfEachOther)
{
    for (const art::Edition& edition : ShippedEditions()) {
        for (const std::string& problem : edition.problems)
            ADD_FAILURE() << edition.id << ": " << problem;
        ASSERT_EQ(edition.windows.size(), 2u) << edition.id;
        // A face for each skin the script names that the tool paints.
        size_t painted = 0, index = 0;
        for (const art::NamedSkin& skin : edition.skins)
            painted += art::FindSkin(skin.name, index);
        for (const art::Window& window : edition.windows) {
            ASSERT_EQ(window.faces.size(), painted) << edition.id << " " << window.name;
            ASSERT_FALSE(window.faces.empty()) << edition.id << " " << window.name;
            const art::Face& face = window.faces.front();
            SCOPED_TRACE(edition.id + " " + window.name);
            const art::Rect whole{0, 0, window.width, window.height};
            const art::Rect header{0, 0, window.width, art::kHeaderHeight};
            std::vector<std::pair<std::string, art::Rect>> controls, labels;
            auto place = [&](const art::Item& item, const art::Rect& area, bool inHeader) {
                if (!item.rect.Empty()) {
                    EXPECT_TRUE(Inside(item.rect, area)) << item.path;
                    controls.emplace_back(item.path, item.rect);
                }
                if (!item.label.empty()) {
                    const art::Rect box = art::PlaceLabel(item, inHeader).box;
                    EXPECT_TRUE(Inside(box, area)) << "label of " << item.path;
                    labels.emplace_back(item.path, box);
                }
            };
            for (const art::Item& item : face.header)
                place(item, header, true);
            for (const art::Section& section : face.sections) {
                EXPECT_TRUE(Inside(section.rect, whole)) << section.name;
                EXPECT_GE(section.rect.top, art::kHeaderHeight) << section.name;
                for (const art::Section& other : face.sections)
                    EXPECT_FALSE(&other != &section && Overlap(section.rect, other.rect))
                        << section.name << " " << other.name;
                // Below the plate's engraved title.
                const art::Rect body{section.rect.left, section.rect.top + 16, section.rect.right, section.rect.bottom};
                for (const art::Item& item : section.items)
                    place(item, body, false);
            }
            for (const auto& [path, box] : labels) {
                for (const auto& [other, rect] : controls)
                    EXPECT_FALSE(Overlap(box, rect)) << "label of " << path << " over " << other;
                for (const auto& [other, rect] : labels)
                    EXPECT_FALSE(other != path && Overlap(box, rect)) << "label of " << path << " over " << other;
            }
        }
    }
}

// A skin author moves a knob in the script: the artwork built again paints
// its label under its new place, and the label's old place is bare plate.
TEST(ArtworkLayout, AControlMovedInTheScriptTakesItsPaintedLabelAlong)
{
    const std::string script = ReadText(TEV_KAPPA_SCRIPT_PATH);
    const std::string knob = "<name>vcreso</name><position>118,26</position>";
    const size_t at = script.find(knob);
    ASSERT_NE(at, std::string::npos);
    std::string moved = script;
    // Into the free slot at the end of the first row.
    moved.replace(at, knob.size(), "<name>vcreso</name><position>378,26</position>");

    auto find = [](const art::Edition& edition, const art::Window*& window, const art::Face*& face) -> const art::Item* {
        window = &edition.windows.front();
        face = &window->faces.front();
        for (const art::Section& section : face->sections)
            for (const art::Item& item : section.items)
                if (item.path == "filter.vcreso")
                    return &item;
        return nullptr;
    };
    const art::Edition before = Shipped("kappa", script);
    const art::Edition after = Shipped("kappa", moved);
    const art::Window *beforeWindow = nullptr, *afterWindow = nullptr;
    const art::Face *beforeFace = nullptr, *afterFace = nullptr;
    const art::Item* was = find(before, beforeWindow, beforeFace);
    const art::Item* is = find(after, afterWindow, afterFace);
    ASSERT_TRUE(was && is);
    EXPECT_EQ(is->rect.left - was->rect.left, 260);
    const art::Rect from = art::PlaceLabel(*was, false).box;
    const art::Rect to = art::PlaceLabel(*is, false).box;
    EXPECT_EQ(to, (art::Rect{from.left + 260, from.top, from.right + 260, from.bottom}));

    const Canvas old = art::PaintFace(*beforeWindow, *beforeFace);
    const Canvas now = art::PaintFace(*afterWindow, *afterFace);
    const art::Rgb ink = art::Skins()[beforeFace->skin].label;
    auto inked = [&](const Canvas& canvas, const art::Rect& box) {
        int pixels = 0;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) {
                const art::Pixel& p = canvas.At(x, y);
                pixels += std::fabs(p.r - ink.r) + std::fabs(p.g - ink.g) + std::fabs(p.b - ink.b) < 0.25f;
            }
        return pixels;
    };
    EXPECT_GT(inked(old, from), 10);
    EXPECT_EQ(inked(now, from), 0);
    EXPECT_EQ(inked(now, to), inked(old, from));
}

// Puts `text` where the script's first match of `pattern` is and drops its
// other matches; fails naming the pattern when nothing matches.
void Edit(std::string& script, const std::string& pattern, const std::string& text)
{
    const std::regex matches(pattern);
    std::smatch first;
    if (!std::regex_search(script, first, matches)) {
        ADD_FAILURE() << "the script has no " << pattern;
        return;
    }
    const size_t at = static_cast<size_t>(first.position(0));
    script = std::regex_replace(script, matches, "");
    script.insert(at, text);
}

// The kappa script with a face of each window for each of these skins, in
// place of the faces it ships, skin i shown by conditions[i] (when given;
// else when the skin value is i), the skin value's range (none when
// "none"; else 0 to the last skin) and a skin picture of `states`.
std::string KappaWithSkins(const std::vector<std::string>& skins, const std::vector<std::string>& conditions,
                           const std::string& range, size_t states)
{
    std::string script = ReadText(TEV_KAPPA_SCRIPT_PATH);
    for (const std::string type : {"kappaMainFace", "kappaEffectsFace"}) {
        std::string faces;
        for (size_t i = 0; i < skins.size(); ++i)
            faces += "  <panel><type>" + type + "</type><skin>" + skins[i] + "</skin><face>" +
                     (i < conditions.size() ? conditions[i] : "vs.misc.skin," + std::to_string(i) + ",==") +
                     "</face></panel>\n";
        Edit(script, "[ \t]*<panel><type>" + type + "</type>[^\n]*\n", faces);
    }
    // A new skin's bitmaps are declared as Classic's are, before the skin
    // picture.
    const std::string classic = "<bitmap><name>classic";
    std::string declared, copies;
    for (size_t at = script.find(classic); at != std::string::npos; at = script.find(classic, at + 1))
        declared += script.substr(at, script.find('\n', at) + 1 - at);
    EXPECT_NE(declared, "") << "the script has no " << classic;
    for (const std::string& skin : skins)
        if (script.find("<bitmap><name>" + skin) == std::string::npos) {
            std::string copy;
            ReplaceAll(declared, "classic", skin, copy);
            copies += copy;
        }
    Edit(script, "<bitmap><name>skinPicture</name>[^\n]*\n",
         copies + "<bitmap><name>skinPicture</name><stateCount>" + std::to_string(states) + "</stateCount></bitmap>\n");
    const std::string given = range.empty() ? "0," + std::to_string(skins.size() - 1) : range;
    // The range in place of the script's own, which must follow the value's
    // name: one elsewhere would stay beside the new one.
    Edit(script, "<value><name>skin</name><range>[^<]*</range>",
         "<value><name>skin</name>" + (range == "none" ? "" : "<range>" + given + "</range>"));
    return script;
}

// Only the skins a script names are painted, with a cell of the skin
// picture each, in the order of the skin value that shows them; a skin the
// tool can't paint is told, unless its author gives its bitmaps, as are a
// cell order the build can't tell and a skin value that doesn't count from
// 0. The author's own bitmaps beside the
// script (a third skin, a repainted knob strip) are shipped as they are,
// under the script's name whatever their case; one left out or not the
// script's is told.
TEST(ArtworkSkins, AScriptGetsItsOwnSkinsAndItsAuthorsBitmaps)
{
    namespace fs = std::filesystem;
    using Files = std::vector<std::pair<std::string, std::string>>; // beside the script, shipped as ("": left out)
    // The third skin is one the tool doesn't paint, whatever skins it paints.
    size_t index = 0;
    ASSERT_FALSE(art::FindSkin("unpainted", index));
    Files ownAndKnob = {{"ClassicKnob.bmp", "classicKnob.bmp"}, {"MidnightKnob.BMP", "midnightKnob.bmp"}};
    for (const std::string name : {"Main", "Effects", "Knob", "CentreKnob", "Button", "ReadButton", "WriteButton",
                                   "SelectButton", "MinusButton", "PlusButton", "Switch", "Fader", "Keys"})
        ownAndKnob.emplace_back("unpainted" + name + ".bmp", "unpainted" + name + ".bmp");
    const std::vector<std::string> three = {"classic", "midnight", "unpainted"}, two = {"classic", "midnight"};
    const struct {
        std::string name;
        std::vector<std::string> skins, conditions;
        std::string range;
        size_t states;
        Files authored;
        std::vector<std::string> painted, absent, cells, warnings;
    } cases[] = {
        {"classic", {"classic"}, {}, "", 1, {}, {"classicMain", "classicKnob"}, {"midnightMain", "midnightKnob"}, {},
         {}},
        // A range that shows no third skin: the cells keep the faces' order.
        {"bare", three, {}, "0,1", 2, {}, {"midnightKeys"}, {"unpaintedMain", "unpaintedKnob"}, {},
         {"skin \"unpainted\"", "stateCount is 2", "main.unpainted opens at no skin value from 0 to 1"}},
        {"own", three, {}, "", 3, ownAndKnob, {"classicMain", "midnightKeys"}, {"ClassicKnob", "MidnightKnob.BMP"},
         {}, {}},
        // Files whose names differ in case only, and the faces in another
        // order than the skin values that show them. Where the file system
        // folds names, as Windows does, such files are one: not run there.
        {"case", {"midnight", "classic"}, {"vs.misc.skin,1,==", "1,vs.misc.skin,&gt;"}, "", 2,
         {{"ClassicKnob.bmp", ""},
          {"classicKnob.bmp", "classicKnob.bmp"},
          {"MidnightKnob.BMP", "midnightKnob.bmp"},
          {"midnightKNOB.bmp", ""},
          {"classicButton.BMP", "classicButton.bmp"},
          {"classicKnobb.bmp", "classicKnobb.bmp"},
          {"classicknobb.bmp", ""}},
         {}, {"ClassicKnob", "midnightKNOB", "classicButton.BMP", "classicknobb"}, two,
         {"ClassicKnob.bmp is left out: classicKnob.bmp", "midnightKNOB.bmp is left out: MidnightKnob.BMP",
          "classicKnobb.bmp beside the script is no bitmap the script declares", "classicknobb.bmp is left out"}},
        {"untold", two, {"vs.misc.effects,0,=="}, "", 2, {}, {}, {}, {}, {"main.classic's condition vs.misc.effects"}},
        {"no range", two, {}, "none", 2, {}, {}, {}, {}, {"none of main.classic, main.midnight opens at skin value 2"}},
        {"both", two, {"vs.misc.skin,0,&gt;="}, "", 2, {}, {}, {}, {}, {"main.classic and main.midnight both open"}},
        {"from 1", two, {"vs.misc.skin,1,==", "vs.misc.skin,2,=="}, "1,2", 2, {}, {}, {}, {},
         {"vs.misc.skin's range starts at 1, not 0: Setup > Skin sets skin value N for entry N of skinName"}},
    };
    std::ofstream(TempPath("fold.probe")) << "";
    const bool namesFolded = fs::exists(TempPath("FOLD.PROBE"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name == "case" && namesFolded)
            continue;
        const fs::path source = TempPath("script-" + c.name), output = TempPath("made-" + c.name);
        fs::remove_all(source);
        fs::remove_all(output);
        fs::create_directories(source);
        std::ofstream(source / "KappaEditScript.xml", std::ios::binary)
            << KappaWithSkins(c.skins, c.conditions, c.range, c.states);
        // Each file holds its own name, to tell which one ships.
        for (const auto& [file, shipped] : c.authored)
            std::ofstream(source / file, std::ios::binary) << file;
        std::ostringstream messages;
        EXPECT_TRUE(art::MakeArtwork("kappa", output, source / "KappaEditScript.xml", messages));
        const fs::path shipped = output / "Script";
        for (const auto& [file, as] : c.authored) {
            if (!as.empty()) {
                EXPECT_EQ(ReadText((shipped / as).string()), file) << as;
            }
        }
        for (const std::string& name : c.painted)
            EXPECT_GT(fs::file_size(shipped / (name + ".bmp")), 1000u) << name;
        // By the names as written: Windows finds a file in any case.
        std::set<std::string> files;
        for (const fs::directory_entry& file : fs::directory_iterator(shipped))
            files.insert(file.path().filename().string());
        for (const std::string& name : c.absent)
            EXPECT_EQ(files.count(name) + files.count(name + ".bmp"), 0u) << name;
        // One 20-pixel cell of the skin picture a skin, in the expected order.
        const std::string picture = TempPath("picture-" + c.name + ".bmp");
        ASSERT_TRUE(art::WriteBmp(picture, art::PaintSkinPicture(c.cells.empty() ? c.skins : c.cells).canvas));
        EXPECT_EQ(ReadAll((shipped / "skinPicture.bmp").string()), ReadAll(picture));
        for (const std::string& warning : c.warnings)
            EXPECT_NE(messages.str().find(warning), std::string::npos) << messages.str();
        if (c.warnings.empty()) {
            EXPECT_EQ(messages.str(), "");
        }
    }
}

// With a number table on the skin value, the program shows the skin
// picture's cell at the value's index in the table: cell i is the skin
// whose faces open at the table's entry i. Setup > Skin doesn't follow the
// table, and the build says so.
TEST(ArtworkSkins, WithANumberTableTheSkinPicturesCellsFollowTheTable)
{
    std::string script = KappaWithSkins({"classic", "midnight"}, {"vs.misc.skin,3,==", "vs.misc.skin,7,=="}, "0,9", 2);
    Edit(script, "<value><name>skin</name><range>0,9</range>",
         "<value><name>skin</name><range>0,9</range><numberTableRef>skinValues</numberTableRef>");
    Edit(script, "<bitmap><name>skinPicture</name>",
         "<numberTable><name>skinValues</name><table>7, 3</table></numberTable>\n<bitmap><name>skinPicture</name>");
    std::istringstream in(script);
    art::Edition edition;
    std::string errors;
    ASSERT_TRUE(art::ReadEdition("kappa", in, edition, errors)) << errors;
    EXPECT_EQ(edition.skinCells, (std::vector<std::string>{"midnight", "classic"}));
    EXPECT_EQ(edition.problems, std::vector<std::string>{"vs.misc.skin has a number table, skinValues: Setup > Skin "
                                                         "sets skin value N for entry N of skinName"});
}

} // namespace

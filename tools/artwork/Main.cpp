// Makes the artwork of one program at build time:
//
//   tev_artwork <kappa|sigma> <output folder> <script file>
//
// writes Program.ico, Document.ico and Splash.bmp into the output folder,
// and into its Script folder a copy of the script and every skin bitmap the
// panels name. With --panels it prints instead the script's panel
// definitions for the layout, the starting point for editing the script.
#include "Canvas.h"
#include "Layout.h"
#include "Skins.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace art;

namespace {

const Edition* FindEdition(const std::string& id)
{
    if (id == "kappa")
        return &KappaEdition();
    if (id == "sigma")
        return &SigmaEdition();
    return nullptr;
}

std::string Color(const Rgb& c)
{
    auto channel = [](float v) { return std::to_string(static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)) * 257); };
    return channel(c.r) + "," + channel(c.g) + "," + channel(c.b);
}

std::string Pair(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }

std::string Capitalised(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// The open condition of a skin's face: its own number, and skin 0 also for
// every number no other skin has, so an unknown skin number still shows a
// panel.
std::string FaceCondition(size_t index)
{
    const size_t count = Skins().size();
    if (index > 0)
        return "vs.misc.skin," + std::to_string(index) + ",==";
    std::string condition;
    for (size_t other = 1; other < count; ++other) {
        condition += (other > 1 ? "," : "") + std::string("vs.misc.skin,") + std::to_string(other) + ",!=";
        if (other > 1)
            condition += ",&amp;&amp;";
    }
    return condition.empty() ? "1" : condition;
}

void WriteControl(std::ostream& out, const Item& item, bool inHeader, const std::string& indent)
{
    const Rect r = ItemRect(item, inHeader);
    out << indent << "<control><type>";
    switch (item.kind) {
    case Kind::Knob:
    case Kind::CentreKnob:
        out << "knob</type><name>" << item.name << "</name><position>" << Pair(r.left, r.top) << "</position>"
            << "<valueRef>" << item.valueRef << "</valueRef><bitmapRef>$skin"
            << (item.kind == Kind::CentreKnob ? "CentreKnob" : "Knob") << "</bitmapRef>";
        break;
    case Kind::Combo:
        out << "combo</type><name>" << item.name << "</name><position>" << Pair(r.left, r.top) << "</position>"
            << "<size>" << Pair(r.Width(), r.Height()) << "</size><valueRef>" << item.valueRef << "</valueRef>"
            << "<textWriterRef>$skinDisplay</textWriterRef><bitmapRef>$skinButton</bitmapRef>"
            << "<buttonPosition>" << Pair(r.Width() - kButtonSize - 2, (r.Height() - kButtonSize) / 2)
            << "</buttonPosition><textPosition>0,0</textPosition><textSize>"
            << Pair(r.Width() - kButtonSize - 3, r.Height()) << "</textSize>";
        if (!item.table.empty())
            out << "<stringTableRef>" << item.table << "</stringTableRef>";
        break;
    case Kind::Edit:
        out << "edit</type><name>" << item.name << "</name><position>" << Pair(r.left, r.top) << "</position>"
            << "<size>" << Pair(r.Width(), r.Height()) << "</size><valueRef>" << item.valueRef << "</valueRef>"
            << "<textWriterRef>$skinName</textWriterRef>";
        break;
    }
    out << "</control>\n";
}

void WritePanels(std::ostream& out, const Edition& edition)
{
    out << "<!-- Skins: the background of each window, the knob strips, the list button and the display\n"
           "     fonts of every skin. -->\n";
    for (const Skin& skin : Skins()) {
        for (const Window& window : edition.windows)
            out << "<bitmap><name>" << WindowBitmapName(skin, window) << "</name></bitmap>\n";
        out << "<bitmap><name>" << KnobBitmapName(skin, Kind::Knob) << "</name><stateCount>" << kKnobCells
            << "</stateCount></bitmap>\n";
        out << "<bitmap><name>" << KnobBitmapName(skin, Kind::CentreKnob) << "</name><stateCount>" << kKnobCells
            << "</stateCount></bitmap>\n";
        out << "<bitmap><name>" << ButtonBitmapName(skin) << "</name><stateCount>2</stateCount></bitmap>\n";
        out << "<textWriter><name>" << skin.name << "Display</name><fontFaceName>Tahoma</fontFaceName>"
            << "<fontHeight>12</fontHeight><fontColor>" << Color(skin.displayText) << "</fontColor><backgroundColor>"
            << Color(skin.display) << "</backgroundColor><textAlignment>center</textAlignment></textWriter>\n";
        out << "<textWriter><name>" << skin.name << "Name</name><fontFaceName>Tahoma</fontFaceName>"
            << "<fontHeight>15</fontHeight><fontColor>" << Color(skin.displayText) << "</fontColor><backgroundColor>"
            << Color(skin.display) << "</backgroundColor><textAlignment>center</textAlignment></textWriter>\n";
    }
    for (const StringTable& table : edition.tables)
        out << "<stringTable><name>" << table.name << "</name><table>" << table.entries << "</table></stringTable>\n";

    for (const Window& window : edition.windows) {
        const std::string type = edition.id + Capitalised(window.name);
        const std::string size = Pair(WindowWidth(window), WindowHeight(window));
        out << "\n<!-- The " << window.name << " window: one face per skin, shown by \"vs.misc.skin\". -->\n";
        out << "<panelType>\n  <type>" << type << "</type>\n  <name>" << window.name
            << "</name>\n  <position>0,0</position>\n  <size>" << size << "</size>\n  <windowPosition>"
            << Pair(window.windowX, window.windowY) << "</windowPosition>\n";
        if (!window.openCondition.empty())
            out << "  <openCondition>" << window.openCondition << "</openCondition>\n";
        if (!window.closeValueRef.empty())
            out << "  <closeValueRef>" << window.closeValueRef << "</closeValueRef>\n  <closeValue>"
                << window.closeValue << "</closeValue>\n";
        for (size_t i = 0; i < Skins().size(); ++i)
            out << "  <panel><type>" << type << "Face</type><skin>" << Skins()[i].name << "</skin><face>"
                << FaceCondition(i) << "</face></panel>\n";
        out << "</panelType>\n";

        out << "<panelType>\n  <type>" << type << "Face</type>\n  <name>$skin</name>\n  <position>0,0</position>\n"
            << "  <size>" << size << "</size>\n  <bitmapRef>$skin" << Capitalised(window.name)
            << "</bitmapRef>\n  <openCondition>$face</openCondition>\n";
        for (const Item& item : window.header)
            WriteControl(out, item, true, "  ");
        for (const Section& section : window.sections)
            out << "  <panel><type>" << type << Capitalised(section.name) << "</type><skin>$skin</skin></panel>\n";
        out << "</panelType>\n";

        for (const Section& section : window.sections) {
            const Rect plate = PlateRect(section);
            out << "<panelType>\n  <type>" << type << Capitalised(section.name) << "</type>\n  <name>" << section.name
                << "</name>\n  <position>" << Pair(plate.left, plate.top) << "</position>\n  <size>"
                << Pair(plate.Width(), plate.Height()) << "</size>\n";
            for (const Item& item : section.items)
                WriteControl(out, item, false, "  ");
            out << "</panelType>\n";
        }
    }
    out << "\n";
    for (const Window& window : edition.windows)
        out << "<panel><type>" << edition.id + Capitalised(window.name) << "</type></panel>\n";
}

bool Check(bool ok, const fs::path& path)
{
    if (!ok)
        std::cerr << "tev_artwork: unable to write " << path.string() << "\n";
    return ok;
}

int Build(const Edition& edition, const fs::path& output, const fs::path& script)
{
    std::error_code error;
    const fs::path scriptFolder = output / "Script";
    fs::create_directories(scriptFolder, error);
    if (error) {
        std::cerr << "tev_artwork: unable to create " << scriptFolder.string() << ": " << error.message() << "\n";
        return 1;
    }
    if (!fs::copy_file(script, scriptFolder / script.filename(), fs::copy_options::overwrite_existing, error)) {
        std::cerr << "tev_artwork: unable to copy " << script.string() << ": " << error.message() << "\n";
        return 1;
    }
    bool ok = true;
    for (const Skin& skin : Skins()) {
        for (const Window& window : edition.windows) {
            const fs::path path = scriptFolder / (WindowBitmapName(skin, window) + ".bmp");
            ok = Check(WriteBmp(path.string(), PaintWindow(skin, window)), path) && ok;
        }
        for (Kind kind : {Kind::Knob, Kind::CentreKnob}) {
            const fs::path path = scriptFolder / (KnobBitmapName(skin, kind) + ".bmp");
            ok = Check(WriteBmp(path.string(), PaintKnobStrip(skin, kind == Kind::CentreKnob)), path) && ok;
        }
        const fs::path button = scriptFolder / (ButtonBitmapName(skin) + ".bmp");
        ok = Check(WriteBmp(button.string(), PaintButton(skin)), button) && ok;
    }
    const Brand brand = BrandOf(edition);
    ok = Check(WriteBmp((output / "Splash.bmp").string(), PaintSplash(brand)), output / "Splash.bmp") && ok;
    ok = Check(WriteIco((output / "Program.ico").string(), PaintProgramIcons(brand)), output / "Program.ico") && ok;
    ok = Check(WriteIco((output / "Document.ico").string(), PaintDocumentIcons(brand)), output / "Document.ico") && ok;
    return ok ? 0 : 1;
}

int Usage()
{
    std::cerr << "usage: tev_artwork <kappa|sigma> <output folder> <script file>\n"
                 "       tev_artwork --panels <kappa|sigma>\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--panels") {
        const Edition* edition = FindEdition(argv[2]);
        if (!edition)
            return Usage();
        WritePanels(std::cout, *edition);
        return 0;
    }
    if (argc != 4)
        return Usage();
    const Edition* edition = FindEdition(argv[1]);
    if (!edition)
        return Usage();
    return Build(*edition, argv[2], argv[3]);
}

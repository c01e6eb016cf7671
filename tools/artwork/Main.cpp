// Makes the artwork of one program at build time:
//
//   tev_artwork <kappa|sigma> <output folder> <script file>
//
// reads the panels from the script (the one source of their geometry),
// writes Program.ico, Document.ico and Splash.bmp into the output folder,
// and into its Script folder a copy of the script and every skin bitmap the
// panels name: each window face painted with its plates and labels where
// the script puts the controls.
#include "Canvas.h"
#include "Layout.h"
#include "Player.h"
#include "Skins.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;
using namespace art;

namespace {

bool Check(bool ok, const fs::path& path)
{
    if (!ok)
        std::cerr << "tev_artwork: unable to write " << path.string() << "\n";
    return ok;
}

int Build(const std::string& id, const fs::path& output, const fs::path& script)
{
    Edition edition;
    std::string errors;
    if (!ReadEditionFile(id, script.string(), edition, errors)) {
        std::cerr << "tev_artwork: " << script.string() << ": " << errors;
        return 1;
    }
    // What a skin author has to finish; the rest is painted all the same.
    for (const std::string& problem : edition.problems)
        std::cerr << "tev_artwork: warning: " << script.filename().string() << ": " << problem << "\n";

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
    for (const Window& window : edition.windows)
        for (const Face& face : window.faces) {
            const fs::path path = scriptFolder / (face.bitmap + ".bmp");
            Canvas picture = PaintFace(window, face);
            PaintSliderSlots(picture, Skins()[face.skin], face);
            ok = Check(WriteBmp(path.string(), picture), path) && ok;
        }
    for (const Skin& skin : Skins()) {
        for (Kind kind : {Kind::Knob, Kind::CentreKnob}) {
            const fs::path path = scriptFolder / (KnobBitmapName(skin, kind) + ".bmp");
            ok = Check(WriteBmp(path.string(), PaintKnobStrip(skin, kind == Kind::CentreKnob)), path) && ok;
        }
        const fs::path button = scriptFolder / (ButtonBitmapName(skin) + ".bmp");
        ok = Check(WriteBmp(button.string(), PaintButton(skin)), button) && ok;
        for (const NamedCanvas& bitmap : PaintPlayerBitmaps(skin)) {
            const fs::path path = scriptFolder / (bitmap.name + ".bmp");
            ok = Check(WriteBmp(path.string(), bitmap.canvas), path) && ok;
        }
    }
    const NamedCanvas skinPicture = PaintSkinPicture();
    const fs::path skinPicturePath = scriptFolder / (skinPicture.name + ".bmp");
    ok = Check(WriteBmp(skinPicturePath.string(), skinPicture.canvas), skinPicturePath) && ok;
    const Brand brand = BrandOf(edition);
    ok = Check(WriteBmp((output / "Splash.bmp").string(), PaintSplash(brand)), output / "Splash.bmp") && ok;
    ok = Check(WriteIco((output / "Program.ico").string(), PaintProgramIcons(brand)), output / "Program.ico") && ok;
    ok = Check(WriteIco((output / "Document.ico").string(), PaintDocumentIcons(brand)), output / "Document.ico") && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::string(argv[1]) != "kappa" && std::string(argv[1]) != "sigma")) {
        std::cerr << "usage: tev_artwork <kappa|sigma> <output folder> <script file>\n";
        return 2;
    }
    return Build(argv[1], argv[2], argv[3]);
}

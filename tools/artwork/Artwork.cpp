#include "Artwork.h"

#include "Canvas.h"
#include "Layout.h"
#include "Player.h"
#include "Skins.h"

#include <cctype>
#include <map>
#include <ostream>

namespace art {

namespace fs = std::filesystem;

namespace {

// Windows finds a file whatever the case of its name: so does the build.
std::string Folded(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// The bitmaps beside the script, by their names folded to lower case.
std::map<std::string, fs::path> AuthorBitmaps(const fs::path& folder)
{
    std::map<std::string, fs::path> bitmaps;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file(error) && entry.path().extension() == ".bmp")
            bitmaps.emplace(Folded(entry.path().stem().string()), entry.path());
    return bitmaps;
}

} // namespace

bool MakeArtwork(const std::string& id, const fs::path& output, const fs::path& script, std::ostream& messages)
{
    Edition edition;
    std::string errors;
    if (!ReadEditionFile(id, script.string(), edition, errors)) {
        messages << "tev_artwork: " << script.string() << ": " << errors;
        return false;
    }
    const std::string warning = "tev_artwork: warning: " + script.filename().string() + ": ";
    // What a skin author has to finish; the rest is painted all the same.
    for (const std::string& problem : edition.problems)
        messages << warning << problem << "\n";

    std::error_code error;
    const fs::path scriptFolder = output / "Script";
    fs::create_directories(scriptFolder, error);
    if (error) {
        messages << "tev_artwork: unable to create " << scriptFolder.string() << ": " << error.message() << "\n";
        return false;
    }
    if (!fs::copy_file(script, scriptFolder / script.filename(), fs::copy_options::overwrite_existing, error)) {
        messages << "tev_artwork: unable to copy " << script.string() << ": " << error.message() << "\n";
        return false;
    }
    const fs::path authorFolder = script.parent_path().empty() ? fs::path(".") : script.parent_path();
    const std::map<std::string, fs::path> authored = AuthorBitmaps(authorFolder);
    bool ok = true;
    auto check = [&](bool written, const fs::path& path) {
        if (!written)
            messages << "tev_artwork: unable to write " << path.string() << "\n";
        ok = written && ok;
    };
    // A bitmap the author gives is copied below instead.
    auto ship = [&](const std::string& name, const Canvas& painted) {
        if (!authored.count(Folded(name))) {
            const fs::path path = scriptFolder / (name + ".bmp");
            check(WriteBmp(path.string(), painted), path);
        }
    };

    for (const Window& window : edition.windows)
        for (const Face& face : window.faces) {
            Canvas picture = PaintFace(window, face);
            PaintSliderSlots(picture, Skins()[face.skin], face);
            ship(face.bitmap, picture);
        }
    for (const NamedSkin& named : edition.skins) {
        size_t index = 0;
        if (!FindSkin(named.name, index))
            continue;
        const Skin& skin = Skins()[index];
        for (Kind kind : {Kind::Knob, Kind::CentreKnob})
            ship(KnobBitmapName(skin, kind), PaintKnobStrip(skin, kind == Kind::CentreKnob));
        ship(ButtonBitmapName(skin), PaintButton(skin));
        for (const NamedCanvas& bitmap : PaintPlayerBitmaps(skin))
            ship(bitmap.name, bitmap.canvas);
    }
    const NamedCanvas skinPicture = PaintSkinPicture(edition.skins);
    ship(skinPicture.name, skinPicture.canvas);
    for (const auto& [name, from] : authored) {
        if (!fs::copy_file(from, scriptFolder / from.filename(), fs::copy_options::overwrite_existing, error)) {
            messages << "tev_artwork: unable to copy " << from.string() << ": " << error.message() << "\n";
            ok = false;
        }
    }
    // Every bitmap that a skin's faces use must be there, painted or the
    // author's: the program refuses to start without one.
    for (const NamedSkin& named : edition.skins) {
        std::string missing;
        for (const std::string& bitmap : named.bitmaps)
            if (!fs::exists(scriptFolder / (bitmap + ".bmp")) && !authored.count(Folded(bitmap)))
                missing += (missing.empty() ? "" : ", ") + bitmap;
        if (!missing.empty())
            messages << warning << "skin \"" << named.name << "\" has neither paint nor a file beside the script for "
                     << missing << "\n";
    }

    const Brand brand = BrandOf(edition);
    check(WriteBmp((output / "Splash.bmp").string(), PaintSplash(brand)), output / "Splash.bmp");
    check(WriteIco((output / "Program.ico").string(), PaintProgramIcons(brand)), output / "Program.ico");
    check(WriteIco((output / "Document.ico").string(), PaintDocumentIcons(brand)), output / "Document.ico");
    return ok;
}

} // namespace art

#include "Artwork.h"

#include "Canvas.h"
#include "Layout.h"
#include "Player.h"
#include "Skins.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <set>
#include <vector>

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

// An author's bitmap: the file beside the script and the name it ships by.
struct AuthorBitmap {
    fs::path from;
    std::string shipped;
};

// The bitmaps beside the script (".bmp" in any case), by their names folded
// to lower case. One the script declares ships under the script's name for
// it, any other under its own name, told as a likely typo. Of files whose
// names differ in case only, which are one file on Windows, the one spelt
// as it ships is taken, else the first in byte order; the others are told.
std::map<std::string, AuthorBitmap> AuthorBitmaps(const fs::path& folder, const std::set<std::string>& declared,
                                                  std::vector<std::string>& problems)
{
    std::map<std::string, std::string> scriptNames;
    for (const std::string& name : declared)
        scriptNames.emplace(Folded(name), name);
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file(error) && Folded(entry.path().extension().string()) == ".bmp")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::map<std::string, AuthorBitmap> bitmaps;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string(), key = Folded(file.stem().string());
        const auto scriptName = scriptNames.find(key);
        const std::string shipped = scriptName != scriptNames.end() ? scriptName->second + ".bmp" : name;
        const auto [taken, added] = bitmaps.emplace(key, AuthorBitmap{file, shipped});
        if (!added) {
            const bool replaces = name == taken->second.shipped;
            const std::string left = replaces ? taken->second.from.filename().string() : name;
            if (replaces)
                taken->second.from = file;
            problems.push_back(left + " is left out: " + taken->second.from.filename().string() +
                               " beside the script differs from it in case only");
        }
    }
    for (const auto& [key, bitmap] : bitmaps)
        if (!scriptNames.count(key))
            problems.push_back(bitmap.shipped + " beside the script is no bitmap the script declares; it ships as is");
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
    std::vector<std::string> problems;
    const std::map<std::string, AuthorBitmap> authored =
        AuthorBitmaps(authorFolder, edition.declaredBitmaps, problems);
    for (const std::string& problem : problems)
        messages << warning << problem << "\n";
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
    const NamedCanvas skinPicture = PaintSkinPicture(edition.skinCells);
    ship(skinPicture.name, skinPicture.canvas);
    for (const auto& [name, bitmap] : authored) {
        if (!fs::copy_file(bitmap.from, scriptFolder / bitmap.shipped, fs::copy_options::overwrite_existing, error)) {
            messages << "tev_artwork: unable to copy " << bitmap.from.string() << ": " << error.message() << "\n";
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

#pragma once
// The artwork of one program, as the build makes it.
#include <filesystem>
#include <iosfwd>
#include <string>

namespace art {

// Writes Program.ico, Document.ico and Splash.bmp into `output`, and into
// its Script folder a copy of the script with every bitmap of the skins the
// script names: each window face painted with its plates and labels where
// the script puts the controls. A `<name>.bmp` beside the script is the
// skin author's own: it is copied instead of painting that name, under the
// script's spelling of the name whatever the file's case. What the
// author has to finish goes to `messages` as warnings, one a line, as do
// the errors. False when the script can't be read or a file can't be
// written.
bool MakeArtwork(const std::string& id, const std::filesystem::path& output, const std::filesystem::path& script,
                 std::ostream& messages);

} // namespace art

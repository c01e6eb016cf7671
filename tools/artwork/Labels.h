#pragma once
// The words engraved on the panels, keyed by the names the script gives the
// root panels, the sections (node panels) and the controls. Nothing here is
// geometry: where a word goes follows from where the script puts its control.
#include <map>
#include <string>

namespace art {

struct Label {
    std::string text;
    // Where it goes when not beside its own control: the path of the
    // control it is engraved at (the octave display's label sits above the
    // octave buttons).
    std::string anchor;
};

struct Words {
    std::string product;                        // "KappaEdit"
    std::map<std::string, std::string> caption; // root panel name -> header caption
    std::map<std::string, std::string> title;   // section name -> plate title
    std::map<std::string, Label> label;         // path below the face -> label
};

// The words of "kappa" or "sigma"; null for any other edition.
const Words* WordsOf(const std::string& edition);

} // namespace art

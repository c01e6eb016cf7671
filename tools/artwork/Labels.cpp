#include "Labels.h"

#include <initializer_list>
#include <utility>

namespace art {

namespace {

using Entries = std::initializer_list<std::pair<const char*, const char*>>;

void Add(Words& words, const std::string& section, Entries entries)
{
    for (const auto& [name, text] : entries)
        words.label[section.empty() ? name : section + "." + name] = {text, {}};
}

// The plate with the skin and effects-window lists, and the player's plate
// that both main windows share.
void AddShared(Words& words)
{
    words.title["view"] = "PANEL";
    words.title["player"] = "PATCH & KEYBOARD";
    Add(words, "", {{"patchName", "PATCH NAME"}});
    Add(words, "view", {{"skin", "SKIN"}, {"effects", "EFFECTS WINDOW"}});
    Add(words, "player", {{"number", "PATCH"}, {"name", "NAME"}, {"volume", "VOL"}, {"modulation", "MOD"}});
    words.label["player.octave"] = {"OCT", "player.octaveUp"};
}

void AddOscillator(Words& words, const std::string& n)
{
    // The controls carry the oscillator's number inside their names.
    const std::pair<std::string, const char*> entries[] = {
        {"level" + n, "LEVEL"},         {"impact" + n, "IMPACT"},        {"coarse" + n, "COARSE"},
        {"fine" + n, "FINE"},           {"pwidth" + n, "PW"},            {"fat" + n, "FAT"},
        {"fat" + n + "_a", "FAT A"},    {"fat" + n + "_d", "FAT D"},     {"fat" + n + "_s", "FAT S"},
        {"fat" + n + "_r", "FAT R"},    {"lfo" + n + "rate", "LFO RATE"}, {"lfo" + n + "delay", "DELAY"},
        {"lfo" + n + "fade", "FADE"},   {"pitch" + n + "lfo", ">PITCH"}, {"pwidth" + n + "lfo", ">PW"},
        {"fat" + n + "lfo", ">FAT"},    {"level" + n + "lfo", ">LEVEL"}, {"fat" + n + "Curve", "FAT ENVELOPE"}};
    for (const auto& [name, text] : entries)
        words.label["osc" + n + "." + name] = {text, {}};
}

Words Kappa()
{
    Words w;
    w.product = "KappaEdit";
    w.caption = {{"main", "KAPPAEDIT"}, {"Effects", "KAPPAEDIT EFFECTS"}};
    w.title = {{"osc1", "OSCILLATOR 1"}, {"osc2", "OSCILLATOR 2"}, {"filter", "FILTER"},  {"amp", "AMP & SENDS"},
               {"ring", "RING MOD"},     {"pitch", "PITCH SHIFT"},  {"phaser", "PHASER"}, {"mdly", "MOD DELAY"},
               {"eq", "EQUALIZER"},      {"chorus", "CHORUS"},      {"mfxout", "MFX OUT"}, {"reverb", "REVERB"}};
    AddShared(w);
    Add(w, "", {{"lfo1Curve", "OSC 1 LFO"}, {"lfo2Curve", "OSC 2 LFO"}, {"lfo3Curve", "FILTER LFO"}});
    AddOscillator(w, "1");
    AddOscillator(w, "2");
    Add(w, "filter",
        {{"hpfreq", "HPF"},         {"vcfreq", "CUTOFF"},     {"vcreso", "RESO"},        {"freqenv", "ENV>FREQ"},
         {"cutoffvelo", "VELO"},    {"freqlfo", "LFO>FREQ"},  {"resolfo", "LFO>RESO"},   {"cutoffa", "FREQ A"},
         {"cutoffd", "FREQ D"},     {"cutoffs", "FREQ S"},    {"cutoffr", "FREQ R"},     {"resoenv", "ENV>RESO"},
         {"resovelo", "RESO VELO"}, {"lfo3rate", "LFO RATE"}, {"lfo3delay", "DELAY"},    {"lfo3fade", "FADE"},
         {"resoa", "RESO A"},       {"resod", "RESO D"},      {"resos", "RESO S"},       {"resor", "RESO R"},
         {"cutoffCurve", "FREQ ENVELOPE"}});
    Add(w, "amp",
        {{"vcalevel", "LEVEL"}, {"mfxsend", "MFX"}, {"chosend", "CHORUS"}, {"revsend", "REVERB"},
         {"vcaa", "ATTACK"}, {"vcad", "DECAY"}, {"vcas", "SUSTAIN"}, {"vcar", "RELEASE"}, {"vcaCurve", "AMP ENVELOPE"}});
    Add(w, "ring", {{"ringfreq", "FREQ"}, {"ringbalan", "BALANCE"}});
    Add(w, "pitch", {{"pshgrade", "GRADE"}, {"pshcoarse", "COARSE"}, {"pshfine", "FINE"}, {"pshbalan", "BALANCE"}});
    Add(w, "phaser",
        {{"phamanual", "MANUAL"}, {"pharate", "RATE"}, {"phadepth", "DEPTH"}, {"phareso", "RESO"}, {"phamix", "MIX"}});
    Add(w, "mdly",
        {{"mdlytime", "TIME"}, {"mdlyfbk", "FEEDBACK"}, {"mdlylv", "LEVEL"}, {"mdlylgain", "LOW GAIN"},
         {"mdlyhgain", "HIGH GAIN"}});
    Add(w, "eq",
        {{"eqlowfreq", "LOW HZ"}, {"eqlowgain", "LOW GAIN"}, {"eqmidfreq", "MID FREQ"}, {"eqmidgain", "MID GAIN"},
         {"eqhifreq", "HIGH HZ"}, {"eqhigain", "HIGH GAIN"}});
    Add(w, "chorus",
        {{"chotype", "TYPE"}, {"chorate", "RATE"}, {"chodepth", "DEPTH"}, {"chofbk", "FEEDBACK"},
         {"chopredly", "PRE DELAY"}});
    Add(w, "mfxout", {{"mfxchosend", "CHORUS"}, {"mfxrevsend", "REVERB"}});
    Add(w, "reverb",
        {{"lowtime", "LOW TIME"}, {"hightime", "HIGH TIME"}, {"predly", "PRE DELAY"}, {"density", "DENSITY"},
         {"roomsize", "SIZE"}, {"lowdamp", "LOW DAMP"}, {"highdamp", "HIGH DAMP"}, {"postfreq", "POST FREQ"},
         {"revcho", "TO CHORUS"}});
    return w;
}

Words Sigma()
{
    Words w;
    w.product = "SigmaEdit";
    w.caption = {{"main", "SIGMAEDIT"}, {"Effects", "SIGMAEDIT EFFECTS"}};
    w.title = {{"osc", "OSCILLATOR"}, {"filter", "FILTER"},  {"amp", "AMP"},     {"sequencer", "SEQUENCER"},
               {"comp", "COMPRESSOR"}, {"drive", "DRIVE"},   {"eq", "EQUALIZER"}, {"chorus", "CHORUS"},
               {"delay", "DELAY & REVERB"}};
    AddShared(w);
    Add(w, "osc", {{"vco2type", "VCO 2 WAVE"}, {"pitch2", "PITCH 2"}});
    Add(w, "filter",
        {{"vcfreq", "CUTOFF"}, {"vcreso", "RESO"}, {"envdepth", "ENV MOD"}, {"decay", "DECAY"}, {"accent", "ACCENT"},
         {"filterCurve", "ENVELOPE"}});
    Add(w, "amp", {{"vcalevel", "LEVEL"}});
    Add(w, "sequencer",
        {{"tempo", "TEMPO"}, {"kbdsw", "ARPEGGIO"}, {"arpmotif", "ARP MOTIF"}, {"ptnsw", "PATTERN"}});
    Add(w, "comp",
        {{"compsw", "SWITCH"}, {"compratio", "RATIO"}, {"compthres", "THRESHOLD"}, {"compattack", "ATTACK"},
         {"comprel", "RELEASE"}, {"compgain", "GAIN"}});
    Add(w, "drive", {{"dstsw", "SWITCH"}, {"drivemode", "MODE"}, {"driveval", "DRIVE"}});
    Add(w, "eq",
        {{"lowfreq", "LOW FREQ"}, {"lowgain", "LOW GAIN"}, {"midfreq", "MID FREQ"}, {"midgain", "MID GAIN"},
         {"highfreq", "HIGH FREQ"}, {"highgain", "HIGH GAIN"}});
    Add(w, "chorus",
        {{"chomode", "MODE"}, {"chorate", "RATE"}, {"cholevel", "LEVEL"}, {"chodepth", "DEPTH"}, {"chofbk", "FEEDBACK"}});
    Add(w, "delay",
        {{"dlysw", "DELAY"}, {"delaytime", "TIME"}, {"delaybalance", "BALANCE"}, {"delayfbk", "FEEDBACK"},
         {"revsend", "REVERB"}});
    return w;
}

} // namespace

const Words* WordsOf(const std::string& edition)
{
    static const Words kappa = Kappa();
    static const Words sigma = Sigma();
    if (edition == "kappa")
        return &kappa;
    if (edition == "sigma")
        return &sigma;
    return nullptr;
}

} // namespace art

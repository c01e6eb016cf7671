#include "Layout.h"
#include "Player.h"

#include <algorithm>

namespace art {

namespace {

Item K(const std::string& name, const std::string& label, const std::string& ref, int col, int row)
{
    return {Kind::Knob, name, label, ref, col, row, 1, {}};
}

// Signed values: their arc starts at the top.
Item C(const std::string& name, const std::string& label, const std::string& ref, int col, int row)
{
    return {Kind::CentreKnob, name, label, ref, col, row, 1, {}};
}

Item L(const std::string& name, const std::string& label, const std::string& ref, int col, int row, int span,
       const std::string& table)
{
    return {Kind::Combo, name, label, ref, col, row, span, table};
}

Section S(const std::string& name, const std::string& title, int x, int y, int cols, int rows,
          std::vector<Item> items, int minHeight = 0, int minWidth = 0)
{
    return {name, title, x, y, cols, rows, minHeight, minWidth, std::move(items)};
}

// The view state shared by both programs: the skin and the effects window.
Section PanelSection(int x, int y, int cols, int rows, int minHeight, int minWidth)
{
    return S("view", "PANEL", x, y, cols, rows,
             {L("skin", "SKIN", "vs.misc.skin", 0, 0, cols, "skinName"),
              L("effects", "EFFECTS WINDOW", "vs.misc.effects", 0, 1, cols, "windowState")},
             minHeight, minWidth);
}

Item PatchName(int x)
{
    return {Kind::Edit, "patchName", "PATCH NAME", "ms.tmp.common.patchName", x, 22, 168, {}};
}

Window MainWindow(const std::string& caption)
{
    Window main;
    main.name = "main";
    main.caption = caption;
    main.windowX = 40;
    main.windowY = 40;
    return main;
}

// Opened and closed through the panel section's "EFFECTS WINDOW" combo.
Window EffectsWindow(const std::string& caption, int windowY)
{
    Window fx;
    fx.name = "effects";
    fx.caption = caption;
    fx.openCondition = "vs.misc.effects,1,==";
    fx.closeValueRef = "vs.misc.effects";
    fx.closeValue = 0;
    fx.windowX = 80;
    fx.windowY = windowY;
    return fx;
}

constexpr int kRow1 = kHeaderHeight + 8;

std::vector<Item> OscItems(const std::string& n)
{
    const std::string o = "ms.tmp.osc.";
    return {K("level" + n, "LEVEL", o + "level" + n, 0, 0),
            K("impact" + n, "IMPACT", o + "impact" + n, 1, 0),
            C("coarse" + n, "COARSE", o + "coarse" + n, 2, 0),
            C("fine" + n, "FINE", o + "fine" + n, 3, 0),
            K("pwidth" + n, "PW", o + "pwidth" + n, 4, 0),
            K("fat" + n, "FAT", o + "fat" + n, 5, 0),
            K("fat" + n + "_a", "FAT A", o + "fat" + n + "_a", 0, 1),
            K("fat" + n + "_d", "FAT D", o + "fat" + n + "_d", 1, 1),
            K("fat" + n + "_s", "FAT S", o + "fat" + n + "_s", 2, 1),
            K("fat" + n + "_r", "FAT R", o + "fat" + n + "_r", 3, 1),
            K("lfo" + n + "rate", "LFO RATE", o + "lfo" + n + "rate", 0, 2),
            K("lfo" + n + "delay", "DELAY", o + "lfo" + n + "delay", 1, 2),
            K("lfo" + n + "fade", "FADE", o + "lfo" + n + "fade", 2, 2),
            C("pitch" + n + "lfo", ">PITCH", o + "pitch" + n + "lfo", 3, 2),
            C("pwidth" + n + "lfo", ">PW", o + "pwidth" + n + "lfo", 4, 2),
            C("fat" + n + "lfo", ">FAT", o + "fat" + n + "lfo", 5, 2),
            C("level" + n + "lfo", ">LEVEL", o + "level" + n + "lfo", 6, 2)};
}

Edition MakeKappa()
{
    const std::string o = "ms.tmp.osc.";
    const std::string c = "ms.tmp.common.";
    const std::string m = "ms.tmp.mfx.";
    Edition e;
    e.id = "kappa";
    e.product = "KappaEdit";
    e.tables = {{"windowState", "Closed, Open"},
                {"chorusType", "Chorus, Flanger, Short Delay, Short Delay FB"},
                {"eqLowFreq", "200, 400"},
                {"eqHighFreq", "2K, 4K, 8K"}};

    Window main = MainWindow("KAPPAEDIT");
    const int row2 = kRow1 + 202 + 8;
    main.sections = {
        S("osc1", "OSCILLATOR 1", kMargin, kRow1, 7, 3, OscItems("1")),
        S("osc2", "OSCILLATOR 2", kMargin + 388, kRow1, 7, 3, OscItems("2")),
        S("filter", "FILTER", kMargin, row2, 7, 3,
          {K("hpfreq", "HPF", o + "hpfreq", 0, 0), K("vcfreq", "CUTOFF", o + "vcfreq", 1, 0),
           K("vcreso", "RESO", o + "vcreso", 2, 0), C("freqenv", "ENV>FREQ", o + "freqenv", 3, 0),
           C("cutoffvelo", "VELO", o + "cutoff_velo", 4, 0), C("freqlfo", "LFO>FREQ", o + "freqlfo", 5, 0),
           C("resolfo", "LFO>RESO", o + "resolfo", 6, 0), K("cutoffa", "FREQ A", o + "cutoff_a", 0, 1),
           K("cutoffd", "FREQ D", o + "cutoff_d", 1, 1), K("cutoffs", "FREQ S", o + "cutoff_s", 2, 1),
           K("cutoffr", "FREQ R", o + "cutoff_r", 3, 1), C("resoenv", "ENV>RESO", o + "resoenv", 4, 1),
           C("resovelo", "RESO VELO", o + "reso_velo", 5, 1), K("lfo3rate", "LFO RATE", o + "lfo3rate", 0, 2),
           K("lfo3delay", "DELAY", o + "lfo3delay", 1, 2), K("lfo3fade", "FADE", o + "lfo3fade", 2, 2),
           K("resoa", "RESO A", o + "reso_a", 3, 2), K("resod", "RESO D", o + "reso_d", 4, 2),
           K("resos", "RESO S", o + "reso_s", 5, 2), K("resor", "RESO R", o + "reso_r", 6, 2)}),
        S("amp", "AMP & SENDS", kMargin + 388, row2, 4, 2,
          {K("vcalevel", "LEVEL", o + "vcalevel", 0, 0), K("mfxsend", "MFX", c + "mfxsend", 1, 0),
           K("chosend", "CHORUS", c + "chosend", 2, 0), K("revsend", "REVERB", c + "revsend", 3, 0),
           K("vcaa", "ATTACK", o + "vca_a", 0, 1), K("vcad", "DECAY", o + "vca_d", 1, 1),
           K("vcas", "SUSTAIN", o + "vca_s", 2, 1), K("vcar", "RELEASE", o + "vca_r", 3, 1)},
          202),
        PanelSection(kMargin + 388 + 232, row2, 2, 2, 202, 148),
        PlayerSection(kMargin, row2 + 202 + 8, 768),
    };
    main.header = {PatchName(kMargin + 388 + 380 - 168)};

    Window fx = EffectsWindow("KAPPAEDIT EFFECTS", 556);
    const int f2 = kRow1 + 94, f3 = f2 + 94, f4 = f3 + 94;
    fx.sections = {
        S("ring", "RING MOD", kMargin, kRow1, 2, 1,
          {K("ringfreq", "FREQ", m + "ringfreq", 0, 0), C("ringbalan", "BALANCE", m + "ringbalan", 1, 0)}),
        S("pitch", "PITCH SHIFT", kMargin + 128, kRow1, 4, 1,
          {K("pshgrade", "GRADE", m + "pshgrade", 0, 0), C("pshcoarse", "COARSE", m + "pshcoarse", 1, 0),
           C("pshfine", "FINE", m + "pshfine", 2, 0), C("pshbalan", "BALANCE", m + "pshbalan", 3, 0)}),
        S("phaser", "PHASER", kMargin + 360, kRow1, 5, 1,
          {K("phamanual", "MANUAL", m + "phamanual", 0, 0), K("pharate", "RATE", m + "pharate", 1, 0),
           K("phadepth", "DEPTH", m + "phadepth", 2, 0), K("phareso", "RESO", m + "phareso", 3, 0),
           K("phamix", "MIX", m + "phamix", 4, 0)}),
        S("mdly", "MOD DELAY", kMargin, f2, 5, 1,
          {K("mdlytime", "TIME", m + "mdlytime", 0, 0), K("mdlyfbk", "FEEDBACK", m + "mdlyfbk", 1, 0),
           K("mdlylv", "LEVEL", m + "mdlylv", 2, 0), C("mdlylgain", "LOW GAIN", m + "mdlylgain", 3, 0),
           C("mdlyhgain", "HIGH GAIN", m + "mdlyhgain", 4, 0)}),
        S("eq", "EQUALIZER", kMargin + 284, f2, 6, 1,
          {L("eqlowfreq", "LOW HZ", m + "eqlowfreq", 0, 0, 1, "eqLowFreq"), C("eqlowgain", "LOW GAIN", m + "eqlowgain", 1, 0),
           K("eqmidfreq", "MID FREQ", m + "eqmidfreq", 2, 0), C("eqmidgain", "MID GAIN", m + "eqmidgain", 3, 0),
           L("eqhifreq", "HIGH HZ", m + "eqhifreq", 4, 0, 1, "eqHighFreq"), C("eqhigain", "HIGH GAIN", m + "eqhigain", 5, 0)},
          0, 352),
        S("chorus", "CHORUS", kMargin, f3, 6, 1,
          {L("chotype", "TYPE", m + "chotype", 0, 0, 2, "chorusType"), K("chorate", "RATE", m + "chorate", 2, 0),
           K("chodepth", "DEPTH", m + "chodepth", 3, 0), K("chofbk", "FEEDBACK", m + "chofbk", 4, 0),
           K("chopredly", "PRE DELAY", m + "chopredly", 5, 0)}),
        S("mfxout", "MFX OUT", kMargin, f4, 2, 1,
          {K("mfxchosend", "CHORUS", m + "chosend", 0, 0), K("mfxrevsend", "REVERB", m + "revsend", 1, 0)}, 0,
          328),
        S("reverb", "REVERB", kMargin + 336, f3, 5, 2,
          {K("lowtime", "LOW TIME", m + "lowtime", 0, 0), K("hightime", "HIGH TIME", m + "hightime", 1, 0),
           K("predly", "PRE DELAY", m + "predly", 2, 0), K("density", "DENSITY", m + "density", 3, 0),
           K("roomsize", "SIZE", m + "roomsize", 4, 0), K("lowdamp", "LOW DAMP", m + "lowdamp", 0, 1),
           K("highdamp", "HIGH DAMP", m + "highdamp", 1, 1), K("postfreq", "POST FREQ", m + "postfreq", 2, 1),
           K("revcho", "TO CHORUS", m + "revcho", 3, 1)},
          180, 300),
    };
    e.windows = {main, fx};
    return e;
}

Edition MakeSigma()
{
    const std::string o = "ms.tmp.osc.";
    const std::string c = "ms.tmp.common.";
    const std::string m = "ms.tmp.mfx.";
    Edition e;
    e.id = "sigma";
    e.product = "SigmaEdit";
    e.tables = {{"windowState", "Closed, Open"},
                {"onOff", "Off, On"},
                {"vco2Type", "Saw, Square, Pulse, Sine"},
                {"arpMotif", "Up, Down, Up Down, Random, Up x2, Down x2, Chord, Note Order"},
                {"driveMode", "Overdrive, Distortion, Fuzz, Crunch"},
                {"chorusMode", "Chorus, Flanger, Vibrato"}};

    Window main = MainWindow("SIGMAEDIT");
    const int row2 = kRow1 + 94;
    main.sections = {
        S("osc", "OSCILLATOR", kMargin, kRow1, 3, 1,
          {L("vco2type", "VCO 2 WAVE", o + "vco2type", 0, 0, 2, "vco2Type"), C("pitch2", "PITCH 2", o + "pitch2", 2, 0)}),
        S("filter", "FILTER", kMargin + 180, kRow1, 5, 1,
          {K("vcfreq", "CUTOFF", o + "vcfreq", 0, 0), K("vcreso", "RESO", o + "vcreso", 1, 0),
           K("envdepth", "ENV MOD", o + "envdepth", 2, 0), K("decay", "DECAY", o + "decay", 3, 0),
           K("accent", "ACCENT", o + "accent", 4, 0)}),
        S("amp", "AMP", kMargin + 464, kRow1, 1, 1, {K("vcalevel", "LEVEL", o + "vcalevel", 0, 0)}),
        S("sequencer", "SEQUENCER", kMargin, row2, 5, 2,
          {K("tempo", "TEMPO", c + "tempo", 0, 0), L("arpmotif", "ARP MOTIF", c + "arpmotif", 1, 0, 2, "arpMotif"),
           L("ptnsw", "PATTERN", c + "ptnsw", 3, 0, 2, "onOff"),
           L("kbdsw", "KEYBOARD", c + "kbdsw", 1, 1, 2, "onOff"),
           L("dlysw", "DELAY", c + "dlysw", 3, 1, 2, "onOff")}),
        PanelSection(kMargin + 284, row2, 4, 2, 0, 248),
        PlayerSection(kMargin, row2 + 2 * kSlotHeight + kTitleHeight + 4 + 8, 532),
    };
    main.header = {PatchName(kMargin + 532 - 168)};

    Window fx = EffectsWindow("SIGMAEDIT EFFECTS", 420);
    const int f2 = kRow1 + 94, f3 = f2 + 94;
    fx.sections = {
        S("comp", "COMPRESSOR", kMargin, kRow1, 6, 1,
          {L("compsw", "SWITCH", m + "compsw", 0, 0, 1, "onOff"), K("compratio", "RATIO", m + "compratio", 1, 0),
           K("compthres", "THRESHOLD", m + "compthres", 2, 0), K("compattack", "ATTACK", m + "compattack", 3, 0),
           K("comprel", "RELEASE", m + "comprel", 4, 0), K("compgain", "GAIN", m + "compgain", 5, 0)}),
        S("drive", "DRIVE", kMargin + 336, kRow1, 4, 1,
          {L("dstsw", "SWITCH", m + "dstsw", 0, 0, 1, "onOff"),
           L("drivemode", "MODE", m + "drivemode", 1, 0, 2, "driveMode"), K("driveval", "DRIVE", m + "driveval", 3, 0)},
          0, 276),
        S("eq", "EQUALIZER", kMargin, f2, 6, 1,
          {K("lowfreq", "LOW FREQ", m + "lowfreq", 0, 0), C("lowgain", "LOW GAIN", m + "lowgain", 1, 0),
           K("midfreq", "MID FREQ", m + "midfreq", 2, 0), C("midgain", "MID GAIN", m + "midgain", 3, 0),
           K("highfreq", "HIGH FREQ", m + "highfreq", 4, 0), C("highgain", "HIGH GAIN", m + "highgain", 5, 0)}),
        S("chorus", "CHORUS", kMargin + 336, f2, 5, 1,
          {L("chomode", "MODE", m + "chomode", 0, 0, 1, "chorusMode"), K("chorate", "RATE", m + "chorate", 1, 0),
           K("cholevel", "LEVEL", m + "cholevel", 2, 0), K("chodepth", "DEPTH", m + "chodepth", 3, 0),
           K("chofbk", "FEEDBACK", m + "chofbk", 4, 0)}),
        S("delay", "DELAY & REVERB", kMargin, f3, 4, 1,
          {K("delaytime", "TIME", m + "delaytime", 0, 0), C("delaybalance", "BALANCE", m + "delaybalance", 1, 0),
           K("delayfbk", "FEEDBACK", m + "delayfbk", 2, 0), K("revsend", "REVERB", m + "revsend", 3, 0)}),
    };
    e.windows = {main, fx};
    return e;
}

} // namespace

Rect PlateRect(const Section& section)
{
    const int width = std::max(section.minWidth, 2 * kPlatePad + section.cols * kSlotWidth);
    const int height = std::max(section.minHeight, kTitleHeight + section.rows * kSlotHeight + 4);
    return {section.x, section.y, section.x + width, section.y + height};
}

Rect ItemRect(const Item& item, bool inHeader)
{
    if (inHeader) {
        const int height = item.kind == Kind::Edit ? 22 : kFieldHeight;
        return {item.col, item.row, item.col + item.span, item.row + height};
    }
    const int slotX = kPlatePad + item.col * kSlotWidth;
    const int slotY = kTitleHeight + item.row * kSlotHeight;
    if (item.kind == Kind::Knob || item.kind == Kind::CentreKnob) {
        const int x = slotX + (kSlotWidth - kKnobCell) / 2;
        return {x, slotY + 2, x + kKnobCell, slotY + 2 + kKnobCell};
    }
    return {slotX + 4, slotY + 22, slotX + item.span * kSlotWidth - 4, slotY + 22 + kFieldHeight};
}

int WindowWidth(const Window& window)
{
    int right = 0;
    for (const Section& section : window.sections)
        right = std::max(right, PlateRect(section).right);
    for (const Item& item : window.header)
        right = std::max(right, ItemRect(item, true).right);
    return right + kMargin;
}

int WindowHeight(const Window& window)
{
    int bottom = kHeaderHeight;
    for (const Section& section : window.sections)
        bottom = std::max(bottom, PlateRect(section).bottom);
    return bottom + kMargin;
}

const Edition& KappaEdition()
{
    static const Edition edition = MakeKappa();
    return edition;
}

const Edition& SigmaEdition()
{
    static const Edition edition = MakeSigma();
    return edition;
}

} // namespace art

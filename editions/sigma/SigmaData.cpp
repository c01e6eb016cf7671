// The Sigma edition's data. The smaller model has 37 sound parameters with a
// controller; its tempo follows a rule of its own.
#include "kappa/Edition.h"

namespace Quorva::Sigma {

namespace {

// The sound parameters in the order of their table entries, each with the
// MIDI controller that mirrors it.
// clang-format off
const SSoundParameter kSoundParameters[] = {
    {"ms.tmp.osc.pitch2", 2},
    {"ms.tmp.osc.vcfreq", 3},
    {"ms.tmp.osc.vcreso", 4},
    {"ms.tmp.osc.envdepth", 8},
    {"ms.tmp.osc.decay", 9},
    {"ms.tmp.osc.accent", 12},
    {"ms.tmp.osc.vcalevel", 13},
    // The tempo needs more than 7 bits: its controller carries half of it.
    {"ms.tmp.common.tempo", 14, true},
    {"ms.tmp.common.kbdsw", 15},
    {"ms.tmp.common.ptnsw", 16},
    {"ms.tmp.common.arpmotif", 17},
    {"ms.tmp.osc.vco2type", 18},
    {"ms.tmp.mfx.compsw", 19},
    {"ms.tmp.mfx.compratio", 20},
    {"ms.tmp.mfx.compthres", 21},
    {"ms.tmp.mfx.compattack", 22},
    {"ms.tmp.mfx.comprel", 23},
    {"ms.tmp.mfx.compgain", 24},
    {"ms.tmp.mfx.dstsw", 25},
    {"ms.tmp.mfx.drivemode", 26},
    {"ms.tmp.mfx.driveval", 27},
    {"ms.tmp.mfx.lowfreq", 28},
    {"ms.tmp.mfx.lowgain", 29},
    {"ms.tmp.mfx.midfreq", 30},
    {"ms.tmp.mfx.midgain", 31},
    {"ms.tmp.mfx.highfreq", 33},
    {"ms.tmp.mfx.highgain", 34},
    {"ms.tmp.mfx.chomode", 35},
    {"ms.tmp.mfx.chorate", 36},
    {"ms.tmp.mfx.cholevel", 37},
    {"ms.tmp.mfx.chodepth", 39},
    {"ms.tmp.mfx.chofbk", 40},
    {"ms.tmp.common.dlysw", 41},
    {"ms.tmp.mfx.delaytime", 42},
    {"ms.tmp.mfx.revsend", 43},
    {"ms.tmp.mfx.delaybalance", 44},
    {"ms.tmp.mfx.delayfbk", 45},
};
// clang-format on

} // namespace

const SEditionData kEditionData = {
    kSoundParameters,
    "sg",
    "Quorva",
    ".sga",
    "SigmaEditScript.xml",
    "SigmaEditor.Document",
    "Sigma Editor Document",
};

} // namespace Quorva::Sigma

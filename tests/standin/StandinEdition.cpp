// One edition's sound parameters for the simulated module, taken from the
// edition's own data. Built once per edition: TEV_EDITION names it.
#include "StandinModule.h"

#include "kappa/Edition.h"

namespace Quorva::TEV_EDITION {

SStandinEdition StandinEdition()
{
    return SStandinEdition{kEditionData.scriptName, CSimulatedModule::ControllersOf(kEditionData.soundParameters)};
}

} // namespace Quorva::TEV_EDITION

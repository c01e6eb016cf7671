// One edition's sound parameters for the simulated module, taken from the
// edition's own data. Built once per edition: TEV_EDITION names it.
#include "StandinModule.h"

#include "kappa/Edition.h"

namespace Quorva::TEV_EDITION {

SStandinEdition StandinEdition()
{
    SStandinEdition edition{kEditionData.scriptName, {}};
    // A half-resolution parameter follows its controller at twice the value.
    for (const SSoundParameter& parameter : kEditionData.soundParameters)
        edition.controllers.push_back({parameter.path, parameter.controller, parameter.halfResolution ? 2 : 1});
    return edition;
}

} // namespace Quorva::TEV_EDITION

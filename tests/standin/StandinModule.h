#pragma once
#include "support/SimulatedModule.h"

#include <string>
#include <vector>

// What the module takes from an edition: the name of the edition's script
// and its sound parameters with the controllers the device follows them by.
struct SStandinEdition {
    const char* scriptName;
    std::vector<CSimulatedModule::SControllerPath> controllers;
};

// Each edition's, from its own data (StandinEdition.cpp, built once per
// edition).
namespace Quorva::Kappa {
SStandinEdition StandinEdition();
}
namespace Quorva::Sigma {
SStandinEdition StandinEdition();
}

// Fills the module's memory and addressing from the script at path; false,
// with a reason in error, when the script cannot be read or built. The
// script of an edition (found by its file name) also gives the module that
// edition's controllers.
bool StandinBuildModule(const std::string& path, CSimulatedModule& module, std::string& error);

#pragma once
#include "support/SimulatedModule.h"

#include <string>

// Fills the module's memory and addressing from the script at path; false,
// with a reason in error, when the script cannot be read or built.
bool StandinBuildModule(const std::string& path, CSimulatedModule& module, std::string& error);

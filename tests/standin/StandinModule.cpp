// Builds the simulated sound module from a script: the script's parameter
// tree gives the module its memory (every leaf with its default image) and
// the places of an edition's device, the script's first output port its
// model id and address size, and an edition's own data the controllers its
// device follows.
#include "StandinModule.h"

#include "core/TevBuffer.h"
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "support/FakeResources.h"
#include "views/TevViewManager.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>

namespace {

// The controllers of the edition whose script the path names (its file
// name, in any case, as Windows finds files); none for any other script.
std::vector<CSimulatedModule::SControllerPath> EditionControllers(const std::string& path)
{
    const std::string file = path.substr(path.find_last_of("\\/") + 1);
    auto sameName = [&file](const char* name) {
        const std::string other(name);
        return std::equal(file.begin(), file.end(), other.begin(), other.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    for (SStandinEdition (*edition)() : {Quorva::Kappa::StandinEdition, Quorva::Sigma::StandinEdition}) {
        SStandinEdition found = edition();
        if (sameName(found.scriptName))
            return found.controllers;
    }
    return {};
}

} // namespace

bool StandinBuildModule(const std::string& path, CSimulatedModule& module, std::string& error)
{
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        error = "cannot open the script " + path;
        return false;
    }
    // The manager here is the stand-in's own copy of the framework, not the
    // program's: the DLL links the framework statically.
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    auto* errors = new CTevTextOutStringStream;
    manager.SetErrorOut(errors);
    manager.m_resourceManager.SetFactory(std::make_unique<CFakeResourceFactory>());
    CTevViewManager views;
    bool built = manager.ReadScript(stream) && manager.m_resourceManager.Create()
                 && manager.CreateFromDefinitions(&views, &manager.m_resourceManager)
                 && manager.m_midiManager.ReadMidiSection(&manager);
    if (built) {
        module.ClearMemory();
        for (const auto& root : manager.GetRootStructs())
            module.AddLeavesOf(*root);
        // An edition's script also tells where the device stores patches,
        // reports its current patch, takes a system reset and keeps the
        // parameters that follow a control change on its receive channel.
        module.PlayEdition(CSimulatedModule::LayoutFromModel(manager, EditionControllers(path)));
        const auto& outputs = manager.m_midiManager.GetOutputPorts();
        if (!outputs.empty()) {
            module.SetModelId(outputs.front().GetModelId());
            module.SetAddressSize(outputs.front().GetAddressSize());
        }
    } else {
        error = "cannot build the module from " + path + ": " + errors->str();
    }
    manager.Destroy();
    return built;
}

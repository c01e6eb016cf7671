#pragma once
// What the platform shell implements for the edition: the write dialog, the
// factory that makes it, and the view factory the shell derives its own
// from. The shell's reader derives from CReader (kappa/Patches.h).
#include "kappa/Edition.h"
#include "views/TevViewFactory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorva::TEV_EDITION {

// The list from which the user picks the user patch to write into.
class CWriteEntityDialog {
public:
    CWriteEntityDialog() = default;
    CWriteEntityDialog(const CWriteEntityDialog&) = delete;
    CWriteEntityDialog& operator=(const CWriteEntityDialog&) = delete;
    virtual ~CWriteEntityDialog() = default;

    // Shows the names with the initial index selected (-1: none); the index
    // chosen, or -1 when the user cancelled.
    virtual int32_t Choose(const std::vector<std::string>& names, int32_t initialIndex) = 0;

    // The write road: offers every user patch with the current one
    // selected and stores the temporary patch into the one chosen.
    void Run();
};

class CDialogFactory {
public:
    CDialogFactory() = default;
    CDialogFactory(const CDialogFactory&) = delete;
    CDialogFactory& operator=(const CDialogFactory&) = delete;
    virtual ~CDialogFactory() = default;

    // A new dialog owned by the caller; null when it cannot be made.
    virtual std::unique_ptr<CWriteEntityDialog> CreateWriteEntityDialog() = 0;
};

// The edition's view factory: the framework's table of control types. The
// shell's factory derives from it and adds its own controls.
class CViewFactory : public CTevViewFactory {
public:
    std::unique_ptr<CTevControl> CreateControl(const CTevElementDefinition& definition) override;
};

} // namespace Quorva::TEV_EDITION

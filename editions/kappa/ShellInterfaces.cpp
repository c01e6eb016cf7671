#include "kappa/ShellInterfaces.h"

#include "kappa/BufferAccessor.h"
#include "kappa/PatchBank.h"

namespace Quorva::TEV_EDITION {

std::unique_ptr<CTevControl> CViewFactory::CreateControl(const CTevElementDefinition& definition)
{
    return CTevViewFactory::CreateControl(definition);
}

void CWriteEntityDialog::Run()
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    const CTevEntityId current = CEntitySelector::GetCurrentEntityId();

    std::vector<std::string> names;
    std::unique_ptr<CTevEntityIterator> patch = accessor.GetEntityManager().CreateIterator(AllUserPatches());
    for (; !patch->IsEnd(); patch->Next()) {
        CTevEntityManager::IInformation* information = patch->GetInformation();
        names.push_back(information ? information->GetName() : std::string());
    }

    const int32_t chosen = Choose(names, current.IsValid() ? current.GetNumber() : -1);
    if (chosen >= 0 && accessor.GetWriter())
        accessor.GetWriter()->WritePatch(chosen);
}

} // namespace Quorva::TEV_EDITION

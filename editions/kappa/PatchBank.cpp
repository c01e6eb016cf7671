#include "kappa/PatchBank.h"

#include "core/TevBufferManager.h"
#include "kappa/BufferAccessor.h"

#include <iomanip>
#include <sstream>

namespace Quorva::TEV_EDITION {

std::string CPatchNameAccessor::GetName(int32_t index) const
{
    const CTevValue* value = CBufferAccessor::Instance().GetUserPatchName(index);
    return value ? value->GetString() : std::string();
}

void CPatchNameAccessor::SetName(int32_t index, const std::string& name)
{
    CBufferAccessor& accessor = CBufferAccessor::Instance();
    CTevValue* value = accessor.GetUserPatchName(index);
    CTevBufferManager* manager = accessor.GetBufferManager();
    if (!value || !manager)
        return;
    std::ostringstream text;
    text << std::setw(value->GetRange().GetSize()) << name;
    manager->SetStringValue(value, text.str());
}

std::unique_ptr<CPatchBank> CreatePatchBank()
{
    return std::make_unique<CPatchBank>(CTevEntityId(0, 0, 0, 0), CTevProgramId(87, 0, 0),
                                        std::make_unique<CPatchNameAccessor>());
}

} // namespace Quorva::TEV_EDITION

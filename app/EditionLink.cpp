#include "EditionLink.h"

#include "EditionTypes.h"
#include "Services.h"

namespace TevEdition {

namespace {
using Quorva::TEV_EDITION::CBufferAccessor;
using Quorva::TEV_EDITION::kEditionData;
} // namespace

const char* DocumentExtension()
{
    return kEditionData.documentExtension;
}

const char* DocumentTypeId()
{
    return kEditionData.documentTypeId;
}

const char* DocumentDescription()
{
    return kEditionData.documentTypeName;
}

const char* ScriptName()
{
    return kEditionData.scriptName;
}

const char* FamilyName()
{
    return kEditionData.familyName;
}

bool Start(CTevTextOut* statusSink)
{
    return CBufferAccessor::Instance().Initialize(std::make_unique<CReader>(statusSink),
                                                  std::make_unique<Quorva::TEV_EDITION::CWriter>(),
                                                  std::make_unique<CDialogFactory>());
}

void End()
{
    CBufferAccessor::Instance().Terminate();
}

bool IsMidiConnected()
{
    return CBufferAccessor::Instance().IsMidiConnected();
}

bool ReadFromDevice()
{
    return CBufferAccessor::Instance().ReadFromDevice();
}

std::vector<std::string> GetSkinNames()
{
    return CBufferAccessor::Instance().GetSkinNames();
}

int GetSkin()
{
    return CBufferAccessor::Instance().GetSkin();
}

void SetSkin(int skin)
{
    CBufferAccessor::Instance().SetSkin(skin);
}

int GetReceiveChannel()
{
    return CBufferAccessor::Instance().GetReceiveChannel();
}

void SetReceiveChannel(int channel)
{
    // No selection in the channel list: nothing to send.
    if (channel < 0)
        return;
    CBufferAccessor::Instance().SetReceiveChannel(channel);
}

} // namespace TevEdition

#include "controls/TevButton.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"

bool CTevUnlatchButton::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevButton::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first == "function") {
            m_function = it->second;
        } else if (it->first == "arguments") {
            m_arguments = it->second;
        } else if (it->first == "action") {
            // A text that is no number leaves the action as it was.
            ScanLong(it->second, m_action);
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevUnlatchButton::Create(CTevView* parent)
{
    if (!CTevButton::Create(parent)) {
        ErrorLog().Printf("Unable to create unlatch button. : %s", GetPath().c_str());
        return false;
    }
    if (m_bitmap->GetStateCount() <= 1) {
        ErrorLog().Printf("Unlatch button bitmap must have 2 states. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevUnlatchButton::Serialize(CTevArchive& archive)
{
    return CTevButton::Serialize(archive) && archive.SerializeString(m_function) &&
           archive.SerializeString(m_arguments) && archive.SerializeInt(m_action);
}

void CTevUnlatchButton::OnPress(CTevMouseInfo& mouse)
{
    (void)mouse;
    if (m_action != 0)
        return;
    // The button lets go of the mouse before the command runs: a command
    // may run a dialog of its own (reading the device, choosing a patch),
    // which must get the mouse while the panel waits. The later move and
    // release are then refused.
    ShowUp();
    SetCapture(false);
    SetActive(false);
    CallFunction();
}

void CTevUnlatchButton::OnRelease(CTevMouseInfo& mouse)
{
    if (m_action != 0 && m_rect.Contains(mouse.GetPoint()))
        CallFunction();
}

void CTevUnlatchButton::CallFunction()
{
    // An unknown name does nothing; the command's result is not used.
    CTevManager::Instance().GetFunctionManager().Call(m_function, m_arguments);
}

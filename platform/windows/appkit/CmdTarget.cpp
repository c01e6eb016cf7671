#include "appkit/CmdTarget.h"

#include "appkit/Wnd.h"

void CCmdUI::Enable(bool on)
{
    m_enableChanged = true;
    if (m_hMenu != nullptr) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    } else if (m_pOther != nullptr && m_pOther->GetSafeHwnd() != nullptr) {
        ::EnableWindow(m_pOther->GetSafeHwnd(), on ? TRUE : FALSE);
    }
}

void CCmdUI::SetCheck(int check)
{
    if (m_hMenu != nullptr) {
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check != 0 ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther != nullptr && m_pOther->GetSafeHwnd() != nullptr) {
        ::SendMessageA(m_pOther->GetSafeHwnd(), BM_SETCHECK, check != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void CCmdUI::SetRadio(bool on)
{
    if (m_hMenu == nullptr) {
        SetCheck(on ? 1 : 0);
        return;
    }
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!::GetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info)) {
        return;
    }
    info.fType = on ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
    info.fState = on ? (info.fState | MFS_CHECKED) : (info.fState & ~MFS_CHECKED);
    ::SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
}

void CCmdUI::SetText(const std::string& text)
{
    if (m_hMenu != nullptr) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<char*>(text.c_str());
        ::SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
    } else if (m_pOther != nullptr && m_pOther->GetSafeHwnd() != nullptr) {
        ::SetWindowTextA(m_pOther->GetSafeHwnd(), text.c_str());
    }
}

bool CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler)
{
    m_enableChanged = false;
    if (target == nullptr) {
        return false;
    }
    if (target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this)) {
        return true;
    }
    // No update handler: enabled exactly when someone handles the command.
    if (disableIfNoHandler && !m_enableChanged) {
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND, nullptr, true));
    }
    return false;
}

bool CCmdTarget::OnCmdMsg(UINT id, int code, CCmdUI* ui, bool query)
{
    if (code == CN_UPDATE_COMMAND_UI) {
        if (ui == nullptr) {
            return false;
        }
        if (auto it = m_updates.find(id); it != m_updates.end()) {
            if (!query) {
                it->second(*ui);
            }
            return true;
        }
        auto range = m_updateRanges.upper_bound(id);
        if (range != m_updateRanges.begin()) {
            --range;
            if (id <= range->second.last) {
                if (!query) {
                    range->second.handler(*ui);
                }
                return true;
            }
        }
        return false;
    }
    if (code != CN_COMMAND) {
        return false;
    }
    if (auto it = m_commands.find(id); it != m_commands.end()) {
        if (!query) {
            Handler handler = it->second;  // the handler may replace the table
            handler();
        }
        return true;
    }
    auto range = m_commandRanges.upper_bound(id);
    if (range != m_commandRanges.begin()) {
        --range;
        if (id <= range->second.last) {
            if (!query) {
                auto handler = range->second.handler;
                handler(id);
            }
            return true;
        }
    }
    return false;
}

void CCmdTarget::AddCommand(UINT id, Handler handler)
{
    m_commands[id] = std::move(handler);
}

void CCmdTarget::AddCommandRange(UINT first, UINT last, std::function<void(UINT)> handler)
{
    m_commandRanges[first] = Range{last, std::move(handler)};
}

void CCmdTarget::AddUpdateCommand(UINT id, UpdateHandler handler)
{
    m_updates[id] = std::move(handler);
}

void CCmdTarget::AddUpdateCommandRange(UINT first, UINT last, UpdateHandler handler)
{
    m_updateRanges[first] = UpdateRange{last, std::move(handler)};
}

namespace {
int g_waitCount = 0;
HCURSOR g_cursorBeforeWait = nullptr;
}

void CCmdTarget::BeginWaitCursor()
{
    if (g_waitCount++ == 0) {
        g_cursorBeforeWait = ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    } else {
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    }
}

void CCmdTarget::EndWaitCursor()
{
    if (g_waitCount == 0) {
        return;
    }
    if (--g_waitCount == 0) {
        ::SetCursor(g_cursorBeforeWait != nullptr
                        ? g_cursorBeforeWait
                        : ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        g_cursorBeforeWait = nullptr;
    }
}

void CCmdTarget::RestoreWaitCursor()
{
    if (g_waitCount > 0) {
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    }
}

int CCmdTarget::WaitCursorCount()
{
    return g_waitCount;
}

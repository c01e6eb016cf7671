#include "appkit/Menu.h"

#include "appkit/WinApp.h"

bool CMenu::CreatePopupMenu()
{
    DestroyMenu();
    m_hMenu = ::CreatePopupMenu();
    return m_hMenu != nullptr;
}

bool CMenu::LoadMenu(UINT resourceId)
{
    DestroyMenu();
    m_hMenu = ::LoadMenuA(CWinApp::GetResourceInstance(), MAKEINTRESOURCEA(resourceId));
    return m_hMenu != nullptr;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    m_hMenu = nullptr;
    return menu;
}

bool CMenu::Attach(HMENU menu)
{
    if (m_hMenu != nullptr || menu == nullptr) {
        return false;
    }
    m_hMenu = menu;
    return true;
}

void CMenu::DestroyMenu()
{
    if (m_hMenu != nullptr) {
        ::DestroyMenu(m_hMenu);
        m_hMenu = nullptr;
    }
}

std::string CMenu::GetMenuString(UINT item, UINT flags) const
{
    char buffer[1025] = {};
    const int length = ::GetMenuStringA(m_hMenu, item, buffer, 1024, flags);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

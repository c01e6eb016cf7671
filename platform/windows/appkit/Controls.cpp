#include "appkit/Controls.h"

#include <vector>

std::string CComboBox::GetLBText(int index) const
{
    const LRESULT length = ::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    ::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data());
}

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width)
{
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    info.fmt = format;
    info.pszText = const_cast<char*>(heading.c_str());
    info.iSubItem = column;
    if (width >= 0) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    return static_cast<int>(
        ::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::GetColumnCount() const
{
    const HWND header = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
    return header != nullptr ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrl::InsertItem(int item, const std::string& text)
{
    LVITEMA info{};
    info.mask = LVIF_TEXT;
    info.iItem = item;
    info.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&info)));
}

bool CListCtrl::SetItemText(int item, int subItem, const std::string& text)
{
    LVITEMA info{};
    info.iSubItem = subItem;
    info.pszText = const_cast<char*>(text.c_str());
    return ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

std::string CListCtrl::GetItemText(int item, int subItem) const
{
    std::vector<char> buffer(1024, '\0');
    LVITEMA info{};
    info.iSubItem = subItem;
    info.pszText = buffer.data();
    info.cchTextMax = static_cast<int>(buffer.size());
    ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
    return std::string(buffer.data());
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMA info{};
    info.state = state;
    info.stateMask = mask;
    return ::SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

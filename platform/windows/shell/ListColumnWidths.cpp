#include "shell/ListColumnWidths.h"

#include "appkit/Controls.h"
#include "appkit/WinApp.h"

#include "core/TevHelpers.h"

#include <vector>

CListColumnWidths::CListColumnWidths(CListCtrl& list, const std::string& section, const std::string& key)
    : m_list(list), m_section(section), m_key(key)
{
}

void CListColumnWidths::Save()
{
    CWinApp* app = GetApp();
    if (app == nullptr) {
        return;
    }
    const int count = m_list.GetColumnCount();
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ",";
        }
        text += std::to_string(m_list.GetColumnWidth(i));
    }
    app->WriteProfileString(m_section, m_key, text);
}

void CListColumnWidths::Load()
{
    CWinApp* app = GetApp();
    std::vector<int32_t> widths;
    if (app != nullptr) {
        // A list that stops at an unreadable item keeps the widths before it.
        ParseLongList(app->GetProfileString(m_section, m_key, ""), widths);
    }
    const int count = m_list.GetColumnCount();
    for (int i = 0; i < count; ++i) {
        const size_t index = static_cast<size_t>(i);
        m_list.SetColumnWidth(i, index < widths.size() ? widths[index] : LVSCW_AUTOSIZE_USEHEADER);
    }
}

// Remembers a list control's column widths in the application's profile as
// "w0,w1,..." (pixels, decimal).
#pragma once

#include <string>

class CListCtrl;

class CListColumnWidths {
public:
    CListColumnWidths(CListCtrl& list, const std::string& section, const std::string& key);

    void Save();
    // A column without a stored width gets the width that fits its header.
    void Load();

private:
    CListCtrl& m_list;
    std::string m_section;
    std::string m_key;
};

// A dialog-template resource parsed far enough to know where each control
// sits in it: the dialog's header and, by control id, each item's header.
// Both the standard and the extended template forms are read.
#pragma once

#include "appkit/Win32.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace GP {

class CDlgTempl {
public:
    class CDlgItemTempl {
    public:
        CDlgItemTempl(bool extended, const uint8_t* header);
        // (x, y, x + cx, y + cy) in dialog units.
        RECT GetRect() const;
        DWORD GetStyle() const;
        bool IsExtended() const { return m_extended; }

    private:
        bool m_extended;
        std::vector<uint8_t> m_header;  // 24 bytes extended, 18 standard
    };

    // Loads and parses the template resource; false when it cannot be
    // loaded or read (the item map then stays empty).
    bool Load(UINT templateId);
    // Parses size bytes of a template; reading never goes past them. False,
    // with nothing kept, for a truncated or malformed template.
    bool Parse(const void* bytes, size_t size);

    // The dialog's (x, y, x + cx, y + cy) in dialog units.
    RECT GetRect() const;
    DWORD GetStyle() const;
    bool IsExtended() const { return m_extended; }
    // The item of the id when exactly one item has it; else null.
    const CDlgItemTempl* FindItem(UINT id) const;
    size_t GetItemCount() const { return m_items.size(); }

private:
    void Clear();

    bool m_extended = false;
    std::vector<uint8_t> m_header;  // 26 bytes extended, 18 standard
    std::multimap<UINT, CDlgItemTempl> m_items;
};

}  // namespace GP

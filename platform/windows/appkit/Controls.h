// Thin wrappers over the system controls the shell uses. Each is a CWnd, so
// it can be created through CreateEx or attached to a dialog's control with
// SubclassDlgItem / Attach.
#pragma once

#include "appkit/Wnd.h"

#include <commctrl.h>

#include <string>

class CEdit : public CWnd {
public:
    void SetSel(int start, int end, bool noScroll = false)
    {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
        if (!noScroll) {
            SendMessage(EM_SCROLLCARET);
        }
    }
    void ReplaceSel(const std::string& text)
    {
        SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void SetLimitText(UINT maximum) { SendMessage(EM_SETLIMITTEXT, maximum); }
    DWORD GetMargins() const { return static_cast<DWORD>(::SendMessageA(m_hWnd, EM_GETMARGINS, 0, 0)); }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

class CComboBox : public CWnd {
public:
    int AddString(const std::string& text)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int InsertString(int index, const std::string& text)
    {
        return static_cast<int>(
            SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) { return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }
    int GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    std::string GetLBText(int index) const;
    int FindStringExact(int startAfter, const std::string& text) const
    {
        return static_cast<int>(::SendMessageA(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter),
                                               reinterpret_cast<LPARAM>(text.c_str())));
    }
    int SetItemData(int index, DWORD_PTR data)
    {
        return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
    }
    DWORD_PTR GetItemData(int index) const
    {
        return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    }
};

class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
    }
    int InsertColumn(int column, const std::string& heading, int format = LVCFMT_LEFT, int width = -1);
    int GetColumnCount() const;
    int GetColumnWidth(int column) const
    {
        return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    // width may be LVSCW_AUTOSIZE or LVSCW_AUTOSIZE_USEHEADER.
    bool SetColumnWidth(int column, int width)
    {
        return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0;
    }
    int InsertItem(int item, const std::string& text);
    bool SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const { return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
    bool DeleteAllItems() { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    int GetNextItem(int start, int flags) const
    {
        return static_cast<int>(
            ::SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    bool SetItemState(int item, UINT state, UINT mask);
    bool EnsureVisible(int item, bool partialOk)
    {
        return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk ? TRUE : FALSE) != 0;
    }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper)
    {
        SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
    }
    int SetPos(int position) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int GetPos() const { return static_cast<int>(::SendMessageA(m_hWnd, PBM_GETPOS, 0, 0)); }
};

// A scroll bar; with SBS_SIZEBOX | SBS_SIZEBOXBOTTOMRIGHTALIGN the size grip
// of a resizable window.
class CScrollBar : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, "SCROLLBAR", "", style, rect, parent, id);
    }
};

class CStatic : public CWnd {};

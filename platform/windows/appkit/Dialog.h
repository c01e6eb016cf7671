// Dialogs from dialog-template resources, modal (our own modal loop, owner
// disabled meanwhile) or modeless. The owner is the main window unless
// another parent is given.
#pragma once

#include "appkit/Wnd.h"

#include <string>

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; IDOK, IDCANCEL, the EndDialog result, or -1
    // when the template is missing or the window could not be made.
    virtual INT_PTR DoModal();
    // A modeless dialog.
    bool Create(UINT templateId, CWnd* parent = nullptr);

    // WM_INITDIALOG; the result as the dialog procedure's (TRUE: the system
    // sets the focus).
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Ends a modal dialog with the result; destroys a modeless one.
    void EndDialog(int result);
    bool IsModal() const { return m_modal; }

    UINT GetTemplateId() const { return m_templateId; }
    CWnd* GetParentWnd() const { return m_parentWnd; }

    // Dialog-item helpers.
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void SetDlgItemInt(int id, int value);
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    // Dialog units to pixels with this dialog's font.
    void MapDialogRect(RECT* rect) const { ::MapDialogRect(m_hWnd, rect); }

    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool CreateFromTemplate(HWND owner);
    HWND FindOwner() const;

    UINT m_templateId;
    CWnd* m_parentWnd;
    bool m_modal = false;
};

// A one-line editor that pops up over a panel, runs its own modal loop and
// ends on Enter or a left click outside (the text is taken), or on Escape or
// a right click outside (it is dropped). It grows with the text.
#pragma once

#include "appkit/Controls.h"

#include <string>

class IPopup {
public:
    virtual ~IPopup() = default;
    // Shows the pop-up modally at the rect (screen coordinates); true when
    // the user confirmed. The final text is left in m_text either way.
    virtual bool Popup(const RECT& rect, CWnd* parent) = 0;

    RECT m_requestedRect{0, 0, 0, 0};
    HFONT m_font = nullptr;  // not owned; null: the parent's font
    std::string m_text;
};

class CPopupEdit : public CEdit, public IPopup {
public:
    // The results of the modal loop.
    enum : int { kConfirmed = 1, kCancelled = 2 };
    // The notification code sent to the parent outside a modal loop.
    static constexpr UINT kNotifyCode = static_cast<UINT>(-4);

    CPopupEdit() = default;
    ~CPopupEdit() override;

    bool Popup(const RECT& rect, CWnd* parent) override;
    // Width: the text's extent plus the margins and 4, at least the
    // requested width; left-aligned edits grow to the right, right-aligned
    // ones to the left. Height: at least the text height plus 4.
    void FitToText();

    // The pop-up being shown (one at a time), or null.
    static CPopupEdit* GetCurrent();

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam);
    void OnKeyDown(WPARAM key);
};

// A dialog the user can resize: a size grip, never smaller than its
// template, controls moved and stretched by anchor flags relative to where
// the template put them, size and place remembered in the profile.
#pragma once

#include "appkit/Controls.h"
#include "appkit/Dialog.h"
#include "dialogs/DlgTempl.h"

#include <memory>
#include <string>

namespace GP {

// Anchor flags of one control.
enum : int {
    kAnchorLeft = 1,
    kAnchorRight = 2,
    kAnchorTop = 4,
    kAnchorBottom = 8,
    kScaleHorizontal = 16,
    kScaleVertical = 32,
};

class CResizeDlg : public CDialog {
public:
    static constexpr UINT kSizeGripId = 3;

    CResizeDlg(UINT templateId, CWnd* parent, bool sizeGrip);
    ~CResizeDlg() override;

    // Records the minimum size, parses the template, adds the grip, runs the
    // dialog's initialisation, then restores size and place from the profile.
    BOOL OnInitDialog() override;

    // Where the window's rectangle and size are kept; empty names keep
    // nothing. Empty in the base.
    virtual void GetPlacementProfile(std::string& section, std::string& key);
    virtual void GetSizeProfile(std::string& section, std::string& key);
    // Places the controls for a new client size; nothing in the base.
    virtual void Layout(int width, int height);

    // Writes size and rectangle to the profile (at WM_DESTROY).
    void SavePlacement();

    bool IsInitialised() const { return m_initialised; }
    int GetMinWidth() const { return m_minWidth; }
    int GetMinHeight() const { return m_minHeight; }
    int GetMinClientWidth() const { return m_minClientWidth; }
    int GetMinClientHeight() const { return m_minClientHeight; }
    const CDlgTempl& GetTemplate() const { return m_template; }
    CScrollBar* GetSizeGrip() const { return m_sizeGrip.get(); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_initialised = false;
    // The window's size at creation (the tracking minimum) and its client
    // size (the smallest area the controls are laid out in).
    int m_minWidth = 0;
    int m_minHeight = 0;
    int m_minClientWidth = 0;
    int m_minClientHeight = 0;
    CDlgTempl m_template;
    bool m_wantSizeGrip;
    std::unique_ptr<CScrollBar> m_sizeGrip;
};

// Moves a dialog's controls relative to their place in its template.
class CResizeLayout {
public:
    CResizeLayout(CDialog& dialog, const CDlgTempl& dialogTemplate)
        : m_dialog(dialog), m_template(dialogTemplate)
    {
    }
    // Nothing for an id that is not in the template exactly once.
    void Place(UINT id, int flags);

private:
    CDialog& m_dialog;
    const CDlgTempl& m_template;
};

}  // namespace GP

// Cuts a rectangle larger than the screen to its size (keeping the left and
// top edges), then moves it onto the screen.
RECT ClampRectToScreen(const RECT& rect, const RECT& screen);

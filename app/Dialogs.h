#pragma once
// The shell's three dialogs: MIDI set-up, the write dialog of the edition's
// write command, and About. All are modal and owned by the main window.
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "EditionTypes.h"

#include "appkit/Controls.h"
#include "appkit/Dialog.h"
#include "dialogs/ResizeDlg.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CMidiSetupPage;

// Binds the script's ports to the computer's MIDI devices and chooses the
// device's receive channel. Cancel changes nothing.
class CMidiSetupDialog : public CDialog {
public:
    CMidiSetupDialog();
    ~CMidiSetupDialog() override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::unique_ptr<CMidiSetupPage> m_page;
};

// The list of user patches to write into: "No." and "Name" columns, one row
// per name. Resizable; its size, place and column widths are remembered.
class CWriteEntityDialog : public GP::CResizeDlg, public TevEdition::CEditionWriteDialog {
public:
    CWriteEntityDialog();
    int32_t Choose(const std::vector<std::string>& names, int32_t initialIndex) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Row i's "No." text: i + 1 right-aligned in three places.
    static std::string RowNumberText(int index);

protected:
    void GetPlacementProfile(std::string& section, std::string& key) override;
    void GetSizeProfile(std::string& section, std::string& key) override;
    void Layout(int width, int height) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CListCtrl m_list;
    int32_t m_selected = -1;
    std::vector<std::string> m_names;
};

// "About <name>": name, version and legal notice from the version block.
class CAboutDialog : public CDialog {
public:
    CAboutDialog();
    BOOL OnInitDialog() override;
    // "Version 1.20"; with the product version's four numbers run together
    // behind it, " (1201)", when asked for (Ctrl held as the box opens).
    static std::string VersionText(const std::string& fileVersion, const std::string& productVersion,
                                   bool withProduct);
};

#pragma once
// The shell's three dialogs: MIDI set-up, the write dialog of the edition's
// write command, and About. All are modal and owned by the main window.
#include "EditionTypes.h"

#include <windows.h>

#include <string>
#include <vector>

// "About <name>": name, version and legal notice from the version block.
class CAboutDialog {
public:
    INT_PTR DoModal();
    // "Version 1.20"; with the product version's four numbers run together
    // behind it, " (1201)", when asked for (Ctrl held as the box opens).
    static std::string VersionText(const std::string& fileVersion, const std::string& productVersion,
                                   bool withProduct);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static void OnInitDialog(HWND dialog);
};

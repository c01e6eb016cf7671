// Every message box of the shell goes through ShowMessageBox, so that a test
// can replace the real (modal, blocking) box with a function of its own.
#pragma once

#include "appkit/Win32.h"

#include <string>

// Without an owner the box belongs to the window in front: the application's
// front window (the main window, or a modal panel's), or the window of a
// modal loop in front of it that holds it (a box, a dialog, the progress
// window, the pop-up edit: CWinApp::GetModalOwner), never a pop-up that
// holds nothing, such as the value tip. The owner and
// the other windows of its level take no input under the box; as it closes,
// every window is set as the loops and panels still open want it, and the
// activation goes to a window that takes input. A box that
// goes unanswered with its owner (a modal panel closed meanwhile) is shown
// again over the window then in front; not when the main window went too.
int ShowMessageBox(const std::string& text, unsigned type = MB_OK | MB_ICONEXCLAMATION,
                   HWND owner = nullptr);

using MessageBoxHook = int (*)(HWND owner, const std::string& text, unsigned type);

// Installs a replacement and returns the previous one; nullptr restores the
// real message box.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

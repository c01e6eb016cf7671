// Every message box of the shell goes through ShowMessageBox, so that a test
// can replace the real (modal, blocking) box with a function of its own.
#pragma once

#include "appkit/Win32.h"

#include <string>

// Without an owner the box belongs to the window in front of the main
// window (its last active pop-up, such as a dialog or the progress window
// that holds it disabled). The box leaves its owner enabled or disabled as
// it found it.
int ShowMessageBox(const std::string& text, unsigned type = MB_OK | MB_ICONEXCLAMATION,
                   HWND owner = nullptr);

using MessageBoxHook = int (*)(HWND owner, const std::string& text, unsigned type);

// Installs a replacement and returns the previous one; nullptr restores the
// real message box.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Every message box of the shell goes through ShowMessageBox, so that a test
// can replace the real (modal, blocking) box with a function of its own.
#pragma once

#include "appkit/Win32.h"

#include <string>

int ShowMessageBox(const std::string& text, unsigned type = MB_OK | MB_ICONEXCLAMATION,
                   HWND owner = nullptr);

using MessageBoxHook = int (*)(HWND owner, const std::string& text, unsigned type);

// Installs a replacement and returns the previous one; nullptr restores the
// real message box.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

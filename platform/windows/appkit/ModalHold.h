// A modal loop (a dialog, a message box, a pop-up edit, an operation with
// its progress window) holds the window it runs over: that window takes no
// input until the loop ends. Loops end in any order, and windows open and
// close while they run (a modal panel opened by input the loop dispatched),
// so no loop puts back the state it found: whether a window is enabled is
// worked out anew from the holds still in force and the application's own
// rules (CWinApp::WantsEnabled).
#pragma once

#include "appkit/Win32.h"

class CModalHold {
public:
    // Holds `window` and brings the application's windows in line. A
    // message box disables and enables its owner itself: `leaveToSystem`
    // leaves the window's own state to it.
    explicit CModalHold(HWND window, bool leaveToSystem = false);
    // Lets the window go and sets it, and every window of the application,
    // as what is still open wants it.
    ~CModalHold();
    CModalHold(const CModalHold&) = delete;
    CModalHold& operator=(const CModalHold&) = delete;

    // The window of the loop (a dialog or the progress window) that stands
    // in front of the held one and takes the input meanwhile.
    void SetHolder(HWND holder) { m_holder = holder; }

    static bool IsHeld(HWND window);
    // The window in front of `window` that a new box or dialog belongs to:
    // the holder of the newest hold on it whose window is still shown, and
    // so on in front of that one; `window` itself when none holds it.
    static HWND InFrontOf(HWND window);

private:
    HWND m_window;
    HWND m_holder = nullptr;
};

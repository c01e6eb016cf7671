// A modal loop (a dialog, a message box, a pop-up edit, an operation with
// its progress window) holds the window it runs over: that window takes no
// input until the loop ends. Loops end in any order, and windows open and
// close while they run (a modal panel opened by input the loop dispatched),
// so no loop puts back the state it found: whether a window is enabled is
// worked out anew from the holds still in force and the application's own
// rules (CWinApp::WantsEnabled).
//
// Every hold names the loop's own window, its holder, when it is made: a box
// or dialog opened inside the loop belongs to that window (InFrontOf).
#pragma once

#include "appkit/Win32.h"

class CModalHold {
public:
    // Tells the constructor that the loop is a message box, whose window
    // the system makes.
    struct SystemBox {};

    // Holds `window` for a loop that runs in `holder` (a dialog, the
    // progress window, the pop-up edit), and brings the application's
    // windows in line. Null `holder`: the loop shows no window of its own
    // (a replacement box in a test).
    CModalHold(HWND window, HWND holder);
    // Holds `window` for a message box over it. The system disables and
    // enables its owner itself, so the window's own state is left to it;
    // the box the thread makes next is the holder.
    CModalHold(HWND window, SystemBox);
    // Lets the window go and sets it, and every window of the application,
    // as what is still open wants it.
    ~CModalHold();
    CModalHold(const CModalHold&) = delete;
    CModalHold& operator=(const CModalHold&) = delete;

    static bool IsHeld(HWND window);
    // The window in front of `window` that a new box or dialog belongs to:
    // the holder of the newest hold on it whose window is still shown, and
    // so on in front of that one; `window` itself when none holds it.
    static HWND InFrontOf(HWND window);

private:
    void Begin(bool leaveToSystem);
    static LRESULT CALLBACK CatchBox(int code, WPARAM wParam, LPARAM lParam);
    static void StopCatching();

    HWND m_window;
    HWND m_holder;
};

#pragma once
// Drives a real program from another process, as a user would: starts it,
// finds its windows, answers its message boxes, clicks and drags with
// posted mouse messages and takes screenshots.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CProgramRun {
public:
    CProgramRun() = default;
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;
    // Ends a program still running.
    ~CProgramRun();

    // Starts the program in its own folder, with the arguments given; its
    // standard output goes to `output` when given (an inheritable handle).
    bool Start(const std::string& exePath, const std::string& arguments = {}, HANDLE output = nullptr);
    // The exit code, or -1 when it did not end within the time.
    int WaitForExit(DWORD timeoutMs);
    DWORD GetProcessId() const { return m_info.dwProcessId; }

private:
    PROCESS_INFORMATION m_info = {};
};

// Waits until the predicate holds, checking every 10 ms; false on time-out.
bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs);

// The visible top-level windows of the process, optionally only those of a
// window class.
std::vector<HWND> TopWindowsOf(DWORD processId, const char* className = nullptr);
// The first visible dialog (#32770) of the process; null on time-out.
HWND FindDialog(DWORD processId, DWORD timeoutMs);
// The program's main window: its visible top-level window with a menu;
// null when none is up. A box and the splash carry the same title.
HWND MainWindowOf(DWORD processId);
// Whether the window is the progress dialog of a read or write. One that is
// going away may already have lost its bar.
bool IsProgressWindow(HWND window);
std::string WindowText(HWND window);
// The message of a message box (its static text 0xFFFF); empty for any
// other window.
std::string MessageBoxText(HWND box);

// A box up in a program: a shown dialog that is no progress window, with
// its text (a message box's message, else the dialog's title), never empty.
struct SBox {
    HWND window;
    std::string text;
};
// The boxes of the process at one look. A dialog caught while it goes away
// can pass for one here; only BoxesStillUp tells.
std::vector<SBox> BoxesOf(DWORD processId);
// Of the boxes seen at an earlier look, those that still are: the same
// window of the same process, shown, no progress window, with text now.
std::vector<SBox> BoxesStillUp(DWORD processId, const std::vector<SBox>& seen);
// The boxes that stand a second look `intervalMs` after the first; at once
// empty when the first finds none.
std::vector<SBox> BoxesUpOf(DWORD processId, DWORD intervalMs = 250);
// Every static text of the dialog, one per line, in child order.
std::string DialogTexts(HWND dialog);
// Clicks a dialog's button by id, as a user would.
void PressButton(HWND dialog, int id);

// Posted left-button input in client coordinates of the window.
void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);

// A 24-bit BMP of the window's screen area; false when nothing could be
// read. Also returns the pixels (BGR rows, bottom-up) when asked.
bool SaveScreenshot(HWND window, const std::string& path, std::vector<unsigned char>* pixels = nullptr);
// The share of bytes that differ between two equally sized pixel buffers.
double PixelDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

// Registry of the current user.
std::string ReadRegistryString(const std::string& key, const std::string& value);
bool WriteRegistryString(const std::string& key, const std::string& value, const std::string& data);
bool DeleteRegistryTree(const std::string& key);

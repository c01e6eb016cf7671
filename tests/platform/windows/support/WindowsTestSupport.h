#pragma once
// Helpers for the Windows tests: a robot thread that waits for a window of
// this process and acts on it (for modal loops that the test itself cannot
// leave), real mouse input, message pumping, pixel reading and bitmap files.
#include "appkit/Win32.h"
#include "BitmapFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Runs steps one after the other on a thread of its own. Each step waits
// until a visible top-level window of this process with the class and a
// title starting with the prefix exists, then runs its action with it.
class CRobot {
public:
    CRobot() = default;
    ~CRobot();
    CRobot(const CRobot&) = delete;
    CRobot& operator=(const CRobot&) = delete;

    void Then(const std::string& className, const std::string& titlePrefix, std::function<void(HWND)> action);
    // Starts the steps; each waits at most timeoutMs.
    void Start(DWORD timeoutMs = 15000);
    // Waits for the thread; true when every step ran.
    bool Finish();

    // Presses a dialog's button the way a click does.
    static void PressButton(HWND dialog, int id);

private:
    struct Step {
        std::string className;
        std::string titlePrefix;
        std::function<void(HWND)> action;
    };
    std::vector<Step> m_steps;
    std::thread m_thread;
    std::atomic<int> m_done{0};
};

// The first visible top-level window of this process with the class and
// title prefix, or null.
HWND FindProcessWindow(const std::string& className, const std::string& titlePrefix);

// Real (hardware) mouse input at a screen point: moves there and presses and
// releases the button (VK_LBUTTON or VK_RBUTTON).
void ClickAt(POINT screen, int button = VK_LBUTTON);

// Dispatches every queued message, and keeps doing so for the time given.
void PumpMessages(DWORD milliseconds = 0);

// A 24-bit memory bitmap selected into a memory device context.
class CMemoryCanvas {
public:
    CMemoryCanvas(int width, int height, COLORREF fill);
    ~CMemoryCanvas();
    CMemoryCanvas(const CMemoryCanvas&) = delete;
    CMemoryCanvas& operator=(const CMemoryCanvas&) = delete;

    HDC GetDC() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    // Counts the pixels of the colour inside the rect.
    int Count(const RECT& rect, COLORREF color) const;
    bool SaveBitmap(const std::string& path) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    int m_width;
    int m_height;
};

// The folder the test program runs in (the build's tests folder), with its
// trailing backslash.
std::string TestFolder();

// Runs the action once, from this thread's message loop (any loop: a modal
// loop or a menu's), after the delay. Returns the timer id.
UINT_PTR RunLater(DWORD milliseconds, std::function<void()> action);

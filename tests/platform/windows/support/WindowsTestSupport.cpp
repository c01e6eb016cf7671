#include "support/WindowsTestSupport.h"

#include <cstdio>
#include <map>
#include <vector>

CRobot::~CRobot()
{
    Finish();
}

void CRobot::Then(const std::string& className, const std::string& titlePrefix, std::function<void(HWND)> action)
{
    m_steps.push_back(Step{className, titlePrefix, std::move(action)});
}

void CRobot::Start(DWORD timeoutMs)
{
    m_thread = std::thread([this, timeoutMs] {
        for (Step& step : m_steps) {
            HWND found = nullptr;
            const DWORD start = ::GetTickCount();
            while (found == nullptr && ::GetTickCount() - start < timeoutMs) {
                found = FindProcessWindow(step.className, step.titlePrefix);
                if (found == nullptr) {
                    ::Sleep(20);
                }
            }
            if (found == nullptr) {
                return;
            }
            step.action(found);
            ++m_done;
        }
    });
}

bool CRobot::Finish()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_done == static_cast<int>(m_steps.size());
}

void CRobot::PressButton(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

namespace {
struct SearchState {
    const std::string* className;
    const std::string* titlePrefix;
    HWND found;
};

BOOL CALLBACK SearchWindow(HWND hwnd, LPARAM lParam)
{
    auto* state = reinterpret_cast<SearchState*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(hwnd)) {
        return TRUE;
    }
    char name[256] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (*state->className != name) {
        return TRUE;
    }
    char title[512] = {};
    ::GetWindowTextA(hwnd, title, sizeof(title));
    if (std::string(title).rfind(*state->titlePrefix, 0) != 0) {
        return TRUE;
    }
    state->found = hwnd;
    return FALSE;
}
}  // namespace

HWND FindProcessWindow(const std::string& className, const std::string& titlePrefix)
{
    SearchState state{&className, &titlePrefix, nullptr};
    ::EnumWindows(&SearchWindow, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

void ClickAt(POINT screen, int button)
{
    ::SetCursorPos(screen.x, screen.y);
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
    }
    inputs[0].mi.dwFlags = button == VK_RBUTTON ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = button == VK_RBUTTON ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

void PumpMessages(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG msg{};
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (milliseconds > 0) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    } while (::GetTickCount() - start < milliseconds);
}

CMemoryCanvas::CMemoryCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    const HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    m_previous = ::SelectObject(m_dc, m_bitmap);
    const HBRUSH brush = ::CreateSolidBrush(fill);
    const RECT all{0, 0, width, height};
    ::FillRect(m_dc, &all, brush);
    ::DeleteObject(brush);
}

CMemoryCanvas::~CMemoryCanvas()
{
    ::SelectObject(m_dc, m_previous);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

int CMemoryCanvas::Count(const RECT& rect, COLORREF color) const
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            count += ::GetPixel(m_dc, x, y) == color ? 1 : 0;
        }
    }
    return count;
}

bool CMemoryCanvas::SaveBitmap(const std::string& path) const
{
    return WriteBitmapFile(path, m_width, m_height, [&](int x, int y) { return Pixel(x, y); });
}

std::string TestFolder()
{
    char folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, folder);
    std::string text(folder, length);
    if (text.empty() || text.back() != '\\') {
        text += '\\';
    }
    return text;
}

namespace {
std::map<UINT_PTR, std::function<void()>>& LaterActions()
{
    static std::map<UINT_PTR, std::function<void()>> actions;
    return actions;
}

void CALLBACK RunLaterTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    auto it = LaterActions().find(id);
    if (it == LaterActions().end()) {
        return;
    }
    std::function<void()> action = std::move(it->second);
    LaterActions().erase(it);
    action();
}
}  // namespace

UINT_PTR RunLater(DWORD milliseconds, std::function<void()> action)
{
    const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, &RunLaterTimer);
    LaterActions()[id] = std::move(action);
    return id;
}

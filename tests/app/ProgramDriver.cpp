#include "ProgramDriver.h"

#include "resource.h"

#include <cstdio>
#include <fstream>

CProgramRun::~CProgramRun()
{
    if (m_info.hProcess) {
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_info.hProcess, 99);
            ::WaitForSingleObject(m_info.hProcess, 5000);
        }
        ::CloseHandle(m_info.hProcess);
        ::CloseHandle(m_info.hThread);
    }
}

bool CProgramRun::Start(const std::string& exePath, const std::string& arguments, HANDLE output)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    std::string commandLine = "\"" + exePath + "\"" + (arguments.empty() ? "" : " " + arguments);
    const std::string folder = exePath.substr(0, exePath.find_last_of("\\/") + 1);
    return ::CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, output ? TRUE : FALSE, 0,
                            nullptr, folder.c_str(), &startup, &m_info) != 0;
}

int CProgramRun::WaitForExit(DWORD timeoutMs)
{
    if (!m_info.hProcess || ::WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return static_cast<int>(code);
}

bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (predicate())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(10);
    }
}

namespace {

struct CSearch {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<CSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !::IsWindowVisible(window))
        return TRUE;
    if (search->className) {
        char name[64] = {};
        ::GetClassNameA(window, name, sizeof name);
        if (std::string(name) != search->className)
            return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopWindowsOf(DWORD processId, const char* className)
{
    CSearch search{processId, className, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(DWORD processId, DWORD timeoutMs)
{
    HWND result = nullptr;
    WaitFor(
        [&] {
            const std::vector<HWND> dialogs = TopWindowsOf(processId, "#32770");
            if (dialogs.empty())
                return false;
            result = dialogs.front();
            return true;
        },
        timeoutMs);
    return result;
}

HWND MainWindowOf(DWORD processId)
{
    for (HWND window : TopWindowsOf(processId))
        if (::GetMenu(window))
            return window;
    return nullptr;
}

bool IsProgressWindow(HWND window)
{
    return ::GetDlgItem(window, IDC_PROGRESS_BAR) != nullptr;
}

std::string WindowText(HWND window)
{
    char text[4096] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box)
{
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(child, name, sizeof name);
        if ((::GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && std::string(name) == "Static")
            return WindowText(child);
    }
    return {};
}

namespace {

// The text of the window when it is a box of the process now; empty when
// it is none: gone, hidden, no dialog, a progress window, or without text.
// The text is read last, so that a window going away meanwhile reads empty.
std::string TextOfBox(DWORD processId, HWND window)
{
    DWORD owner = 0;
    char name[64] = {};
    if (!::IsWindow(window) || !::GetWindowThreadProcessId(window, &owner) || owner != processId ||
        !::IsWindowVisible(window) || !::GetClassNameA(window, name, sizeof name) || std::string(name) != "#32770" ||
        IsProgressWindow(window))
        return {};
    const std::string message = MessageBoxText(window);
    return message.empty() ? WindowText(window) : message;
}

std::vector<SBox> BoxesAmong(DWORD processId, const std::vector<HWND>& windows)
{
    std::vector<SBox> boxes;
    for (HWND window : windows) {
        std::string text = TextOfBox(processId, window);
        if (!text.empty())
            boxes.push_back({window, std::move(text)});
    }
    return boxes;
}

} // namespace

std::vector<SBox> BoxesOf(DWORD processId)
{
    return BoxesAmong(processId, TopWindowsOf(processId, "#32770"));
}

std::vector<SBox> BoxesStillUp(DWORD processId, const std::vector<SBox>& seen)
{
    std::vector<HWND> windows;
    for (const SBox& box : seen)
        windows.push_back(box.window);
    return BoxesAmong(processId, windows);
}

std::vector<SBox> BoxesUpOf(DWORD processId, DWORD intervalMs)
{
    const std::vector<SBox> seen = BoxesOf(processId);
    if (seen.empty())
        return {};
    ::Sleep(intervalMs);
    return BoxesStillUp(processId, seen);
}

std::string DialogTexts(HWND dialog)
{
    std::string texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(child, name, sizeof name);
        if (std::string(name) == "Static")
            texts += WindowText(child) + "\n";
    }
    return texts;
}

void PressButton(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys)
{
    ::PostMessageA(window, message, keys, MAKELPARAM(x, y));
}

bool SaveScreenshot(HWND window, const std::string& path, std::vector<unsigned char>* pixels)
{
    RECT rect;
    if (!::GetWindowRect(window, &rect))
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> bits(static_cast<size_t>(stride) * height);
    const int lines = ::GetDIBits(memory, bitmap, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
                                  DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bits.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
    if (pixels)
        *pixels = std::move(bits);
    return static_cast<bool>(out);
}

double PixelDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    if (a.size() != b.size() || a.empty())
        return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            ++differing;
    return static_cast<double>(differing) / static_cast<double>(a.size());
}

std::string ReadRegistryString(const std::string& key, const std::string& value)
{
    char data[1024] = {};
    DWORD size = sizeof data;
    if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return {};
    return data;
}

bool WriteRegistryString(const std::string& key, const std::string& value, const std::string& data)
{
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = ::RegSetValueExA(handle, value.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(data.c_str()),
                                         static_cast<DWORD>(data.size() + 1));
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool DeleteRegistryTree(const std::string& key)
{
    const LONG result = ::RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

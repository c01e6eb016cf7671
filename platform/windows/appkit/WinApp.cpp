#include "appkit/WinApp.h"

#include "appkit/ModalHold.h"
#include "appkit/Wnd.h"

#include <algorithm>
#include <vector>

namespace {
CWinApp* g_app = nullptr;

std::string ModuleBaseName()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

// Opens a key below parent for reading, or with create opens or creates it
// for reading and writing; null when that fails.
HKEY OpenKey(HKEY parent, const std::string& path, bool create)
{
    HKEY key = nullptr;
    LONG status = 0;
    if (create) {
        status = ::RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                   nullptr, &key, nullptr);
    } else {
        status = ::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key);
    }
    return status == ERROR_SUCCESS ? key : nullptr;
}
}  // namespace

CWinApp* GetApp()
{
    return g_app;
}

CWinApp::CWinApp(const std::string& appName) : m_appName(appName)
{
    if (g_app == nullptr) {
        g_app = this;
    }
    m_instance = ::GetModuleHandleA(nullptr);
    if (m_appName.empty()) {
        m_appName = ModuleBaseName();
    }
}

HWND CWinApp::GetFrontWindow() const
{
    return m_mainWnd != nullptr ? m_mainWnd->GetSafeHwnd() : nullptr;
}

HWND CWinApp::GetModalOwner() const
{
    const HWND front = GetFrontWindow();
    return front != nullptr ? CModalHold::InFrontOf(front) : nullptr;
}

HWND ActivationTarget(HWND owner)
{
    if (owner != nullptr && ::IsWindowEnabled(owner))
        return owner;
    const HWND front = g_app != nullptr ? g_app->GetModalOwner() : nullptr;
    return front != nullptr && ::IsWindowEnabled(front) ? front : nullptr;
}

bool CWinApp::WantsEnabled(HWND window) const
{
    return !CModalHold::IsHeld(window);
}

void CWinApp::UpdateWindowStates(HWND leave)
{
    const HWND main = m_mainWnd != nullptr ? m_mainWnd->GetSafeHwnd() : nullptr;
    if (main != nullptr && main != leave)
        ::EnableWindow(main, WantsEnabled(main) ? TRUE : FALSE);
}

CWinApp::~CWinApp()
{
    if (g_app == this) {
        g_app = nullptr;
    }
}

HINSTANCE CWinApp::GetResourceInstance()
{
    return g_app != nullptr ? g_app->m_instance : ::GetModuleHandleA(nullptr);
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::ExitInstance()
{
    CWnd::DeleteTempMap();
    return m_exitCode;
}

bool CWinApp::OnIdle(long count)
{
    if (count == 0) {
        return true;
    }
    if (count == 1) {
        CWnd::DeleteTempMap();
    }
    return false;
}

bool CWinApp::PreTranslateMessage(MSG* msg)
{
    const HWND stop = m_mainWnd != nullptr ? m_mainWnd->GetSafeHwnd() : nullptr;
    for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd)) {
            if (wnd->PreTranslateMessage(msg)) {
                return true;
            }
        }
        if (hwnd == stop) {
            return false;
        }
    }
    // A message outside the main window's tree: the main window still sees it
    // (its accelerators work in every window of the program).
    if (stop != nullptr && msg->hwnd != nullptr) {
        if (CWnd* main = CWnd::FromHandlePermanent(stop)) {
            return main->PreTranslateMessage(msg) != FALSE;
        }
    }
    return false;
}

bool CWinApp::IsIdleMessage(const MSG* msg)
{
    if (msg->message == WM_PAINT || msg->message == 0x0118) {
        return false;
    }
    if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
        // Only a move to another point counts.
        static thread_local POINT lastPoint{-1, -1};
        static thread_local UINT lastMessage = 0;
        if (msg->message == lastMessage && msg->pt.x == lastPoint.x && msg->pt.y == lastPoint.y) {
            return false;
        }
        lastPoint = msg->pt;
        lastMessage = msg->message;
    }
    return true;
}

bool CWinApp::PumpMessage()
{
    MSG msg{};
    if (!::GetMessageA(&msg, nullptr, 0, 0)) {
        m_exitCode = static_cast<int>(msg.wParam);
        return false;
    }
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_idleRestart = IsIdleMessage(&msg);
    return true;
}

int CWinApp::Run()
{
    bool idle = true;
    long idleCount = 0;
    MSG msg{};
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) {
                idle = false;
            }
        }
        do {
            if (!PumpMessage()) {
                return ExitInstance();
            }
            if (m_idleRestart) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void CWinApp::SetRegistryKey(const std::string& company)
{
    m_company = company;
}

HKEY CWinApp::OpenAppKey(bool create)
{
    std::string path = "Software\\";
    if (!m_company.empty()) {
        path += m_company + "\\";
    }
    path += m_appName;
    return OpenKey(HKEY_CURRENT_USER, path, create);
}

HKEY CWinApp::OpenSectionKey(const std::string& section, bool create)
{
    HKEY app = OpenAppKey(create);
    if (app == nullptr) {
        return nullptr;
    }
    const HKEY key = OpenKey(app, section, create);
    ::RegCloseKey(app);
    return key;
}

std::string CWinApp::GetProfileString(const std::string& section, const std::string& entry,
                                      const std::string& def)
{
    HKEY key = OpenSectionKey(section, false);
    if (key == nullptr) {
        return def;
    }
    DWORD type = 0;
    DWORD size = 0;
    std::string value = def;
    if (::RegQueryValueExA(key, entry.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        if (::RegQueryValueExA(key, entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &got) == ERROR_SUCCESS) {
            data[std::min<size_t>(got, size)] = '\0';
            value.assign(data.data());  // stops at the terminating zero
        }
    }
    ::RegCloseKey(key);
    return value;
}

int CWinApp::GetProfileInt(const std::string& section, const std::string& entry, int def)
{
    HKEY key = OpenSectionKey(section, false);
    if (key == nullptr) {
        return def;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    int value = def;
    if (::RegQueryValueExA(key, entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(data)) {
        value = static_cast<int>(data);
    }
    ::RegCloseKey(key);
    return value;
}

bool CWinApp::WriteProfileString(const std::string& section, const std::string& entry,
                                 const std::string& value)
{
    HKEY key = OpenSectionKey(section, true);
    if (key == nullptr) {
        return false;
    }
    const LONG status = ::RegSetValueExA(key, entry.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(value.c_str()),
                                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool CWinApp::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    HKEY key = OpenSectionKey(section, true);
    if (key == nullptr) {
        return false;
    }
    const DWORD data = static_cast<DWORD>(value);
    const LONG status = ::RegSetValueExA(key, entry.c_str(), 0, REG_DWORD,
                                         reinterpret_cast<const BYTE*>(&data), sizeof(data));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(m_instance, MAKEINTRESOURCEA(id));
}

HCURSOR CWinApp::LoadStandardCursor(LPCSTR id) const
{
    return ::LoadCursorA(nullptr, id);
}

std::string CWinApp::LoadString(UINT id) const
{
    char buffer[1024] = {};
    const int length = ::LoadStringA(m_instance, id, buffer, static_cast<int>(sizeof(buffer)));
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

int AppWinMain(HINSTANCE instance, int cmdShow)
{
    CWinApp* app = GetApp();
    if (app == nullptr) {
        return 1;
    }
    app->SetInstance(instance);
    app->SetCmdShow(cmdShow);
    if (!app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}

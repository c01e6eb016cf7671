#include "shell/SingleInstanceGuard.h"

#include "appkit/AppMessageBox.h"
#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

HANDLE CMMF::Create(const std::string& name, DWORD size, bool* alreadyExisted)
{
    m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    if (alreadyExisted != nullptr) {
        *alreadyExisted = m_mapping != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return m_mapping;
}

void* CMMF::MapView(DWORD size, DWORD offset)
{
    if (m_mapping == nullptr) {
        return nullptr;
    }
    return ::MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, offset, size);
}

CSingleInstanceGuard::CSingleInstanceGuard(const std::string& name)
{
    bool existed = false;
    if (m_memory.Create(name, sizeof(ULONG), &existed) == nullptr) {
        ShowMessageBox("Unable to start: the shared memory \"" + name + "\" cannot be created.", MB_OK | MB_ICONSTOP);
        return;
    }
    m_first = !existed;
    if (m_first) {
        m_valid = true;
        return;
    }
    auto* stored = static_cast<volatile ULONG*>(m_memory.MapView(sizeof(ULONG)));
    if (stored == nullptr) {
        ShowMessageBox("Unable to start: the shared memory \"" + name + "\" cannot be read.", MB_OK | MB_ICONSTOP);
        return;
    }
    m_valid = true;
    // Window handles are 32-bit values, also in a 64-bit process.
    m_firstWindow = static_cast<HWND>(ULongToHandle(*stored));
    ::UnmapViewOfFile(const_cast<ULONG*>(stored));
    if (m_firstWindow != nullptr && ::IsWindow(m_firstWindow)) {
        if (::IsIconic(m_firstWindow)) {
            ::ShowWindow(m_firstWindow, SW_RESTORE);
        }
        ::SetForegroundWindow(::GetLastActivePopup(m_firstWindow));
    }
}

CSingleInstanceGuard::~CSingleInstanceGuard()
{
    if (!m_first || !m_valid) {
        return;
    }
    auto* stored = static_cast<volatile ULONG*>(m_memory.MapView(sizeof(ULONG)));
    if (stored == nullptr) {
        return;
    }
    HWND main = nullptr;
    if (GetApp() != nullptr && GetApp()->GetMainWnd() != nullptr) {
        main = GetApp()->GetMainWnd()->GetSafeHwnd();
    }
    *stored = HandleToULong(main);
    ::UnmapViewOfFile(const_cast<ULONG*>(stored));
}

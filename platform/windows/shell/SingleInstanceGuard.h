// Keeps a second instance of the program from starting: a 4-byte named
// shared memory holds the first instance's main window. A second start
// restores that window and brings it to the front, and ends.
#pragma once

#include "appkit/Win32.h"

#include <string>

// Named shared memory in the paging file. The mapping handle stays open until
// the process ends, which keeps the name alive for later instances.
class CMMF {
public:
    CMMF() = default;
    CMMF(const CMMF&) = delete;
    CMMF& operator=(const CMMF&) = delete;

    // A read-write mapping of the size; null on failure. alreadyExisted tells
    // whether another process had made it first.
    HANDLE Create(const std::string& name, DWORD size, bool* alreadyExisted = nullptr);
    // A writable view (UnmapViewOfFile when done); null on failure.
    void* MapView(DWORD size, DWORD offset = 0);
    HANDLE GetHandle() const { return m_mapping; }

private:
    HANDLE m_mapping = nullptr;
};

class CSingleInstanceGuard {
public:
    // name: the application's name. When the mapping cannot be made, a
    // message says so and IsValid() is false: the program must not start.
    explicit CSingleInstanceGuard(const std::string& name);
    // In the first instance: stores the application's main window (0 when
    // there is none) for later starts.
    ~CSingleInstanceGuard();
    CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
    CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

    bool IsValid() const { return m_valid; }
    bool IsFirstInstance() const { return m_first; }
    // The window stored by the first instance (a second instance only).
    HWND GetFirstWindow() const { return m_firstWindow; }

private:
    CMMF m_memory;
    bool m_first = false;
    bool m_valid = false;
    HWND m_firstWindow = nullptr;
};

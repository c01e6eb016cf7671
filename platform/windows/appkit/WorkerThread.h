// A worker thread with a priority. The object does not delete itself and its
// destructor only closes the handle: the owner stops and waits for the thread.
#pragma once

#include "appkit/Win32.h"

class CWorkerThread {
public:
    using ThreadProc = unsigned (*)(void* arg);

    CWorkerThread() = default;
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts proc(arg) at the given priority (THREAD_PRIORITY_*). False if a
    // thread was already started by this object or could not be created.
    bool Start(ThreadProc proc, void* arg, int priority = THREAD_PRIORITY_NORMAL);

    HANDLE GetHandle() const { return m_handle; }
    DWORD GetThreadId() const { return m_threadId; }

    // Waits for the thread to end; true if it ended within the time.
    bool Wait(DWORD milliseconds = INFINITE) const;

private:
    struct StartBlock {
        ThreadProc proc;
        void* arg;
    };
    static unsigned __stdcall Entry(void* block);

    HANDLE m_handle = nullptr;
    DWORD m_threadId = 0;
    StartBlock m_start{};
};

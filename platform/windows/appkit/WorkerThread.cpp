#include "appkit/WorkerThread.h"

#include <process.h>

CWorkerThread::~CWorkerThread()
{
    if (m_handle != nullptr) {
        ::CloseHandle(m_handle);
    }
}

unsigned __stdcall CWorkerThread::Entry(void* block)
{
    const StartBlock* start = static_cast<const StartBlock*>(block);
    return start->proc(start->arg);
}

bool CWorkerThread::Start(ThreadProc proc, void* arg, int priority)
{
    if (m_handle != nullptr || proc == nullptr) {
        return false;
    }
    m_start = StartBlock{proc, arg};
    unsigned id = 0;
    // Created suspended so the priority holds from the thread's first instruction.
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &CWorkerThread::Entry, &m_start,
                                              CREATE_SUSPENDED, &id);
    if (handle == 0) {
        return false;
    }
    m_handle = reinterpret_cast<HANDLE>(handle);
    m_threadId = id;
    ::SetThreadPriority(m_handle, priority);
    ::ResumeThread(m_handle);
    return true;
}

bool CWorkerThread::Wait(DWORD milliseconds) const
{
    return m_handle == nullptr || ::WaitForSingleObject(m_handle, milliseconds) == WAIT_OBJECT_0;
}

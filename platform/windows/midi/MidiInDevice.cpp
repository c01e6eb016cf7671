#include "midi/MidiInDevice.h"

#include "appkit/WinApp.h"
#include "midi/TevMessage.h"

#include <memory>
#include <vector>

using Bytes = std::vector<uint8_t>;

CMidiInDevice::CMidiInDevice(const std::string& name) : m_name(name) {}

CMidiInDevice::~CMidiInDevice()
{
    Close();
}

bool CMidiInDevice::Open()
{
    CWinApp* app = GetApp();
    CWnd* parent = app ? app->GetMainWnd() : nullptr;
    const std::string windowClass = RegisterWndClass(CS_GLOBALCLASS);
    const RECT empty{0, 0, 0, 0};
    if (!CreateEx(0, windowClass.c_str(), "", WS_DISABLED, empty, parent, 0))
        return false;
    m_closing = false;
    m_target.store(m_hWnd, std::memory_order_release);
    return OpenByName(m_name) && Start();
}

void CMidiInDevice::Close()
{
    // From here on nothing is posted and nothing posted is passed on; the
    // copies the worker posted are freed as they come out of the queue, the
    // rest when the window goes.
    m_closing = true;
    m_target.store(nullptr);
    const bool stopped = Stop();
    if (m_hWnd)
        DestroyWindow();
    if (stopped)
        CMidiIn::Close();
}

void CMidiInDevice::OnDestroyWindow()
{
    m_closing = true;
    m_target.store(nullptr);
    // A copy the worker is posting right now must be in the queue before it
    // is emptied.
    while (m_posting.load() != 0)
        ::Sleep(0);
    DiscardPosted();
}

void CMidiInDevice::DiscardPosted()
{
    MSG message;
    while (::PeekMessageA(&message, m_hWnd, kLongMessage, kLongMessage, PM_REMOVE)) {
        delete reinterpret_cast<Bytes*>(message.wParam);
        m_postedCopies.fetch_sub(1);
    }
    while (::PeekMessageA(&message, m_hWnd, kShortMessage, kShortMessage, PM_REMOVE)) {
    }
    // A report that will never reach its box does not hold up the next.
    while (::PeekMessageA(&message, m_hWnd, kWorkerError, kWorkerError, PM_REMOVE))
        GetFailureSource()->DropReport();
}

void CMidiInDevice::OnShortMessage(DWORD packed)
{
    if (HWND target = m_target.load(std::memory_order_acquire))
        ::PostMessageA(target, kShortMessage, packed, 0);
}

void CMidiInDevice::OnLongMessage(const char* data, DWORD length)
{
    m_posting.fetch_add(1);
    // The receive buffer goes back to the driver at once; the window gets a
    // copy of its own, which it frees. A copy that cannot be posted is
    // freed here.
    if (HWND target = m_target.load()) {
        auto* copy = new Bytes(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data) + length);
        m_postedCopies.fetch_add(1);
        if (!::PostMessageA(target, kLongMessage, reinterpret_cast<WPARAM>(copy), static_cast<LPARAM>(length))) {
            m_postedCopies.fetch_sub(1);
            delete copy;
        }
    }
    m_posting.fetch_sub(1);
}

bool CMidiInDevice::OnWorkerError(MMRESULT result)
{
    // Posted before the window empties its queue as it goes, or not at all.
    m_posting.fetch_add(1);
    bool posted = false;
    HWND target = m_target.load();
    if (target && GetFailureSource()->BeginReport()) {
        posted = ::PostMessageA(target, kWorkerError, static_cast<WPARAM>(result), 0) != FALSE;
        if (!posted)
            GetFailureSource()->DropReport();
    }
    m_posting.fetch_sub(1);
    return posted;
}

LRESULT CMidiInDevice::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kShortMessage:
        return OnShortMessageReceived(wParam, lParam);
    case kLongMessage:
        return OnLongMessageReceived(wParam, lParam);
    case kWorkerError:
        // The box runs a message loop of its own, in which the set-up
        // dialog's OK may delete this device: nothing of it is touched once
        // the box is open. The report stays on its way until a box about it
        // closes, so that the failures that go on meanwhile open no second
        // box; the source, which the box keeps, tells the worker then.
        if (m_closing)
            GetFailureSource()->DropReport();
        else
            CheckMidiInResult(static_cast<MMRESULT>(wParam), GetFailureSource(), true);
        return 0;
    case WM_DESTROY:
        OnDestroyWindow();
        return CWnd::WindowProc(msg, wParam, lParam);
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}

LRESULT CMidiInDevice::OnShortMessageReceived(WPARAM wParam, LPARAM)
{
    if (m_closing)
        return 0;
    const CTevShortMessage message(static_cast<uint32_t>(wParam));
    uint8_t type = 0;
    uint8_t channel = 0;
    message.GetStatus(type, channel);
    if (IsAcceptedMidiStatus(type))
        Receive(message.GetBytes());
    return 0;
}

LRESULT CMidiInDevice::OnLongMessageReceived(WPARAM wParam, LPARAM)
{
    std::unique_ptr<Bytes> bytes(reinterpret_cast<Bytes*>(wParam));
    m_postedCopies.fetch_sub(1);
    if (bytes && !m_closing)
        Receive(*bytes);
    return 0;
}

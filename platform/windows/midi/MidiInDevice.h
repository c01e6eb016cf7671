#pragma once
// The framework's input device for one named winmm device. Its hidden
// window receives what the worker thread posts, so that the bytes reach the
// script's input ports on the user-interface thread.
#include "appkit/Wnd.h"
#include "midi/MidiIn.h"
#include "midi/TevMidi.h"

#include <atomic>
#include <string>

class CMidiInDevice : public CWnd, public CTevMidiInDevice, public CMidiIn {
public:
    // wParam: the packed short message.
    static constexpr UINT kShortMessage = WM_USER;
    // wParam: a heap copy of the bytes (std::vector<uint8_t>*) that the
    // window takes over; lParam: the byte count.
    static constexpr UINT kLongMessage = WM_USER + 1;
    // wParam: the result of a winmm call that failed on the worker thread.
    static constexpr UINT kWorkerError = WM_USER + 3;

    explicit CMidiInDevice(const std::string& name);
    ~CMidiInDevice() override;

    // The winmm product name the device is opened by.
    const std::string& GetName() const { return m_name; }

    // Creates the hidden window, opens the device by its name and starts
    // it. False on any failure.
    bool Open();
    // Ends input and its thread, destroys the window and closes the device.
    // Nothing received is passed on once closing has begun.
    virtual void Close();

    // Copies posted to the window and not freed yet.
    int32_t CountPostedCopies() const { return m_postedCopies.load(std::memory_order_acquire); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // Worker thread: posts to the window while it exists.
    void OnShortMessage(DWORD packed) override;
    void OnLongMessage(const char* data, DWORD length) override;
    // Not taken while the report of an earlier failure is on its way or
    // in a box that is open or waiting to open.
    bool OnWorkerError(MMRESULT result) override;

    // User-interface thread: the posted messages.
    LRESULT OnShortMessageReceived(WPARAM wParam, LPARAM lParam);
    LRESULT OnLongMessageReceived(WPARAM wParam, LPARAM lParam);

private:
    // The window is going (closed, or with the window that owns it): the
    // worker posts nothing more, and the copies still waiting in this
    // thread's queue are freed, for the system drops them with the window.
    void OnDestroyWindow();
    void DiscardPosted();

    std::string m_name;
    // The window the worker posts to; null before Open and once closing.
    std::atomic<HWND> m_target{nullptr};
    // The worker is between reading m_target and posting.
    std::atomic<int32_t> m_posting{0};
    std::atomic<int32_t> m_postedCopies{0};
    bool m_closing = false;
};

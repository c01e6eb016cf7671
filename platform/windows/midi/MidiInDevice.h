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

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // Worker thread: posts to the window while it exists.
    void OnShortMessage(DWORD packed) override;
    void OnLongMessage(const char* data, DWORD length) override;

    // User-interface thread: the posted messages.
    LRESULT OnShortMessageReceived(WPARAM wParam, LPARAM lParam);
    LRESULT OnLongMessageReceived(WPARAM wParam, LPARAM lParam);

private:
    // Frees the copies still waiting in this thread's queue.
    void DiscardPosted();

    std::string m_name;
    // The window the worker posts to; null before Open and once closing.
    std::atomic<HWND> m_target{nullptr};
    bool m_closing = false;
};

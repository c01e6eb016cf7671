#pragma once
// Shared pieces of the Windows MIDI device tests: the stand-in's control,
// a message pump, a port that records what reaches it, and message boxes
// answered by a hook or by a robot thread.
#include "appkit/AppMessageBox.h"
#include "midi/TevMidi.h"

#include "StandinControl.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Dispatches this thread's messages until done() holds or the time is up;
// returns done()'s last answer.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(1);
    }
}

inline void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

// An input port that records every message handed to it, with the time.
class CRecordingPort : public CTevMidiIn {
public:
    void Receive(const std::vector<uint8_t>& bytes) override
    {
        received.push_back(bytes);
        times.push_back(CStandinControl::NowUs());
    }

    std::vector<Bytes> received;
    std::vector<int64_t> times;
};

// Every message box answered at once with OK; the texts are kept.
class CMessageBoxRecorder {
public:
    CMessageBoxRecorder()
    {
        Texts().clear();
        m_previous = SetMessageBoxHook(&Record);
    }
    ~CMessageBoxRecorder() { SetMessageBoxHook(m_previous); }
    CMessageBoxRecorder(const CMessageBoxRecorder&) = delete;
    CMessageBoxRecorder& operator=(const CMessageBoxRecorder&) = delete;

    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }

private:
    static int Record(HWND, const std::string& text, unsigned)
    {
        Texts().push_back(text);
        return IDOK;
    }

    MessageBoxHook m_previous = nullptr;
};

// A robot that answers the real message boxes of this process: it finds
// each dialog box, keeps its text, calls seen (on its own thread) and
// presses its default button.
class CMessageBoxRobot {
public:
    explicit CMessageBoxRobot(std::function<void()> seen = nullptr) : m_seen(std::move(seen))
    {
        m_thread = std::thread([this] {
            while (!m_stop.load()) {
                ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(this));
                ::Sleep(20);
            }
        });
    }
    ~CMessageBoxRobot()
    {
        m_stop = true;
        m_thread.join();
    }
    CMessageBoxRobot(const CMessageBoxRobot&) = delete;
    CMessageBoxRobot& operator=(const CMessageBoxRobot&) = delete;

    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (size_t i = 0; i < m_count.load(); ++i)
            texts.push_back(m_texts[i]);
        return texts;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self)
    {
        auto* robot = reinterpret_cast<CMessageBoxRobot*>(self);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        char className[16] = {};
        ::GetClassNameA(window, className, sizeof className);
        if (process != ::GetCurrentProcessId() || std::string(className) != "#32770" || !::IsWindowVisible(window)
            || window == robot->m_last)
            return TRUE;
        // The text of a message box is its static control 0xFFFF.
        char text[512] = {};
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        const size_t index = robot->m_count.load();
        if (index < kMaxBoxes) {
            robot->m_texts[index] = text;
            robot->m_count = index + 1;
        }
        robot->m_last = window;
        if (robot->m_seen)
            robot->m_seen();
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    static constexpr size_t kMaxBoxes = 16;
    std::function<void()> m_seen;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::string m_texts[kMaxBoxes];
    std::atomic<size_t> m_count{0};
    HWND m_last = nullptr;
};

// Every test starts from a quiet stand-in: no failures pending, records
// cleared, no wire delay, long messages completing after their wire time,
// message boxes answered by the recorder.
class CStandinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(standin.IsLoaded()) << "the winmm.dll stand-in is not loaded (see tests/standin/README.md)";
        ASSERT_TRUE(standin.Command("fail clear"));
        ASSERT_TRUE(standin.Command("clear"));
        ASSERT_TRUE(standin.Command("baud 0"));
        ASSERT_TRUE(standin.Command("longdelay wire"));
        ASSERT_TRUE(standin.Command("holdlong 0"));
    }

    static const std::vector<std::string>& Boxes() { return CMessageBoxRecorder::Texts(); }

    CStandinControl standin;
    CMessageBoxRecorder boxes;
};

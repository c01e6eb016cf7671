#pragma once
// Control of the MIDI driver stand-in from a test program in the same
// process: the stand-in's exported Tev* functions, found in the loaded
// winmm.dll. When the real winmm.dll was loaded instead, IsLoaded is false.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CStandinControl {
public:
    CStandinControl()
    {
        HMODULE module = ::GetModuleHandleA("winmm.dll");
        if (!module)
            return;
        m_command = Find<CommandProc>(module, "TevStandinCommand");
        m_value = Find<ValueProc>(module, "TevStandinValue");
        m_received = Find<ReceivedProc>(module, "TevStandinReceived");
    }

    bool IsLoaded() const { return m_command && m_value && m_received; }

    // One command line (see tests/standin/README.md); true when understood.
    bool Command(const std::string& line) const { return m_command && m_command(line.c_str()) != 0; }
    // One number of the stand-in's state; -1 when unknown.
    long long Value(const std::string& query) const { return m_value ? m_value(query.c_str()) : -1; }
    // The index-th message an output device received; empty when none.
    std::vector<uint8_t> Received(int device, int index) const
    {
        if (!m_received)
            return {};
        const int length = m_received(device, index, nullptr, 0);
        if (length <= 0)
            return {};
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        m_received(device, index, bytes.data(), length);
        return bytes;
    }

    // The stand-in's clock: microseconds from the performance counter.
    static int64_t NowUs()
    {
        LARGE_INTEGER frequency;
        LARGE_INTEGER counter;
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&counter);
        return counter.QuadPart / frequency.QuadPart * 1000000
               + counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
    }

private:
    template <class TProc>
    static TProc Find(HMODULE module, const char* name)
    {
        // Through void (*)(void), the one cast between function types that
        // the compiler accepts silently.
        return reinterpret_cast<TProc>(reinterpret_cast<void (*)(void)>(::GetProcAddress(module, name)));
    }

    using CommandProc = int (*)(const char*);
    using ValueProc = long long (*)(const char*);
    using ReceivedProc = int (*)(int, int, unsigned char*, int);

    CommandProc m_command = nullptr;
    ValueProc m_value = nullptr;
    ReceivedProc m_received = nullptr;
};

// A stand-in for the system's MIDI driver, built as winmm.dll for tests.
//
// It offers three input and three output devices. The first pair plays a
// simulated sound module built from the program's script; the second pair
// is plain; the third pair cannot be read (its capabilities fail). One
// driver thread of its own delivers input to the program's callback,
// completes long output messages after their delay and polls the control
// file. What the devices do and what they received is steered and read
// through the exported Tev* functions (in the same process) or through the
// control folder (see README.md). Every other winmm function is forwarded
// to Wine's own DLL.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include "StandinModule.h"
#include "midi/TevMessage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kDeviceCount = 3;
constexpr int kModuleDevice = 0;
constexpr int kUnreadableDevice = 2;
const char* const kInputNames[kDeviceCount] = {"Standin Module In", "Standin MIDI In 2", "Standin Unreadable In"};
const char* const kOutputNames[kDeviceCount] = {"Standin Module Out", "Standin MIDI Out 2", "Standin Unreadable Out"};

// Output completion: after the wire time of the message, never, or after a
// fixed number of milliseconds (0 and above).
constexpr int kCompleteAfterWire = -2;
constexpr int kCompleteNever = -1;

int64_t NowUs()
{
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<int64_t>(counter.QuadPart / frequency * 1000000
                                + counter.QuadPart % frequency * 1000000 / frequency);
}

struct SInEvent {
    enum Kind { Short, Long, LongError, Error } kind = Short;
    DWORD word = 0;
    Bytes bytes;
    int64_t dueUs = 0;
};

struct SInput {
    bool open = false;
    bool started = false;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    int64_t startUs = 0;
    std::deque<MIDIHDR*> queue;
    std::set<MIDIHDR*> prepared;
    std::deque<SInEvent> events;
    long long delivered = 0;
    long long dropped = 0;
    long long discarded = 0;
};

struct SPending {
    MIDIHDR* header = nullptr;
    int64_t dueUs = 0;
    bool never = false;
};

struct SOutput {
    bool open = false;
    std::set<MIDIHDR*> prepared;
    std::vector<SPending> pending;
    std::vector<Bytes> received;
};

struct SFailure {
    int remaining = 1; // -1: every call
    MMRESULT code = MMSYSERR_ERROR;
};

std::string Hex(const Bytes& bytes)
{
    std::string text;
    char buffer[4];
    for (uint8_t byte : bytes) {
        std::snprintf(buffer, sizeof buffer, "%s%02X", text.empty() ? "" : " ", byte);
        text += buffer;
    }
    return text;
}

class CStandin {
public:
    CStandin()
    {
        InitializeCriticalSection(&m_lock);
        m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (const char* baud = std::getenv("TEV_STANDIN_BAUD"))
            m_baud = std::atoi(baud);
        if (const char* delay = std::getenv("TEV_STANDIN_LONG_DELAY"))
            m_longDelayMs = ParseDelay(delay);
        if (const char* folder = std::getenv("TEV_STANDIN_CONTROL")) {
            m_controlFolder = folder;
            if (!m_controlFolder.empty() && m_controlFolder.back() != '\\' && m_controlFolder.back() != '/')
                m_controlFolder += '\\';
        }
        m_module.SetDelivery([this](const Bytes& bytes) { DeliverFromModule(bytes); });
    }

    // Never destroyed: the process may end while the driver thread runs.
    static CStandin& Get()
    {
        static CStandin* standin = new CStandin;
        return *standin;
    }

    class CLock {
    public:
        explicit CLock(CStandin& standin) : m_section(standin.m_lock) { EnterCriticalSection(&m_section); }
        ~CLock() { LeaveCriticalSection(&m_section); }
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

    private:
        CRITICAL_SECTION& m_section;
    };

    // --- Failures on request --------------------------------------------
    // True (with the code) when the named function is to fail this time.
    bool ShouldFail(const char* function, MMRESULT& code)
    {
        CLock lock(*this);
        auto it = m_failures.find(function);
        if (it == m_failures.end())
            return false;
        code = it->second.code;
        if (it->second.remaining > 0 && --it->second.remaining == 0)
            m_failures.erase(it);
        Log(std::string("fail ") + function);
        return true;
    }

    // --- Input devices --------------------------------------------------
    MMRESULT InOpen(HMIDIIN* handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
    {
        if (!handle)
            return MMSYSERR_INVALPARAM;
        if (id >= kDeviceCount)
            return MMSYSERR_BADDEVICEID;
        const DWORD kind = flags & CALLBACK_TYPEMASK;
        if (kind != CALLBACK_FUNCTION && kind != CALLBACK_NULL)
            return MMSYSERR_INVALFLAG;
        if (id == kModuleDevice)
            EnsureModule();
        SInput& input = m_inputs[id];
        {
            CLock lock(*this);
            if (input.open)
                return MMSYSERR_ALLOCATED;
            input = SInput();
            input.open = true;
            input.callback = kind == CALLBACK_FUNCTION ? callback : 0;
            input.instance = instance;
            *handle = reinterpret_cast<HMIDIIN>(&input);
            Log("open in " + std::to_string(id));
        }
        StartThread();
        CLock lock(*this);
        Call(input, MIM_OPEN, 0, 0);
        return MMSYSERR_NOERROR;
    }

    SInput* FindInput(HMIDIIN handle) { return FindOpen(m_inputs, handle); }
    int IndexOf(const SInput& input) const { return static_cast<int>(&input - m_inputs); }

    MMRESULT InClose(HMIDIIN handle)
    {
        CLock lock(*this);
        SInput* input = FindInput(handle);
        if (!input)
            return MMSYSERR_INVALHANDLE;
        if (!input->queue.empty())
            return MIDIERR_STILLPLAYING;
        input->started = false;
        input->events.clear();
        Call(*input, MIM_CLOSE, 0, 0);
        input->open = false;
        Log("close in " + std::to_string(IndexOf(*input)));
        return MMSYSERR_NOERROR;
    }

    MMRESULT InPrepare(HMIDIIN handle, MIDIHDR* header, UINT size, bool prepare)
    {
        return Prepare(m_inputs, handle, header, size, prepare);
    }

    MMRESULT InAddBuffer(HMIDIIN handle, MIDIHDR* header, UINT size)
    {
        SInput* input = FindInput(handle);
        if (!input)
            return MMSYSERR_INVALHANDLE;
        if (!IsUsableHeader(header, size))
            return MMSYSERR_INVALPARAM;
        CLock lock(*this);
        if (const MMRESULT result = MarkQueued(header); result != MMSYSERR_NOERROR)
            return result;
        header->dwBytesRecorded = 0;
        input->queue.push_back(header);
        if (m_holdLong)
            SetEvent(m_wake);
        return MMSYSERR_NOERROR;
    }

    MMRESULT InStart(HMIDIIN handle)
    {
        SInput* input = FindInput(handle);
        if (!input)
            return MMSYSERR_INVALHANDLE;
        CLock lock(*this);
        if (!input->started)
            input->startUs = NowUs();
        input->started = true;
        return MMSYSERR_NOERROR;
    }

    MMRESULT InStop(HMIDIIN handle)
    {
        SInput* input = FindInput(handle);
        if (!input)
            return MMSYSERR_INVALHANDLE;
        CLock lock(*this);
        input->started = false;
        input->events.clear();
        return MMSYSERR_NOERROR;
    }

    // Stops input and hands every queued buffer back, empty, from the
    // calling thread.
    MMRESULT InReset(HMIDIIN handle)
    {
        SInput* input = FindInput(handle);
        if (!input)
            return MMSYSERR_INVALHANDLE;
        CLock lock(*this);
        input->started = false;
        input->events.clear();
        while (!input->queue.empty()) {
            MIDIHDR* header = input->queue.front();
            input->queue.pop_front();
            header->dwBytesRecorded = 0;
            MarkDone(header);
            Call(*input, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header), Timestamp(*input));
        }
        return MMSYSERR_NOERROR;
    }

    // --- Output devices -------------------------------------------------
    MMRESULT OutOpen(HMIDIOUT* handle, UINT id, DWORD flags)
    {
        if (!handle)
            return MMSYSERR_INVALPARAM;
        if (id >= kDeviceCount)
            return MMSYSERR_BADDEVICEID;
        const DWORD kind = flags & CALLBACK_TYPEMASK;
        if (kind != CALLBACK_NULL)
            return MMSYSERR_INVALFLAG;
        if (id == kModuleDevice)
            EnsureModule();
        CLock lock(*this);
        SOutput& output = m_outputs[id];
        if (output.open)
            return MMSYSERR_ALLOCATED;
        output.open = true;
        output.prepared.clear();
        output.pending.clear();
        *handle = reinterpret_cast<HMIDIOUT>(&output);
        Log("open out " + std::to_string(id));
        StartThread();
        return MMSYSERR_NOERROR;
    }

    SOutput* FindOutput(HMIDIOUT handle) { return FindOpen(m_outputs, handle); }
    int IndexOf(const SOutput& output) const { return static_cast<int>(&output - m_outputs); }

    MMRESULT OutClose(HMIDIOUT handle)
    {
        CLock lock(*this);
        SOutput* output = FindOutput(handle);
        if (!output)
            return MMSYSERR_INVALHANDLE;
        if (!output->pending.empty())
            return MIDIERR_STILLPLAYING;
        output->open = false;
        Log("close out " + std::to_string(IndexOf(*output)));
        return MMSYSERR_NOERROR;
    }

    MMRESULT OutPrepare(HMIDIOUT handle, MIDIHDR* header, UINT size, bool prepare)
    {
        return Prepare(m_outputs, handle, header, size, prepare);
    }

    MMRESULT OutShort(HMIDIOUT handle, DWORD word)
    {
        CLock lock(*this);
        SOutput* output = FindOutput(handle);
        if (!output)
            return MMSYSERR_INVALHANDLE;
        Bytes bytes = CTevShortMessage(word).GetBytes();
        if (bytes.empty())
            return MMSYSERR_INVALPARAM;
        Received(*output, bytes);
        return MMSYSERR_NOERROR;
    }

    MMRESULT OutLong(HMIDIOUT handle, MIDIHDR* header, UINT size)
    {
        CLock lock(*this);
        SOutput* output = FindOutput(handle);
        if (!output)
            return MMSYSERR_INVALHANDLE;
        if (!IsUsableHeader(header, size))
            return MMSYSERR_INVALPARAM;
        // A header this driver still holds, sent again: the program reuses
        // its buffer. Its flags may not say so, for the program may have
        // cleared them.
        for (const SPending& pending : output->pending)
            if (pending.header == header)
                return MIDIERR_STILLPLAYING;
        if (const MMRESULT result = MarkQueued(header); result != MMSYSERR_NOERROR)
            return result;
        const auto* data = reinterpret_cast<const uint8_t*>(header->lpData);
        Bytes bytes(data, data + header->dwBufferLength);
        SPending pending;
        pending.header = header;
        pending.never = m_longDelayMs == kCompleteNever;
        const int64_t now = NowUs();
        pending.dueUs = now + (m_longDelayMs == kCompleteAfterWire ? WireUs(bytes.size()) : m_longDelayMs * 1000LL);
        output->pending.push_back(pending);
        Received(*output, bytes);
        SetEvent(m_wake);
        return MMSYSERR_NOERROR;
    }

    // Completes every pending long message at once.
    MMRESULT OutReset(HMIDIOUT handle)
    {
        CLock lock(*this);
        SOutput* output = FindOutput(handle);
        if (!output)
            return MMSYSERR_INVALHANDLE;
        for (SPending& pending : output->pending)
            MarkDone(pending.header);
        output->pending.clear();
        return MMSYSERR_NOERROR;
    }

    // --- Control --------------------------------------------------------
    // One command line; false when it is not understood.
    bool Command(const std::string& line)
    {
        std::istringstream in(line);
        std::string verb;
        if (!(in >> verb))
            return true;
        if (verb == "short" || verb == "sysex" || verb == "longerror" || verb == "error") {
            int device = -1;
            in >> device;
            Bytes bytes = ReadHex(in);
            if (!IsInput(device) || bytes.empty())
                return false;
            SInEvent event;
            event.kind = verb == "short"       ? SInEvent::Short
                         : verb == "sysex"     ? SInEvent::Long
                         : verb == "longerror" ? SInEvent::LongError
                                               : SInEvent::Error;
            if (event.kind == SInEvent::Short || event.kind == SInEvent::Error) {
                event.word = ShortWordOf(bytes);
            } else {
                event.bytes = std::move(bytes);
            }
            Inject(device, std::move(event), 1);
            return true;
        }
        if (verb == "sysexfill" || verb == "sysexflood") {
            int device = -1;
            long count = 1;
            long length = 0;
            in >> device;
            if (verb == "sysexflood")
                in >> count;
            in >> length;
            if (!IsInput(device) || length < 2 || count < 1)
                return false;
            SInEvent event;
            event.kind = SInEvent::Long;
            event.bytes.resize(static_cast<size_t>(length));
            for (size_t i = 1; i + 1 < event.bytes.size(); ++i)
                event.bytes[i] = static_cast<uint8_t>(i & 0x7F);
            event.bytes.front() = 0xF0;
            event.bytes.back() = 0xF7;
            // Each message of a flood carries its number in bytes 1 and 2
            // (when it has room), so a reader can tell them apart.
            for (long i = 0; i < count; ++i) {
                SInEvent numbered = event;
                if (verb == "sysexflood" && numbered.bytes.size() >= 4) {
                    numbered.bytes[1] = static_cast<uint8_t>((i >> 7) & 0x7F);
                    numbered.bytes[2] = static_cast<uint8_t>(i & 0x7F);
                }
                Inject(device, std::move(numbered), 1);
            }
            return true;
        }
        if (verb == "flood") {
            int device = -1;
            long count = 0;
            in >> device >> count;
            if (!IsInput(device) || count < 1)
                return false;
            SInEvent event;
            event.word = 0x00403C90;
            Inject(device, std::move(event), count);
            return true;
        }
        if (verb == "fail") {
            std::string function;
            in >> function;
            CLock lock(*this);
            if (function == "clear") {
                m_failures.clear();
                return true;
            }
            SFailure failure;
            unsigned code = MMSYSERR_ERROR;
            if (!(in >> failure.remaining))
                failure.remaining = 1;
            if (in >> code)
                failure.code = code;
            if (function.empty() || failure.remaining == 0)
                return false;
            m_failures[function] = failure;
            return true;
        }
        if (verb == "baud") {
            int baud = -1;
            in >> baud;
            if (baud < 0)
                return false;
            CLock lock(*this);
            m_baud = baud;
            return true;
        }
        if (verb == "longdelay") {
            std::string text;
            in >> text;
            CLock lock(*this);
            m_longDelayMs = ParseDelay(text.c_str());
            return true;
        }
        if (verb == "script") {
            std::string path;
            std::getline(in >> std::ws, path);
            return LoadModule(path);
        }
        if (verb == "holdlong") {
            int value = -1;
            in >> value;
            if (value != 0 && value != 1)
                return false;
            CLock lock(*this);
            m_holdLong = value != 0;
            SetEvent(m_wake);
            return true;
        }
        if (verb == "deviceid" || verb == "silent") {
            int value = -1;
            in >> value;
            if (value < 0 || value > 127)
                return false;
            CLock lock(*this);
            if (verb == "deviceid")
                m_module.SetDeviceId(static_cast<uint8_t>(value));
            else
                m_module.SetSilent(value != 0);
            return true;
        }
        if (verb == "poke") {
            std::string address;
            in >> address;
            Bytes bytes = ReadHex(in);
            CLock lock(*this);
            return !bytes.empty()
                   && m_module.WriteMemory(static_cast<int32_t>(std::strtol(address.c_str(), nullptr, 0)), bytes)
                          == bytes.size();
        }
        if (verb == "clear") {
            CLock lock(*this);
            for (SOutput& output : m_outputs)
                output.received.clear();
            for (SInput& input : m_inputs)
                input.delivered = input.dropped = input.discarded = 0;
            m_shortCallbackUs.clear();
            m_module.ClearRecords();
            return true;
        }
        return false;
    }

    long long Value(const std::string& query)
    {
        std::istringstream in(query);
        std::string what, kind;
        long long index = 0;
        in >> what;
        CLock lock(*this);
        if (what == "now_us")
            return NowUs();
        if (what == "callbacks")
            return static_cast<long long>(m_shortCallbackUs.size());
        if (what == "callback_us") {
            in >> index;
            return index >= 0 && index < static_cast<long long>(m_shortCallbackUs.size()) ? m_shortCallbackUs[index] : -1;
        }
        if (what == "module_loaded")
            return m_moduleLoaded ? 1 : 0;
        if (what == "module_requests")
            return m_module.GetRequestCount();
        if (what == "module_answered")
            return m_module.GetAnsweredCount();
        if (what == "module_size") {
            long long size = 0;
            for (const auto& range : m_module.GetMemory())
                size += static_cast<long long>(range.second.size());
            return size;
        }
        if (what == "module_byte") {
            std::string address;
            in >> address;
            return m_module.ByteAt(static_cast<int32_t>(std::strtol(address.c_str(), nullptr, 0)));
        }
        in >> kind >> index;
        if (index < 0 || index >= kDeviceCount)
            return -1;
        if (kind == "in") {
            const SInput& input = m_inputs[index];
            if (what == "open")
                return input.open ? 1 : 0;
            if (what == "started")
                return input.started ? 1 : 0;
            if (what == "prepared")
                return static_cast<long long>(input.prepared.size());
            if (what == "queued")
                return static_cast<long long>(input.queue.size());
            if (what == "delivered")
                return input.delivered;
            if (what == "dropped")
                return input.dropped;
            if (what == "discarded")
                return input.discarded;
        } else if (kind == "out") {
            const SOutput& output = m_outputs[index];
            if (what == "open")
                return output.open ? 1 : 0;
            if (what == "prepared")
                return static_cast<long long>(output.prepared.size());
            if (what == "pending")
                return static_cast<long long>(output.pending.size());
            if (what == "received")
                return static_cast<long long>(output.received.size());
        }
        return -1;
    }

    int ReceivedMessage(int device, int index, unsigned char* buffer, int size)
    {
        CLock lock(*this);
        if (device < 0 || device >= kDeviceCount || index < 0
            || index >= static_cast<int>(m_outputs[device].received.size()))
            return -1;
        const Bytes& bytes = m_outputs[device].received[index];
        if (buffer && size > 0)
            std::memcpy(buffer, bytes.data(), std::min<size_t>(bytes.size(), static_cast<size_t>(size)));
        return static_cast<int>(bytes.size());
    }

    std::string LastError()
    {
        CLock lock(*this);
        return m_moduleError;
    }

private:
    static int ParseDelay(const char* text)
    {
        if (std::strcmp(text, "never") == 0)
            return kCompleteNever;
        if (std::strcmp(text, "wire") == 0 || *text == '\0')
            return kCompleteAfterWire;
        return std::max(0, std::atoi(text));
    }

    static Bytes ReadHex(std::istream& in)
    {
        Bytes bytes;
        std::string token;
        while (in >> token)
            bytes.push_back(static_cast<uint8_t>(std::strtoul(token.c_str(), nullptr, 16)));
        return bytes;
    }

    static bool IsInput(int device) { return device >= 0 && device < kDeviceCount; }

    // The open device of either direction that the handle names.
    template <class TDevice, class THandle>
    TDevice* FindOpen(TDevice (&devices)[kDeviceCount], THandle handle)
    {
        CLock lock(*this);
        for (TDevice& device : devices)
            if (reinterpret_cast<THandle>(&device) == handle && device.open)
                return &device;
        return nullptr;
    }

    static bool IsUsableHeader(const MIDIHDR* header, UINT size)
    {
        return header && size >= sizeof(MIDIHDR) && header->lpData;
    }

    // Prepares or unprepares a header for a device of either direction.
    template <class TDevice, class THandle>
    MMRESULT Prepare(TDevice (&devices)[kDeviceCount], THandle handle, MIDIHDR* header, UINT size, bool prepare)
    {
        CLock lock(*this);
        TDevice* device = FindOpen(devices, handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (!IsUsableHeader(header, size))
            return MMSYSERR_INVALPARAM;
        if (prepare) {
            header->dwFlags |= MHDR_PREPARED;
            device->prepared.insert(header);
        } else {
            if (header->dwFlags & MHDR_INQUEUE)
                return MIDIERR_STILLPLAYING;
            header->dwFlags &= ~MHDR_PREPARED;
            device->prepared.erase(header);
        }
        return MMSYSERR_NOERROR;
    }

    // A buffer handed to the driver: it must be prepared and not queued yet.
    static MMRESULT MarkQueued(MIDIHDR* header)
    {
        if (!(header->dwFlags & MHDR_PREPARED))
            return MIDIERR_UNPREPARED;
        if (header->dwFlags & MHDR_INQUEUE)
            return MIDIERR_STILLPLAYING;
        header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
        return MMSYSERR_NOERROR;
    }

    static void MarkDone(MIDIHDR* header) { header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE; }

    // Up to three bytes of a short message packed as the driver passes them.
    static DWORD ShortWordOf(const Bytes& bytes)
    {
        DWORD word = 0;
        for (size_t i = 0; i < bytes.size() && i < 3; ++i)
            word |= static_cast<DWORD>(bytes[i]) << (8 * i);
        return word;
    }

    // The time a message of that many bytes takes on the wire (10 bits a
    // byte), in microseconds; 0 at a rate of 0.
    int64_t WireUs(size_t bytes) const
    {
        return m_baud > 0 ? static_cast<int64_t>(bytes) * 10 * 1000000 / m_baud : 0;
    }

    static DWORD_PTR Timestamp(const SInput& input) { return static_cast<DWORD_PTR>((NowUs() - input.startUs) / 1000); }

    // Calls the program's callback as a driver does, from its own context.
    // The caller holds the lock once; it is released around the call, so
    // the program may call back into the driver.
    void Call(SInput& input, UINT message, DWORD_PTR first, DWORD_PTR second)
    {
        const DWORD_PTR callback = input.callback;
        const DWORD_PTR instance = input.instance;
        LeaveCriticalSection(&m_lock);
        if (callback) {
            using MidiInProc = void(CALLBACK*)(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
            auto proc = reinterpret_cast<MidiInProc>(callback);
            proc(reinterpret_cast<HMIDIIN>(&input), message, instance, first, second);
        }
        EnterCriticalSection(&m_lock);
    }

    void Inject(int device, SInEvent event, long count)
    {
        CLock lock(*this);
        SInput& input = m_inputs[device];
        if (!input.open || !input.started) {
            input.discarded += count;
            return;
        }
        // One message after the other on the cable, each after its wire
        // time.
        const size_t length = event.kind == SInEvent::Short || event.kind == SInEvent::Error
                                  ? CTevShortMessage(event.word).GetBytes().size()
                                  : event.bytes.size();
        for (long i = 0; i < count; ++i) {
            event.dueUs = std::max(NowUs(), m_injectLinkFreeUs[device]) + WireUs(length);
            m_injectLinkFreeUs[device] = event.dueUs;
            input.events.push_back(event);
        }
        SetEvent(m_wake);
    }

    void Received(SOutput& output, const Bytes& bytes)
    {
        output.received.push_back(bytes);
        const int index = IndexOf(output);
        Log("out " + std::to_string(index) + " " + Hex(bytes));
        if (index != kModuleDevice || !m_moduleLoaded)
            return;
        // The message reaches the module once it has crossed the wire; its
        // reply follows on the other cable.
        const int64_t now = NowUs();
        m_arrivalUs = std::max(now, m_outLinkFreeUs) + WireUs(bytes.size());
        m_outLinkFreeUs = m_arrivalUs;
        m_module.Receive(bytes);
        m_module.DeliverAll();
    }

    void DeliverFromModule(const Bytes& bytes)
    {
        SInput& input = m_inputs[kModuleDevice];
        const int64_t due = std::max(m_arrivalUs, m_inLinkFreeUs) + WireUs(bytes.size());
        m_inLinkFreeUs = due;
        if (!input.open || !input.started) {
            ++input.discarded;
            return;
        }
        SInEvent event;
        event.dueUs = due;
        if (!bytes.empty() && bytes.front() == 0xF0) {
            event.kind = SInEvent::Long;
            event.bytes = bytes;
        } else {
            event.word = ShortWordOf(bytes);
        }
        input.events.push_back(std::move(event));
        SetEvent(m_wake);
    }

    // --- The module -----------------------------------------------------
    void EnsureModule()
    {
        {
            CLock lock(*this);
            if (m_moduleLoaded || m_moduleTried)
                return;
            m_moduleTried = true;
        }
        std::string path;
        if (const char* script = std::getenv("TEV_STANDIN_SCRIPT"))
            path = script;
        else
            path = FindProgramScript();
        if (!path.empty())
            LoadModule(path);
        else
            Log("module: no script");
    }

    // The first "*Script.xml" in the "Script" folder beside the program.
    static std::string FindProgramScript()
    {
        char module[MAX_PATH] = {};
        if (!GetModuleFileNameA(nullptr, module, MAX_PATH))
            return std::string();
        std::string folder(module);
        folder.erase(folder.find_last_of("\\/") + 1);
        folder += "Script\\";
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*Script.xml").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return std::string();
        FindClose(search);
        return folder + found.cFileName;
    }

    bool LoadModule(const std::string& path)
    {
        CLock lock(*this);
        std::string error;
        m_moduleTried = true;
        m_moduleLoaded = StandinBuildModule(path, m_module, error);
        m_moduleError = error;
        Log(m_moduleLoaded ? "module: " + path : "module: " + error);
        return m_moduleLoaded;
    }

    // --- The driver thread ----------------------------------------------
    void StartThread()
    {
        CLock lock(*this);
        if (m_thread)
            return;
        // The commands file may hold the lines of an earlier run: only what
        // is appended from now on is for this one.
        m_commandOffset = CommandFileSize();
        m_thread = CreateThread(nullptr, 0, &CStandin::ThreadProc, this, 0, nullptr);
    }

    // The size of the control folder's "commands.txt"; 0 when there is none.
    long CommandFileSize() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (m_controlFolder.empty()
            || !GetFileAttributesExA((m_controlFolder + "commands.txt").c_str(), GetFileExInfoStandard, &data))
            return 0;
        return static_cast<long>(data.nFileSizeLow);
    }

    static DWORD WINAPI ThreadProc(void* self)
    {
        static_cast<CStandin*>(self)->Run();
        return 0;
    }

    void Run()
    {
        int64_t nextPoll = 0;
        for (;;) {
            const int64_t now = NowUs();
            if (!m_controlFolder.empty() && now >= nextPoll) {
                PollCommands();
                nextPoll = now + 20000;
            }
            int64_t next = now + 20000;
            {
                CLock lock(*this);
                for (SInput& input : m_inputs)
                    next = std::min(next, DeliverDue(input));
                for (SOutput& output : m_outputs)
                    next = std::min(next, CompleteDue(output));
            }
            const int64_t wait = next - NowUs();
            if (wait > 0)
                WaitForSingleObject(m_wake, static_cast<DWORD>((wait + 999) / 1000));
        }
    }

    // Delivers the input's due events; returns when the next one is due.
    int64_t DeliverDue(SInput& input)
    {
        const int64_t never = INT64_MAX;
        while (input.open && input.started && !input.events.empty()) {
            if (input.events.front().dueUs > NowUs())
                return input.events.front().dueUs;
            SInEvent event = std::move(input.events.front());
            input.events.pop_front();
            if (!Deliver(input, event)) {
                // Held until the program queues a buffer (which wakes the
                // thread), or a millisecond.
                input.events.push_front(std::move(event));
                return NowUs() + 1000;
            }
        }
        return never;
    }

    // False when long data waits for a buffer (only while holding long
    // data); the event then holds what is left of the message.
    bool Deliver(SInput& input, SInEvent& event)
    {
        const std::string tag = "in " + std::to_string(IndexOf(input)) + " ";
        switch (event.kind) {
        case SInEvent::Short:
        case SInEvent::Error:
            ++input.delivered;
            if (event.kind == SInEvent::Short)
                m_shortCallbackUs.push_back(NowUs());
            Log(tag + (event.kind == SInEvent::Error ? "error " : "") + Hex(CTevShortMessage(event.word).GetBytes()));
            Call(input, event.kind == SInEvent::Short ? MIM_DATA : MIM_ERROR, event.word, Timestamp(input));
            break;
        case SInEvent::Long:
        case SInEvent::LongError: {
            // Long data fills the queued buffers in order; a message larger
            // than a buffer continues in the next one.
            size_t offset = 0;
            while (offset < event.bytes.size()) {
                if (!input.open || !input.started)
                    return true;
                if (input.queue.empty()) {
                    if (m_holdLong && event.kind == SInEvent::Long) {
                        event.bytes.erase(event.bytes.begin(), event.bytes.begin() + static_cast<ptrdiff_t>(offset));
                        return false;
                    }
                    ++input.dropped;
                    Log(tag + "dropped (no buffer)");
                    return true;
                }
                MIDIHDR* header = input.queue.front();
                input.queue.pop_front();
                const size_t count = std::min<size_t>(event.bytes.size() - offset, header->dwBufferLength);
                std::memcpy(header->lpData, event.bytes.data() + offset, count);
                offset += count;
                header->dwBytesRecorded = static_cast<DWORD>(count);
                MarkDone(header);
                ++input.delivered;
                const bool error = event.kind == SInEvent::LongError;
                Log(tag + (error ? "longerror " : "") + std::to_string(count) + " bytes");
                Call(input, error ? MIM_LONGERROR : MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header),
                     Timestamp(input));
                if (error)
                    return true;
            }
            break;
        }
        }
        return true;
    }

    int64_t CompleteDue(SOutput& output)
    {
        int64_t next = INT64_MAX;
        const int64_t now = NowUs();
        auto it = output.pending.begin();
        while (it != output.pending.end()) {
            if (!it->never && it->dueUs <= now) {
                MarkDone(it->header);
                it = output.pending.erase(it);
            } else {
                if (!it->never)
                    next = std::min(next, it->dueUs);
                ++it;
            }
        }
        return next;
    }

    // Runs the lines added to the control folder's "commands.txt" since the
    // last poll.
    void PollCommands()
    {
        FILE* file = std::fopen((m_controlFolder + "commands.txt").c_str(), "rb");
        if (!file)
            return;
        std::string text;
        if (std::fseek(file, m_commandOffset, SEEK_SET) == 0) {
            char buffer[4096];
            size_t count;
            while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                text.append(buffer, count);
        }
        std::fclose(file);
        size_t start = 0;
        size_t end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            m_commandOffset += static_cast<long>(end + 1 - start);
            start = end + 1;
            const bool done = Command(line);
            Log((done ? "done: " : "refused: ") + line);
        }
    }

    // Appends one line to the control folder's "log.txt".
    void Log(const std::string& line)
    {
        if (m_controlFolder.empty())
            return;
        CLock lock(*this);
        if (!m_log)
            m_log = std::fopen((m_controlFolder + "log.txt").c_str(), "ab");
        if (!m_log)
            return;
        std::fprintf(m_log, "%s\n", line.c_str());
        std::fflush(m_log);
    }

    CRITICAL_SECTION m_lock;
    HANDLE m_wake = nullptr;
    HANDLE m_thread = nullptr;
    SInput m_inputs[kDeviceCount];
    SOutput m_outputs[kDeviceCount];
    std::map<std::string, SFailure> m_failures;
    int m_baud = 31250;
    int m_longDelayMs = kCompleteAfterWire;
    // Long data waits for a buffer instead of being dropped.
    bool m_holdLong = false;

    CSimulatedModule m_module;
    bool m_moduleLoaded = false;
    bool m_moduleTried = false;
    std::string m_moduleError;
    int64_t m_arrivalUs = 0;
    int64_t m_outLinkFreeUs = 0;
    int64_t m_inLinkFreeUs = 0;
    int64_t m_injectLinkFreeUs[kDeviceCount] = {};

    std::vector<int64_t> m_shortCallbackUs;

    std::string m_controlFolder;
    long m_commandOffset = 0;
    FILE* m_log = nullptr;
};

#define STANDIN_FAIL(name)                                                                                             \
    do {                                                                                                               \
        MMRESULT code_;                                                                                                \
        if (CStandin::Get().ShouldFail(name, code_))                                                                   \
            return code_;                                                                                              \
    } while (0)

template <class TCaps>
MMRESULT FillCaps(TCaps* caps, UINT size, const char* name)
{
    if (!caps || size < sizeof(TCaps))
        return MMSYSERR_INVALPARAM;
    std::memset(caps, 0, sizeof(TCaps));
    caps->wMid = 0xFF;
    caps->wPid = 1;
    caps->vDriverVersion = 0x0100;
    lstrcpynA(caps->szPname, name, MAXPNAMELEN);
    return MMSYSERR_NOERROR;
}

} // namespace

extern "C" {

UINT WINAPI midiInGetNumDevs(void)
{
    return kDeviceCount;
}

MMRESULT WINAPI midiInGetDevCapsA(UINT_PTR id, LPMIDIINCAPSA caps, UINT size)
{
    STANDIN_FAIL("midiInGetDevCapsA");
    if (id >= kDeviceCount)
        return MMSYSERR_BADDEVICEID;
    if (id == kUnreadableDevice)
        return MMSYSERR_NODRIVER;
    MMRESULT result = FillCaps(caps, size, kInputNames[id]);
    if (result == MMSYSERR_NOERROR)
        caps->dwSupport = 0;
    return result;
}

MMRESULT WINAPI midiInOpen(LPHMIDIIN handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    STANDIN_FAIL("midiInOpen");
    return CStandin::Get().InOpen(handle, id, callback, instance, flags);
}

MMRESULT WINAPI midiInClose(HMIDIIN handle)
{
    STANDIN_FAIL("midiInClose");
    return CStandin::Get().InClose(handle);
}

MMRESULT WINAPI midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiInPrepareHeader");
    return CStandin::Get().InPrepare(handle, header, size, true);
}

MMRESULT WINAPI midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiInUnprepareHeader");
    return CStandin::Get().InPrepare(handle, header, size, false);
}

MMRESULT WINAPI midiInAddBuffer(HMIDIIN handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiInAddBuffer");
    return CStandin::Get().InAddBuffer(handle, header, size);
}

MMRESULT WINAPI midiInStart(HMIDIIN handle)
{
    STANDIN_FAIL("midiInStart");
    return CStandin::Get().InStart(handle);
}

MMRESULT WINAPI midiInStop(HMIDIIN handle)
{
    STANDIN_FAIL("midiInStop");
    return CStandin::Get().InStop(handle);
}

MMRESULT WINAPI midiInReset(HMIDIIN handle)
{
    STANDIN_FAIL("midiInReset");
    return CStandin::Get().InReset(handle);
}

UINT WINAPI midiOutGetNumDevs(void)
{
    return kDeviceCount;
}

MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR id, LPMIDIOUTCAPSA caps, UINT size)
{
    STANDIN_FAIL("midiOutGetDevCapsA");
    if (id >= kDeviceCount)
        return MMSYSERR_BADDEVICEID;
    if (id == kUnreadableDevice)
        return MMSYSERR_NODRIVER;
    MMRESULT result = FillCaps(caps, size, kOutputNames[id]);
    if (result == MMSYSERR_NOERROR) {
        caps->wTechnology = MOD_MIDIPORT;
        caps->wVoices = 0;
        caps->wNotes = 0;
        caps->wChannelMask = 0xFFFF;
    }
    return result;
}

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT id, DWORD_PTR, DWORD_PTR, DWORD flags)
{
    STANDIN_FAIL("midiOutOpen");
    return CStandin::Get().OutOpen(handle, id, flags);
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle)
{
    STANDIN_FAIL("midiOutClose");
    return CStandin::Get().OutClose(handle);
}

MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiOutPrepareHeader");
    return CStandin::Get().OutPrepare(handle, header, size, true);
}

MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiOutUnprepareHeader");
    return CStandin::Get().OutPrepare(handle, header, size, false);
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message)
{
    STANDIN_FAIL("midiOutShortMsg");
    return CStandin::Get().OutShort(handle, message);
}

MMRESULT WINAPI midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT size)
{
    STANDIN_FAIL("midiOutLongMsg");
    return CStandin::Get().OutLong(handle, header, size);
}

MMRESULT WINAPI midiOutReset(HMIDIOUT handle)
{
    STANDIN_FAIL("midiOutReset");
    return CStandin::Get().OutReset(handle);
}

// --- Control, for test programs in the same process ----------------------

// Runs one control command (see README.md); 1 when it was understood.
__declspec(dllexport) int TevStandinCommand(const char* line)
{
    return line && CStandin::Get().Command(line) ? 1 : 0;
}

// One number of the stand-in's state (see README.md); -1 when unknown.
__declspec(dllexport) long long TevStandinValue(const char* query)
{
    return query ? CStandin::Get().Value(query) : -1;
}

// Copies the index-th message received by an output device; returns its
// length, or -1 when there is no such message.
__declspec(dllexport) int TevStandinReceived(int device, int index, unsigned char* buffer, int size)
{
    return CStandin::Get().ReceivedMessage(device, index, buffer, size);
}

// The reason the module could not be built, empty when it was.
__declspec(dllexport) int TevStandinLastError(char* buffer, int size)
{
    const std::string error = CStandin::Get().LastError();
    if (buffer && size > 0)
        lstrcpynA(buffer, error.c_str(), size);
    return static_cast<int>(error.size());
}

} // extern "C"

#pragma once
// The hand-over structures between the MIDI driver's callback, the input
// worker thread and the user-interface thread, and the wire-time formula of
// a system-exclusive send. Free of Win32 types, so they can be tested on
// any platform.
//
// The event ring has exactly one producer and one consumer. The indices are
// atomics: the producer publishes an entry by storing the write index with
// release order after writing the entry, the consumer frees a slot by
// storing the read index with release order after reading it. Besides them
// only the running flag and the drop counter are shared, and they are
// atomic too, so no lock is needed. The packet ring is touched by the
// worker thread alone (and by the user-interface thread while no worker
// runs); of a packet that is with the driver it reads nothing.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

// Read and write index of a ring, and its size.
class CMidiRingIndex {
public:
    CMidiRingIndex() = default;
    CMidiRingIndex(const CMidiRingIndex&) = delete;
    CMidiRingIndex& operator=(const CMidiRingIndex&) = delete;
    virtual ~CMidiRingIndex() = default;

    virtual int32_t GetSize() const = 0;

    int32_t GetReadIndex() const { return m_read.load(std::memory_order_acquire); }
    int32_t GetWriteIndex() const { return m_write.load(std::memory_order_acquire); }

protected:
    void ResetIndices()
    {
        m_read.store(0, std::memory_order_release);
        m_write.store(0, std::memory_order_release);
    }
    int32_t Next(int32_t index) const { return (index + 1) % GetSize(); }

    std::atomic<int32_t> m_read{0};
    std::atomic<int32_t> m_write{0};
};

// What the driver callback leaves for the worker thread: a packed short
// message (0 or above) or one of the event codes below. An event that gives
// a receive buffer back (long data, long error) carries that buffer with
// it, so a dropped event can never make a later one read another's bytes.
class CMidiEventRing : public CMidiRingIndex {
public:
    static constexpr int32_t kSize = 2048;
    // Entries kept for the events that give a buffer back. No more buffers
    // than this are ever with the driver or on their way back (buffers of
    // stopped runs included), and each comes back with one event, so such
    // an event always finds room: a flood of short messages can cost short
    // messages, never a system-exclusive one.
    static constexpr int32_t kReserved = 128;

    enum : int32_t {
        Empty = -1,
        LongData = -2,
        Opened = -3,
        Closed = -4,
        Error = -5,
        LongError = -6,
        MoreData = -7
    };

    CMidiEventRing() { Reset(); }
    int32_t GetSize() const override { return kSize; }

    // Both indices 0, every entry empty, nothing dropped. Only while neither
    // side runs.
    void Reset()
    {
        for (int32_t& entry : m_entries)
            entry = Empty;
        for (void*& buffer : m_buffers)
            buffer = nullptr;
        m_dropped.store(0, std::memory_order_relaxed);
        ResetIndices();
    }

    // Producer side (the driver callback). A full ring keeps what it holds
    // and drops the new entry (false): losing one event is better than
    // losing every pending one. An entry without a buffer finds the ring
    // full while only the reserved room is left.
    bool Push(int32_t entry, void* buffer = nullptr)
    {
        const int32_t write = m_write.load(std::memory_order_relaxed);
        const int32_t used = (write - m_read.load(std::memory_order_acquire) + kSize) % kSize;
        const int32_t room = kSize - 1 - used;
        if (room == 0 || (!buffer && room <= kReserved)) {
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        m_entries[write] = entry;
        m_buffers[write] = buffer;
        m_write.store(Next(write), std::memory_order_release);
        return true;
    }

    // Consumer side (the worker thread): the oldest entry, or Empty, and the
    // buffer that came with it (null for none).
    int32_t Pop(void** buffer = nullptr)
    {
        const int32_t read = m_read.load(std::memory_order_relaxed);
        if (read == m_write.load(std::memory_order_acquire)) {
            if (buffer)
                *buffer = nullptr;
            return Empty;
        }
        const int32_t entry = m_entries[read];
        if (buffer)
            *buffer = m_buffers[read];
        m_entries[read] = Empty;
        m_buffers[read] = nullptr;
        m_read.store(Next(read), std::memory_order_release);
        return entry;
    }

    // Every entry dropped since the last reset.
    int32_t GetDropped() const { return m_dropped.load(std::memory_order_relaxed); }
    // Counts from 0 again; also while the producer runs.
    void ResetDropped() { m_dropped.store(0, std::memory_order_relaxed); }

private:
    int32_t m_entries[kSize];
    void* m_buffers[kSize];
    std::atomic<int32_t> m_dropped{0};
};

// The receive buffers, handed to the driver in ring order. A packet is
// marked as out, with the run it went out in, from the moment the driver
// takes it until the event that gave it back has been taken, across a stop
// and restart, and the hand-out passes over packets that are out: whatever
// order the driver gives buffers back in, whatever the event ring drops and
// however late a stopped run's buffers come back, no packet goes to the
// driver twice, and none is refilled while its bytes still wait to be
// passed on. So an event naming a packet that is out is that packet's
// give-back, and the packet's header, which the driver may be writing, is
// never read to tell. TPacket offers IsPrepared(), Reset() and
// GetDriverHeader() (what the driver gives back).
template <class TPacket, int32_t N>
class CMidiPacketRing : public CMidiRingIndex {
public:
    static constexpr int32_t kSize = N;

    int32_t GetSize() const override { return N; }

    // Both indices 0, every packet reset and ours. Only while the driver
    // holds none.
    void Reset()
    {
        for (uint32_t& run : m_run)
            run = 0;
        ResetOurs();
    }

    // Both indices 0 and the packets that are ours reset; those that are out
    // stay as the driver left them until their event comes.
    void ResetOurs()
    {
        for (int32_t i = 0; i < N; ++i) {
            if (!IsOut(i))
                m_packets[i].Reset();
        }
        ResetIndices();
    }

    // From the write index on, the first packet that is not out, when it is
    // prepared (the index moves past it); null, changing nothing, otherwise.
    TPacket* NextPrepared()
    {
        const int32_t write = m_write.load(std::memory_order_relaxed);
        for (int32_t step = 0, index = write; step < N; ++step, index = Next(index)) {
            if (IsOut(index))
                continue;
            if (!m_packets[index].IsPrepared())
                return nullptr;
            m_write.store(Next(index), std::memory_order_release);
            return &m_packets[index];
        }
        return nullptr;
    }

    // The driver took the packet, in that run (1 and up).
    void MarkOut(const TPacket& packet, uint32_t run) { m_run[&packet - m_packets] = run; }
    bool IsOut(int32_t index) const { return m_run[index] != 0; }

    // The packet that the driver gave back with this header, ours again,
    // and the run it went out in; null when no packet that is out has it.
    TPacket* TakeBack(const void* header, uint32_t& run)
    {
        for (int32_t i = 0; i < N; ++i) {
            if (IsOut(i) && m_packets[i].GetDriverHeader() == header) {
                run = std::exchange(m_run[i], 0);
                return &m_packets[i];
            }
        }
        return nullptr;
    }

    TPacket& operator[](int32_t index) { return m_packets[index]; }
    const TPacket& operator[](int32_t index) const { return m_packets[index]; }

private:
    TPacket m_packets[N];
    // The run a packet went out in; 0 while it is ours.
    uint32_t m_run[N] = {};
};

// What the driver's context and the worker thread of one input device
// share: the running flag, the event ring and the receive buffers, of which
// the worker keeps `Queued` of each run with the driver.
template <class TPacket, int32_t N, int32_t Queued>
class CMidiReceiver {
public:
    static_assert(N <= CMidiEventRing::kReserved, "every buffer with the driver needs its room on the ring");
    static_assert(Queued <= N);

    // Before a run starts, while no worker runs. The driver may still call
    // back late, from its own thread, for buffers of a stopped run: the
    // events on the ring stay for the new worker, and the packets that are
    // out stay out, neither counted against the new run nor handed out
    // again until their event has been taken.
    void BeginRun()
    {
        events.ResetDropped();
        packets.ResetOurs();
        m_queued = 0;
        m_refusing = false;
        ++m_run;
    }

    bool IsRunning() const { return running.load(std::memory_order_acquire); }

    // Driver side: one entry, and the buffer it gives back. Only a buffer's
    // event is kept while not running: it makes the packet ours again.
    void Push(int32_t entry, void* buffer = nullptr)
    {
        if (buffer || IsRunning())
            events.Push(entry, buffer);
    }

    // Worker side: the oldest entry (Empty when none). An entry that gives a
    // buffer back sets `packet` to that buffer's packet, ours again and left
    // alone until the next TopUp (null when it is none the driver had).
    int32_t Pop(TPacket*& packet)
    {
        void* buffer = nullptr;
        const int32_t entry = events.Pop(&buffer);
        uint32_t run = 0;
        packet = buffer ? packets.TakeBack(buffer, run) : nullptr;
        if (packet && run == m_run)
            --m_queued;
        return entry;
    }

    // Worker side (or before the worker starts): hands the driver buffers
    // until `Queued` are with it, only while running. queue(packet) gives 0
    // when the driver took the packet, else the driver's error; a refused
    // buffer stays ours and is offered again at the next call, so input
    // comes back by itself when the driver takes buffers again. Returns
    // the refusal that begins a run of refusals (to be reported once), 0
    // otherwise.
    template <class TQueue>
    uint32_t TopUp(TQueue&& queue)
    {
        while (IsRunning() && m_queued < Queued) {
            TPacket* packet = packets.NextPrepared();
            if (!packet)
                break;
            const uint32_t result = queue(*packet);
            if (result != 0) {
                const bool first = !m_refusing;
                m_refusing = true;
                return first ? result : 0;
            }
            m_refusing = false;
            packets.MarkOut(*packet, m_run);
            ++m_queued;
        }
        return 0;
    }

    // The report of the current run of refusals could not be taken: the
    // next refusal is reported again, so a run is never left unreported.
    void ReportAgain() { m_refusing = false; }

    // The buffers of this run with the driver, as far as the worker knows.
    int32_t CountQueued() const { return m_queued; }

    std::atomic<bool> running{false};
    CMidiEventRing events;
    CMidiPacketRing<TPacket, N> packets;

private:
    int32_t m_queued = 0;
    bool m_refusing = false;
    uint32_t m_run = 1;
};

// The rate at which a system-exclusive message leaves through a MIDI cable,
// in bytes per second (31,250 baud, ten bits a byte, with some slack).
constexpr int32_t kMidiWireBytesPerSecond = 3472;

// How long a sender still has to wait, after elapsedMs since the message was
// handed to the driver, until a message of byteCount bytes has had time to
// leave: (n * 1000 - t * 3472) / 3472 ms when that is positive, else 0.
constexpr int32_t MidiWireSleepMs(size_t byteCount, int32_t elapsedMs)
{
    const int64_t wire = static_cast<int64_t>(byteCount) * 1000;
    const int64_t gone = static_cast<int64_t>(elapsedMs < 0 ? 0 : elapsedMs) * kMidiWireBytesPerSecond;
    if (gone >= wire)
        return 0;
    return static_cast<int32_t>((wire - gone) / kMidiWireBytesPerSecond);
}

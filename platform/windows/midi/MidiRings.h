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
// only the drop counters are shared, and they are atomic too, so no lock is
// needed. The packet ring is touched by the worker thread alone.
#include <atomic>
#include <cstddef>
#include <cstdint>

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
        m_lostBuffers.store(0, std::memory_order_relaxed);
        ResetIndices();
    }

    // Producer side (the driver callback). A full ring keeps what it holds
    // and drops the new entry (false): losing one event is better than
    // losing every pending one. A dropped event's buffer is counted, so the
    // consumer can still give one back to the driver in its place.
    bool Push(int32_t entry, void* buffer = nullptr)
    {
        const int32_t write = m_write.load(std::memory_order_relaxed);
        const int32_t next = Next(write);
        if (next == m_read.load(std::memory_order_acquire)) {
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            if (buffer)
                m_lostBuffers.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        m_entries[write] = entry;
        m_buffers[write] = buffer;
        m_write.store(next, std::memory_order_release);
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

    // Consumer side: how many buffers went with dropped events since the
    // last call.
    int32_t TakeLostBuffers() { return m_lostBuffers.exchange(0, std::memory_order_relaxed); }
    // Every entry dropped since the last reset.
    int32_t GetDropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    int32_t m_entries[kSize];
    void* m_buffers[kSize];
    std::atomic<int32_t> m_dropped{0};
    std::atomic<int32_t> m_lostBuffers{0};
};

// The receive buffers in the order they are handed to the driver: the
// write index runs over the packets queued with it. Of 128 packets at most
// 32 are queued and at most as many more wait to be read, so the packet at
// the write index is always one the driver gave back and the worker has
// done with. TPacket offers IsPrepared() and Reset().
template <class TPacket, int32_t N>
class CMidiPacketRing : public CMidiRingIndex {
public:
    static constexpr int32_t kSize = N;

    int32_t GetSize() const override { return N; }

    // Both indices 0, every packet reset. Only while the driver holds none.
    void Reset()
    {
        for (TPacket& packet : m_packets)
            packet.Reset();
        ResetIndices();
    }

    // The packet at the write index when it is prepared (the index moves on);
    // null, changing nothing, otherwise.
    TPacket* NextPrepared()
    {
        const int32_t write = m_write.load(std::memory_order_relaxed);
        TPacket& packet = m_packets[write];
        if (!packet.IsPrepared())
            return nullptr;
        m_write.store(Next(write), std::memory_order_release);
        return &packet;
    }

    TPacket& operator[](int32_t index) { return m_packets[index]; }
    const TPacket& operator[](int32_t index) const { return m_packets[index]; }

private:
    TPacket m_packets[N];
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

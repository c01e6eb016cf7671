#pragma once
// The MIDI wire format spoken with the device: the maker's system-exclusive
// message (data set and data request) and the packed short message.
#include <cstdint>
#include <span>
#include <vector>

// Turns a 32-bit integer into count 7-bit bytes, most significant first:
// with count 4 they are (v >> 21), (v >> 14), (v >> 7), v, each & 0x7F; with
// fewer bytes the last count of these. Bits above the 7 * count low bits are
// dropped. A count of 0 or less gives no bytes. Used for device addresses and
// request sizes.
std::vector<uint8_t> TevTo7BitBytes(int32_t value, int32_t count);

// One system-exclusive message as bytes, F0 first and F7 last.
class CTevLongMessage {
public:
    CTevLongMessage();
    virtual ~CTevLongMessage() = default;
    CTevLongMessage(const CTevLongMessage&) = default;
    CTevLongMessage& operator=(const CTevLongMessage&) = default;

    // The message becomes F0 00 F7.
    virtual void Reset();
    // Takes a received byte sequence. Refused (false, message unchanged) when
    // it has fewer than 2 bytes or any byte between the first and the last
    // is 0x80 or above. The first and last bytes are not judged here.
    virtual bool Assign(const std::vector<uint8_t>& bytes);

    const std::vector<uint8_t>& GetBytes() const { return m_bytes; }

protected:
    static bool HasOnlyDataBytesInside(const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> m_bytes;
};

// The maker's layout on top of a system-exclusive message:
// F0, manufacturer, device, model id, command, address, data, checksum, F7.
class CTevDravikMessage : public CTevLongMessage {
public:
    enum Segment : int32_t {
        DeviceSegment = 0,
        ModelSegment = 1,
        CommandSegment = 2,
        AddressSegment = 3,
        DataSegment = 4,
        ChecksumSegment = 5,
        SegmentCount = 6
    };

    // Command segments of a data request and of a data set.
    static const std::vector<uint8_t> RequestCommandBytes;
    static const std::vector<uint8_t> DataSetCommandBytes;

    // ComputeChecksum and GetChecksum give this when there is no checksum.
    static constexpr uint8_t NoChecksum = 0xFF;

    CTevDravikMessage();

    // The default message F0 41 7F 42 12 F7: manufacturer 0x41, device 0x7F,
    // model 0x42, command 0x12, no address, data or checksum.
    void Reset() override;
    // Splits a received message for the given address size into its
    // segments. False, with the message unchanged, when the bytes do not
    // start with F0, end with F7, or hold a complete message.
    virtual bool Parse(const std::vector<uint8_t>& bytes, int32_t addressSize);

    // Writes the manufacturer byte (masked to 7 bits).
    void SetManufacturer(uint8_t manufacturer);
    // The device segment becomes that one byte (masked to 7 bits).
    void SetDeviceId(uint8_t deviceId);
    // Replaces the bytes of a segment (each masked to 7 bits) and moves the
    // later segments. False for an index outside 0..5.
    bool SetSegment(int32_t index, const std::vector<uint8_t>& bytes);
    // The checksum segment becomes the computed checksum, or empty when the
    // address and data segments are both empty.
    void UpdateChecksum();
    // (-(sum of address and data bytes)) & 0x7F; NoChecksum when both
    // segments are empty.
    uint8_t ComputeChecksum() const;
    // The byte of the checksum segment; NoChecksum when it is empty.
    uint8_t GetChecksum() const;

    // Copies of a segment's bytes (empty for an index outside 0..5).
    std::vector<uint8_t> GetSegment(int32_t index) const;
    std::vector<uint8_t> GetModelId() const { return GetSegment(ModelSegment); }
    std::vector<uint8_t> GetCommand() const { return GetSegment(CommandSegment); }
    std::vector<uint8_t> GetAddress() const { return GetSegment(AddressSegment); }
    std::vector<uint8_t> GetData() const { return GetSegment(DataSegment); }
    // A segment's bytes without copying them (empty for an index outside
    // 0..5); valid until the message next changes. The receive path judges
    // every incoming message through these.
    std::span<const uint8_t> GetSegmentBytes(int32_t index) const
    {
        if (index < 0 || index >= SegmentCount || !Fits(m_segments[index]))
            return {};
        const SSegment& segment = m_segments[index];
        return std::span<const uint8_t>(m_bytes.data() + segment.offset, static_cast<size_t>(segment.length));
    }

private:
    struct SSegment {
        int32_t offset = 0;
        int32_t length = 0;
    };

    // A segment lies inside the bytes. Only false when the inherited Assign
    // replaced the bytes without re-splitting them.
    bool Fits(const SSegment& segment) const;

    SSegment m_segments[SegmentCount];
};

// A channel or system message packed into one 32-bit word: status in bits
// 0-7, data 1 in bits 8-15, data 2 in bits 16-23, bits 24-31 zero. This is
// the layout of the platform's short-message calls.
class CTevShortMessage {
public:
    CTevShortMessage() = default;
    explicit CTevShortMessage(uint32_t word) : m_word(word) {}
    explicit CTevShortMessage(const std::vector<uint8_t>& bytes) { Assign(bytes); }

    // status = type | channel, then the two data bytes.
    void Compose(uint8_t type, uint8_t channel, uint8_t data1, uint8_t data2);
    void Set(uint8_t type, uint8_t channel, uint8_t data1, uint8_t data2) { Compose(type, channel, data1, data2); }
    // Byte 0 is the status, bytes 1 and 2 (when present) the data bytes;
    // further bytes are ignored.
    void Assign(const std::vector<uint8_t>& bytes);

    // For a status F0-FF the type is the whole status and the channel is
    // left untouched; otherwise type = status & 0xF0, channel = status & 0x0F.
    void GetStatus(uint8_t& type, uint8_t& channel) const;
    uint8_t GetData1() const { return static_cast<uint8_t>((m_word >> 8) & 0xFF); }
    uint8_t GetData2() const { return static_cast<uint8_t>((m_word >> 16) & 0xFF); }
    // The message's bytes by its status (3, 2, 1 or none below 0x80), the
    // status byte first as stored.
    std::vector<uint8_t> GetBytes() const;

    uint32_t GetWord() const { return m_word; }

private:
    uint32_t m_word = 0;
};

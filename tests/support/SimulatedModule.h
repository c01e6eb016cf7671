#pragma once
// A sound module seen from the wire: it keeps its own memory image, answers
// vendor data requests with data sets, takes data sets into its memory and
// can send data sets and control changes of its own. It works on raw bytes
// only and parses and builds the vendor messages itself, so that it checks
// the program's encoding instead of repeating it.
//
// Replies go to an outbox stamped with a delivery time on the tick clock
// (the fake clock in tests); DeliverDue hands the due ones to the delivery
// callback, so a test pump decides when the host sees them.
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <vector>

class CFakeMidiInDevice;
class CFakeMidiOutDevice;
class CFakeSystem;
class CTevBufferManager;
class CTevStruct;

class CSimulatedModule {
public:
    using Bytes = std::vector<uint8_t>;
    using Delivery = std::function<void(const Bytes&)>;

    static constexpr uint8_t kManufacturerId = 0x41;
    static constexpr uint8_t kRequestCommand = 0x11;
    static constexpr uint8_t kDataSetCommand = 0x12;

    // One message the module received, as it came.
    struct SReceived {
        Bytes bytes;
        uint32_t tick = 0;
    };
    // A vendor message for this module with a good checksum, taken apart.
    struct SVendorMessage {
        uint8_t command = 0;
        int32_t address = 0;
        // The data of a data set; the size bytes of a request.
        Bytes body;
    };
    struct SOutgoing {
        uint32_t deliverAt = 0;
        Bytes bytes;
    };

    // Where an edition's device keeps what it acts on (absolute addresses;
    // -1: the device has no such place).
    struct SEditionLayout {
        // Three bytes (MSB, LSB, program) here store the temporary patch
        // into that user patch.
        int32_t writePatchAddress = -1;
        // The device reports its current patch here, in this many bytes.
        int32_t infoPatchAddress = -1;
        int32_t infoPatchSize = 3;
        // The current patch (MSB, LSB, program, one byte each) and the
        // channel the device listens to.
        int32_t currentProgramAddress = -1;
        int32_t receiveChannelAddress = -1;
        // A data set here resets the device.
        int32_t systemResetAddress = -1;
        // The temporary patch's name and each user patch's name; storing a
        // patch copies the one into the other.
        int32_t temporaryNameAddress = -1;
        int32_t nameSize = 0;
        std::vector<int32_t> userNameAddresses;
        // The bank select of the user patches.
        uint8_t userBankMsb = 87;
        uint8_t userBankLsb = 0;
        // A control change on the receive channel sets a parameter: value x
        // scale, kept within [minimum, maximum], written as size 7-bit
        // bytes, most significant first.
        struct SController {
            uint8_t controller = 0;
            int32_t address = 0;
            int32_t size = 1;
            int32_t scale = 1;
            int32_t minimum = std::numeric_limits<int32_t>::min();
            int32_t maximum = std::numeric_limits<int32_t>::max();
        };
        std::vector<SController> controllers;
    };
    // A parameter that follows a controller, by its path in the script.
    struct SControllerPath {
        const char* path;
        int32_t controller;
        int32_t scale;
    };
    // An edition's sound parameters (path, controller, halfResolution) as
    // the device follows them: a half-resolution one at twice the value.
    template <class TParameters>
    static std::vector<SControllerPath> ControllersOf(const TParameters& parameters)
    {
        std::vector<SControllerPath> controllers;
        for (const auto& parameter : parameters)
            controllers.push_back({parameter.path, parameter.controller, parameter.halfResolution ? 2 : 1});
        return controllers;
    }

    CSimulatedModule() = default;

    // Addressing (device 0x10, model 42, 4 address bytes by default).
    void SetDeviceId(uint8_t deviceId) { m_deviceId = deviceId; }
    void SetModelId(const Bytes& modelId) { m_modelId = modelId; }
    // 1 to 4; other sizes are ignored.
    void SetAddressSize(int32_t addressSize);
    uint8_t GetDeviceId() const { return m_deviceId; }
    const Bytes& GetModelId() const { return m_modelId; }
    int32_t GetAddressSize() const { return m_addressSize; }

    // --- Memory -----------------------------------------------------------
    // Adds (or overwrites) the bytes at [begin, begin + size). Ranges that
    // overlap or touch are merged into one.
    void AddRange(int32_t begin, const Bytes& bytes);
    // Every leaf below the struct: its absolute range with its current
    // image as the initial bytes.
    void AddLeavesOf(const CTevStruct& root);
    // True when [address, address + size) is all memory; then out holds it.
    bool ReadMemory(int32_t address, int32_t size, Bytes& out) const;
    // Writes the bytes that fall into memory; returns how many did.
    size_t WriteMemory(int32_t address, const Bytes& bytes);
    // The byte at an address; -1 outside memory.
    int32_t ByteAt(int32_t address) const;
    const std::map<int32_t, Bytes>& GetMemory() const { return m_memory; }
    void ClearMemory() { m_memory.clear(); }

    // --- Host side --------------------------------------------------------
    // One message from the host. Every message is recorded. A request for
    // this module with a good checksum is answered (depending on the mode)
    // with one data set of the requested bytes; a data set with a good
    // checksum is written into memory. Anything else is only recorded.
    void Receive(const Bytes& bytes);

    // --- Playing an edition's device -------------------------------------
    // From then on the module stores patches, reports its current patch,
    // counts system resets and follows control changes as the layout says.
    void PlayEdition(const SEditionLayout& layout) { m_edition = layout; }
    const SEditionLayout& GetEditionLayout() const { return m_edition; }
    // The layout of a model built from an edition's script: the places of
    // "ms.writePatch", "ms.infoPatch", "ms.tmp.setup", "ms.systemReset",
    // the names and the given controller parameters, each with the range of
    // its value. Places the model lacks stay -1 (controllers are left out).
    static SEditionLayout LayoutFromModel(const CTevBufferManager& model,
                                          const std::vector<SControllerPath>& controllers);
    // Sends the current patch as a data set at the report place (padded
    // with zeros to its size); false when there is none.
    bool ReportCurrentPatch();
    // The current patch as (MSB, LSB, program); empty without the place.
    Bytes GetCurrentProgram() const;
    // The user patches stored into, in order.
    const std::vector<int32_t>& GetStoredPatches() const { return m_storedPatches; }
    int32_t GetSystemResetCount() const { return m_systemResetCount; }
    // Control changes taken on the receive channel.
    int32_t GetControlChangeCount() const { return m_controlChangeCount; }

    // --- Modes ------------------------------------------------------------
    // Records, but answers nothing.
    void SetSilent(bool silent) { m_silent = silent; }
    // Replies are due that many milliseconds after the request arrived.
    void SetReplyDelay(uint32_t milliseconds) { m_replyDelay = milliseconds; }
    // Replies carry a checksum off by one.
    void SetBadChecksum(bool bad) { m_badChecksum = bad; }
    // Answers only the nth request (counting from 1) and those after it.
    void SetAnswerFromRequest(int32_t n) { m_answerFrom = n; }

    // --- Device side ------------------------------------------------------
    // An unsolicited data set, due now; the memory takes the bytes too.
    void SendDataSet(int32_t address, const Bytes& data);
    void SendControlChange(uint8_t channel, uint8_t controller, uint8_t value);
    // Any bytes, due now.
    void SendRaw(const Bytes& bytes);
    // The vendor message this module would send (correct checksum).
    Bytes BuildMessage(uint8_t command, int32_t address, const Bytes& body) const;

    // --- Output -----------------------------------------------------------
    void SetDelivery(Delivery delivery) { m_delivery = std::move(delivery); }
    // Hands every outgoing message due by the current tick to the delivery
    // callback, in order; returns how many. Messages delivered during the
    // callback's own work are seen by the next call. Without a callback
    // nothing is delivered.
    size_t DeliverDue();
    // Delivers everything, due or not.
    size_t DeliverAll();
    const std::deque<SOutgoing>& GetOutbox() const { return m_outbox; }
    // Empties the outbox and returns what it held.
    std::vector<SOutgoing> TakeOutbox();

    // --- Fake devices ---------------------------------------------------
    // What the program sends through out reaches Receive; delivered
    // messages are posted into in (for the program's pump to hand over).
    void ConnectTo(CFakeMidiOutDevice& out, CFakeMidiInDevice& in);
    // A reader pump: posts what is due, hands in's queue to its ports, then
    // moves the clock by stepMs.
    std::function<void()> MakePump(CFakeSystem& clock, CFakeMidiInDevice& in, uint32_t stepMs = 10);

    // --- Records ----------------------------------------------------------
    const std::vector<SReceived>& GetReceived() const { return m_received; }
    // The vendor messages for this module with a good checksum, in order.
    std::vector<SVendorMessage> GetVendorMessages(uint8_t command) const;
    int32_t GetRequestCount() const { return m_requestCount; }
    int32_t GetAnsweredCount() const { return m_answeredCount; }
    // Messages that were not for this module or were malformed or corrupt.
    int32_t GetRejectedCount() const { return m_rejectedCount; }
    void ClearRecords();

    // Takes a vendor message apart for this module's addressing; false when
    // it is not one for this module, malformed, or its checksum is wrong.
    bool ParseVendorMessage(const Bytes& bytes, SVendorMessage& message) const;

private:
    Bytes ToAddressBytes(int32_t value) const;
    static int32_t FoldAddress(const Bytes& bytes, size_t offset, size_t count);
    void Queue(uint32_t delay, Bytes bytes);
    void Answer(const SVendorMessage& request);
    std::map<int32_t, Bytes>::const_iterator FindRange(int32_t address) const;
    void TakeDataSet(const SVendorMessage& message);
    bool TakeControlChange(const Bytes& bytes);

    uint8_t m_deviceId = 0x10;
    Bytes m_modelId{0x42};
    int32_t m_addressSize = 4;

    std::map<int32_t, Bytes> m_memory;

    bool m_silent = false;
    uint32_t m_replyDelay = 0;
    bool m_badChecksum = false;
    int32_t m_answerFrom = 1;

    Delivery m_delivery;
    std::deque<SOutgoing> m_outbox;

    std::vector<SReceived> m_received;
    int32_t m_requestCount = 0;
    int32_t m_answeredCount = 0;
    int32_t m_rejectedCount = 0;

    SEditionLayout m_edition;
    std::vector<int32_t> m_storedPatches;
    int32_t m_systemResetCount = 0;
    int32_t m_controlChangeCount = 0;
};

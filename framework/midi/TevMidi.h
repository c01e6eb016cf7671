#pragma once
// The script's MIDI ports and the framework side of the MIDI devices.
//
// An output port turns data sets, requests and short messages into bytes
// for the output device bound to it. An input port judges every message its
// input device delivers and hands it to the root struct (the parameter
// image), the MIDI channel struct, the reply listener (the device-memory
// reader) and the request handler (the writer), and passes what it took on
// unchanged to its thru port. The devices themselves are abstract here; the
// platform shell provides them and binds them to ports by name.
#include "midi/TevMessage.h"
#include "midi/TevMidiOut.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevArchive;
class CTevElementDefinition;
class CTevMidiOut;
class CTevMidiOutDevice;
class CTevMidiReader;
class CTevMidiWriter;
class CTevTextOut;
class ITevBufferManager;
class ITevMidiStruct;
class ITevRootStruct;

// False for the system common and real-time statuses F1-F6 and F8-FF, true
// for everything else (channel messages, F0, F7). The platform's input
// device applies it to short messages before they reach the ports.
bool IsAcceptedMidiStatus(uint8_t status);

// ---------------------------------------------------------------------------
// CTevMidi: what both port kinds share.
// ---------------------------------------------------------------------------
class CTevMidi {
public:
    static constexpr uint8_t kManufacturerId = 0x41;
    static constexpr uint8_t kDefaultDeviceId = 0x10;
    static constexpr int32_t kDefaultAddressSize = 4;
    static constexpr int32_t kMinAddressSize = 1;
    static constexpr int32_t kMaxAddressSize = 4;

    CTevMidi() = default;
    CTevMidi(const CTevMidi&) = default;
    CTevMidi& operator=(const CTevMidi&) = default;
    virtual ~CTevMidi() = default;

    // Value passes only: the name, the device id (as a 4-byte integer), the
    // model id and the address size. The manufacturer id and the struct
    // names are not archived.
    virtual bool Serialize(CTevArchive& archive);

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    uint8_t GetManufacturerId() const { return m_manufacturerId; }
    // Replaced by the MIDI set-up with the id kept in the user's profile.
    uint8_t GetDeviceId() const { return m_deviceId; }
    void SetDeviceId(uint8_t deviceId) { m_deviceId = deviceId; }
    std::vector<uint8_t> GetModelId() const { return m_modelId; }
    void SetModelId(const std::vector<uint8_t>& modelId) { m_modelId = modelId; }
    int32_t GetAddressSize() const { return m_addressSize; }
    void SetAddressSize(int32_t addressSize) { m_addressSize = addressSize; }
    const std::string& GetRootStructName() const { return m_rootStructName; }
    void SetRootStructName(const std::string& name) { m_rootStructName = name; }
    const std::string& GetMidiStructName() const { return m_midiStructName; }
    void SetMidiStructName(const std::string& name) { m_midiStructName = name; }
    // The parameter model's buffer manager (not owned): an input port
    // refreshes the views through it after a received change, an output
    // port sets its pending changes aside while it sends.
    ITevBufferManager* GetBufferManager() const { return m_bufferManager; }
    void SetBufferManager(ITevBufferManager* bufferManager) { m_bufferManager = bufferManager; }

protected:
    std::string m_name;
    uint8_t m_manufacturerId = kManufacturerId;
    uint8_t m_deviceId = kDefaultDeviceId;
    std::vector<uint8_t> m_modelId;
    int32_t m_addressSize = kDefaultAddressSize;
    std::string m_rootStructName;
    std::string m_midiStructName;
    ITevBufferManager* m_bufferManager = nullptr;
};

// Reads the attributes both port kinds share ("name", "modelID",
// "rootStruct", "midiStructRef", "addressSize") from the element's pairs in
// order, removing each pair it understands; other tags stay. An
// "addressSize" that is unreadable or outside 1 to 4 is reported to errors
// and ends the reading with false.
bool ReadMidiPortAttributes(CTevElementDefinition& element, CTevMidi& port, CTevTextOut& errors);

// ---------------------------------------------------------------------------
// CTevMidiIn: an input port.
// ---------------------------------------------------------------------------
class CTevMidiIn : public CTevMidi {
public:
    CTevMidiIn() = default;
    CTevMidiIn(const CTevMidiIn&) = default;
    CTevMidiIn& operator=(const CTevMidiIn&) = default;

    // The base fields, then five object references: root struct, MIDI
    // struct, reply listener, request handler and thru port (the thru port
    // by its ITevMidiOut part, the part an output port registers).
    bool Serialize(CTevArchive& archive) override;

    // Judges one message and hands it on; see the rules in the source.
    // Malformed, foreign and corrupted messages are dropped silently:
    // nothing stored, nobody told, nothing passed on. Called by the input
    // device on the user-interface thread.
    virtual void Receive(const std::vector<uint8_t>& bytes);

    // The shared attributes, then "midiOutRef". Leftover pairs stay in the
    // element for the caller to report.
    bool ReadDefinition(CTevElementDefinition& element, CTevTextOut& errors);

    // None of the pointers is owned; each may be null.
    ITevRootStruct* GetRootStruct() const { return m_rootStruct; }
    void SetRootStruct(ITevRootStruct* rootStruct) { m_rootStruct = rootStruct; }
    ITevMidiStruct* GetMidiStruct() const { return m_midiStruct; }
    void SetMidiStruct(ITevMidiStruct* midiStruct) { m_midiStruct = midiStruct; }
    CTevMidiReader* GetReplyListener() const { return m_replyListener; }
    void SetReplyListener(CTevMidiReader* reader) { m_replyListener = reader; }
    CTevMidiWriter* GetRequestHandler() const { return m_requestHandler; }
    void SetRequestHandler(CTevMidiWriter* writer) { m_requestHandler = writer; }
    const std::string& GetThruPortName() const { return m_thruPortName; }
    void SetThruPortName(const std::string& name) { m_thruPortName = name; }
    CTevMidiOut* GetThruPort() const { return m_thruPort; }
    void SetThruPort(CTevMidiOut* port) { m_thruPort = port; }

private:
    void ReceiveMakerMessage(const std::vector<uint8_t>& bytes);
    void ReceiveOtherSystemExclusive(const std::vector<uint8_t>& bytes);
    void ReceiveShortMessage(const std::vector<uint8_t>& bytes);
    void RefreshViews();
    void PassOn(const std::vector<uint8_t>& bytes);

    ITevRootStruct* m_rootStruct = nullptr;
    ITevMidiStruct* m_midiStruct = nullptr;
    CTevMidiReader* m_replyListener = nullptr;
    CTevMidiWriter* m_requestHandler = nullptr;
    std::string m_thruPortName;
    CTevMidiOut* m_thruPort = nullptr;

    // Reused for every received message, so that a steady stream of
    // messages reuses their storage instead of allocating per message.
    CTevDravikMessage m_makerMessage;
    CTevLongMessage m_longMessage;
};

// ---------------------------------------------------------------------------
// CTevMidiOut: an output port.
// ---------------------------------------------------------------------------
class CTevMidiOut : public CTevMidi, public ITevMidiOut {
public:
    CTevMidiOut() = default;
    CTevMidiOut(const CTevMidiOut&) = default;
    CTevMidiOut& operator=(const CTevMidiOut&) = default;

    // Registers the ITevMidiOut part first (root structs, the MIDI struct
    // and input ports refer to the port through it), then the base fields.
    bool Serialize(CTevArchive& archive) override;

    // The shared attributes, then "midiMessageValueRef". Leftover pairs stay
    // in the element for the caller to report.
    bool ReadDefinition(CTevElementDefinition& element, CTevTextOut& errors);

    // Every send hands the bytes to the bound device, when there is one,
    // and then keeps them as the last sent, device or not: sending without a
    // device is not an error. False when the device could not send them, or
    // for a short message without bytes (a status below 0x80), which sends
    // nothing. A device may report a failure in a message box, whose loop
    // lets the user change values meanwhile: the changes pending in the
    // buffer manager belong to the sequence that sends, and are set aside
    // while the device has the bytes.
    bool SendShortMessage(const CTevShortMessage& message) override;
    bool SendLongMessage(const CTevLongMessage& message) override;
    bool SendLongMessage(const CTevDravikMessage& message) override;
    // A vendor data set (command 0x12) from the port's manufacturer, device
    // and model id, the address as address-size 7-bit bytes and the data.
    bool SendDataSet(int32_t address, const std::vector<uint8_t>& data) override;
    // A vendor data request (command 0x11): address and size, each as
    // address-size 7-bit bytes.
    bool SendRequest(int32_t address, int32_t size) override;
    std::vector<uint8_t> GetLastSent() const override { return m_lastSent; }

    // Not owned; set and cleared by the MIDI set-up.
    CTevMidiOutDevice* GetDevice() const { return m_device; }
    void SetDevice(CTevMidiOutDevice* device) { m_device = device; }
    const std::string& GetMessageValueName() const { return m_messageValueName; }
    void SetMessageValueName(const std::string& name) { m_messageValueName = name; }

private:
    CTevDravikMessage BuildMessage(const std::vector<uint8_t>& command, int32_t address,
                                   const std::vector<uint8_t>& data) const;
    bool Send(const std::vector<uint8_t>& bytes);

    CTevMidiOutDevice* m_device = nullptr;
    std::vector<uint8_t> m_lastSent;
    std::string m_messageValueName;
};

// ---------------------------------------------------------------------------
// Devices
// ---------------------------------------------------------------------------

// An input device: the platform delivers every message through Receive,
// which hands it to each listening port in the order of attachment.
class CTevMidiInDevice {
public:
    CTevMidiInDevice() = default;
    CTevMidiInDevice(const CTevMidiInDevice&) = delete;
    CTevMidiInDevice& operator=(const CTevMidiInDevice&) = delete;
    virtual ~CTevMidiInDevice() { *m_alive = false; }

    // A listener may show a box whose message loop deletes the device (the
    // MIDI set-up's OK): the walk then stops, touching nothing of it.
    void Receive(const std::vector<uint8_t>& bytes);

    // Appends a listener (not owned); false, changing nothing, when the port
    // is null or already listening.
    bool AddListener(CTevMidiIn* port);
    bool HasListener(const CTevMidiIn* port) const;
    const std::vector<CTevMidiIn*>& GetListeners() const { return m_listeners; }

private:
    std::vector<CTevMidiIn*> m_listeners;
    // False once the device is gone; shared with a walk under way.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// An output device. A message whose first byte is F0 is a system-exclusive
// message, any other a short message. Send gives false when the message
// could not be sent; the ports pass that on.
class CTevMidiOutDevice {
public:
    CTevMidiOutDevice() = default;
    CTevMidiOutDevice(const CTevMidiOutDevice&) = delete;
    CTevMidiOutDevice& operator=(const CTevMidiOutDevice&) = delete;
    virtual ~CTevMidiOutDevice() = default;

    virtual bool Send(const std::vector<uint8_t>& bytes) = 0;
};

// An owning list of open devices; DeleteAll (and the destructor) deletes
// every device through its virtual destructor, then empties the list.
template <class TDevice>
class CTevMidiDevices {
public:
    CTevMidiDevices() = default;
    CTevMidiDevices(const CTevMidiDevices&) = delete;
    CTevMidiDevices& operator=(const CTevMidiDevices&) = delete;
    ~CTevMidiDevices() { DeleteAll(); }

    // Takes the device over and returns it; null is not added.
    TDevice* Add(std::unique_ptr<TDevice> device)
    {
        if (!device)
            return nullptr;
        m_devices.push_back(std::move(device));
        return m_devices.back().get();
    }
    void DeleteAll()
    {
        // Deleted one by one from the back; the list never holds a pointer
        // to a device already deleted.
        while (!m_devices.empty())
            m_devices.pop_back();
    }
    size_t GetCount() const { return m_devices.size(); }
    bool IsEmpty() const { return m_devices.empty(); }
    // Null outside the list.
    TDevice* GetAt(size_t index) const { return index < m_devices.size() ? m_devices[index].get() : nullptr; }

private:
    std::vector<std::unique_ptr<TDevice>> m_devices;
};

using CTevMidiInDevices = CTevMidiDevices<CTevMidiInDevice>;
using CTevMidiOutDevices = CTevMidiDevices<CTevMidiOutDevice>;

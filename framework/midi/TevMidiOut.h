#pragma once
// The output interface of a MIDI port. The parameter model transmits
// through it (root structs and the MIDI channel struct hold one as their
// sink); tests replace it with a recording fake.
#include <cstdint>
#include <vector>

class CTevShortMessage;
class CTevLongMessage;
class CTevDravikMessage;

class ITevMidiOut {
public:
    virtual ~ITevMidiOut() = default;
    virtual bool SendShortMessage(const CTevShortMessage& message) = 0;
    virtual bool SendLongMessage(const CTevLongMessage& message) = 0;
    virtual bool SendLongMessage(const CTevDravikMessage& message) = 0;
    // One vendor data set with the data at the device address.
    virtual bool SendDataSet(int32_t address, const std::vector<uint8_t>& data) = 0;
    // One vendor data request for size bytes at the device address.
    virtual bool SendRequest(int32_t address, int32_t size) = 0;
    // The bytes of the last message sent through the port.
    virtual std::vector<uint8_t> GetLastSent() const { return {}; }
};

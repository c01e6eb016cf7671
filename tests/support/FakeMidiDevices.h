#pragma once
// Test doubles for the MIDI devices and the reader's pump. A simulated
// sound module plugs into them at the byte level: it listens to what the
// program sends through CFakeMidiOutDevice::onSend and answers by posting
// bytes into a CFakeMidiInDevice, which a pump (or the test) delivers.
#include "midi/TevMidi.h"
#include "midi/TevMidiReader.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

class CFakeSystem;

// Records every message sent and optionally forwards it.
class CFakeMidiOutDevice : public CTevMidiOutDevice {
public:
    ~CFakeMidiOutDevice() override;
    bool Send(const std::vector<uint8_t>& bytes) override;

    std::vector<std::vector<uint8_t>> sent;
    // Called after recording, with the bytes as sent.
    std::function<void(const std::vector<uint8_t>&)> onSend;
    // What Send returns.
    bool result = true;
    // Set to true when the device is deleted (e.g. by a device list).
    bool* destroyed = nullptr;
};

// Delivers bytes to its listening ports, at once (Receive, inherited) or
// later: Post queues them the way the platform's input thread posts to the
// user-interface thread, and DeliverPending hands the queue over in order.
class CFakeMidiInDevice : public CTevMidiInDevice {
public:
    ~CFakeMidiInDevice() override;

    void Post(const std::vector<uint8_t>& bytes) { pending.push_back(bytes); }
    // Delivers every queued message, including those queued meanwhile;
    // returns how many were delivered.
    size_t DeliverPending();

    std::deque<std::vector<uint8_t>> pending;
    bool* destroyed = nullptr;
};

// A reader whose pump is a function; without one it lets 10 ms pass
// (TevSleep, which moves a CFakeSystem clock).
class CFakePumpReader : public CTevMidiReader {
public:
    explicit CFakePumpReader(CTevTextOut* errorSink = nullptr) : CTevMidiReader(errorSink) {}
    void PumpWhileWaiting() override;
    void Reserved() override {}

    std::function<void()> pump;
    int pumpCalls = 0;
};

// A pump for CFakePumpReader: delivers what the device has queued, then
// moves the clock by step milliseconds.
std::function<void()> MakeDeliveringPump(CFakeSystem& system, CFakeMidiInDevice& device, uint32_t stepMs = 10);

#include "support/FakeMidiDevices.h"

#include "core/TevSystem.h"
#include "support/TestSupport.h"

CFakeMidiOutDevice::~CFakeMidiOutDevice()
{
    if (destroyed)
        *destroyed = true;
}

bool CFakeMidiOutDevice::Send(const std::vector<uint8_t>& bytes)
{
    sent.push_back(bytes);
    if (onSend)
        onSend(bytes);
    return result;
}

CFakeMidiInDevice::~CFakeMidiInDevice()
{
    if (destroyed)
        *destroyed = true;
}

size_t CFakeMidiInDevice::DeliverPending()
{
    size_t count = 0;
    while (!pending.empty()) {
        const std::vector<uint8_t> bytes = pending.front();
        pending.pop_front();
        Receive(bytes);
        ++count;
    }
    return count;
}

void CFakePumpReader::PumpWhileWaiting()
{
    ++pumpCalls;
    if (pump)
        pump();
    else
        TevSleep(10);
}

std::function<void()> MakeDeliveringPump(CFakeSystem& system, CFakeMidiInDevice& device, uint32_t stepMs)
{
    return [&system, &device, stepMs]() {
        device.DeliverPending();
        system.Advance(stepMs);
    };
}

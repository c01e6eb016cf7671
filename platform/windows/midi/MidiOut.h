#pragma once
// One winmm MIDI output device, sending synchronously, and the framework's
// output device for one named winmm device.
#include "appkit/Win32.h"
#include "midi/MidiIn.h"
#include "midi/TevMidi.h"

#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMidiAudioOut {
public:
    CMidiAudioOut() = default;
    CMidiAudioOut(const CMidiAudioOut&) = delete;
    CMidiAudioOut& operator=(const CMidiAudioOut&) = delete;
    virtual ~CMidiAudioOut() = default;

    HMIDIOUT GetHandle() const { return m_hMidiOut; }
    bool IsOpen() const { return m_hMidiOut != nullptr; }

protected:
    HMIDIOUT m_hMidiOut = nullptr;
};

class CMidiOut : public CMidiAudioOut {
public:
    // How long a system-exclusive message may take to complete.
    static constexpr int32_t kSendTimeoutMs = 2000;
    static constexpr uint32_t kPollMs = 10;

    CMidiOut();
    // Closes an open device.
    ~CMidiOut() override;

    // Opens the device without a callback.
    bool Open(UINT deviceId);
    // Opens the first device whose product name equals name; devices whose
    // capabilities cannot be read are skipped. False without a message when
    // none matches.
    bool OpenByName(const std::string& name);
    bool Reset();
    // Resets and closes an open device.
    bool Close();
    bool SendShortMessage(DWORD packed);
    // Sends one system-exclusive message and waits until it has left: the
    // wire time at 3472 bytes a second, then polling its completion every
    // 10 ms up to 2000 ms in all. A message that does not complete shows
    // "Unable to send MIDI system exclusive. Timeout." and gives false; its
    // buffer is first taken back from the driver (reset) or, when the
    // driver keeps it, left to it and never reused or freed. The next
    // message goes out in a buffer the driver does not hold.
    // Messages longer than the 2048-byte buffer are refused (false).
    bool SendLongMessage(const std::vector<uint8_t>& bytes);
    bool UnprepareHeader();

private:
    bool UnprepareHeader(CMidiPacket& packet);
    // 0 is success; any other result shows its box (CheckMidiOutResult).
    bool Check(MMRESULT result) const;

    std::unique_ptr<CMidiPacket> m_packet;
    // The device's identity in the boxes about its failures.
    MidiFailureSourcePtr m_failures = std::make_shared<CMidiFailureSource>();
};

class CMidiOutDevice : public CTevMidiOutDevice, public CMidiOut {
public:
    explicit CMidiOutDevice(const std::string& name);
    ~CMidiOutDevice() override;

    const std::string& GetName() const { return m_name; }

    // A message starting with F0 goes out as one system-exclusive message,
    // any other as a short message.
    bool Send(const std::vector<uint8_t>& bytes) override;
    virtual void Close();
    bool Open();

private:
    std::string m_name;
};

// 0 is success; any other result shows the system's text for it in a
// MIDI failure box about source and gives false.
bool CheckMidiOutResult(MMRESULT result, const MidiFailureSourcePtr& source = nullptr);
bool HasMidiOutDeviceCaps(UINT deviceId);
// The device's product name; empty (after the error box) when its
// capabilities cannot be read.
std::string GetMidiOutDeviceName(UINT deviceId);

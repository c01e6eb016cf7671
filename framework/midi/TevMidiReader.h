#pragma once
// Reading and writing the device's memory. The reader sends one data
// request and waits, pumping the user interface, until the matching data
// set comes back through the input port or the wait times out, with one
// retry. The writer sends one data set and pauses; the device does not
// acknowledge it. The edition layer derives its own reader and writer and
// installs them on the first input and output port; the platform shell
// supplies the reader's pump.
#include <cstdint>
#include <vector>

class CTevDravikMessage;
class CTevLongMessage;
class CTevMidiOut;
class CTevShortMessage;
class CTevTextOut;

class CTevMidiReader {
public:
    enum : int32_t { kIdle = 0, kWaiting = 1, kReplied = 2 };

    static constexpr int32_t kWaitTimeMs = 3000;
    static constexpr int32_t kAttempts = 2;
    // Reported to the error sink when every attempt timed out ("Please
    // check the connections.").
    static constexpr int32_t kNoReplyCode = 4;

    // The error sink (not owned, may be null) receives message codes.
    explicit CTevMidiReader(CTevTextOut* errorSink);
    CTevMidiReader(const CTevMidiReader&) = delete;
    CTevMidiReader& operator=(const CTevMidiReader&) = delete;
    virtual ~CTevMidiReader() = default;

    // One request/reply exchange: up to kAttempts times, sends a data
    // request for size bytes at the address and pumps for up to kWaitTimeMs
    // until a data set with that address and that many data bytes arrives.
    // True when it came. When every attempt timed out, code 4 goes to the
    // error sink once and the result is false. False without sending
    // anything when no output port is installed or when a read is already
    // pending (a read started from inside the pump); the pending read keeps
    // its state.
    bool Read(int32_t address, int32_t size);

    // Called by the input port for every short message: accepts it and
    // changes nothing.
    virtual bool OnShortMessage(const CTevShortMessage& message);
    // Called for every universal system-exclusive message other than an
    // identity request. Such a message is not the reply to a data request,
    // so it never ends a pending read; it is not taken (false).
    virtual bool OnLongMessage(const CTevLongMessage& message);
    // Called for every accepted data set (after the root struct stored it).
    // While a read is pending, a data set whose address bytes and data
    // length match the request ends it (true); anything else gives false.
    virtual bool OnDataSet(const CTevDravikMessage& message);
    // Called over and over while a reply is awaited, without pause between
    // calls; the implementation decides how to wait for the next message
    // and must let the input device's messages through.
    virtual void PumpWhileWaiting() = 0;
    // Kept free for the platform's reader; the framework never calls it and
    // the platform gives it an empty body.
    virtual void Reserved() = 0;

    // Not owned; the port the requests go out through.
    CTevMidiOut* GetOutputPort() const { return m_outputPort; }
    void SetOutputPort(CTevMidiOut* port) { m_outputPort = port; }
    CTevTextOut* GetErrorSink() const { return m_errorSink; }

    int32_t GetState() const { return m_state; }
    bool IsWaiting() const { return m_state == kWaiting; }
    const std::vector<uint8_t>& GetExpectedAddress() const { return m_expectedAddress; }
    int32_t GetExpectedSize() const { return m_expectedSize; }
    int32_t GetWaitTime() const { return m_waitTime; }
    int32_t GetAttempts() const { return m_attempts; }

private:
    int32_t m_waitTime = kWaitTimeMs;
    int32_t m_attempts = kAttempts;
    CTevMidiOut* m_outputPort = nullptr;
    int32_t m_state = kIdle;
    std::vector<uint8_t> m_expectedAddress;
    int32_t m_expectedSize = 0;
    CTevTextOut* m_errorSink;
};

class CTevMidiWriter {
public:
    // The pause after every data set, so that the device can take it in.
    static constexpr uint32_t kPauseMs = 20;

    CTevMidiWriter() = default;
    CTevMidiWriter(const CTevMidiWriter&) = delete;
    CTevMidiWriter& operator=(const CTevMidiWriter&) = delete;
    virtual ~CTevMidiWriter() = default;

    // Sends one data set through the output port, then sleeps kPauseMs.
    // There is no acknowledgement and no retry: true once sent, also when
    // the port has no device bound; false when the port's device could not
    // send it. False, sending nothing, when no output port is installed.
    bool Write(int32_t address, const std::vector<uint8_t>& data);

    // Requests from outside are accepted and not answered.
    virtual bool OnIdentityRequest(const CTevLongMessage& message);
    virtual bool OnDataRequest(const CTevDravikMessage& message);

    // Not owned.
    CTevMidiOut* GetOutputPort() const { return m_outputPort; }
    void SetOutputPort(CTevMidiOut* port) { m_outputPort = port; }

private:
    CTevMidiOut* m_outputPort = nullptr;
};

#pragma once
// The script's MIDI ports: the "midiIn" and "midiOut" definitions as read,
// the ports created from them, and the two lists of open devices that the
// MIDI set-up fills and binds to the ports by name.
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "midi/TevMidi.h"

#include <string>
#include <vector>

class ITevBufferManager;

class CTevMidiManager {
public:
    CTevMidiManager() = default;
    CTevMidiManager(const CTevMidiManager&) = delete;
    CTevMidiManager& operator=(const CTevMidiManager&) = delete;
    virtual ~CTevMidiManager();

    // Creates one input port per "midiIn" definition and one output port per
    // "midiOut" definition, in script order, then binds them: input ports to
    // their root struct, MIDI struct and thru port; output ports as the sink
    // of their root struct and MIDI struct and as the source of their
    // message value's hex dump. The first failure is reported to the error
    // sink and gives false. The port vectors are not resized afterwards, so
    // the pointers that structs and ports keep to ports stay valid until
    // Destroy.
    virtual bool ReadMidiSection(ITevBufferManager* bufferManager);
    // Deletes every open input and output device, empties both port vectors
    // and both definition vectors and forgets the buffer manager.
    virtual void Destroy();

    // Linear search, exact match, first match wins; null when none matches.
    CTevMidiIn* FindMidiInByName(const std::string& name);
    CTevMidiOut* FindMidiOutByName(const std::string& name);

    std::vector<CTevMidiIn>& GetInputPorts() { return m_inputPorts; }
    const std::vector<CTevMidiIn>& GetInputPorts() const { return m_inputPorts; }
    std::vector<CTevMidiOut>& GetOutputPorts() { return m_outputPorts; }
    const std::vector<CTevMidiOut>& GetOutputPorts() const { return m_outputPorts; }
    CTevMidiInDevices& GetInputDevices() { return m_inputDevices; }
    CTevMidiOutDevices& GetOutputDevices() { return m_outputDevices; }

    // Not owned.
    void SetErrorOut(CTevTextOut* errorOut) { m_errorOut = errorOut; }
    CTevTextOut* GetErrorOut() const { return m_errorOut; }
    ITevBufferManager* GetBufferManager() const { return m_bufferManager; }

    // Filled by the script reader.
    CTevElementDefinitions m_inputPortDefinitions;
    CTevElementDefinitions m_outputPortDefinitions;

private:
    CTevTextOut& Errors();
    bool BindInputPort(CTevMidiIn& port, CTevTextOut& errors);
    bool BindOutputPort(CTevMidiOut& port, CTevTextOut& errors);

    std::vector<CTevMidiIn> m_inputPorts;
    std::vector<CTevMidiOut> m_outputPorts;
    CTevMidiInDevices m_inputDevices;
    CTevMidiOutDevices m_outputDevices;
    ITevBufferManager* m_bufferManager = nullptr;
    CTevTextOut* m_errorOut = nullptr;
    // Stands in for a missing error sink.
    CTevTextOut m_discard;
};

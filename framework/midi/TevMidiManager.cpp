#include "midi/TevMidiManager.h"

#include "core/TevBufferManager.h"
#include "core/TevTextOut.h"

namespace {

// Reads every definition into its port (same index); the leftover pairs of
// a definition fail the reading.
template <class TPort>
bool ReadPorts(const CTevElementDefinitions& definitions, std::vector<TPort>& ports, const char* failure,
               CTevTextOut& errors)
{
    for (size_t i = 0; i < definitions.size(); ++i) {
        CTevElementDefinition element = *definitions[i];
        TPort& port = ports[i];
        if (!port.ReadDefinition(element, errors)) {
            errors.Printf(failure, definitions[i]->type.c_str());
            return false;
        }
        if (element.ReportLeftovers(errors, "Midi %s unknown tags. : ", port.GetName()))
            return false;
    }
    return true;
}

} // namespace

CTevMidiManager::~CTevMidiManager()
{
    // Devices first: a device must never deliver into a port that is gone.
    m_inputDevices.DeleteAll();
    m_outputDevices.DeleteAll();
}

CTevTextOut& CTevMidiManager::Errors()
{
    return m_errorOut ? *m_errorOut : m_discard;
}

bool CTevMidiManager::ReadMidiSection(ITevBufferManager* bufferManager)
{
    m_bufferManager = bufferManager;
    CTevTextOut& errors = Errors();

    m_inputPorts.assign(m_inputPortDefinitions.size(), CTevMidiIn());
    if (!ReadPorts(m_inputPortDefinitions, m_inputPorts, "Unable to convert element definitions %s to MIDI in.\n",
                   errors))
        return false;
    m_outputPorts.assign(m_outputPortDefinitions.size(), CTevMidiOut());
    if (!ReadPorts(m_outputPortDefinitions, m_outputPorts,
                   "Unable to convert element definitions %s to MIDI out.\n", errors))
        return false;

    for (CTevMidiIn& port : m_inputPorts) {
        if (!BindInputPort(port, errors)) {
            errors.Printf("Unable to create MIDI in %s.\n", port.GetName().c_str());
            return false;
        }
    }
    for (CTevMidiOut& port : m_outputPorts) {
        if (!BindOutputPort(port, errors)) {
            errors.Printf("Unable to create MIDI out %s.\n", port.GetName().c_str());
            return false;
        }
    }
    return true;
}

bool CTevMidiManager::BindInputPort(CTevMidiIn& port, CTevTextOut& errors)
{
    port.SetBufferManager(m_bufferManager);
    if (!port.GetRootStructName().empty()) {
        ITevRootStruct* root = m_bufferManager ? m_bufferManager->GetRootStruct(port.GetRootStructName()) : nullptr;
        if (!root) {
            errors.Printf("Unable to convert root struct name %s to struct.\n", port.GetRootStructName().c_str());
            return false;
        }
        port.SetRootStruct(root);
    }
    if (!port.GetMidiStructName().empty()) {
        ITevMidiStruct* midi = m_bufferManager ? m_bufferManager->GetMidiStruct(port.GetMidiStructName()) : nullptr;
        if (!midi) {
            errors.Printf("Unable to convert MIDI struct name %s to struct.\n", port.GetMidiStructName().c_str());
            return false;
        }
        port.SetMidiStruct(midi);
    }
    if (!port.GetThruPortName().empty()) {
        CTevMidiOut* thru = FindMidiOutByName(port.GetThruPortName());
        if (!thru) {
            errors.Printf("Unable to convert MIDI output name %s to MIDI output.\n", port.GetThruPortName().c_str());
            return false;
        }
        port.SetThruPort(thru);
    }
    return true;
}

bool CTevMidiManager::BindOutputPort(CTevMidiOut& port, CTevTextOut& errors)
{
    port.SetBufferManager(m_bufferManager);
    ITevMidiOut* sink = &port;
    if (!port.GetRootStructName().empty()) {
        ITevRootStruct* root = m_bufferManager ? m_bufferManager->GetRootStruct(port.GetRootStructName()) : nullptr;
        if (!root) {
            errors.Printf("Unable to convert root struct name %s to struct.\n", port.GetRootStructName().c_str());
            return false;
        }
        root->SetMidiOut(sink);
    }
    if (!port.GetMidiStructName().empty()) {
        // MIDI structs are root structs too; the sink is set through that
        // part.
        ITevRootStruct* midi = m_bufferManager ? m_bufferManager->GetRootStruct(port.GetMidiStructName()) : nullptr;
        if (!midi) {
            errors.Printf("Unable to convert MIDI struct name %s to struct.\n", port.GetMidiStructName().c_str());
            return false;
        }
        midi->SetMidiOut(sink);
    }
    if (!port.GetMessageValueName().empty()) {
        if (!m_bufferManager || !m_bufferManager->AddHexDump(sink, port.GetMessageValueName())) {
            errors.Printf("Unable to create MIDI message value operator %s.\n", port.GetMessageValueName().c_str());
            return false;
        }
    }
    return true;
}

void CTevMidiManager::Destroy()
{
    m_inputDevices.DeleteAll();
    m_outputDevices.DeleteAll();
    m_inputPorts.clear();
    m_outputPorts.clear();
    m_inputPortDefinitions.clear();
    m_outputPortDefinitions.clear();
    m_bufferManager = nullptr;
}

CTevMidiIn* CTevMidiManager::FindMidiInByName(const std::string& name)
{
    for (CTevMidiIn& port : m_inputPorts) {
        if (port.GetName() == name)
            return &port;
    }
    return nullptr;
}

CTevMidiOut* CTevMidiManager::FindMidiOutByName(const std::string& name)
{
    for (CTevMidiOut& port : m_outputPorts) {
        if (port.GetName() == name)
            return &port;
    }
    return nullptr;
}

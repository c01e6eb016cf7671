#pragma once
// The script's MIDI ports. For now it keeps their definitions as read and
// offers the entry points through which the manager creates and destroys
// the section; the ports come with the MIDI layer.
#include "core/TevScript.h"

class CTevTextOut;
class ITevBufferManager;

class CTevMidiManager {
public:
    CTevMidiManager() = default;
    CTevMidiManager(const CTevMidiManager&) = delete;
    CTevMidiManager& operator=(const CTevMidiManager&) = delete;
    virtual ~CTevMidiManager() = default;

    // Creates the ports from the definitions. Ports can't be built yet, so
    // a script that declares any is refused rather than silently left
    // without them.
    virtual bool ReadMidiSection(ITevBufferManager* bufferManager)
    {
        m_bufferManager = bufferManager;
        return m_inputPortDefinitions.empty() && m_outputPortDefinitions.empty();
    }
    // Empties the definitions and forgets the buffer manager.
    virtual void Destroy()
    {
        m_inputPortDefinitions.clear();
        m_outputPortDefinitions.clear();
        m_bufferManager = nullptr;
    }

    // Not owned.
    void SetErrorOut(CTevTextOut* errorOut) { m_errorOut = errorOut; }
    CTevTextOut* GetErrorOut() const { return m_errorOut; }
    ITevBufferManager* GetBufferManager() const { return m_bufferManager; }

    CTevElementDefinitions m_inputPortDefinitions;
    CTevElementDefinitions m_outputPortDefinitions;

private:
    ITevBufferManager* m_bufferManager = nullptr;
    CTevTextOut* m_errorOut = nullptr;
};

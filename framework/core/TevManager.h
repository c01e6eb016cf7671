#pragma once
// The one object through which every subsystem reaches the framework: the
// sections built from the script, the named commands and the platform
// services the shell installs.
#include "core/TevBufferManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "midi/TevMidiManager.h"
#include "views/TevViewManager.h"

#include <istream>

class CTevManager : public CTevBufferManager {
public:
    enum { kMessageOut = 0, kStatusOut = 1, kErrorOut = 2, kDumpOut = 3, kTextOutSlots = 4 };

    static CTevManager& Instance();

    CTevManager(const CTevManager&) = delete;
    CTevManager& operator=(const CTevManager&) = delete;
    ~CTevManager() override;

    // Reads a whole script into the sections; false on the first failure,
    // with its message written to the error reporter. Definitions read
    // before a failure stay stored.
    bool ReadScript(std::istream& stream);

    // Text sinks in slots 0-3. The manager owns them; one sink may stand in
    // several slots and is deleted once.
    void SetTextOut(int slot, CTevTextOut* sink);
    CTevTextOut* GetTextOut(int slot) const;
    void SetMessageOut(CTevTextOut* sink) { SetTextOut(kMessageOut, sink); }
    void SetStatusOut(CTevTextOutBuffer* sink) { SetTextOut(kStatusOut, sink); }
    void SetErrorOut(CTevTextOut* sink) { SetTextOut(kErrorOut, sink); }
    void SetDumpOut(CTevTextOut* sink) { SetTextOut(kDumpOut, sink); }
    CTevTextOut* GetMessageOut() const { return GetTextOut(kMessageOut); }
    CTevTextOutBuffer* GetStatusOut() const { return static_cast<CTevTextOutBuffer*>(GetTextOut(kStatusOut)); }
    CTevTextOut* GetErrorOut() const { return GetTextOut(kErrorOut); }
    CTevTextOut* GetDumpOut() const { return GetTextOut(kDumpOut); }

    // The error reporter, or a sink that drops everything while none is
    // installed, so readers never have to test for an empty slot.
    CTevTextOut& ErrorReporter() const;

    CTevMidiManager m_midiManager;
    CTevViewManager m_viewManager;
    CTevResourceManager m_resourceManager;

private:
    CTevManager() = default;
    void DeleteTextOuts();

    CTevTextOut* m_textOuts[kTextOutSlots] = {};
};

#pragma once
// The one object through which every subsystem reaches the framework: the
// sections built from the script, the named commands and the platform
// services the shell installs.
#include "core/TevBufferManager.h"
#include "core/TevFunctionManager.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"
#include "midi/TevMidiManager.h"
#include "views/TevViewManager.h"

#include <istream>
#include <memory>
#include <string>

class CTevManager : public CTevBufferManager {
public:
    enum { kMessageOut = 0, kStatusOut = 1, kErrorOut = 2, kDumpOut = 3, kTextOutSlots = 4 };

    // The process-wide manager, built on the first call.
    static CTevManager& Instance();

    CTevManager(const CTevManager&) = delete;
    CTevManager& operator=(const CTevManager&) = delete;
    ~CTevManager() override;

    // Reads a whole script into the sections; false on the first failure,
    // with its message written to the error reporter. Definitions read
    // before a failure stay stored.
    bool ReadScript(std::istream& stream);

    // Creates the resource manager, the parameter model, the MIDI ports and
    // the panels in this order, publishing each section first, then loads
    // the window positions. The first section that fails is reported and
    // ends it with false; the sections before it stay until Destroy.
    bool Create();
    // Saves the window positions (only after a complete Create), deletes the
    // commands, empties the view, MIDI, buffer and resource managers in this
    // order, then deletes the poster and every service. The folder stays;
    // the manager can be filled again.
    void Destroy();

    // Reads (load) or writes "WindowPosition.txt" in the script folder;
    // nothing happens while the folder is empty. Saving closes every open
    // root window first, so that it stores its window's position.
    void LoadSaveWindowPositions(bool load);

    // Text sinks in slots 0-3. The manager owns them; one sink may stand in
    // several slots and is deleted once. The sink of slot 2 is also handed
    // to every section as its error sink.
    void SetTextOut(int slot, CTevTextOut* sink);
    CTevTextOut* GetTextOut(int slot) const;
    void SetMessageOut(CTevTextOut* sink) { SetTextOut(kMessageOut, sink); }
    void SetStatusOut(CTevTextOutBuffer* sink) { SetTextOut(kStatusOut, sink); }
    void SetErrorOut(CTevTextOut* sink) { SetTextOut(kErrorOut, sink); }
    void SetDumpOut(CTevTextOut* sink) { SetTextOut(kDumpOut, sink); }
    CTevTextOut* GetMessageOut() const { return GetTextOut(kMessageOut); }
    // Null unless slot 1 holds a CTevTextOutBuffer.
    CTevTextOutBuffer* GetStatusOut() const;
    CTevTextOut* GetErrorOut() const { return GetTextOut(kErrorOut); }
    CTevTextOut* GetDumpOut() const { return GetTextOut(kDumpOut); }

    // The error reporter, or a sink that drops everything while none is
    // installed, so readers never have to test for an empty slot.
    CTevTextOut& ErrorReporter() const;

    // Sets (non-zero) or clears (0) the status sink's pending code; nothing
    // happens without a status sink.
    void SetStatusCode(int32_t code);
    // The status sink's pending code; 0 without a status sink.
    int32_t GetStatusCode() const;

    // Services 4-6 and the poster; each is owned and replaces (deletes) the
    // one before. The progress bar is also handed to the view manager.
    void SetTipBar(std::unique_ptr<CTevTipBar> tipBar) { m_tipBar = std::move(tipBar); }
    void SetProgressBar(std::unique_ptr<CTevProgressBar> progressBar);
    void SetPopupMenu(std::unique_ptr<CTevPopupMenu> popupMenu) { m_popupMenu = std::move(popupMenu); }
    void SetPostCaller(std::unique_ptr<ITevFunctionPostCaller> poster) { m_poster = std::move(poster); }
    CTevTipBar* GetTipBar() const { return m_tipBar.get(); }
    CTevProgressBar* GetProgressBar() const { return m_progressBar.get(); }
    CTevPopupMenu* GetPopupMenu() const { return m_popupMenu.get(); }
    ITevFunctionPostCaller* GetPostCaller() const { return m_poster.get(); }

    // The script folder, ending in a path separator.
    void SetFolder(const std::string& folder) { m_folder = folder; }
    const std::string& GetFolder() const { return m_folder; }

    CTevFunctionManager& GetFunctionManager() { return m_functionManager; }

    CTevMidiManager m_midiManager;
    CTevViewManager m_viewManager;
    CTevResourceManager m_resourceManager;

private:
    CTevManager() = default;
    // Everything of Destroy but saving the window positions.
    void Dismantle();
    void DeleteTextOuts();

    CTevFunctionManager m_functionManager;
    std::unique_ptr<ITevFunctionPostCaller> m_poster;
    CTevTextOut* m_textOuts[kTextOutSlots] = {};
    std::unique_ptr<CTevTipBar> m_tipBar;
    std::unique_ptr<CTevProgressBar> m_progressBar;
    std::unique_ptr<CTevPopupMenu> m_popupMenu;
    std::string m_folder;
    // Set by a complete Create, cleared by Destroy: positions are saved
    // only for panels that were all built (a failed load would otherwise
    // replace the file with a partial or empty one).
    bool m_created = false;
    // Stands in for an empty error slot; a member, so that it outlives every
    // use during the manager's own destruction.
    mutable CTevTextOut m_discard;
};

// The sections that CTevManager::Create publishes, one by one as it creates
// them. Null before; cleared when the manager is destroyed.
CTevManager* TevGetManager();
CTevResourceManager* TevGetResourceManager();
CTevMidiManager* TevGetMidiManager();
CTevViewManager* TevGetViewManager();

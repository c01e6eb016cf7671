#pragma once
// The edition's traffic with the device beyond single parameter changes:
// reading the temporary patch and the user-patch names into the mirror,
// storing the temporary patch into a user patch, choosing the current
// patch (one up or down, or from a pop-up), following the device when it
// reports a patch change itself, and the commands the script's buttons
// call by name.
#include "core/TevEntity.h"
#include "core/TevFunctionManager.h"
#include "kappa/Edition.h"
#include "midi/TevMidiReader.h"
#include "views/TevPopupMenu.h"

#include <cstdint>
#include <string>

class CTevBuffer;
class CTevProgressBar;
class CTevStruct;

namespace Quorva::TEV_EDITION {

class CBufferAccessor;

// What Read and GetReadStepCount take.
enum : int32_t { kReadTemporaryPatch = 1, kReadUserPatches = 2, kReadAll = 3 };

// The leaves below a buffer: a buffer without a child list counts 1, a
// struct the sum over its children (0 for none).
int32_t CountLeafBuffers(const CTevBuffer& buffer);

// The edition reader. The shell derives its own from it and supplies the
// wait pump; it is the first input port's reply listener.
class CReader : public CTevMidiReader {
public:
    using CTevMidiReader::Read;

    // Codes go to the error sink (the manager's status sink).
    explicit CReader(CTevTextOut* errorSink);

    // Every data set on the input port: a report of the current patch at
    // "ms.infoPatch" makes that patch current (nothing is sent back); any
    // other data set may end a pending read.
    bool OnDataSet(const CTevDravikMessage& message) override;
    bool OnReceive(const CTevDravikMessage& message);

    // Flag kReadTemporaryPatch, then (only when that worked) flag
    // kReadUserPatches.
    bool Read(int32_t flags);
    bool ReadTemporaryPatch();
    // -1: all user-patch structs in index order; otherwise the one.
    bool ReadUserPatch(int32_t index);
    // ReadTree of (accessor.*getter)(i) for i = first .. count - 1, stopping
    // at the first failure; an index the script lacks is skipped.
    bool ReadRange(CTevStruct* (CBufferAccessor::*getter)(int32_t) const, int32_t count, int32_t first);
    // Depth first, one request per leaf; stops at the first leaf that does
    // not answer. False for a null buffer.
    bool ReadTree(const CTevBuffer* buffer);

    // Stepped once before every leaf request; not owned, may be null.
    void SetProgressBar(CTevProgressBar* progressBar) { m_progressBar = progressBar; }
    CTevProgressBar* GetProgressBar() const { return m_progressBar; }

private:
    CTevProgressBar* m_progressBar = nullptr;
};

// The edition writer: the first input port's request handler (requests
// from outside are accepted and not answered).
class CWriter : public CTevMidiWriter {
public:
    // Stores the temporary patch into user patch index on the device, then
    // re-reads that patch's name and makes it current. False when the index
    // is no user patch or nothing could be sent.
    bool WritePatch(int32_t index);
};

// Choosing the current patch.
class CEntitySelector {
public:
    // The pop-up's item text: number + 1 right-aligned in three places,
    // ": ", then the name as stored.
    class CEntityItemPrinter : public CTevEntitySelectionPopupMenuUtility::IPrinter {
    public:
        std::string Print(const CTevEntitySelectionPopupMenuUtility::IMenuItemSource& source) override;
    };

    // The entity of the program held in "ms.tmp.setup"; the null entity id
    // when no bank holds it.
    static CTevEntityId GetCurrentEntityId();
    // Makes the patch current: the three setup values, and one data set of
    // the three program bytes to the device. False, changing nothing, for an
    // entity that is no patch.
    static bool Select(const CTevEntityId& entityId);
    // The next (up) or previous patch; nothing happens past either end.
    static bool Step(bool up);
    // All user patches in a pop-up of submenus of 32, the current one
    // marked; false when cancelled.
    static bool SelectFromPopup();
};

// The script commands and the system reset.
class CDomain {
public:
    // "ms.systemReset.reset" := 0, sent as one data set.
    static bool SystemReset();

    // Each ignores its argument text.
    class CRead : public CTevFunctionManager::IFunctor {
    public:
        bool Execute(const std::string& arguments) override;
    };
    class CWrite : public CTevFunctionManager::IFunctor {
    public:
        bool Execute(const std::string& arguments) override;
    };
    class CSelectPatch : public CTevFunctionManager::IFunctor {
    public:
        bool Execute(const std::string& arguments) override;
    };
    class CIncrementPatch : public CTevFunctionManager::IFunctor {
    public:
        bool Execute(const std::string& arguments) override;
    };
    class CDecrementPatch : public CTevFunctionManager::IFunctor {
    public:
        bool Execute(const std::string& arguments) override;
    };
};

} // namespace Quorva::TEV_EDITION

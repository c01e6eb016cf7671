#pragma once
// The edition's fixed table of parameters. Every path the edition needs is
// looked up once, right after the script has been loaded, into a flat
// table of buffer pointers; the rest of the edition reads and writes
// parameters through it. The accessor also starts and ends the edition and
// owns its entity manager (the bank of user patches), its reader, writer
// and dialog factory.
#include "core/TevBuffer.h"
#include "core/TevEntity.h"
#include "kappa/Edition.h"
#include "kappa/Patches.h"
#include "kappa/ShellInterfaces.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevRootStruct;

namespace Quorva::TEV_EDITION {

// One row of the table: the path pattern holds zero, one or two "%d"
// placeholders and expands into a x count x n consecutive entries from the
// first one; indices (h, j, k) give entry first + (h x count + j) x n + k.
struct SBufferRow {
    std::string pattern;
    bool isStruct;
    int32_t first;
    int32_t a;
    int32_t count;
    int32_t n;
};

// The edition's rows in the order in which they are resolved.
const std::vector<SBufferRow>& GetBufferRows();

class CBufferAccessor final : public CTevBufferAccessor {
public:
    // The process-wide accessor, built on the first call.
    static CBufferAccessor& Instance();

    CBufferAccessor(const CBufferAccessor&) = delete;
    CBufferAccessor& operator=(const CBufferAccessor&) = delete;
    ~CBufferAccessor();

    // Fills the table row by row; a path the script lacks leaves its entry
    // null. Always true.
    bool ResolveBuffers() override;

    // --- Start and end --------------------------------------------------
    // Installs the three objects (taking them over), wires reader and
    // writer to the first input and output port, creates the patch bank,
    // resolves the table (reporting each path the script lacks once),
    // installs the controller synchroniser, registers the commands and
    // restores the saved skin. Always true.
    bool Initialize(std::unique_ptr<CReader> reader, std::unique_ptr<CWriter> writer,
                    std::unique_ptr<CDialogFactory> dialogFactory);
    // Sends the system reset (when a writer is installed) and saves the
    // skin to "SkinID.txt". Does nothing unless the edition was started.
    // Always true.
    bool Terminate();
    // Forgets the table and the started state and deletes the reader,
    // writer, dialog factory and banks, for a manager that is emptied and
    // filled again.
    void Reset();
    bool IsStarted() const { return m_started; }

    // --- The table ------------------------------------------------------
    int32_t GetEntryCount() const { return static_cast<int32_t>(m_entries.size()); }
    // Null outside the table, for an unresolved entry, or for an entry of
    // the other kind.
    CTevBuffer* GetEntry(int32_t entry) const;
    CTevStruct* GetStruct(int32_t entry) const;
    CTevValue* GetValue(int32_t entry) const;
    // The paths of the entries left null by the last resolution, in table
    // order.
    std::vector<std::string> GetUnresolvedPaths() const;
    // How many lookups the last resolution made.
    int32_t GetLookupCount() const { return m_lookupCount; }

    // "ms" as a root struct; null when it is none.
    CTevRootStruct* GetRootStruct() const;
    CTevStruct* GetUserPatchStruct(int32_t index) const;
    CTevValue* GetUserPatchName(int32_t index) const;
    // The controller value of the MIDI channel model; null outside 0..15 and
    // 0..119.
    CTevValue* GetControllerValue(int32_t channel, int32_t controller) const;
    CTevValue* GetSystemReset() const;
    CTevValue* GetSkinValue() const;

    // --- What the shell calls --------------------------------------------
    // "ms.tmp.setup.receiveCh" clamped into 0..15 (0 without the value).
    int32_t GetReceiveChannel() const;
    // Sets the receive channel and sends it to the device at once.
    void SetReceiveChannel(int32_t channel);
    // "vs.misc.skin" (0 without the value).
    int32_t GetSkin() const;
    // Sets the skin and refreshes the views; nothing is sent.
    void SetSkin(int32_t skin);
    // The script's string table "skinName", in order.
    std::vector<std::string> GetSkinNames() const;

    // The first input port's device and the first output port's device are
    // open: the script's first ports can talk to the device.
    bool IsMidiConnected() const;
    // kReadTemporaryPatch adds the leaves of "ms.tmp", kReadUserPatches 128.
    int32_t GetReadStepCount(int32_t flags) const;
    // Reads the temporary patch and every user patch with the main progress
    // bar.
    bool ReadFromDevice();
    // Runs one read or write of the device. A message box or the progress
    // window lets the user go on meanwhile: another read or write started
    // inside it does nothing and gives false.
    template <class TOperation>
    bool RunDeviceOperation(TOperation&& operation)
    {
        if (m_talkingToDevice)
            return false;
        m_talkingToDevice = true;
        struct SEnd {
            bool& talking;
            ~SEnd() { talking = false; }
        } end{m_talkingToDevice};
        return operation();
    }

    CTevEntityManager& GetEntityManager() { return m_entityManager; }
    CReader* GetReader() const { return m_reader.get(); }
    CWriter* GetWriter() const { return m_writer.get(); }
    CDialogFactory* GetDialogFactory() const { return m_dialogFactory.get(); }

private:
    CBufferAccessor();

    // Stores find(path) for every path of the row into its entry.
    template <class Find>
    void LookUpRow(const SBufferRow& row, Find find);
    // The four lookups of a row, sharing its index expansion.
    void FindStructsFromRoot(const SBufferRow& row);
    void FindStructsFromManager(const SBufferRow& row);
    void FindValuesFromRoot(const SBufferRow& row);
    void FindValuesFromManager(const SBufferRow& row);
    void FindValues(const SBufferRow& row);

    void WirePorts();
    void ReportUnresolvedPaths();
    void RegisterCommands();
    void RestoreSkin();
    void SaveSkin() const;

    std::vector<CTevBuffer*> m_entries;
    std::vector<bool> m_isStructEntry;
    CTevEntityManager m_entityManager;
    std::unique_ptr<CReader> m_reader;
    std::unique_ptr<CWriter> m_writer;
    std::unique_ptr<CDialogFactory> m_dialogFactory;
    int32_t m_lookupCount = 0;
    bool m_started = false;
    bool m_talkingToDevice = false;
};

} // namespace Quorva::TEV_EDITION

#pragma once
// The owner of the parameter model and the only road by which a value is
// changed. A change asks the buffer handlers first (any of them may take it
// over); otherwise the value is written into its leaf's bytes and put on
// the pending list, and the handlers are told. The caller then transmits
// the pending changes, dispatches them to the views and clears them.
// Changes that arrive from the device are marked and announced without
// being transmitted back.
#include "core/TevBuffer.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevView.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CTevResourceManager;
class CTevViewManager;
class ITevMidiOut;
class ITevMidiStruct;

using CTevValueIntegerList = std::vector<std::pair<CTevValue*, int32_t>>;
using CTevValueStringList = std::vector<std::pair<CTevValue*, std::string>>;
using CTevValueDataList = std::vector<std::pair<CTevValue*, std::vector<int32_t>>>;

// The change hooks. A set hook returns true to take the change over; the
// results of the two notification hooks are not used. Every default does
// nothing and returns false.
class ITevBufferHandler {
public:
    virtual ~ITevBufferHandler() = default;
    virtual bool OnSetData(const CTevValueDataList& values);
    virtual bool OnSetString(const CTevValueStringList& values);
    virtual bool OnSetInteger(const CTevValueIntegerList& values);
    // The values a set operation has just written and marked.
    virtual bool OnValuesChanged(const CTevValueList& values);
    // Never called by the buffer manager; forwarded like the others.
    virtual bool OnReservedHook(const CTevValueList& values);
    // The values just changed by data from the device.
    virtual bool OnValuesReceived(const CTevValueList& values);
};

// Owns the installed handlers and asks every one of them, in the order in
// which they were appended, on every hook: no handler is skipped because an
// earlier one took the change. The result is true when any returned true.
class CTevBufferHandlers : public ITevBufferHandler {
public:
    CTevBufferHandlers() = default;
    CTevBufferHandlers(const CTevBufferHandlers&) = delete;
    CTevBufferHandlers& operator=(const CTevBufferHandlers&) = delete;

    bool OnSetData(const CTevValueDataList& values) override;
    bool OnSetString(const CTevValueStringList& values) override;
    bool OnSetInteger(const CTevValueIntegerList& values) override;
    bool OnValuesChanged(const CTevValueList& values) override;
    bool OnReservedHook(const CTevValueList& values) override;
    bool OnValuesReceived(const CTevValueList& values) override;

    void Append(std::unique_ptr<ITevBufferHandler> handler);
    // Deletes every handler.
    void Clear() { m_handlers.clear(); }
    size_t GetCount() const { return m_handlers.size(); }

private:
    std::vector<std::unique_ptr<ITevBufferHandler>> m_handlers;
};

// Shows the last bytes of a source (an output port's last sent message) as
// "%02X " text in a string value. The value is named by a value reference,
// so the name may hold bracketed index expressions.
class CTevHexDump {
public:
    // The reference as resolved by the caller.
    CTevHexDump(const ITevMidiOut* source, CTevValueRef valueRef)
        : m_source(source), m_valueRef(std::move(valueRef))
    {
    }

    // The dump text of the bytes for a value of the given size: each byte
    // as two upper-case hexadecimal digits, blanks between them, padded with
    // blanks to the size. False (text untouched) for no bytes, more than 256
    // bytes, or a text longer than the size.
    static bool FormatBytes(const std::vector<uint8_t>& bytes, int32_t size, std::string& text);

    const ITevMidiOut* GetSource() const { return m_source; }
    const std::string& GetValueName() const { return m_valueRef.GetName(); }
    CTevValue* GetValue() const { return m_valueRef.GetValue(); }

private:
    const ITevMidiOut* m_source;
    CTevValueRef m_valueRef;
};

// A change sequence's pending changes: the changed values in order and the
// values it keeps from being transmitted.
struct CTevPendingChanges {
    CTevValueList changes;
    std::set<CTevValue*> excluded;
};

class ITevBufferManager {
public:
    virtual ~ITevBufferManager() = default;
    // The MIDI-struct interface of the struct at the path; null when there
    // is none or it is not a MIDI struct.
    virtual ITevMidiStruct* GetMidiStruct(const std::string& path) = 0;
    // Likewise for root structs (MIDI structs are root structs too).
    virtual ITevRootStruct* GetRootStruct(const std::string& path) = 0;
    // Hands the pending changes to the view manager's broadcast.
    virtual void DispatchChanges() = 0;
    // Empties the pending changes and the exclusion set.
    virtual void ClearChanges() = 0;
    // Binds the source's last bytes to the string value of that name,
    // resolved as a value reference (bracketed index expressions work);
    // false, keeping nothing, when the name does not resolve.
    virtual bool AddHexDump(const ITevMidiOut* source, const std::string& valueName) = 0;
    // Hands the pending changes over, leaving none (CTevChangesAside).
    virtual CTevPendingChanges TakePendingChanges() = 0;
    // The changes handed over are pending again, before those that became
    // pending meanwhile.
    virtual void RestorePendingChanges(CTevPendingChanges pending) = 0;
};

// Sets a buffer manager's pending changes aside while it lives (nothing for
// a null manager). A change sequence that runs meanwhile (a view that
// reacts to a broadcast with a change of its own, a message box about a
// failed send whose loop lets the user act) works on lists of its own: it
// transmits, broadcasts and clears its own changes only. What it leaves
// pending stays pending after the changes set aside.
class CTevChangesAside {
public:
    explicit CTevChangesAside(ITevBufferManager* manager);
    ~CTevChangesAside();
    CTevChangesAside(const CTevChangesAside&) = delete;
    CTevChangesAside& operator=(const CTevChangesAside&) = delete;

    // The changes set aside.
    const CTevPendingChanges& Get() const { return m_pending; }

private:
    ITevBufferManager* m_manager;
    CTevPendingChanges m_pending;
};

class CTevBufferManager : public ITevBufferManager {
public:
    // The struct kinds the conversion creates.
    enum : int32_t { kRootKind = 0, kNodeKind = 1, kLeafKind = 2 };

    CTevBufferManager() = default;
    CTevBufferManager(const CTevBufferManager&) = delete;
    CTevBufferManager& operator=(const CTevBufferManager&) = delete;
    ~CTevBufferManager() override;

    ITevMidiStruct* GetMidiStruct(const std::string& path) override;
    ITevRootStruct* GetRootStruct(const std::string& path) override;
    void DispatchChanges() override;
    void ClearChanges() override;
    bool AddHexDump(const ITevMidiOut* source, const std::string& valueName) override;
    CTevPendingChanges TakePendingChanges() override;
    void RestorePendingChanges(CTevPendingChanges pending) override;

    // Root structs first, then MIDI structs, in order; the first that knows
    // the dotted path wins. Null when none does.
    CTevValue* FindValue(const std::string& path) const;
    CTevStruct* FindStruct(const std::string& path) const;

    // The set protocol. A null value, or a list holding one, is ignored.
    void SetIntegerValue(CTevValue* value, int32_t integer);
    void SetIntegerValues(const CTevValueIntegerList& values);
    // The index becomes an integer through the value's spec.
    void SetValueByIndex(CTevValue* value, int32_t index);
    void SetStringValue(CTevValue* value, const std::string& text);
    void SetDataValue(CTevValue* value, const std::vector<int32_t>& data);
    void SetDataValues(const CTevValueDataList& values);

    // Appends to the pending list (duplicates kept) and flags the value's
    // root struct as changed.
    void MarkChanged(CTevValue* value);
    void MarkChangedList(const CTevValueList& values);
    // For values already changed in their leaf's bytes by data from the
    // device: marks them and tells the handlers. Nothing is transmitted.
    bool NotifyValuesReceived(const CTevValueList& values);
    // TransmitChanges skips the value until ClearChanges.
    void ExcludeFromTransmit(CTevValue* value);
    // Transmits every pending value not excluded, in list order (a value
    // marked twice is sent twice), then refreshes the hex dumps.
    bool TransmitChanges();

    // Keeps both pointers, converts the root structs, then the MIDI structs,
    // then frees the definitions. The first failure is reported and gives
    // false; the definitions then stay until Destroy.
    bool CreateFromDefinitions(CTevViewManager* viewManager, CTevResourceManager* resourceManager);
    // Converts one instance of a struct type, recursively, and appends what
    // it creates (one struct, or one per array element) to output.
    bool ConvertStructType(int32_t kind, const CTevElementDefinition& instance, CTevStructList& output,
                           int32_t nextAddress);

    // Empties everything: definitions, specs, structs, changes, handlers and
    // hex dumps; forgets the view and resource managers and the error sink.
    void Destroy();

    // Not owned.
    void SetErrorOut(CTevTextOut* errorOut) { m_errorOut = errorOut; }
    CTevTextOut* GetErrorOut() const { return m_errorOut; }
    CTevViewManager* GetViewManager() const { return m_viewManager; }
    CTevResourceManager* GetResourceManager() const { return m_resourceManager; }

    CTevBufferHandlers& GetHandlers() { return m_handlers; }
    CTevSpecRegistries& GetSpecRegistries() { return m_specRegistries; }
    const CTevStructList& GetRootStructs() const { return m_rootStructs; }
    const CTevStructList& GetMidiStructs() const { return m_midiStructs; }
    const CTevValueList& GetChanges() const { return m_pending.changes; }
    bool IsExcludedFromTransmit(CTevValue* value) const { return m_pending.excluded.count(value) != 0; }
    const std::vector<CTevHexDump>& GetHexDumps() const { return m_hexDumps; }

    // Filled by the script reader; they live until the conversion succeeds.
    CTevTypeDefinitions m_structTypeDefinitions;
    CTevElementDefinitions m_rootStructDefinitions;
    CTevElementDefinitions m_midiStructDefinitions;

private:
    CTevTextOut& Errors() const;
    bool CreateRootStructs();
    bool CreateMidiStructs();
    void UpdateHexDump(const CTevHexDump& dump);

    CTevSpecRegistries m_specRegistries;
    CTevStructList m_rootStructs;
    CTevStructList m_midiStructs;
    // Set aside while they are transmitted or broadcast.
    CTevPendingChanges m_pending;
    CTevBufferHandlers m_handlers;
    CTevViewManager* m_viewManager = nullptr;
    CTevResourceManager* m_resourceManager = nullptr;
    CTevTextOut* m_errorOut = nullptr;
    std::vector<CTevHexDump> m_hexDumps;
    // The struct types being converted, outermost first.
    std::vector<const CTevTypeDefinition*> m_convertingTypes;
    // Stands in for a missing error sink.
    mutable CTevTextOut m_discard;
};
